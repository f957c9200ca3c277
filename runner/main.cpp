// draxo-run: runs any DRAXO program without a person and without a screen.
// The program is started unchanged; the package inside it takes its
// settings from the environment draxo-run sets (package/settings.h): no
// screen, the script as its input, the picture and the console kept. While
// it runs, the package keeps a run file of what it showed and how far the
// script got, so that draxo-run can keep the picture and say what happened
// however the program ends.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "child_process.h"
#include "compare.h"
#include "options.h"
#include "outcome.h"
#include "run_file_reader.h"

namespace draxo_run {
namespace {

namespace fs = std::filesystem;
using steady = std::chrono::steady_clock;

// How often the run file is looked at while the program runs.
constexpr int watch_interval_ms = 20;
// A program still running this long after its grace time is ended by
// draxo-run; one that waits for events is ended by the package before.
constexpr auto grace_margin = std::chrono::milliseconds(500);

void say(const std::string& line) { std::fprintf(stderr, "draxo-run: %s\n", line.c_str()); }

int cannot(const std::string& what) {
    say(what);
    return status_cannot_run;
}

bool read_whole_file(const fs::path& path, std::vector<unsigned char>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Written under a fresh name beside the target, then renamed over it.
bool write_file(const fs::path& target, const std::vector<unsigned char>& bytes, std::string& why_not) {
    fs::path fresh = target;
    fresh += ".draxo-run-" + std::to_string(std::random_device{}()) + ".tmp";
    {
        std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            why_not = "it cannot be written";
            std::error_code ignored;
            fs::remove(fresh, ignored);
            return false;
        }
    }
    std::error_code renamed;
    fs::rename(fresh, target, renamed);
    if (!renamed) return true;
    why_not = renamed.message();
    std::error_code ignored;
    fs::remove(fresh, ignored);
    return false;
}

bool write_png(const fs::path& target, const draxo::png::picture& p, std::string& why_not) {
    return write_file(target, draxo::png::encode(p.pixels.data(), p.width, p.height, p.width), why_not);
}

// A folder of draxo-run's own for the run file and an empty script,
// removed when the run is over.
class scratch_folder {
public:
    bool make(std::string& why_not) {
        std::error_code error;
        fs::path base = fs::temp_directory_path(error);
        if (error) {
            why_not = error.message();
            return false;
        }
        std::mt19937_64 names(std::random_device{}() ^
                              static_cast<std::uint64_t>(steady::now().time_since_epoch().count()));
        for (int attempt = 0; attempt < 100; ++attempt) {
            fs::path candidate = base / ("draxo-run-" + std::to_string(names()));
            if (fs::create_directory(candidate, error)) {
                path_ = candidate;
                return true;
            }
        }
        why_not = error ? error.message() : "no free name";
        return false;
    }
    ~scratch_folder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// An output file's path, absolute (the program may change its folder), in
// a folder that exists; a file of the last run there is removed.
bool prepare_output(const std::string& given, fs::path& out, const char* option, std::string& why_not) {
    std::error_code error;
    out = fs::absolute(given, error);
    fs::path folder = out.parent_path();
    if (error || !fs::is_directory(folder, error)) {
        why_not = std::string(option) + " " + given + ": there is no folder " + folder.string();
        return false;
    }
    if (fs::is_directory(out, error)) {
        why_not = std::string(option) + " " + given + " is a folder";
        return false;
    }
    fs::remove(out, error);
    return true;
}

// Set when there is a value, removed when there is none: a setting left in
// draxo-run's own environment is not the program's.
void set_variable(const char* name, const std::string& value) {
    set_environment(name, value.empty() ? nullptr : value.c_str());
}

// Runs the program until it ends, or draxo-run ends it.
program_end watch(child_process& child, const fs::path& run_file, const options& o) {
    program_end end;
    steady::time_point started = steady::now();
    auto limit = std::chrono::duration_cast<steady::duration>(std::chrono::duration<double>(o.timeout_seconds));
    auto grace = std::chrono::duration_cast<steady::duration>(std::chrono::duration<double>(o.grace_seconds));
    steady::time_point grace_over = steady::time_point::max();
    while (!child.wait_for(watch_interval_ms)) {
        steady::time_point now = steady::now();
        draxo::run_file_status status{};
        bool have_status = read_run_status(run_file, status);
        if (grace_over == steady::time_point::max() && have_status && status.quit_delivered)
            grace_over = now + grace + grace_margin;
        // A program the package is ending, or that stopped the package, is
        // on its way out: only the timeout can cut that short.
        if (have_status && status.ending != draxo::ending_running) grace_over = steady::time_point::max();
        program_end::kind_t ended_by_us = program_end::exited;
        if (o.timeout_seconds > 0 && now - started >= limit) ended_by_us = program_end::timed_out;
        if (now >= grace_over) ended_by_us = program_end::ended_after_grace;
        if (asked_to_stop()) ended_by_us = program_end::interrupted;
        if (ended_by_us != program_end::exited) {
            child.kill();
            child.wait_for(-1);
            end.kind = ended_by_us;
            return end;
        }
    }
    if (child.crashed()) {
        end.kind = program_end::crashed;
        end.crash = child.crash();
    } else {
        end.exit_status = child.exit_status();
    }
    return end;
}

int run(const options& o) {
    std::string why_not;
    scratch_folder scratch;
    if (!scratch.make(why_not)) return cannot("cannot make a folder for the run: " + why_not);
    fs::path run_file = scratch.path() / "run";

    // Everything that can fail is tried before the program starts.
    fs::path script;
    std::error_code error;
    if (o.script.empty()) {
        script = scratch.path() / "empty.scr";
        std::ofstream(script).flush();
    } else {
        script = fs::absolute(o.script, error);
        if (error || !fs::is_regular_file(script, error) || !std::ifstream(script))
            return cannot("cannot read the script " + o.script);
    }
    fs::path picture, console, difference;
    if (!o.picture.empty() && !prepare_output(o.picture, picture, "--picture", why_not)) return cannot(why_not);
    if (!o.console.empty() && o.console != "-" && !prepare_output(o.console, console, "--console", why_not))
        return cannot(why_not);
    draxo::png::picture reference;
    if (!o.expect.empty()) {
        std::vector<unsigned char> bytes;
        if (!read_whole_file(o.expect, bytes)) return cannot("cannot read " + o.expect);
        if (!draxo::png::decode(bytes.data(), bytes.size(), reference, why_not))
            return cannot("cannot read " + o.expect + ": " + why_not);
        difference = difference_path(picture);
        fs::remove(difference, error);
    }

    set_variable("DRAXO_HEADLESS", "1");
    set_variable("DRAXO_SCRIPT", script.string());
    set_variable("DRAXO_RUN_FILE", run_file.string());
    set_variable("DRAXO_PICTURE", picture.string());
    set_variable("DRAXO_CONSOLE", o.console == "-" ? o.console : console.string());
    char grace[32];
    std::snprintf(grace, sizeof grace, "%g", o.grace_seconds);
    set_variable("DRAXO_GRACE", grace);
    if (!o.seed.empty() || !std::getenv("DRAXO_SEED")) set_variable("DRAXO_SEED", o.seed.empty() ? "1" : o.seed);

    asked_to_stop();  // from now on a request to stop ends the program first
    std::fflush(stdout);
    child_process child;
    if (!child.start(o.command, why_not)) return cannot("cannot run " + o.command[0] + ": " + why_not);
    run_facts facts;
    facts.end = watch(child, run_file, o);
    facts.have_status = read_run_status(run_file, facts.status);
    facts.timeout_seconds = o.timeout_seconds;
    facts.grace_seconds = o.grace_seconds;

    // The picture: as the package saved it, or else from what it last showed.
    draxo::png::picture shown;
    if (facts.have_status) shown = read_shown_picture(run_file, facts.status);
    int own_trouble = 0;
    if (!picture.empty()) {
        bool saved = facts.status.saved_version != 0 && facts.status.saved_version == facts.status.shown_version &&
                     fs::exists(picture, error);
        if (shown.pixels.empty()) {
            fs::remove(picture, error);
            say("the program showed nothing: there is no picture");
        } else if (!saved && !write_png(picture, shown, why_not)) {
            say("cannot save the picture " + o.picture + ": " + why_not);
            own_trouble = status_cannot_run;
        }
    }
    std::vector<std::string> comparison_lines;
    if (!o.expect.empty()) {
        comparison c = compare_pictures(shown, reference);
        facts.compared = true;
        facts.differing = c.differing;
        if (shown.width != reference.width || shown.height != reference.height)
            comparison_lines.push_back("the picture is " + std::to_string(shown.width) + " x " +
                                       std::to_string(shown.height) + " pixels, " + o.expect + " " +
                                       std::to_string(reference.width) + " x " + std::to_string(reference.height));
        comparison_lines.push_back(std::to_string(c.differing) + " pixels differ from " + o.expect);
        if (!write_png(difference, c.difference, why_not)) {
            comparison_lines.push_back("cannot save the difference image " + difference.string() + ": " + why_not);
            own_trouble = status_cannot_run;
        } else if (c.differing > 0) {
            comparison_lines.push_back("they are marked in red in " + difference.string());
        }
    }

    outcome result = decide(facts, o.command[0]);
    for (const std::string& line : result.lines) say(line);
    for (const std::string& line : comparison_lines) say(line);
    return own_trouble ? own_trouble : result.exit_status;
}

}  // namespace
}  // namespace draxo_run

int main(int argc, char** argv) {
    using namespace draxo_run;
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    options o;
    std::string why_not;
    if (!parse_options(arguments, o, why_not)) {
        say(why_not);
        std::fprintf(stderr, "Try 'draxo-run --help'.\n");
        return status_cannot_run;
    }
    if (o.help) {
        std::fputs(usage_text(), stdout);
        return 0;
    }
    if (o.version) {
        std::printf("draxo-run %s\n", DRAXO_VERSION);
        return 0;
    }
    return run(o);
}
