// draxo-run's exit status and what it says, for every way a run can end.
#include "outcome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace draxo_run {
namespace {

run_facts played(int exit_status = 0) {
    run_facts f;
    f.end.exit_status = exit_status;
    f.have_status = true;
    f.status.script = draxo::script_played;
    f.status.events_played = f.status.events_total = 1000;
    f.timeout_seconds = 20;
    f.grace_seconds = 3;
    return f;
}

TEST(Outcome, APlayedRunGivesTheProgramsOwnStatus) {
    outcome o = decide(played(0), "./prog");
    EXPECT_EQ(o.exit_status, 0);
    EXPECT_EQ(o.lines, (std::vector<std::string>{"./prog ended with status 0",
                                                 "the script was played to its end: 1000 of its 1000 events"}));
    EXPECT_EQ(decide(played(7), "./prog").exit_status, 7);
    EXPECT_TRUE(o.programs_own);
}

TEST(Outcome, EqualPicturesKeepTheProgramsStatusDifferingOnesDoNot) {
    run_facts f = played(3);
    f.compared = true;
    EXPECT_EQ(decide(f, "p").exit_status, 3);
    f.differing = 1;
    EXPECT_EQ(decide(f, "p").exit_status, status_pictures_differ);
}

TEST(Outcome, AScriptNotPlayedToItsEndIsSaidWithHowFarItGot) {
    run_facts f = played(0);
    f.status.script = draxo::script_playing;
    f.status.events_played = 412;
    outcome o = decide(f, "p");
    EXPECT_EQ(o.exit_status, status_script_not_played);
    EXPECT_EQ(o.lines[1], "the script was not played to its end: 412 of its 1000 events were played");

    f.status.script = draxo::script_stopped;
    f.status.stopped_line = 17;
    EXPECT_EQ(decide(f, "p").lines[1],
              "the script stops at line 17, which is of no known kind: 412 of its 1000 events were played");
    EXPECT_EQ(decide(f, "p").exit_status, status_script_not_played);

    run_facts never = played(0);
    never.have_status = false;
    EXPECT_EQ(decide(never, "p").exit_status, status_script_not_played);
    EXPECT_EQ(decide(never, "p").lines[1], "the program never opened the package: the script was not played");
}

TEST(Outcome, EachWayOfEndingBadlyHasItsStatusAndTakesPrecedenceInOrder) {
    run_facts f = played(0);
    f.compared = true;
    f.differing = 5;
    EXPECT_FALSE(decide(f, "p").programs_own);
    f.status.script = draxo::script_playing;
    EXPECT_EQ(decide(f, "p").exit_status, status_script_not_played);  // over differing pictures
    EXPECT_FALSE(decide(f, "p").programs_own);

    f.status.ending = draxo::ending_quit_ignored;  // the package ended it, waiting on
    f.end.exit_status = status_quit_ignored;
    outcome o = decide(f, "p");
    EXPECT_EQ(o.exit_status, status_quit_ignored);
    EXPECT_FALSE(o.programs_own);  // though it is the status the program ended with
    EXPECT_EQ(o.lines[0],
              "p did not end within 3 s of its quit at the end of the script: it was still waiting for events, "
              "and was ended");

    f.end.kind = program_end::ended_after_grace;  // draxo-run ended it, computing on
    EXPECT_EQ(decide(f, "p").exit_status, status_quit_ignored);
    EXPECT_EQ(decide(f, "p").lines[0],
              "p did not end within 3 s of its quit at the end of the script, and was ended");

    f.end.kind = program_end::timed_out;
    EXPECT_EQ(decide(f, "p").exit_status, status_timed_out);
    EXPECT_EQ(decide(f, "p").lines[0], "p was still running after 20 s and was ended");

    f.end.kind = program_end::crashed;
    f.end.crash = "SIGSEGV (segmentation fault)";
    EXPECT_EQ(decide(f, "p").exit_status, status_crashed);
    EXPECT_EQ(decide(f, "p").lines[0], "p crashed: SIGSEGV (segmentation fault)");

    f.end.kind = program_end::interrupted;
    EXPECT_EQ(decide(f, "p").exit_status, status_cannot_run);
}

TEST(Outcome, TheStatusesAreDistinctAndDocumented) {
    EXPECT_EQ(status_pictures_differ, 120);
    EXPECT_EQ(status_script_not_played, 121);
    EXPECT_EQ(status_quit_ignored, 122);
    EXPECT_EQ(status_crashed, 123);
    EXPECT_EQ(status_timed_out, 124);
    EXPECT_EQ(status_cannot_run, 125);
}

}  // namespace
}  // namespace draxo_run
