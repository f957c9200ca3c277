// Recording delivered events into "DRAXO.SCR" and playing them back: the
// line forms, runs of periodic events, the shared stream and its failures,
// and hostile lines that must never be read past their end.
#include "events/script.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include "console/console.h"
#include "events/event_support.h"
#include "events/run_menu.h"
#include "support/null_support.h"
#include "support/scratch_directory.h"

namespace draxo {
namespace {

using test::next_event;
using test::post;

class Script : public test::InScratchDirectory {
protected:
    void SetUp() override {
        InScratchDirectory::SetUp();
        test::open_quietly();
    }

    // One periodic event from a running animation: arm, then a tick.
    static test::event periodic() {
        post(ws::WM_NULL);
        post(ws::WM_TIMER, timer_id);
        return next_event();
    }
    static void command(unsigned id) {
        post(ws::WM_COMMAND, id);
        test::pump_messages();
    }
    static void record(bool on) {
        if (event_control.recording != on) command(CMD_RECORD_SCRIPT);
    }
    // Plays one script event through the wait, as Play One Script does.
    static test::event play_one_event() {
        event_control.play_one = true;
        post(ws::WM_NULL);  // a pass for the wait, should no script event come
        return next_event();
    }
    // Plays one script event, or, when none comes, takes the live character.
    static test::event play_or_live(char live) {
        event_control.play_one = true;
        post(ws::WM_NULL);
        post(ws::WM_CHAR, static_cast<unsigned char>(live));
        return next_event();
    }
    static bool playback_checked() { return ws::menu_item_at(event_control.run_menu, 7).flags & ws::MF_CHECKED; }
};

TEST_F(Script, RecordingWritesTheExampleLinesExactly) {
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    record(true);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(periodic().kind, DRAXO_PERIODIC);
    test::post_press(5, -7);
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE);
    post(ws::WM_CHAR, 'a');
    EXPECT_EQ(next_event().kind, DRAXO_KBD);
    for (int i = 0; i < 2; ++i) periodic();
    record(false);
    EXPECT_EQ(contents_of(script_file_name),
              "DRAXO_PERIODIC(3);\nDRAXO_MOUSE(5, -7);\nDRAXO_KBD(97);\nDRAXO_PERIODIC(2);\n");
}

TEST_F(Script, OnlyTicksMakeOneGrowingRunWrittenAtTheEnd) {
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    record(true);
    for (int i = 0; i < 7; ++i) periodic();
    EXPECT_FALSE(std::filesystem::exists(script_file_name));  // nothing written yet
    record(false);
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_PERIODIC(7);\n");
}

TEST_F(Script, NothingRecordedCreatesNoFileAndKeepsAnOldOne) {
    record(true);
    record(false);
    EXPECT_FALSE(std::filesystem::exists(script_file_name));
    write_file(script_file_name, "DRAXO_KBD(1);\n");
    record(true);
    record(false);
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_KBD(1);\n");
}

TEST_F(Script, AQuitWritesTheWaitingRunAndNoLineOfItsOwn) {
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    record(true);
    periodic();
    periodic();
    ws::post_quit_message(0);
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    record(false);
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_PERIODIC(2);\n");

    std::filesystem::remove(script_file_name);
    record(true);
    ws::post_quit_message(0);
    next_event();
    record(false);
    EXPECT_TRUE(std::filesystem::exists(script_file_name));  // opened, and emptied
    EXPECT_EQ(contents_of(script_file_name), "");
}

TEST_F(Script, AQuitRequestedByTheClientRecordsTheRealEvent) {
    DRAXO_set_animation(DRAXO_ANIMATE_QUIT);
    record(true);
    test::post_press(1, 2);
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    record(false);
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_MOUSE(1, 2);\n");
}

TEST_F(Script, HighKeysAreWrittenNegativeAndPlayBackAsTheSameKeys) {
    record(true);
    post(ws::WM_CHAR, 0xE9);
    test::event typed = next_event();
    post(ws::WM_CHAR, 0x7F);
    next_event();
    record(false);
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_KBD(-23);\nDRAXO_KBD(127);\n");
    test::event played = play_one_event();
    EXPECT_EQ(played.kind, DRAXO_KBD);
    EXPECT_EQ(played.key, typed.key);
    EXPECT_EQ(play_one_event().key, 127);
}

TEST_F(Script, PlaybackDeliversEachLineAndEveryEventOfARun) {
    write_file(script_file_name,
               "DRAXO_PERIODIC(3);\nDRAXO_MOUSE(-12, 34);\nDRAXO_PERIODIC(1);\n"
               "DRAXO_PERIODIC(0);\nDRAXO_KBD(65);\n");
    command(CMD_PLAYBACK_SCRIPT);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(next_event().kind, DRAXO_PERIODIC) << i;
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_MOUSE);
    EXPECT_EQ(e.x, -12);
    EXPECT_EQ(e.y, 34);
    EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);  // count 1
    EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);  // count 0 is one event too
    e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, 'A');
    EXPECT_EQ(e.x, 0);  // fields a line does not carry keep the wait's values

    std::size_t mark = test::console_mark();
    post(ws::WM_CHAR, 'z');  // live input again after the end of the file
    e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, 'z');
    EXPECT_EQ(test::console_since(mark), std::vector<std::string>{"EOF encountered in script file DRAXO.SCR\n"});
    EXPECT_FALSE(event_control.playing);
    EXPECT_FALSE(playback_checked());
}

