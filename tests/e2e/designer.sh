#!/usr/bin/env bash
# The card designer in a real window: buttons and card clicks through the
# mouse, what they change read from screenshots, and Ctrl+Q to quit.
# Usage: designer.sh CARD_DESIGNER
source "$(dirname "$0")/e2e_lib.sh"
designer=$1
cd "$E2E_SCRATCH"

start_program "$designer"
w=$(shown_window "DRAXO Graphics" 0 0 FFFF00)
# The colour at a logical point, in the latest screenshot.
at() { logical_pixels "$w" "$@"; }
button() { click_logical "$w" -250 $((233 - 35 * $1)); }
# Reddish pixels in the status line's band, above (-140, -190).
red_in_status_line() {
  read -r sx sy < <(logical_to_screen "$w" -140 -175)
  count_pixels "$E2E_SHOT" "$sx" "$sy" 300 15 "r > 0.6 && g < 0.4 && b < 0.4"
}
status_turned_red() { [ "$(red_in_status_line)" -gt 20 ]; }

expect_equal "card at start" "$(at 0 0)" "FFFF00"
expect_equal "red status pixels at start" "$(red_in_status_line)" "0"
[ "$(xdotool search --onlyvisible --name '^DRAXO Text$' | wc -l)" -eq 0 ] || fail "the console is not hidden"

button 0
button 0
expect_shown "card after two Background Color presses" "00FFFF" at 200 -140

click_logical "$w" 0 0
expect_shown "the first click adds a black heart" "000000" at 0 0
expect_shown "below the anchor, its point" "000000" at 0 -15
screen_shows "the status line did not turn red" status_turned_red
echo "ok: the status line turned red"

click_logical "$w" 100 50
expect_shown "and stands at the new click" "000000" at 100 50
expect_shown "the heart left its old place" "00FFFF" at 0 0

button 1
expect_shown "Object Color turns it white" "FFFFFF" at 100 50

click_logical "$w" -170 0  # neither a button nor the card
button 5                   # Select Object
click_logical "$w" -100 -100
# Clicks that must move nothing: nothing to await but a moment.
quiet_moment
screenshot "$E2E_SHOT"
expect_equal "selecting moves nothing" "$(at 100 50)" "FFFFFF"

press_keys "$w" ctrl+q
wait_program 10
expect_equal "exit status after Ctrl+Q" "$E2E_STATUS" "0"
echo "designer passed"
