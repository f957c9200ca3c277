// The event wait, on the null backend: one message per pass, arming of
// periodic events, ticks and their period, quits, the frame copy, and input
// arriving while the wait sleeps. A wait that could never end fails at once.
#include "events/event_wait.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

#include "events/event_support.h"
#include "support/null_support.h"

namespace draxo {
namespace {

using test::next_event;
using test::post;
using test::post_press;

TEST(EventWait, APressEndsTheWaitThoughAPeriodicEventIsArmed) {
    test::open_quietly();
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    post(ws::WM_NULL);  // pass 1 arms a periodic event
    post_press(5, -7);  // pass 2
    post(ws::WM_TIMER, timer_id);
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_MOUSE);
    EXPECT_EQ(e.x, 5);
    EXPECT_EQ(e.y, -7);
    EXPECT_EQ(e.key, 0);
    // The tick left in the queue is taken in the next wait's arming pass,
    // so that wait needs a tick of its own.
    post_press(1, 1);
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE);
}

TEST(EventWait, TicksBeforeOrInTheArmingPassDoNotDeliverIt) {
    test::open_quietly();
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    event_control.tick_arrived = 1;  // a tick from before this wait
    post(ws::WM_TIMER, timer_id);    // a tick in the arming pass
    post_press(0, 0);
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE);

    post(ws::WM_TIMER, timer_id);
    post(ws::WM_TIMER, timer_id);  // the first tick after arming
    post_press(0, 0);
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_PERIODIC);
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.y, 0);
    EXPECT_EQ(e.key, 0);
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE);  // the press waited in the queue
}

TEST(EventWait, TwoQueuedPressesEndTwoWaits) {
    test::open_quietly();
    post_press(10, 20);
    post_press(-30, 40);
    test::event first = next_event(), second = next_event();
    EXPECT_EQ(first.kind, DRAXO_MOUSE);
    EXPECT_EQ(first.x, 10);
    EXPECT_EQ(first.y, 20);
    EXPECT_EQ(second.kind, DRAXO_MOUSE);
    EXPECT_EQ(second.x, -30);
    EXPECT_EQ(second.y, 40);
}

TEST(EventWait, AStepRequestedSeveralTimesCountsOnce) {
    test::open_quietly();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(DRAXO_set_animation(DRAXO_ANIMATE_STEP), 1);
    post(ws::WM_TIMER, timer_id);
    post(ws::WM_TIMER, timer_id);
    EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);
    EXPECT_FALSE(event_control.single_step);
    post(ws::WM_TIMER, timer_id);
    post(ws::WM_TIMER, timer_id);
    post_press(0, 0);
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE);
}

TEST(EventWait, HaltingDoesNotWithdrawAnArmedPeriodicEvent) {
    test::open_quietly();
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    post(ws::WM_NULL);             // arms
    post(ws::WM_COMMAND, 2);       // Run > Halt animation
    post(ws::WM_TIMER, timer_id);  // still delivers the armed event
    EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);
    EXPECT_FALSE(event_control.animation_running);
    post(ws::WM_TIMER, timer_id);
    post(ws::WM_TIMER, timer_id);
    post_press(0, 0);
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE);
}

TEST(EventWait, AfterAnimateQuitEveryEventIsAQuitWithItsOwnData) {
    test::open_quietly();
    EXPECT_EQ(DRAXO_set_animation(DRAXO_ANIMATE_QUIT), 1);
    post_press(3, 4);
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_QUIT);
    EXPECT_EQ(e.x, 3);
    EXPECT_EQ(e.y, 4);
    post(ws::WM_CHAR, 'a');
    e = next_event();
    EXPECT_EQ(e.kind, DRAXO_QUIT);
    EXPECT_EQ(e.key, 'a');
    EXPECT_EQ(e.x, 0);
    // Halting changes nothing: the request is one-way.
    DRAXO_set_animation(DRAXO_ANIMATE_HALT);
    DRAXO_set_animation(DRAXO_ANIMATE_STEP);
    post(ws::WM_TIMER, timer_id);
    post(ws::WM_TIMER, timer_id);
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
}