TEST_F(Script, AfterTheEndOfTheFileThePlaybackStopsAtOnceUntilTheFileIsClosed) {
    write_file(script_file_name, "DRAXO_KBD(49);\n");
    EXPECT_EQ(play_one_event().key, '1');
    std::size_t mark = test::console_mark();
    post(ws::WM_CHAR, 'x');
    EXPECT_EQ(play_one_event().key, 'x');  // end of the file: live input
    post(ws::WM_CHAR, 'y');
    EXPECT_EQ(play_one_event().key, 'y');  // the stream stays at its end
    EXPECT_EQ(test::console_since(mark).size(), 2u);
    close_script_file();
    EXPECT_EQ(play_one_event().key, '1');  // read from its start again
}

TEST_F(Script, PlayOneTakesARunOneEventAtATime) {
    write_file(script_file_name, "DRAXO_PERIODIC(2);\nDRAXO_KBD(50);\n");
    EXPECT_EQ(play_one_event().kind, DRAXO_PERIODIC);
    EXPECT_FALSE(event_control.play_one);
    EXPECT_EQ(play_one_event().kind, DRAXO_PERIODIC);
    EXPECT_EQ(play_one_event().key, '2');
}

TEST_F(Script, BlankLinesAreSkippedButABlankLineOfSevenSpacesStopsPlayback) {
    write_file(script_file_name, "\n\nDRAXO_KBD(52);\n\n       \nDRAXO_KBD(53);\n");
    command(CMD_PLAYBACK_SCRIPT);
    EXPECT_EQ(next_event().key, '4');
    std::size_t mark = test::console_mark();
    post(ws::WM_CHAR, 'q');
    EXPECT_EQ(next_event().key, 'q');  // the blank line ended playback, silently
    EXPECT_TRUE(test::console_since(mark).empty());
    EXPECT_FALSE(event_control.playing);
    command(CMD_PLAYBACK_SCRIPT);  // playing again goes on after that line
    EXPECT_EQ(next_event().key, '5');
}

TEST_F(Script, AnUnknownKindStopsPlaybackAndPlayingOnGoesOnAfterIt) {
    write_file(script_file_name, "DRAXO_X(1);\nDRAXO_KBD(54);\n");
    std::size_t mark = test::console_mark();
    post(ws::WM_CHAR, 'q');
    EXPECT_EQ(play_one_event().key, 'q');
    EXPECT_TRUE(test::console_since(mark).empty());
    EXPECT_EQ(play_one_event().key, '6');
}

TEST_F(Script, OnlyTheKindLetterAndTheNumbersCount) {
    write_file(script_file_name, "DRAXO_Kxy 65\nDRAXO_MOUSE(12-3, 4);\nDRAXO_PERIODIC(-2);\nXXXXXXP 2\n");
    EXPECT_EQ(play_one_event().key, 'A');
    test::event e = play_one_event();
    EXPECT_EQ(e.x, 12);
    EXPECT_EQ(e.y, 4);
    EXPECT_EQ(play_one_event().kind, DRAXO_PERIODIC);  // a sign before a count is skipped: 2 events
    EXPECT_EQ(play_one_event().kind, DRAXO_PERIODIC);
    EXPECT_EQ(play_one_event().kind, DRAXO_PERIODIC);  // "XXXXXXP 2"
}

