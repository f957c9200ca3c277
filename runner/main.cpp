// draxo-run: runs any DRAXO program without a person and without a screen.
// The program is started unchanged; the package inside it takes its
// settings from the environment draxo-run sets (package/settings.h): no
// screen, the script as its input. While it runs, the package reports what
// it shows, how far the script got and what the console prints through a
// pipe draxo-run reads (surface/run_file.h), so that draxo-run keeps the
// picture and the console itself, from what the package reported, and says
// what happened however the program ends; nothing the program can reach by
// a name is graded.
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

#include "assignment.h"
#include "child_process.h"
#include "compare.h"
#include "options.h"
#include "outcome.h"
#include "output_files.h"
#include "report_reader.h"

namespace draxo_run {
namespace {

namespace fs = std::filesystem;
using steady = std::chrono::steady_clock;

// The longest the watch waits before it looks at the clock again, when
// nothing comes from the program.
constexpr int watch_interval_ms = 20;
// A program still running this long after its grace time is ended by
// draxo-run; one that waits for events is ended by the package before.
constexpr auto grace_margin = std::chrono::milliseconds(500);

// What draxo-run says goes to standard error; if that cannot be written (a
// pipe nobody reads) it is lost, and the run's status says what happened.
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

std::string png_of(const draxo::png::picture& p) {
    std::vector<unsigned char> bytes = draxo::png::encode(p.pixels.data(), p.width, p.height, p.width);
    return std::string(bytes.begin(), bytes.end());
}

// A folder of draxo-run's own for an empty script, removed when the run is
// over.
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
        why_not = (error ? error.message() : "no free name") + " (" + base.string() + ")";
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

// Set when there is a value, removed when there is none: a setting left in
// draxo-run's own environment is not the program's.
void set_variable(const char* name, const std::string& value) {
    set_environment(name, value.empty() ? nullptr : value.c_str());
}

// The report as it comes: read, its console text kept at once.
struct report_taker : report_sink {
    report_reader reader;
    streamed_output* console = nullptr;
    void take(const char* bytes, std::size_t size) override {
        reader.take(bytes, size);
        std::string text = reader.take_console_text();
        if (console) console->write(text);
    }
};

// Runs the program until it ends, or draxo-run ends it; then ends what it
// started and reads the rest of its report.
program_end watch(child_process& child, report_taker& report, const options& o) {
    program_end end;
    steady::time_point started = steady::now();
    auto limit = std::chrono::duration_cast<steady::duration>(std::chrono::duration<double>(o.timeout_seconds));
    auto grace = std::chrono::duration_cast<steady::duration>(std::chrono::duration<double>(o.grace_seconds));
    steady::time_point grace_over = steady::time_point::max();
    while (!child.wait_for(watch_interval_ms, report)) {
        steady::time_point now = steady::now();
        const draxo::run_file_status& status = report.reader.status();
        bool have_status = report.reader.have_status();
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
            end.kind = ended_by_us;
            break;
        }
    }
    child.end(report);
    if (end.kind != program_end::exited) return end;
    if (child.crashed()) {
        end.kind = program_end::crashed;
        end.crash = child.crash();
    } else {
        end.exit_status = child.exit_status();
    }
    return end;
}

// What the report says is wrong with it, if anything. A record cut off is
// wrong only when the program ended by itself: ended in the middle of one,
// by a crash or by draxo-run, it simply did not finish it.
std::string report_trouble(const report_reader& reader, const program_end& end) {
    if (!reader.malformed().empty()) return reader.malformed();
    if (reader.in_a_record() && end.kind == program_end::exited) return "it ends in the middle of a record";
    return "";
}

// Makes the assignment of a run that is over, when the run can be its
// reference: what to say goes to `said`, what draxo-run could not do (the
// status 125) to `could_not`. A run that cannot be a reference keeps its
// status.
void make_assignment(const options& o, const outcome& result, const draxo::png::picture& shown,
                     const std::string& script, const std::string& starter, assignment_folder& folder,
                     std::vector<std::string>& said, std::vector<std::string>& could_not) {
    if (!result.programs_own) {
        said.push_back(
            "no assignment was made: the solution must end by itself, with the script played to its end");
        return;
    }
    if (shown.pixels.empty()) {
        could_not.push_back("no assignment was made: the program showed nothing, there is no reference picture");
        return;
    }
    assignment a;
    a.title = o.title.empty() ? folder_title(o.make_assignment) : o.title;
    a.starter = o.starter.empty() ? "" : starter_name(o.starter);
    a.arguments.assign(o.command.begin() + 1, o.command.end());
    a.expected_status = result.exit_status;
    a.timeout_seconds = o.timeout_seconds;
    a.grace_seconds = o.grace_seconds;
    a.seed = o.seed.empty() ? 1 : static_cast<std::uint32_t>(std::stoul(o.seed));
    std::string why_not;
    if (folder.write(script, starter, png_of(shown), a, why_not))
        said.push_back("the assignment is in " + o.make_assignment + ": " + folder.names());
    else
        could_not.push_back("no assignment was made: " + why_not);
}

int run(const options& o) {
    std::string why_not;

    // Everything that can fail is tried before the program starts, and no
    // output is removed or made before every file was looked at.
    fs::path script;
    std::error_code error;
    if (!o.script.empty()) {
        script = fs::absolute(o.script, error);
        if (error || !fs::is_regular_file(script, error) || !std::ifstream(script))
            return cannot("cannot read the script " + o.script);
    }
    // An assignment's script and starter are copied as they were when the
    // run started, whatever the program does to them.
    bool making_assignment = !o.make_assignment.empty();
    std::vector<unsigned char> script_bytes, starter_bytes;
    if (making_assignment && !script.empty() && !read_whole_file(script, script_bytes))
        return cannot("cannot read the script " + o.script);
    if (!o.starter.empty() &&
        (!fs::is_regular_file(o.starter, error) || !read_whole_file(o.starter, starter_bytes)))
        return cannot("cannot read the starter " + o.starter);
    draxo::png::picture reference;
    if (!o.expect.empty()) {
        std::vector<unsigned char> bytes;
        if (!read_whole_file(o.expect, bytes)) return cannot("cannot read " + o.expect);
        if (!draxo::png::decode(bytes.data(), bytes.size(), reference, why_not))
            return cannot("cannot read " + o.expect + ": " + why_not);
    }
    output_target picture, console, difference;
    if (!o.picture.empty() && !find_output(o.picture, "--picture", picture, why_not)) return cannot(why_not);
    if (!o.console.empty() && !find_output(o.console, "--console", console, why_not)) return cannot(why_not);
    bool difference_image = !o.expect.empty() && picture.kind == output_target::file;
    std::string difference_name = difference_path(fs::absolute(o.picture, error)).string();
    if (difference_image && !find_output(difference_name, "the difference image", difference, why_not))
        return cannot(why_not);
    assignment_folder folder;
    if (making_assignment && !folder.prepare(o.make_assignment, o.starter, why_not)) return cannot(why_not);
    std::vector<named_file> files = {{"--script", o.script, false},   {"--expect", o.expect, false},
                                     {"--starter", o.starter, false}, {"the program", o.command[0], false},
                                     {"--picture", o.picture, true},  {"--console", o.console, true}};
    if (difference_image) files.push_back({"the difference image", difference_name, true});
    for (const named_file& output : folder.outputs()) files.push_back(output);
    // The program by its name only when that is a path: else it is looked
    // for as the shell would, and never written anyway.
    if (o.command[0].find('/') == std::string::npos && o.command[0].find('\\') == std::string::npos)
        files[3].given.clear();
    std::erase_if(files, [](const named_file& f) { return f.given.empty(); });
    if (!refuse_same_files(files, why_not)) return cannot(why_not);

    scratch_folder scratch;
    if (script.empty()) {
        if (!scratch.make(why_not)) return cannot("cannot make a folder for the run: " + why_not);
        script = scratch.path() / "empty.scr";
        if (!std::ofstream(script).flush())
            return cannot("cannot make an empty script in " + scratch.path().string());
    }
    clear_output(picture);
    clear_output(difference);
    streamed_output console_out;
    if (!console_out.open(console, why_not))
        return cannot("cannot write the console to " + o.console + ": " + why_not);

    set_variable("DRAXO_HEADLESS", "1");
    set_variable("DRAXO_SCRIPT", script.string());
    // Kept by draxo-run from the report, not by the package in files.
    for (const char* kept_here : {"DRAXO_PICTURE", "DRAXO_CONSOLE", "DRAXO_RUN_FILE"}) set_variable(kept_here, "");
    char grace[32];
    std::snprintf(grace, sizeof grace, "%g", o.grace_seconds);
    set_variable("DRAXO_GRACE", grace);
    // The seed: a folder made by --make-assignment records the one its
    // solution ran with, and the playground's check gives that one to a
    // student's program too; an inherited one is not taken.
    if (!o.seed.empty() || !std::getenv("DRAXO_SEED") || making_assignment)
        set_variable("DRAXO_SEED", o.seed.empty() ? "1" : o.seed);

    asked_to_stop();  // from now on a request to stop ends the program first
    std::fflush(stdout);
    child_process child;
    if (!child.start(o.command, why_not)) return cannot("cannot run " + o.command[0] + ": " + why_not);
    report_taker report;
    report.console = &console_out;
    run_facts facts;
    facts.end = watch(child, report, o);
    facts.have_status = report.reader.have_status();
    facts.status = report.reader.status();
    facts.timeout_seconds = o.timeout_seconds;
    facts.grace_seconds = o.grace_seconds;

    // The picture: the last the program showed, as the package reported it.
    const draxo::png::picture& shown = report.reader.shown();
    std::vector<std::string> own_lines;  // what draxo-run could not do
    if (picture.kind != output_target::none) {
        if (shown.pixels.empty())
            say("the program showed nothing: there is no picture");
        else if (!write_whole_output(picture, png_of(shown), why_not))
            own_lines.push_back("cannot save the picture " + o.picture + ": " + why_not);
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
        if (!difference_image) {
            if (c.differing > 0)
                comparison_lines.push_back("there is no difference image: " + o.picture +
                                           " is not a regular file");
        } else if (!write_whole_output(difference, png_of(c.difference), why_not)) {
            own_lines.push_back("cannot save the difference image " + difference_name + ": " + why_not);
        } else if (c.differing > 0) {
            comparison_lines.push_back("they are marked in red in " + difference_name);
        }
    }
    if (!console_out.failure().empty())
        own_lines.push_back("cannot write the console to " + o.console + ": " + console_out.failure());
    std::string trouble = report_trouble(report.reader, facts.end);
    if (!trouble.empty())
        own_lines.push_back("the package's report of the run cannot be read: " + trouble +
                            "; something in the program wrote over it");

    outcome result = decide(facts, o.command[0]);
    std::vector<std::string> assignment_lines;
    if (making_assignment && own_lines.empty())
        make_assignment(o, result, shown, std::string(script_bytes.begin(), script_bytes.end()),
                        std::string(starter_bytes.begin(), starter_bytes.end()), folder, assignment_lines,
                        own_lines);
    for (const std::string& line : result.lines) say(line);
    for (const std::string& line : comparison_lines) say(line);
    for (const std::string& line : assignment_lines) say(line);
    for (const std::string& line : own_lines) say(line);
    return own_lines.empty() ? result.exit_status : status_cannot_run;
}

}  // namespace
}  // namespace draxo_run

int main(int argc, char** argv) {
    using namespace draxo_run;
    write_failures_are_errors();
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
    keep_watch_over_the_run();
    return run(o);
}
