// Writing an assignment's description.
#include "assignment.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "text/text_encoding.h"

namespace draxo_run {
namespace {

// A JSON string: the text as UTF-8 (a title that is not, as on a Windows
// command line, read as Latin-1, as the package reads a client's text),
// with quotes, backslashes and control characters escaped.
std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (char c : draxo::text::text_as_utf8(text)) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// A number of seconds (0 to a day) as the shortest decimal that reads back
// as the same number: 60, 0.5. (In the C locale, draxo-run's own: the
// point is a point.)
std::string json_number(double value) {
    char text[64];
    for (int decimals = 0; decimals <= 17; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

}  // namespace

std::string starter_name(const std::string& given) {
    return "starter" + std::filesystem::path(given).extension().string();
}

std::string folder_title(const std::string& given) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::absolute(given, error).lexically_normal();
    if (!folder.has_filename()) folder = folder.parent_path();
    std::u8string name = folder.filename().u8string();
    return std::string(name.begin(), name.end());
}

std::string assignment_json(const assignment& a) {
    std::string json = "{\n";
    auto field = [&json](const char* name, const std::string& value) {
        if (json.size() > 2) json += ",\n";
        json += "  \"" + std::string(name) + "\": " + value;
    };
    field("format", json_string("draxo-assignment"));
    field("version", std::to_string(assignment_version));
    field("title", json_string(a.title));
    field("script", json_string(assignment_script));
    field("reference", json_string(assignment_reference));
    field("starter", a.starter.empty() ? "null" : json_string(a.starter));
    std::string arguments;
    for (const std::string& argument : a.arguments)
        arguments += (arguments.empty() ? "" : ", ") + json_string(argument);
    field("arguments", "[" + arguments + "]");
    field("expectedStatus", std::to_string(a.expected_status));
    field("timeoutSeconds", json_number(a.timeout_seconds));
    field("graceSeconds", json_number(a.grace_seconds));
    field("seed", std::to_string(a.seed));
    return json + "\n}\n";
}

assignment_folder::~assignment_folder() {
    std::error_code ignored;
    if (!made_.empty() && std::filesystem::is_empty(made_, ignored)) std::filesystem::remove(made_, ignored);
}

bool assignment_folder::prepare(const std::string& given, const std::string& starter_given, std::string& why_not) {
    namespace fs = std::filesystem;
    given_ = given;
    std::error_code error;
    fs::path folder = fs::absolute(given, error);
    fs::file_status status = fs::status(folder, error);
    if (fs::exists(status) && !fs::is_directory(status)) {
        why_not = "--make-assignment " + given + " is not a folder";
        return false;
    }
    if (!fs::exists(status)) {
        if (!fs::create_directory(folder, error)) {
            why_not = "cannot make the folder " + given + ": " + error.message();
            return false;
        }
        made_ = folder;
    }
    std::vector<std::string> names = {assignment_script, assignment_reference, assignment_file};
    if (!starter_given.empty()) names.insert(names.begin() + 1, starter_name(starter_given));
    for (const std::string& name : names) {
        files_.push_back({name, {}});
        std::string path = (fs::path(given) / name).string();
        if (!find_output(path, "the assignment's file", files_.back().target, why_not)) return false;
    }
    return true;
}

std::vector<named_file> assignment_folder::outputs() const {
    std::vector<named_file> out;
    for (const file& f : files_) out.push_back({"the assignment's file", f.target.given, true});
    return out;
}

std::string assignment_folder::names() const {
    std::string out;
    for (const file& f : files_) out += (out.empty() ? "" : ", ") + f.name;
    return out;
}

bool assignment_folder::write(const std::string& script, const std::string& starter,
                              const std::string& reference_png, const assignment& a, std::string& why_not) {
    for (const file& f : files_) {
        const std::string& bytes = f.name == assignment_script      ? script
                                   : f.name == assignment_reference ? reference_png
                                   : f.name == assignment_file      ? assignment_json(a)
                                                                    : starter;
        if (!write_whole_output(f.target, bytes, why_not)) {
            why_not = "cannot write " + f.target.given + ": " + why_not;
            return false;
        }
    }
    return true;
}

}  // namespace draxo_run