TEST_F(Script, AFileWithCarriageReturnsPlaysTheSame) {
    write_file(script_file_name, "DRAXO_MOUSE(5, -7);\r\n\r\nDRAXO_KBD(97);\r\n");
    test::event e = play_one_event();
    EXPECT_EQ(e.x, 5);
    EXPECT_EQ(e.y, -7);
    EXPECT_EQ(play_one_event().key, 'a');
}

TEST_F(Script, AFileThatCannotBeOpenedIsReportedAndPlaybackStops) {
    command(CMD_PLAYBACK_SCRIPT);
    std::size_t mark = test::console_mark();
    post(ws::WM_CHAR, 'q');
    EXPECT_EQ(next_event().key, 'q');
    EXPECT_EQ(test::console_since(mark),
              std::vector<std::string>{"Cannot open script file DRAXO.SCR for reading\n"});
    EXPECT_FALSE(event_control.playing);
    EXPECT_FALSE(event_control.play_one);
    EXPECT_FALSE(playback_checked());
    EXPECT_EQ(event_control.script_file, nullptr);

    std::filesystem::create_directory(script_file_name);  // cannot be written
    record(true);
    mark = test::console_mark();
    post(ws::WM_CHAR, 'a');
    next_event();
    post(ws::WM_CHAR, 'b');
    next_event();
    EXPECT_TRUE(event_control.recording);  // every later line tries again
    EXPECT_EQ(test::console_since(mark),
              (std::vector<std::string>{"Cannot open script file DRAXO.SCR for writing\n",
                                        "Cannot open script file DRAXO.SCR for writing\n"}));
}

// Neither FIFOs nor file size limits exist on Windows.
#ifndef _WIN32
// A FIFO, a device or a directory named DRAXO.SCR is refused at once, both
// ways: opening a FIFO would wait for ever for its other end.
TEST_F(Script, AnythingButARegularFileIsRefusedWithoutWaiting) {
    auto refused_both_ways = [&] {
        std::size_t mark = test::console_mark();
        command(CMD_PLAYBACK_SCRIPT);
        post(ws::WM_CHAR, 'q');
        EXPECT_EQ(next_event().key, 'q');
        EXPECT_FALSE(event_control.playing);
        record(true);
        post(ws::WM_CHAR, 'r');
        EXPECT_EQ(next_event().key, 'r');
        record(false);
        EXPECT_EQ(test::console_since(mark),
                  (std::vector<std::string>{"Cannot open script file DRAXO.SCR for reading\n",
                                            "Cannot open script file DRAXO.SCR for writing\n"}));
        EXPECT_EQ(event_control.script_file, nullptr);
    };
    ASSERT_EQ(::mkfifo(script_file_name, 0600), 0);
    refused_both_ways();
    std::filesystem::remove(script_file_name);
    std::filesystem::create_symlink("/dev/null", script_file_name);
    refused_both_ways();
    std::filesystem::remove(script_file_name);
    std::filesystem::create_directory(script_file_name);
    refused_both_ways();
}

// A file that cannot take a line (here: beyond the largest file this process
// may write, as on a full disk) stops the recording with the reason; what
// was written before stays. The limit's signal keeps its default, which
// would end the process: the recording takes it as a failed write.
TEST_F(Script, AFailedWriteStopsTheRecordingWithTheReason) {
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    rlimit small = limit;
    small.rlim_cur = 30;  // room for two lines
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    record(true);
    std::size_t mark = test::console_mark();
    for (char key : std::string("abcd")) {
        post(ws::WM_CHAR, static_cast<unsigned char>(key));
        EXPECT_EQ(next_event().key, key);
    }
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(test::console_since(mark), std::vector<std::string>{"Cannot write script file DRAXO.SCR: " +
                                                                  std::string(std::strerror(EFBIG)) + "\n"});
    EXPECT_FALSE(event_control.recording);
    EXPECT_FALSE(ws::menu_item_at(event_control.run_menu, 6).flags & ws::MF_CHECKED);
    EXPECT_EQ(contents_of(script_file_name).substr(0, 30), "DRAXO_KBD(97);\nDRAXO_KBD(98);\n");
}
#endif

