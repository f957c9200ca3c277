// Reading draxo-run's command line.
#include "options.h"

#include <cstdlib>
#include <utility>

#include "settings.h"

namespace draxo_run {
namespace {

bool parse_seed(const std::string& text) {
    if (text.empty() || text.size() > 10) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return std::strtoull(text.c_str(), nullptr, 10) <= 4294967295ull;
}

}  // namespace

const char* usage_text() {
    return "usage: draxo-run [OPTIONS] [--] PROGRAM [ARGS...]\n"
           "Runs a DRAXO program without a person and without a screen: its input\n"
           "played from a script, what it showed and printed kept in files.\n"
           "\n"
           "  --script FILE      play FILE as the program's input from its first wait;\n"
           "                     at its end the program gets DRAXO_QUIT (without a\n"
           "                     script, at its first wait)\n"
           "  --picture OUT.png  save the drawing window's client area as the program\n"
           "                     last showed it\n"
           "  --console OUT.txt  save every console line (- for standard output)\n"
           "  --expect REF.png   compare the picture with REF.png: print how many pixels\n"
           "                     differ, mark them in OUT-diff.png (needs --picture)\n"
           "  --timeout SECONDS  end a program still running then (default 60; 0: never)\n"
           "  --grace SECONDS    the time a program has to end after the script's quit\n"
           "                     (default 3)\n"
           "  --seed N           DRAXO_SEED for the program's random numbers (default:\n"
           "                     as set, or 1; with --make-assignment, 1)\n"
           "  --make-assignment DIR\n"
           "                     run a solution and make of it the folder a check in\n"
           "                     the browser reads: the script as DIR/script.scr, the\n"
           "                     picture as DIR/reference.png, DIR/assignment.json\n"
           "                     (title, files, the program's arguments and status,\n"
           "                     the limits); only when the status is the program's\n"
           "                     own\n"
           "  --starter FILE     with --make-assignment: the program students start\n"
           "                     from, copied as DIR/starter.c (its own extension)\n"
           "  --title TEXT       with --make-assignment: the title (default: DIR's name)\n"
           "  --help, --version\n"
           "\n"
           "SECONDS is a decimal number (20, 0.5). An output that names the same file\n"
           "as another option, by any path or link, is refused before anything is\n"
           "written; only regular files are replaced, a device, a FIFO or standard\n"
           "output is written into. Everything the program started ends with the run.\n"
           "\n"
           "Exit status: the program's own when it ended normally, the script was\n"
           "played to its end and (with --expect) the pictures are equal; otherwise\n"
           "the first of: 125 draxo-run could not do its part (a file it cannot read\n"
           "or write, among them a console that cannot be kept), 123 the program\n"
           "crashed, 124 timed out, 122 did not end after the script's quit, 121 the\n"
           "script was not played to its end, 120 the pictures differ. A standard\n"
           "error nobody reads does not change it. An assignment not made for want of\n"
           "a picture, or that cannot be written, is 125.\n";
}

bool parse_options(const std::vector<std::string>& arguments, options& out, std::string& why_not) {
    out = options{};
    std::size_t i = 0;
    for (; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (argument == "--") {
            ++i;
            break;
        }
        if (argument.size() < 2 || argument[0] != '-') break;  // the program
        if (argument == "--help" || argument == "-h") {
            out.help = true;
            return true;
        }
        if (argument == "--version") {
            out.version = true;
            return true;
        }
        std::string name = argument, value;
        bool has_value = false;
        if (std::size_t equals = argument.find('='); argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
            has_value = true;
        }
        static const char* const valued[] = {"--script",  "--picture", "--console", "--expect",
                                             "--timeout", "--grace",   "--seed",    "--make-assignment",
                                             "--starter", "--title"};
        bool known = false;
        for (const char* option : valued) known = known || name == option;
        if (!known) {
            why_not = "unknown option " + argument;
            return false;
        }
        if (!has_value) {
            if (i + 1 == arguments.size()) {
                why_not = name + " needs a value";
                return false;
            }
            value = arguments[++i];
        }
        if (value.empty()) {
            why_not = name + " needs a value";
            return false;
        }
        if (name == "--script") {
            out.script = value;
        } else if (name == "--picture") {
            out.picture = value;
        } else if (name == "--console") {
            out.console = value;
        } else if (name == "--expect") {
            out.expect = value;
        } else if (name == "--make-assignment") {
            out.make_assignment = value;
        } else if (name == "--starter") {
            out.starter = value;
        } else if (name == "--title") {
            out.title = value;
        } else if (name == "--timeout" || name == "--grace") {
            if (!draxo::parse_seconds(value, name == "--timeout" ? out.timeout_seconds : out.grace_seconds)) {
                why_not = name + " takes a number of seconds from 0 to 86400, not " + value;
                return false;
            }
        } else if (!parse_seed(value)) {
            why_not = "--seed takes a whole number from 0 to 4294967295, not " + value;
            return false;
        } else {
            out.seed = value;
        }
    }
    out.command.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
    if (out.command.empty()) {
        why_not = "no program to run";
        return false;
    }
    if (out.make_assignment.empty()) {
        for (const auto& [given, option] :
             {std::pair{&out.starter, "--starter"}, std::pair{&out.title, "--title"}})
            if (!given->empty()) {
                why_not = std::string(option) + " needs --make-assignment";
                return false;
            }
    } else {
        for (const auto& [given, option] :
             {std::pair{&out.picture, "--picture"}, std::pair{&out.expect, "--expect"}})
            if (!given->empty()) {
                why_not = std::string(option) +
                          " is not taken with --make-assignment, which keeps the picture as "
                          "the assignment's reference";
                return false;
            }
    }
    if (!out.expect.empty() && out.picture.empty()) {
        why_not = "--expect needs --picture: the difference image is written beside the picture";
        return false;
    }
    return true;
}

}  // namespace draxo_run
