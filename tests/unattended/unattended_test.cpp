// Unattended runs on the null backend: the package opened with its settings
// in the environment, without a screen. The script as the program's only
// input and its end, the run file, the picture as last shown, and the
// console's capture.
#include "unattended.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "console/console.h"
#include "events/event_support.h"
#include "events/run_commands.h"
#include "events/run_menu.h"
#include "events/script.h"
#include "events/unattended_script.h"
#include "png/png_codec.h"
#include "report_reader.h"
#include "support/scratch_directory.h"
#include "surface/palette.h"
#include "surface/run_file.h"
#include "window_system/null/null_backend.h"

namespace draxo {
namespace {

using test::next_event;

void set_variable(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

// Stands in for the end of the process: counted, then thrown out of the
// wait (which gives the operation up, as it would any exception).
int ended_by_package = 0;
struct grace_over : std::runtime_error {
    grace_over() : std::runtime_error("the package ended the program") {}
};
[[noreturn]] void throw_grace_over() {
    ++ended_by_package;
    throw grace_over();
}

class UnattendedRun : public test::InScratchDirectory {
protected:
    void TearDown() override {
        reset_unattended_run();
        InScratchDirectory::TearDown();
    }
    // Opens the package without a screen, with these settings besides.
    static void open(std::initializer_list<std::pair<const char*, std::string>> settings) {
        set_variable("DRAXO_HEADLESS", "1");
        for (const auto& [name, value] : settings) set_variable(name, value);
        test::open_package();
        on_grace_over(throw_grace_over);
    }
    static run_file_status status_in(const std::string& run_file) {
        run_file_status status{};
        std::FILE* file = std::fopen(run_file.c_str(), "rb");
        if (!file) return status;
        EXPECT_EQ(std::fread(&status, sizeof status, 1, file), 1u);
        std::fclose(file);
        return status;
    }
    // The pixel at a logical point of the picture in the run file, 0x00RRGGBB.
    static std::uint32_t run_file_pixel(const std::string& run_file, int x, int y) {
        run_file_status status = status_in(run_file);
        std::FILE* file = std::fopen(run_file.c_str(), "rb");
        std::uint32_t pixel = 0;
        long at =
            run_file_pixels_at +
            static_cast<long>(((display.origin_y - y) * static_cast<long>(status.width) + display.origin_x + x) *
                              sizeof pixel);
        EXPECT_EQ(std::fseek(file, at, SEEK_SET), 0);
        EXPECT_EQ(std::fread(&pixel, sizeof pixel, 1, file), 1u);
        std::fclose(file);
        return pixel & 0xFFFFFFu;
    }
    static png::picture picture_in(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        png::picture picture;
        std::string why_not;
        EXPECT_TRUE(png::decode(bytes.data(), bytes.size(), picture, why_not)) << why_not;
        return picture;
    }
};

// --- The script -------------------------------------------------------------------

TEST_F(UnattendedRun, TheScriptIsTheProgramsInputFromItsFirstWaitAndItsEndAQuit) {
    write_file("in.scr", "DRAXO_PERIODIC(2);\nDRAXO_MOUSE(5, -7);\n\nDRAXO_KBD(97);\nDRAXO_KBD(-23);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}});
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    test::post_press(100, 100);  // live input is not the program's in an unattended run
    std::vector<std::tuple<int, int, int, int>> events;
    for (int i = 0; i < 7; ++i) {
        test::event e = next_event();
        events.emplace_back(e.kind, e.x, e.y, e.key);
    }
    EXPECT_EQ(events, (std::vector<std::tuple<int, int, int, int>>{{DRAXO_PERIODIC, 0, 0, 0},
                                                                   {DRAXO_PERIODIC, 0, 0, 0},
                                                                   {DRAXO_MOUSE, 5, -7, 0},
                                                                   {DRAXO_KBD, 0, 0, 97},
                                                                   {DRAXO_KBD, 0, 0, -23},
                                                                   {DRAXO_QUIT, 0, 0, 0},
                                                                   {DRAXO_QUIT, 0, 0, 0}}));
    EXPECT_EQ(test::console_ring().back(), "End of the script: the program is asked to quit\n");
}

TEST_F(UnattendedRun, TheScriptFileInTheCurrentFolderIsNeitherReadNorTouched) {
    write_file(script_file_name, "DRAXO_KBD(120);\n");
    write_file("in.scr", "DRAXO_KBD(65);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}});
    EXPECT_EQ(next_event().key, 65);
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    DRAXO_stop();
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_KBD(120);\n");
}

TEST_F(UnattendedRun, AnEmptyScriptQuitsAtTheFirstWait) {
    write_file("in.scr", "");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_RUN_FILE", "run"}});
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    run_file_status status = status_in("run");
    EXPECT_EQ(status.script, script_played);
    EXPECT_EQ(status.quit_delivered, 1u);
    EXPECT_EQ(status.events_total, 0u);
}

TEST_F(UnattendedRun, ALineOfNoKnownKindEndsTheScriptThereNamingTheLine) {
    write_file("in.scr", "DRAXO_KBD(65);\n\nDRAXO_XYZ(1);\nDRAXO_KBD(66);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_RUN_FILE", "run"}});
    EXPECT_EQ(next_event().key, 65);
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    EXPECT_EQ(
        test::console_ring().back(),
        "Line 3 of the script is of no known kind: the script ends there, and the program is asked to quit\n");
    run_file_status status = status_in("run");
    EXPECT_EQ(status.script, script_stopped);
    EXPECT_EQ(status.stopped_line, 3u);
    EXPECT_EQ(status.events_played, 1u);
    EXPECT_EQ(status.events_total, 1u);  // the events before the line it stops at
}

// Game input in an unattended run: played to a program that asked, passed
// over (and counted as played) for one that did not; a bad line of game
// input ends the script as any line of no known kind.
TEST_F(UnattendedRun, GameInputLinesArePlayedToAProgramThatAskedAndCountedForOneThatDidNot) {
    write_file("in.scr",
               "DRAXO_KEY_PRESS(UP, 0);\nDRAXO_MOUSE_PRESS(3, 4, 2);\nDRAXO_KBD(32, SPACE);\n"
               "DRAXO_KEY_RELEASE(UP, 0);\nDRAXO_KEY_PRESS(UPWARD, 0);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_RUN_FILE", "run"}});
    DRAXO_set_input(DRAXO_INPUT_KEYS);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_PRESS);
    EXPECT_EQ(DRAXO_key_is_down(DRAXO_KEY_UP), 1);
    test::event e = next_event();  // the right button passed over: no mouse input asked for
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(DRAXO_event_key_code(), DRAXO_KEY_SPACE);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_RELEASE);
    EXPECT_EQ(DRAXO_key_is_down(DRAXO_KEY_UP), 0);
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    EXPECT_EQ(
        test::console_ring().back(),
        "Line 5 of the script is of no known kind: the script ends there, and the program is asked to quit\n");
    run_file_status status = status_in("run");
    EXPECT_EQ(status.events_played, 4u);
    EXPECT_EQ(status.events_total, 4u);
}

