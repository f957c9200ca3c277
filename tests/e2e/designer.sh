#!/usr/bin/env bash
# The card designer in a real window: buttons and card clicks through the
# mouse, what they change read from screenshots, and Ctrl+Q to quit.
# Usage: designer.sh CARD_DESIGNER
source "$(dirname "$0")/e2e_lib.sh"
designer=$1
cd "$E2E_SCRATCH"

start_program "$designer"
w=$(find_window "DRAXO Graphics")
sleep 0.5
shot=$E2E_SCRATCH/shot.png
snap() { sleep 0.4; screenshot "$shot"; }
at() { logical_pixel "$shot" "$w" "$1" "$2"; }
button() { click_logical "$w" -250 $((233 - 35 * $1)); sleep 0.15; }
# Reddish pixels in the status line's band, above (-140, -190).
red_in_status_line() {
  read -r sx sy < <(logical_to_screen "$w" -140 -175)
  count_pixels "$shot" "$sx" "$sy" 300 15 "r > 0.6 && g < 0.4 && b < 0.4"
}

snap
expect_equal "card at start" "$(at 0 0)" "FFFF00"
expect_equal "red status pixels at start" "$(red_in_status_line)" "0"
[ "$(xdotool search --onlyvisible --name '^DRAXO Text$' | wc -l)" -eq 0 ] || fail "the console is not hidden"

button 0
button 0
snap
expect_equal "card after two Background Color presses" "$(at 200 -140)" "00FFFF"

click_logical "$w" 0 0
snap
expect_equal "the first click adds a black heart" "$(at 0 0)" "000000"
expect_equal "below the anchor, its point" "$(at 0 -15)" "000000"
[ "$(red_in_status_line)" -gt 20 ] || fail "the status line did not turn red"
echo "ok: the status line turned red"

click_logical "$w" 100 50
snap
expect_equal "the heart left its old place" "$(at 0 0)" "00FFFF"
expect_equal "and stands at the new click" "$(at 100 50)" "000000"

button 1
snap
expect_equal "Object Color turns it white" "$(at 100 50)" "FFFFFF"

click_logical "$w" -170 0  # neither a button nor the card
button 5                   # Select Object
click_logical "$w" -100 -100
snap
expect_equal "selecting moves nothing" "$(at 100 50)" "FFFFFF"

press_keys "$w" ctrl+q
wait_program 10
expect_equal "exit status after Ctrl+Q" "$E2E_STATUS" "0"
echo "designer passed"
