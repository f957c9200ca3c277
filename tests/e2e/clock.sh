#!/usr/bin/env bash
# The clock example in a real window: halted from the Run menu's shortcut,
# set with keys, stepped one tenth of a second at a time with Ctrl+F and with
# the space key, run again with r; the hands are read from screenshots.
# Usage: clock.sh CLOCK
source "$(dirname "$0")/e2e_lib.sh"
clock=$1
cd "$E2E_SCRATCH"

start_program "$clock"
# (The dial's outline at 12 o'clock: no hand reaches it.)
w=$(shown_window "DRAXO Graphics" 0 180 003399)
# The colours at logical points (x y x y ...), in the latest screenshot.
at() { logical_pixels "$w" "$@"; }
# The dial's centre is (0, 20); the second hand is red, the minute hand navy
# blue, the hour hand black, the face chalk.
second_hand_area() {
  read -r sx sy < <(logical_to_screen "$w" -160 180)
  convert "$E2E_SHOT" -crop "321x160+$sx+$sy" +repage "$1"
}

press_keys "$w" ctrl+h
xdotool type --delay 80 "0mmmmmmmmmmmmmmmhhhhhh"   # 12:00:00, then 06:15:00
expect_shown "the hour hand just past six" "000000" at -7 -30
expect_shown "the second hand at 0 seconds" "FF0000" at 0 150
expect_shown "the minute hand at a quarter past" "003399" at 100 20
second_hand_area "$E2E_SCRATCH/halted-1.png"
# The clock must not move while halted: nothing to await but a moment.
quiet_moment
screenshot "$E2E_SHOT"
second_hand_area "$E2E_SCRATCH/halted-2.png"
expect_equal "pixels that change while halted" \
  "$(compare -metric AE "$E2E_SCRATCH/halted-1.png" "$E2E_SCRATCH/halted-2.png" null: 2>&1 || true)" "0"

# Ten single steps, each a tenth of a second: the second hand moves 6 degrees.
# Each step is awaited before the next key: the digital time below the dial
# shows every tenth.
digital_time() {
  read -r sx sy < <(logical_to_screen "$w" -120 -145)
  convert "$E2E_SHOT" -crop "240x40+$sx+$sy" +repage -depth 8 rgb:- | md5sum
}
step() {
  screenshot "$E2E_SHOT"
  local before
  # shellcheck disable=SC2034  # read by the check that eval runs at each poll
  before=$(digital_time)
  xdotool key "$1"
  # shellcheck disable=SC2016  # expanded by eval at each poll
  screen_shows "$1 did not step the clock" eval '[ "$(digital_time)" != "$before" ]'
}
for _ in 1 2 3 4 5; do step ctrl+f; done
for _ in 1 2 3 4 5; do step space; done
expect_shown "after ten steps, the second hand at 1 second" "FF0000" at 14 149
expect_equal "and no second hand at 0 seconds" "$(at 0 150)" "FFFF99"
expect_equal "the minute hand stays" "$(at 100 20)" "003399"

xdotool type r
second_hand_moved() { [ "$(at 14 149)" != "FF0000" ]; }
screen_shows "r did not run the clock" second_hand_moved
echo "ok: r runs the clock"

# The console shows the times printed, near its bottom edge.
console=$(find_window "DRAXO Text")
read -r kx ky _ kh < <(client_geometry "$console")
console_inked() { count_pixels "$E2E_SHOT" $((kx + 2)) $((ky + kh - 30)) 100 30 "r < 0.5"; }
console_shows_text() { [ "$(console_inked)" -gt 20 ]; }
screen_shows "no text at the bottom of the console" console_shows_text
echo "ok: the console shows text"
press_keys "$w" ctrl+q
wait_program 10
expect_equal "exit status after Ctrl+Q" "$E2E_STATUS" "0"
echo "clock passed"