TEST_F(UnattendedRun, TheRunFileCountsTheEventsPlayedOfAllTheScriptHolds) {
    write_file("in.scr", "DRAXO_PERIODIC(20);\nDRAXO_MOUSE(1, 2);\nDRAXO_PERIODIC(0);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_RUN_FILE", "run"}});
    for (int i = 0; i < 5; ++i) next_event();
    run_file_status status = status_in("run");
    EXPECT_EQ(status.events_played, 5u);
    EXPECT_EQ(status.events_total, 22u);
    EXPECT_EQ(status.script, script_playing);
    EXPECT_EQ(status.quit_delivered, 0u);
}

TEST_F(UnattendedRun, AProgramEndingRightAfterTheLastEventPlayedTheScriptToItsEnd) {
    write_file("in.scr", "DRAXO_KBD(113);\n\n\n");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_RUN_FILE", "run"}});
    EXPECT_EQ(next_event().key, 'q');  // and the program ends on its 'q'
    DRAXO_stop();
    EXPECT_EQ(status_in("run").script, script_played);
    EXPECT_EQ(status_in("run").ending, ending_stopped);
}

TEST_F(UnattendedRun, AProgramEndingWithEventsLeftDidNotPlayTheScriptToItsEnd) {
    write_file("in.scr", "DRAXO_KBD(113);\nDRAXO_KBD(114);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_RUN_FILE", "run"}});
    next_event();
    DRAXO_stop();
    EXPECT_EQ(status_in("run").script, script_playing);
    // Ending it took nothing from the script: a program that opens the
    // package again goes on with the next event.
    test::open_package();
    EXPECT_EQ(next_event().key, 'r');
}

