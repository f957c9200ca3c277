// The designer's hit-testing and its state: status and selection across
// adds, selects, moves, the full table and the buttons.
#include "designer.h"

#include <gtest/gtest.h>

#include "draxo.h"

namespace cards {
namespace {

// A click at the middle of button i's click range.
void press(int i, designer_state& state) { handle_click(-250, 233 - 35 * i, state); }

enum { BACKGROUND_COLOR, OBJECT_COLOR, NEXT_PLEASE, ADD_MESSAGE, ADD_SHAPE, SELECT_OBJECT };

TEST(ClassifyClick, ButtonsCardAndNothingAtEveryBoundary) {
    EXPECT_EQ(classify_click(-201, 249), CLICK_BUTTON);
    EXPECT_EQ(classify_click(-200, 249), CLICK_NONE);
    EXPECT_EQ(classify_click(-201, 250), CLICK_NONE);
    EXPECT_EQ(classify_click(-201, 40), CLICK_NONE);
    EXPECT_EQ(classify_click(-201, 41), CLICK_BUTTON);
    EXPECT_EQ(classify_click(-140, -150), CLICK_CARD);
    EXPECT_EQ(classify_click(219, 199), CLICK_CARD);
    EXPECT_EQ(classify_click(220, 0), CLICK_NONE);
    EXPECT_EQ(classify_click(0, 200), CLICK_NONE);
    EXPECT_EQ(classify_click(-141, 0), CLICK_NONE);
    EXPECT_EQ(classify_click(0, -151), CLICK_NONE);
}

TEST(PressButton, ClickRangesAreShiftedAboveTheDrawnBoxes) {
    designer_state state;
    handle_click(-250, 215, state);  // inside button 0's box, but button 1's range: no selection, no change
    EXPECT_EQ(state.background_color, YELLOW);
    handle_click(-201, 249, state);
    EXPECT_EQ(state.background_color, 6);
    handle_click(-250, 100, state);  // "Add Shape"
    EXPECT_EQ(state.status, STATUS_ADD_SHAPE);
    handle_click(-201, 41, state);  // "Select Object"
    EXPECT_EQ(state.status, STATUS_SELECT);
    handle_click(-250, 145, state);  // top of "Add Message"
    EXPECT_EQ(state.status, STATUS_ADD_MESSAGE);
    handle_click(-250, 111, state);  // bottom of "Add Message"
    EXPECT_EQ(state.status, STATUS_ADD_MESSAGE);
    handle_click(-250, 110, state);
    EXPECT_EQ(state.status, STATUS_ADD_SHAPE);
    press_button(-250, 40, state);  // index 6: the classification never yields it
    EXPECT_EQ(state.status, STATUS_ERROR);
}

TEST(PressButton, BackgroundColourAfterKPresses) {
    designer_state state;
    for (int k = 1; k <= 24; ++k) {
        press(BACKGROUND_COLOR, state);
        EXPECT_EQ(state.background_color, (5 + k) % 24) << k;
    }
    EXPECT_EQ(state.background_color, YELLOW);
}

TEST(HandleClick, TheFirstAddSelectsAndTheNextCardClickMovesIt) {
    designer_state state;
    press(OBJECT_COLOR, state);  // no selection yet: nothing
    press(NEXT_PLEASE, state);
    EXPECT_EQ(state.object_count, 0);
    handle_click(10, 20, state);
    EXPECT_EQ(state.object_count, 1);
    EXPECT_EQ(state.status, STATUS_SELECT);
    EXPECT_EQ(state.selected_object, 1);
    EXPECT_EQ(state.object_kind[1], OBJECT_SHAPE);
    EXPECT_EQ(state.object_color[1], BLACK);
    handle_click(30, -40, state);  // moves the heart
    EXPECT_EQ(state.object_count, 1);
    EXPECT_EQ(state.object_x[1], 30);
    EXPECT_EQ(state.object_y[1], -40);
    press(OBJECT_COLOR, state);
    EXPECT_EQ(state.object_color[1], WHITE);
    for (int expected : {1, 2, 3, 0}) {
        press(NEXT_PLEASE, state);
        EXPECT_EQ(state.object_style[1], expected);
    }
}

TEST(HandleClick, AfterAddShapeEveryCardClickAddsAShape) {
    designer_state state;
    handle_click(0, 0, state);
    press(ADD_SHAPE, state);
    EXPECT_EQ(state.selected_object, 1);  // Add Shape leaves the selection alone
    handle_click(1, 1, state);
    handle_click(2, 2, state);
    EXPECT_EQ(state.object_count, 3);
    EXPECT_EQ(state.status, STATUS_ADD_SHAPE);
    EXPECT_EQ(state.selected_object, 3);
}

TEST(HandleClick, MessagesSelectThemselvesAndCycleThroughTheTen) {
    designer_state state;
    handle_click(0, 0, state);
    press(ADD_MESSAGE, state);
    EXPECT_EQ(state.status, STATUS_ADD_MESSAGE);
    handle_click(5, 5, state);
    EXPECT_EQ(state.object_kind[2], OBJECT_MESSAGE);
    EXPECT_EQ(state.status, STATUS_SELECT);
    EXPECT_EQ(state.selected_object, 2);
    for (int i = 1; i <= 10; ++i) {
        press(NEXT_PLEASE, state);
        EXPECT_EQ(state.object_style[2], i % 10);
    }
}

TEST(HandleClick, SelectPicksTheNearestAnchorAndTiesGoToTheLowerNumber) {
    designer_state state;
    press(ADD_SHAPE, state);
    int anchors[][2] = {{100, 100}, {0, 0}, {-100, 100}, {100, -100}, {20, 0}};
    for (auto& a : anchors) {
        press(ADD_SHAPE, state);
        handle_click(a[0], a[1], state);
    }
    press(SELECT_OBJECT, state);
    EXPECT_EQ(state.selected_object, 0);
    handle_click(10, 0, state);  // as near to object 2 as to object 5
    EXPECT_EQ(state.selected_object, 2);
    handle_click(50, 50, state);  // now moves object 2
    EXPECT_EQ(state.object_x[2], 50);
    EXPECT_EQ(state.object_x[5], 20);
    EXPECT_EQ(state.selected_object, 2);
}

TEST(HandleClick, SelectOnAnEmptyCardSelectsNumberOneWithoutAnObject) {
    designer_state state;
    press(SELECT_OBJECT, state);
    handle_click(0, 0, state);
    EXPECT_EQ(state.selected_object, 1);
    EXPECT_EQ(state.object_count, 0);
    handle_click(7, 8, state);  // moves entry 1's anchor; nothing is drawn
    press(OBJECT_COLOR, state);
    press(NEXT_PLEASE, state);
    EXPECT_EQ(state.object_color[1], 0);  // entry 1 has no kind: unchanged
    EXPECT_EQ(state.object_style[1], 0);
    EXPECT_EQ(state.object_count, 0);
}

TEST(HandleClick, ATwentyFifthAddIsRefusedAndSelectsTheLastObject) {
    designer_state state;
    press(ADD_SHAPE, state);
    for (int i = 0; i < 24; ++i) {
        press(ADD_SHAPE, state);
        handle_click(i, i, state);
    }
    EXPECT_EQ(state.object_count, 24);
    state.selected_object = 3;
    handle_click(100, 100, state);
    EXPECT_EQ(state.object_count, 24);
    EXPECT_EQ(state.selected_object, 24);
    EXPECT_EQ(state.status, STATUS_ADD_SHAPE);
    EXPECT_EQ(state.object_x[24], 23);
}

TEST(HandleClick, ClicksOutsideButtonsAndCardChangeNothing) {
    designer_state state;
    handle_click(0, 0, state);
    designer_state before = state;
    handle_click(-170, 0, state);  // between the buttons and the card
    handle_click(250, 0, state);
    handle_click(0, 220, state);
    EXPECT_EQ(state.status, before.status);
    EXPECT_EQ(state.selected_object, before.selected_object);
    EXPECT_EQ(state.object_x[1], before.object_x[1]);
}

TEST(SquaredDistance, IsExactForAnyPairOfPoints) {
    EXPECT_EQ(squared_distance(3, 4, 0, 0), 25.0);
    EXPECT_EQ(squared_distance(-300, -250, 300, 250), 610000.0);
    EXPECT_DOUBLE_EQ(squared_distance(2147483647, 0, -2147483647 - 1, 0), 18446744065119617025.0);
}

}  // namespace
}  // namespace cards