TEST_F(Script, HostileLinesAreNeverReadPastTheirEnd) {
    std::string long_line = "DRAXO_KBD(" + std::string(600, '7') + ");\n";
    std::string with_nul("DRAXO_K\0BD(66);\n", 16);
    write_file(script_file_name, "DRAXO\nDRAXO_M\nDRAXO_MOUSE(123456789012345, -99999999999);\n" + with_nul +
                                     "DRAXO_KBD(67);\n" + long_line + "DRAXO_KBD(68)");
    EXPECT_EQ(play_or_live('a').key, 'a');  // too short to have a kind
    test::event e = play_one_event();       // a mouse line without numbers
    EXPECT_EQ(e.kind, DRAXO_MOUSE);
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.y, 0);
    e = play_one_event();  // tokens cut to 11 characters, values held to 32 bits
    EXPECT_EQ(e.x, INT_MAX);
    EXPECT_EQ(e.y, INT_MIN);
    e = play_one_event();  // the line ends at its NUL
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, 0);
    EXPECT_EQ(play_one_event().key, 'C');
    e = play_one_event();  // the first 511 characters of a longer line
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, -1);
    std::size_t mark = test::console_mark();
    EXPECT_EQ(play_or_live('c').key, 'c');  // a last line without its newline is not played
    EXPECT_EQ(test::console_since(mark), std::vector<std::string>{"EOF encountered in script file DRAXO.SCR\n"});
}

// A line longer than the reader keeps is still one line: what it holds past
// its first 511 characters is never played as a line of its own.
TEST_F(Script, ALineLongerThanTheReaderKeepsIsOneEvent) {
    std::string first = "DRAXO_MOUSE(1, 2);";
    std::string padded = first + std::string(script_line_size - 1 - first.size(), ' ');
    write_file(script_file_name, padded + "DRAXO_KBD(66);\n" + padded + "\nDRAXO_KBD(67);\n");
    for (int i = 0; i < 2; ++i) {
        test::event e = play_one_event();
        EXPECT_EQ(e.kind, DRAXO_MOUSE) << i;
        EXPECT_EQ(e.y, 2) << i;
    }
    EXPECT_EQ(play_one_event().key, 'C');
    EXPECT_EQ(play_or_live('z').key, 'z');  // the end of the file
}

// Editors that mark UTF-8 text put EF BB BF before the first line.
TEST_F(Script, AByteOrderMarkAtTheStartIsNoPartOfTheFirstLine) {
    write_file(script_file_name,
               "\xEF\xBB\xBF"
               "DRAXO_KBD(65);\n\xEF\xBB\xBF"
               "DRAXO_KBD(66);\n");
    EXPECT_EQ(play_one_event().key, 'A');
    EXPECT_EQ(play_or_live('z').key, 'z');  // only at the start: here a line of no known kind
    close_script_file();
    EXPECT_EQ(play_one_event().key, 'A');  // skipped again when the file is read from its start
    // A file of the mark alone, or less, is at its end at once.
    for (std::string start : {"\xEF\xBB\xBF", "\xEF\xBB", "D"}) {
        close_script_file();
        write_file(script_file_name, start);
        std::size_t mark = test::console_mark();
        EXPECT_EQ(play_or_live('y').key, 'y');
        EXPECT_EQ(test::console_since(mark),
                  std::vector<std::string>{"EOF encountered in script file DRAXO.SCR\n"});
    }
}

TEST_F(Script, AQuitInThePassOfAScriptReadStillEndsTheWait) {
    write_file(script_file_name, "DRAXO_KBD(65);\n");
    command(CMD_PLAYBACK_SCRIPT);
    ws::post_quit_message(0);
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    EXPECT_EQ(next_event().key, 'A');  // the script line was not lost
}

TEST_F(Script, PlaybackIsRefusedWhileRecordingAndTheRecordingGoesOn) {
    record(true);
    post(ws::WM_CHAR, 'a');
    next_event();  // opens the file for writing
    std::size_t mark = test::console_mark();
    command(CMD_PLAYBACK_SCRIPT);
    command(CMD_PLAY_ONE);
    EXPECT_EQ(test::console_since(mark),
              std::vector<std::string>(2, "Cannot play back script file DRAXO.SCR while it is being recorded\n"));
    EXPECT_FALSE(event_control.playing || event_control.play_one);
    EXPECT_FALSE(playback_checked());
    post(ws::WM_CHAR, 'b');
    EXPECT_EQ(next_event().key, 'b');
    record(false);
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_KBD(97);\nDRAXO_KBD(98);\n");
}