TEST_F(UnattendedRun, PeriodicEventsLeftOfARunAreEventsLeft) {
    write_file("in.scr", "DRAXO_PERIODIC(3);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_RUN_FILE", "run"}});
    next_event();
    next_event();
    DRAXO_stop();
    EXPECT_EQ(status_in("run").script, script_playing);
}

TEST_F(UnattendedRun, AQuitFromTheSystemEndsAWaitWithoutTakingAScriptEvent) {
    write_file("in.scr", "DRAXO_KBD(65);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}});
    ws::post_quit_message(0);
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    EXPECT_EQ(next_event().key, 65);
}

TEST_F(UnattendedRun, AProgramStillWaitingWhenItsGraceTimeIsOverIsEnded) {
    write_file("in.scr", "");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_RUN_FILE", "run"}, {"DRAXO_GRACE", "0"}});
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    EXPECT_EQ(ended_by_package, 0);
    try {
        next_event();
    } catch (const grace_over&) {  // a page's package catches nothing
    }
    EXPECT_EQ(ended_by_package, 1);
    EXPECT_EQ(status_in("run").ending, ending_quit_ignored);
    EXPECT_EQ(test::console_ring().back(),
              "The program did not end after its quit at the end of the script: it is ended\n");
}

TEST_F(UnattendedRun, AProgramWaitingAgainWithinItsGraceTimeGetsTheQuitAgain) {
    write_file("in.scr", "");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_GRACE", "60"}});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(next_event().kind, DRAXO_QUIT);
}

TEST_F(UnattendedRun, TheRunMenusRecordingTakesDownTheScriptsEvents) {
    const std::string script = "DRAXO_PERIODIC(3);\nDRAXO_MOUSE(5, -7);\nDRAXO_KBD(97);\nDRAXO_PERIODIC(2);\n";
    write_file("in.scr", script);
    open({{"DRAXO_SCRIPT", "in.scr"}});
    run_command(CMD_RECORD_SCRIPT);
    while (next_event().kind != DRAXO_QUIT) {
    }
    run_command(CMD_RECORD_SCRIPT);
    EXPECT_EQ(contents_of(script_file_name), script);
}

// --- DRAXO_gets ---------------------------------------------------------------------------

TEST_F(UnattendedRun, DraxoGetsTakesItsLineFromTheScriptsKeysUpToEnter) {
    write_file("in.scr",
               "DRAXO_PERIODIC(2);\nDRAXO_KBD(53);\nDRAXO_KBD(57);\nDRAXO_KBD(8);\nDRAXO_MOUSE(1, 1);\n"
               "DRAXO_KBD(48);\nDRAXO_KBD(13);\nDRAXO_KBD(113);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_RUN_FILE", "run"}});
    char answer[256] = "untouched";
    EXPECT_EQ(DRAXO_gets("Your guess?", answer), 1);
    EXPECT_STREQ(answer, "50");
    EXPECT_EQ(status_in("run").events_played, 8u);
    EXPECT_EQ(next_event().key, 'q');  // the script goes on after the line
}