TEST(EventWait, CharactersComeBackAsSignedKeysAndAreDroppedWhileCtrlIsDown) {
    test::open_quietly();
    post(ws::WM_CHAR, 0xE9);
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, static_cast<char>(-23));
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.y, 0);
    post(ws::WM_CHAR, 0x1FF41);  // only the low 8 bits count
    EXPECT_EQ(next_event().key, 'A');

    event_control.ctrl_down = 1;
    post(ws::WM_CHAR, 'q');
    post_press(2, 2);
    e = next_event();
    EXPECT_EQ(e.kind, DRAXO_MOUSE);
    EXPECT_EQ(e.key, 0);
}

TEST(EventWait, AQuitMessageEndsThePassWithoutAFrameCopy) {
    test::open_quietly();
    display.frame_dirty = 1;
    ws::post_quit_message(0);
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_QUIT);
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.y, 0);
    EXPECT_EQ(e.key, 0);
    EXPECT_EQ(display.frame_dirty, 1);
}

TEST(EventWait, OtherPassesCopyADirtyFrameToTheWindow) {
    test::open_quietly();
    DRAXO_clear_window();
    ws::pixels frame = ws::image_pixels(display.frame_buffer);
    frame.bits[display.origin_y * frame.stride + display.origin_x] = 0xFFFF0000u;
    display.frame_dirty = 1;
    post_press(0, 0);
    next_event();
    EXPECT_EQ(display.frame_dirty, 0);
    EXPECT_EQ(test::surface_pixel(package.drawing_window, display.origin_x, display.origin_y), 0xFF0000u);
}

TEST(EventWait, BeforeThePackageIsOpenTheWaitReturnsQuit) {
    int x = 7, y = 7;
    char key = 7;
    EXPECT_EQ(DRAXO_next_event(&x, &y, &key), DRAXO_QUIT);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(DRAXO_next_event(nullptr, nullptr, nullptr), DRAXO_QUIT);
}

TEST(EventWait, ClosingTheDrawingWindowEndsInQuitAndSoDoesEveryLaterWait) {
    test::open_package();
    test::pump_messages();
    ws::native_close_requested(package.drawing_window);  // the close box
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    EXPECT_FALSE(ws::is_window(package.drawing_window));
    // Nothing can come any more: a client that waits again is told to end
    // rather than left waiting for ever.
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
}

TEST(EventWait, WhileAnimationRunsATickEndsEveryWaitAHundredMillisecondsApart) {
    test::open_package();
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    for (std::uint64_t tick = 1; tick <= 5; ++tick) {
        EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);
        EXPECT_EQ(ws::null::now(), 100 * tick);
    }
}

TEST(EventWait, SleepsUntilInputArrivesAndReportsItInLogicalCoordinates) {
    test::open_quietly();
    ws::null::schedule(50, [] {
        ws::null::inject(
            ws::message{package.drawing_window, ws::WM_RBUTTONDOWN, ws::MK_RBUTTON, ws::make_lparam(1, 1)});
        test::inject_press(package.drawing_window, display.origin_x + 10, display.origin_y - 20);
    });
    test::event e = next_event();  // the right button gives nothing
    EXPECT_EQ(e.kind, DRAXO_MOUSE);
    EXPECT_EQ(e.x, 10);
    EXPECT_EQ(e.y, 20);
    EXPECT_EQ(ws::null::now(), 50u);
}

TEST(EventWait, InputQueuedWithADueTickEndsTheWaitAheadOfTheTick) {
    test::open_package();
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    // The tick falls due, and the press arrives, at the same moment, while
    // the armed wait sleeps: the press was queued, so it comes first.
    ws::null::schedule(100,
                       [] { test::inject_press(package.drawing_window, display.origin_x, display.origin_y); });
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE);
}