TEST_F(Script, RecordingIsRefusedWhilePlayingAndThePlaybackGoesOn) {
    write_file(script_file_name, "DRAXO_PERIODIC(3);\nDRAXO_KBD(65);\n");
    command(CMD_PLAYBACK_SCRIPT);
    EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);
    std::size_t mark = test::console_mark();
    command(CMD_RECORD_SCRIPT);
    EXPECT_EQ(test::console_since(mark),
              std::vector<std::string>{"Cannot record script file DRAXO.SCR while it is being played back\n"});
    EXPECT_FALSE(event_control.recording);
    EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);
    EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);
    test::event key = next_event();
    EXPECT_EQ(key.kind, DRAXO_KBD);
    EXPECT_EQ(key.key, 'A');
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_PERIODIC(3);\nDRAXO_KBD(65);\n");
}

TEST_F(Script, RecordingIsRefusedWhileOneScriptEventIsPending) {
    write_file(script_file_name, "DRAXO_KBD(65);\nDRAXO_KBD(66);\n");
    command(CMD_PLAY_ONE);  // not played yet: the next wait plays it
    std::size_t mark = test::console_mark();
    command(CMD_RECORD_SCRIPT);
    EXPECT_EQ(test::console_since(mark),
              std::vector<std::string>{"Cannot record script file DRAXO.SCR while it is being played back\n"});
    EXPECT_FALSE(event_control.recording);
    EXPECT_EQ(next_event().key, 'A');
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_KBD(65);\nDRAXO_KBD(66);\n");
}

TEST_F(Script, APlaybackLeftOffDoesNotFeedALaterRecording) {
    write_file(script_file_name, "DRAXO_PERIODIC(5);\n");
    command(CMD_PLAYBACK_SCRIPT);
    next_event();
    next_event();
    command(CMD_PLAYBACK_SCRIPT);  // off, three periodic events of the run left
    EXPECT_EQ(event_control.periodic_run, 3);
    record(true);
    test::post_press(4, 5);
    next_event();
    record(false);
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_MOUSE(4, 5);\n");
}

TEST_F(Script, EveryLineReachesTheFileAsItIsRecorded) {
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    record(true);
    post(ws::WM_CHAR, 'a');
    next_event();
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_KBD(97);\n");
    periodic();
    test::post_press(1, 2);
    next_event();
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_KBD(97);\nDRAXO_PERIODIC(1);\nDRAXO_MOUSE(1, 2);\n");
}

TEST_F(Script, StoppingThePackageWhileRecordingKeepsTheWaitingRun) {
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    record(true);
    test::post_press(0, 0);
    next_event();
    periodic();
    periodic();
    DRAXO_stop();
    EXPECT_EQ(event_control.script_file, nullptr);
    EXPECT_EQ(contents_of(script_file_name), "DRAXO_MOUSE(0, 0);\nDRAXO_PERIODIC(2);\n");
}

TEST(ScriptNumbers, AreFoundAndConvertedAsTheReaderDoes) {
    auto scan = [](const char* line, bool signed_numbers, std::size_t start = 6) {
        std::size_t position = start;
        return scan_script_number(line, std::strlen(line), position, signed_numbers);
    };
    EXPECT_EQ(scan("DRAXO_MOUSE(-5, 7);", true), -5);
    EXPECT_EQ(scan("DRAXO_PERIODIC(-5);", false), 5);
    EXPECT_EQ(scan("DRAXO_KBD(-);", true), 0);
    EXPECT_EQ(scan("DRAXO_KBD(--4);", true), 0);
    EXPECT_EQ(scan("DRAXO_KBD(4-);", true), 4);
    EXPECT_EQ(scan("DRAXO_KBD();", true), 0);
    EXPECT_EQ(scan("DRAXO_KBD(2147483647);", true), INT_MAX);
    EXPECT_EQ(scan("DRAXO_KBD(2147483648);", true), INT_MAX);
    EXPECT_EQ(scan("DRAXO_KBD(-2147483648);", true), INT_MIN);
    EXPECT_EQ(scan("DRAXO_KBD(000000000000000042);", true), 0);  // only 11 characters are kept
    std::size_t position = 6;
    const char* line = "DRAXO_MOUSE(1, 2)";
    EXPECT_EQ(scan_script_number(line, 13, position, true), 1);
    EXPECT_EQ(position, 13u);
    EXPECT_EQ(scan_script_number(line, 13, position, true), 0);  // the length is the end, whatever follows
}