TEST_F(UnattendedRun, DraxoGetsNKeepsWhatItsBufferHolds) {
    write_file("in.scr", "DRAXO_KBD(97);\nDRAXO_KBD(98);\nDRAXO_KBD(99);\nDRAXO_KBD(13);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}});
    char answer[3] = {'x', 'x', 'x'};
    EXPECT_EQ(DRAXO_gets_n("?", answer, 3), 1);
    EXPECT_STREQ(answer, "ab");
}

TEST_F(UnattendedRun, AScriptEndingBeforeEnterLeavesTheBufferAndQuits) {
    write_file("in.scr", "DRAXO_KBD(97);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}});
    char answer[256] = "untouched";
    EXPECT_EQ(DRAXO_gets("?", answer), 0);
    EXPECT_STREQ(answer, "untouched");
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
}

// Without a screen and without a script nothing can ever give the program
// input: its first wait is the quit, as under draxo-run, never a wait for ever.
TEST_F(UnattendedRun, WithoutAScriptNobodyAnswersAndTheFirstWaitIsTheQuit) {
    open({{"DRAXO_RUN_FILE", "run"}});
    char answer[256] = "untouched";
    EXPECT_EQ(DRAXO_gets("?", answer), 0);
    EXPECT_STREQ(answer, "untouched");
    EXPECT_EQ(test::console_ring().back(), "DRAXO_gets: nobody can answer in a run without a screen\n");
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);  // not even a tick comes first
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    EXPECT_EQ(test::console_ring().back().rfind(
                  "No script to play in a run without a screen: the program is asked to quit", 0),
              0u);
    run_file_status status = status_in("run");
    EXPECT_EQ(status.script, script_played);
    EXPECT_EQ(status.quit_delivered, 1u);
}

// The script's keys are Latin-1 characters; a program that asked for UTF-8
// gets them as UTF-8, never a byte that is no character, cut between two
// characters when its buffer is full.
TEST_F(UnattendedRun, DraxoGetsAnswersInTheProgramsInputEncoding) {
    write_file("in.scr",
               "DRAXO_KBD(-4);\nDRAXO_KBD(65);\nDRAXO_KBD(13);\n"   // "üA"
               "DRAXO_KBD(65);\nDRAXO_KBD(-23);\nDRAXO_KBD(13);\n"  // "Aé"
               "DRAXO_KBD(-4);\nDRAXO_KBD(13);\n");                 // "ü"
    open({{"DRAXO_SCRIPT", "in.scr"}});
    EXPECT_EQ(DRAXO_set_input_encoding(DRAXO_UTF8), DRAXO_LATIN1);
    char answer[16] = "";
    EXPECT_EQ(DRAXO_gets("?", answer), 1);
    EXPECT_STREQ(answer,
                 "\xC3\xBC"
                 "A");
    char small[3] = "";  // room for "A" and half of the "é"
    EXPECT_EQ(DRAXO_gets_n("?", small, 3), 1);
    EXPECT_STREQ(small, "A");
    DRAXO_set_input_encoding(DRAXO_LATIN1);
    EXPECT_EQ(DRAXO_gets("?", answer), 1);
    EXPECT_STREQ(answer, "\xFC");
}

// --- The screen that is not there ---------------------------------------------------------

TEST_F(UnattendedRun, TheDrawingWindowsClientAreaIsTheSameOnEveryPlatform) {
    open({});
    ws::rect client = ws::client_rect(package.drawing_window);
    EXPECT_EQ(client.right, 601);
    EXPECT_EQ(client.bottom, 521);
    EXPECT_EQ(display.origin_x, 300);
    EXPECT_EQ(display.origin_y, 260);
    // Shown as far as the program can tell; nothing went to a screen.
    EXPECT_EQ(DRAXO_show_console(0), 1);
    EXPECT_EQ(DRAXO_show_console(1), 0);
    EXPECT_EQ(ws::null::presents(package.drawing_window), 0);
    EXPECT_EQ(ws::null::surface_updates(package.drawing_window), 0);
}

TEST_F(UnattendedRun, TheRunFileHoldsWhatTheLastWaitShowed) {
    write_file("in.scr", "DRAXO_KBD(1);\nDRAXO_KBD(2);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_RUN_FILE", "run"}});
    DRAXO_set_logging(0);
    EXPECT_EQ(status_in("run").width, 0u);  // nothing shown yet
    DRAXO_circle(RED, 10, 20, 5);
    next_event();
    run_file_status status = status_in("run");
    EXPECT_EQ(status.width, 601u);
    EXPECT_EQ(status.height, 521u);
    EXPECT_EQ(run_file_pixel("run", 10, 20), test::rgb_of(RED));
    EXPECT_EQ(run_file_pixel("run", 0, 0), test::rgb_of(WHITE));
    // Drawn and not shown: not in the run file.
    DRAXO_circle(BLUE, 10, 20, 5);
    EXPECT_EQ(run_file_pixel("run", 10, 20), test::rgb_of(RED));
    // The same picture shown again is no change.
    DRAXO_circle(RED, 10, 20, 5);
    next_event();
    EXPECT_EQ(status_in("run").shown_version, status.shown_version);
    DRAXO_circle(GREEN, 0, 0, 3);
    next_event();
    EXPECT_EQ(run_file_pixel("run", 0, 0), test::rgb_of(GREEN));
    EXPECT_EQ(status_in("run").shown_version, status.shown_version + 1);
}