TEST(EventWait, TypedKeysBecomeKeyEventsButNotWhileCtrlIsHeld) {
    test::open_quietly();
    test::inject_key_down(package.drawing_window, 0xC9, 0xE9);
    test::event e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, static_cast<char>(0xE9 - 256));

    test::inject_key_down(package.drawing_window, ws::VK_CONTROL);
    test::inject_key_down(package.drawing_window, 'X', 0x18);  // Ctrl+X types a control character
    test::inject_key_up(package.drawing_window, 'X');
    test::inject_key_up(package.drawing_window, ws::VK_CONTROL);
    test::inject_typed(package.drawing_window, 'y');
    e = next_event();
    EXPECT_EQ(e.kind, DRAXO_KBD);
    EXPECT_EQ(e.key, 'y');
}

// The null backend's clock throws when a wait would go on for ever; the
// wait gives the operation up with that reason, as it would any exception.
TEST(EventWait, WithNothingToDeliverTheWaitDoesNotEnd) {
    test::open_package();  // the timer ticks, but the animation is halted
    ws::null::set_deadline(10000);
    test::expect_a_wait_for_ever();
#ifdef __wasi__
    next_event();  // nothing catches: the wait ends the process, passing
    ADD_FAILURE() << "the wait ended";
#else
    testing::internal::CaptureStderr();
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("DRAXO: DRAXO_next_event failed (the wait never ends"),
              std::string::npos);
#endif
}

TEST(EventWait, ATerminationRequestEndsTheNextWaitWithQuit) {
    test::open_package();
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    EXPECT_EQ(next_event().kind, DRAXO_PERIODIC);
    ws::null::schedule(30, [] { ws::null::request_termination(); });  // SIGTERM while the program waits
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
    ws::null::request_termination();  // while it computes: the next wait
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
}

// A program that ignores its quit and waits on gets it at every wait, and
// from its input dialog, until the grace time ends it: nothing it waits for
// can keep it alive.
TEST(EventWait, AfterATerminationRequestEveryWaitIsAQuit) {
    test::open_package();
    ws::null::request_termination();
    test::post_press(1, 2);  // input that came before the program next waits is still its
    EXPECT_EQ(next_event().kind, DRAXO_MOUSE);
    for (int wait = 0; wait < 3; ++wait) EXPECT_EQ(next_event().kind, DRAXO_QUIT) << "wait " << wait;
    char line[16] = "kept";
    EXPECT_EQ(DRAXO_gets("Name?", line), 0);
    EXPECT_STREQ(line, "kept");
    EXPECT_EQ(next_event().kind, DRAXO_QUIT);
}

TEST(SetAnimation, NeedsTheDrawingWindow) {
    test::open_quietly();
    ws::native_close_requested(package.drawing_window);
    test::pump_messages();
    ASSERT_FALSE(ws::is_window(package.drawing_window));
    EXPECT_EQ(DRAXO_set_animation(DRAXO_ANIMATE_RUN), 0);
    EXPECT_FALSE(event_control.animation_running);
}

TEST(SetAnimation, NeedsTheOpenPackage) {
    EXPECT_EQ(DRAXO_set_animation(DRAXO_ANIMATE_RUN), 0);
    EXPECT_FALSE(event_control.animation_running);
    EXPECT_EQ(DRAXO_set_animation(DRAXO_ANIMATE_QUIT), 0);
    EXPECT_FALSE(event_control.quit_requested);
}

TEST(SetAnimation, AppliesItsTableAndIgnoresOtherActions) {
    test::open_quietly();
    EXPECT_EQ(DRAXO_set_animation(DRAXO_ANIMATE_RUN), 1);
    EXPECT_TRUE(event_control.animation_running);
    EXPECT_EQ(DRAXO_set_animation(DRAXO_ANIMATE_STEP), 1);
    EXPECT_TRUE(event_control.single_step);
    EXPECT_TRUE(event_control.animation_running);  // stepping does not halt
    for (int action : {3, 4, -1, 6, 1000}) {
        EXPECT_EQ(DRAXO_set_animation(action), 1);
        EXPECT_TRUE(event_control.animation_running);
        EXPECT_TRUE(event_control.single_step);
        EXPECT_FALSE(event_control.quit_requested);
    }
    EXPECT_EQ(DRAXO_set_animation(DRAXO_ANIMATE_HALT), 1);
    EXPECT_FALSE(event_control.animation_running);
    EXPECT_FALSE(event_control.single_step);
}

}  // namespace
}  // namespace draxo