// Game input's lines: written only for a program that asked, the key
// by name; played back with the keys and buttons held following them.
TEST_F(Script, GameInputIsRecordedByNameAndPlaysBackWithTheKeysHeld) {
    DRAXO_set_input(DRAXO_INPUT_KEYS | DRAXO_INPUT_MOUSE);
    record(true);
    test::inject_key_down(package.drawing_window, ws::VK_LEFT);
    test::inject_key_down(package.drawing_window, 'A', 'a');
    test::inject_key_up(package.drawing_window, 'A');
    ws::null::set_key_held(ws::VK_SHIFT, true);
    test::inject_key_up(package.drawing_window, ws::VK_LEFT);
    ws::null::set_key_held(ws::VK_SHIFT, false);
    test::inject_mouse(package.drawing_window, ws::WM_RBUTTONDOWN, display.origin_x + 5, display.origin_y + 7);
    test::inject_mouse(package.drawing_window, ws::WM_MOUSEMOVE, display.origin_x + 6, display.origin_y + 8);
    test::inject_mouse(package.drawing_window, ws::WM_RBUTTONUP, display.origin_x + 6, display.origin_y + 8);
    test::post_press(1, 2);
    test::inject_mouse(package.drawing_window, ws::WM_LBUTTONUP, display.origin_x + 1, display.origin_y - 2);
    for (int i = 0; i < 9; ++i) next_event();
    record(false);
    const std::string lines =
        "DRAXO_KEY_PRESS(LEFT, 0);\nDRAXO_KBD(97, A);\nDRAXO_KEY_RELEASE(A, 0);\nDRAXO_KEY_RELEASE(LEFT, 1);\n"
        "DRAXO_MOUSE_PRESS(5, -7, 2);\nDRAXO_MOUSE_MOVE(6, -8, 2);\nDRAXO_MOUSE_RELEASE(6, -8, 2);\n"
        "DRAXO_MOUSE(1, 2);\nDRAXO_MOUSE_RELEASE(1, 2, 1);\n";
    EXPECT_EQ(contents_of(script_file_name), lines);

    command(CMD_PLAYBACK_SCRIPT);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_PRESS);
    EXPECT_EQ(DRAXO_key_is_down(DRAXO_KEY_LEFT), 1);
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, 'a');
    EXPECT_EQ(DRAXO_event_key_code(), 'A');
    EXPECT_EQ(DRAXO_key_is_down('A'), 1);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_RELEASE);
    EXPECT_EQ(DRAXO_key_is_down('A'), 0);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_RELEASE);
    EXPECT_EQ(DRAXO_event_modifiers(), DRAXO_SHIFT);
    EXPECT_EQ(DRAXO_key_is_down(DRAXO_KEY_LEFT), 0);
    e = next_event();
    EXPECT_EQ(e.kind, DRAXO_MOUSE);
    EXPECT_EQ(e.y, -7);
    EXPECT_EQ(DRAXO_event_button(), DRAXO_BUTTON_RIGHT);
    EXPECT_EQ(DRAXO_event_buttons(), 2);
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE_MOVE);
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE_RELEASE);
    EXPECT_EQ(DRAXO_event_buttons(), 0);
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE);
    EXPECT_EQ(DRAXO_event_button(), DRAXO_BUTTON_LEFT);
}