TEST_F(UnattendedRun, ThePictureIsTheClientAreaAsLastShownSavedWhenTheProgramStops) {
    write_file("in.scr", "DRAXO_KBD(1);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_PICTURE", "out.png"}, {"DRAXO_RUN_FILE", "run"}});
    DRAXO_set_logging(0);
    DRAXO_rectangle(NAVY_BLUE, -300, 260, 300, -260, 0);
    DRAXO_circle(GOLD, 0, 0, 40);
    next_event();
    DRAXO_circle(RED, 0, 0, 40);  // never shown
    DRAXO_stop();
    png::picture picture = picture_in("out.png");
    ASSERT_EQ(picture.width, 601);
    ASSERT_EQ(picture.height, 521);
    ws::pixels surface = ws::image_pixels(ws::window_surface(package.drawing_window));
    for (int row = 0; row < 521; ++row)
        for (int column = 0; column < 601; ++column)
            ASSERT_EQ(picture.pixels[static_cast<std::size_t>(row) * 601 + column],
                      surface.bits[row * surface.stride + column] | 0xFF000000u)
                << column << ", " << row;
    EXPECT_EQ(picture.pixels[260 * 601 + 300] & 0xFFFFFFu, test::rgb_of(GOLD));
    run_file_status status = status_in("run");
    EXPECT_EQ(status.saved_version, status.shown_version);
}

TEST_F(UnattendedRun, NothingShownSavesNoPicture) {
    write_file("in.scr", "");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_PICTURE", "out.png"}});
    DRAXO_circle(RED, 0, 0, 40);
    DRAXO_stop();  // without a wait, nothing was ever shown
    EXPECT_FALSE(std::ifstream("out.png").good());
}

// --- The console ---------------------------------------------------------------------------

TEST_F(UnattendedRun, TheConsoleFileHasEveryLineInOrderThePackagesOwnIncluded) {
    DRAXO_console_printf("before the start\n");
    write_file("in.scr", "");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_CONSOLE", "console.txt"}});
    DRAXO_console_printf("Round %d", 1);
    DRAXO_circle(99, 0, 0, 1);  // logging is on
    DRAXO_console_printf("two\nlines in one\n");
    DRAXO_console_printf("%s", "");
    next_event();
    EXPECT_EQ(contents_of("console.txt"),
              "before the start\n"
              "Round 1\n"
              "Illegal color 99; using RED.\n"
              "red circle at (0,0), radius 1\n"
              "two\nlines in one\n"
              "\n"
              "End of the script: the program is asked to quit\n");
}

// --- The report to draxo-run ---------------------------------------------------------------

// A pipe as draxo-run makes it: what the package writes to it is read as it
// comes, by draxo-run's own reader.
class ReportPipe {
public:
    ReportPipe() {
#ifdef _WIN32
        EXPECT_EQ(_pipe(ends_, 1 << 16, _O_BINARY), 0);
        number_ = std::to_string(static_cast<unsigned long long>(_get_osfhandle(ends_[1])));
#else
        EXPECT_EQ(pipe(ends_), 0);
        number_ = std::to_string(ends_[1]);
#endif
        reading_ = std::thread([this] {
            char bytes[1 << 16];
            for (;;) {
#ifdef _WIN32
                long got = _read(ends_[0], bytes, sizeof bytes);
#else
                long got = static_cast<long>(read(ends_[0], bytes, sizeof bytes));
#endif
                if (got <= 0) break;
                reader_.take(bytes, static_cast<std::size_t>(got));
            }
        });
    }
    // The variable's value: the writing end's number.
    const std::string& number() const { return number_; }
    // Once the package closed its end: all it wrote.
    const draxo_run::report_reader& read_to_its_end() {
        reading_.join();
#ifdef _WIN32
        _close(ends_[0]);
#else
        close(ends_[0]);
#endif
        return reader_;
    }

private:
    int ends_[2] = {-1, -1};
    std::string number_;
    std::thread reading_;
    draxo_run::report_reader reader_;
};