// A program that did not ask gets the four events of the same file, the
// lines of game input passed over, and records none of them.
TEST_F(Script, GameInputLinesArePassedOverForAProgramThatDidNotAsk) {
    write_file(script_file_name,
               "DRAXO_KEY_PRESS(LEFT, 0);\nDRAXO_KBD(97, A);\nDRAXO_MOUSE_PRESS(5, -7, 2);\n"
               "DRAXO_MOUSE_MOVE(6, -8, 2);\nDRAXO_MOUSE_RELEASE(6, -8, 2);\nDRAXO_MOUSE_PRESS(1, 2, 1);\n");
    command(CMD_PLAYBACK_SCRIPT);
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(DRAXO_event_key_code(), 0);
    e = next_event();
    EXPECT_EQ(e.kind, DRAXO_MOUSE);  // a left press is a press for every program
    EXPECT_EQ(e.x, 1);
    DRAXO_set_input(DRAXO_INPUT_KEYS);  // keys only: the mouse's lines still passed over
    command(CMD_PLAYBACK_SCRIPT);       // off, and on again from the start
    close_script_file();
    command(CMD_PLAYBACK_SCRIPT);
    EXPECT_EQ(next_event().kind, DRAXO_KEY_PRESS);
    EXPECT_EQ(next_event().kind, DRAXO_KBD);
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE);
}

TEST_F(Script, AMisspeltOrOutOfRangeGameInputLineStopsPlaybackAsAnyUnknownLine) {
    DRAXO_set_input(DRAXO_INPUT_KEYS | DRAXO_INPUT_MOUSE);
    write_file(script_file_name,
               "DRAXO_KEY_PRESS(LEFTY, 0);\nDRAXO_KEY_TAP(LEFT, 0);\nDRAXO_MOUSE_MOVE(602, 0, 1);\n"
               "DRAXO_KBD(50);\n");
    for (char live : {'x', 'y', 'z'}) EXPECT_EQ(play_or_live(live).key, live);
    EXPECT_EQ(play_one_event().key, '2');
}

TEST(ScriptLines, GameInputLinesAreReadStrictly) {
    auto parse = [](const std::string& line) { return parse_script_line(line.data(), line.size()); };
    script_line key = parse("DRAXO_KEY_PRESS( PAGE_DOWN ,7 );\r\n");
    EXPECT_EQ(key.kind, DRAXO_KEY_PRESS);
    EXPECT_EQ(key.key_code, DRAXO_KEY_PAGE_DOWN);
    EXPECT_EQ(key.modifiers, 7);
    EXPECT_EQ(parse("DRAXO_KEY_RELEASE(F12, 0)").key_code, DRAXO_KEY_F12);
    EXPECT_EQ(parse("DRAXO_KEY_RELEASE(7, 0);").key_code, '7');
    script_line move = parse("DRAXO_MOUSE_MOVE(-601, 540, 7);\n");
    EXPECT_EQ(move.kind, DRAXO_MOUSE_MOVE);
    EXPECT_EQ(move.x, -601);
    EXPECT_EQ(move.y, 540);
    EXPECT_EQ(move.buttons, 7);
    EXPECT_EQ(parse("DRAXO_MOUSE_PRESS(1, 2, 3);").button, 3);
    EXPECT_EQ(parse("DRAXO_KBD(97, a);").key_code, 0);  // no key: the character alone, as before
    EXPECT_EQ(parse("DRAXO_KBD(97, 5);").key_code, '5');
    for (const char* bad :
         {"DRAXO_KEY_PRESS(left, 0);", "DRAXO_KEY_PRESS(LEFT, 8);", "DRAXO_KEY_PRESS(LEFT);",
          "DRAXO_KEY_PRESS(LEFT, 0, 0);", "DRAXO_KEY_PRESS(F13, 0);", "DRAXO_KEY_PRESS(LEFT, 0",
          "DRAXO_KEY_PRESS(LEFT, 0); x", "DRAXO_KEY_PRESS(LEFT, +1);", "DRAXO_KEY_DOWN(LEFT, 0);",
          "DRAXO_MOUSE_MOVE(0, 541, 1);", "DRAXO_MOUSE_MOVE(0, 0, 8);", "DRAXO_MOUSE_RELEASE(0, 0, 0);",
          "DRAXO_MOUSE_PRESS(0, 0, 4);", "DRAXO_MOUSE_PRESS(1x, 0, 1);", "DRAXO_MOUSE_PRESS(, 0, 1);",
          "DRAXO_MOUSE_MOVE(1234567, 0, 1);"})
        EXPECT_EQ(parse(bad).kind, 0) << bad;
}

}  // namespace
}  // namespace draxo