TEST_F(UnattendedRun, TheReportHasTheStatusThePictureShownAndTheConsoleAsTheyCome) {
    ReportPipe pipe;
    write_file("in.scr", "DRAXO_KBD(1);\n");
    DRAXO_console_printf("before the start");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_RUN_REPORT", pipe.number()}});
    // A DRAXO program the program starts has no report of its own.
    const char* left = std::getenv("DRAXO_RUN_REPORT");
    EXPECT_TRUE(left == nullptr || *left == '\0');
    DRAXO_set_logging(0);
    DRAXO_circle(RED, 10, 20, 5);
    next_event();
    DRAXO_console_printf("after the first event");
    DRAXO_circle(BLUE, 10, 20, 5);  // never shown
    DRAXO_stop();
    reset_unattended_run();  // the end of the process, which closes the report
    const draxo_run::report_reader& report = pipe.read_to_its_end();
    EXPECT_TRUE(report.malformed().empty()) << report.malformed();
    EXPECT_FALSE(report.in_a_record());
    ASSERT_TRUE(report.have_status());
    EXPECT_EQ(report.status().opened, 1u);
    EXPECT_EQ(report.status().events_played, 1u);
    EXPECT_EQ(report.status().ending, ending_stopped);
    const png::picture& shown = report.shown();
    ASSERT_EQ(shown.width, 601);
    ASSERT_EQ(shown.height, 521);
    EXPECT_EQ(shown.pixels[(260 - 20) * 601 + 300 + 10] & 0xFFFFFFu, test::rgb_of(RED));
    EXPECT_EQ(shown.pixels[260 * 601 + 300] & 0xFFFFFFu, test::rgb_of(WHITE));
    std::string console = const_cast<draxo_run::report_reader&>(report).take_console_text();
    EXPECT_EQ(console, "before the start\nafter the first event\n");
}

// Neither a full device nor a child process that can end (death tests) is
// there on Windows.
#ifndef _WIN32
TEST_F(UnattendedRun, AConsoleFileThatCannotBeWrittenIsGivenUpWithAMessage) {
    open({{"DRAXO_CONSOLE", "/dev/full"}});
    testing::internal::CaptureStderr();
    DRAXO_console_printf("lost");
    DRAXO_console_printf("not tried again");
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said,
              "DRAXO: cannot write the console to /dev/full: No space left on device; the console is no longer "
              "kept there\n");
    EXPECT_EQ(test::console_ring().back(), "not tried again");  // the console itself goes on
}

TEST_F(UnattendedRun, AReportThatNamesNoPipeEndsTheProgramAtItsStart) {
    EXPECT_EXIT(
        open({{"DRAXO_RUN_REPORT", "9999"}}), testing::ExitedWithCode(status_cannot_run),
        "DRAXO: cannot write the run's report to 9999 \\(DRAXO_RUN_REPORT\\): it names no pipe this program "
        "may write to");
}

TEST_F(UnattendedRun, AFileSizeLimitStopsTheRunFileNotTheProgram) {
    // A run file of a job's own, and a limit far below its picture's size.
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    write_file("in.scr", "DRAXO_KBD(1);\n");
    open({{"DRAXO_SCRIPT", "in.scr"}, {"DRAXO_RUN_FILE", "run"}});
    DRAXO_set_logging(0);
    testing::internal::CaptureStderr();
    next_event();  // shows the first picture
    std::string said = testing::internal::GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &before);
    EXPECT_EQ(
        said,
        "DRAXO: cannot write the run file: File too large; what the program shows is no longer kept there\n");
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);  // and the program goes on
}

TEST_F(UnattendedRun, AScriptThatCannotBeReadEndsTheProgramAtItsStart) {
    EXPECT_EXIT(open({{"DRAXO_SCRIPT", "missing.scr"}}), testing::ExitedWithCode(status_cannot_run),
                "DRAXO: cannot read the script file missing.scr \\(DRAXO_SCRIPT\\)");
}
#endif

}  // namespace
}  // namespace draxo
