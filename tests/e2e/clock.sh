#!/usr/bin/env bash
# The clock example in a real window: halted from the Run menu's shortcut,
# set with keys, stepped one tenth of a second at a time with Ctrl+F and with
# the space key, run again with r; the hands are read from screenshots.
# Usage: clock.sh CLOCK
source "$(dirname "$0")/e2e_lib.sh"
clock=$1
cd "$E2E_SCRATCH"

start_program "$clock"
w=$(find_window "DRAXO Graphics")
sleep 0.5
shot=$E2E_SCRATCH/shot.png
snap() { sleep 0.4; screenshot "$shot"; }
at() { logical_pixel "$shot" "$w" "$1" "$2"; }
# The dial's centre is (0, 20); the second hand is red, the minute hand navy
# blue, the hour hand black, the face chalk.
second_hand_area() {
  read -r sx sy < <(logical_to_screen "$w" -160 180)
  convert "$shot" -crop "321x160+$sx+$sy" +repage "$1"
}

press_keys "$w" ctrl+h
xdotool type --delay 80 "0mmmmmmmmmmmmmmmhhhhhh"   # 12:00:00, then 06:15:00
snap
expect_equal "the second hand at 0 seconds" "$(at 0 150)" "FF0000"
expect_equal "the minute hand at a quarter past" "$(at 100 20)" "003399"
expect_equal "the hour hand just past six" "$(at -7 -30)" "000000"
second_hand_area "$E2E_SCRATCH/halted-1.png"
sleep 0.6
snap
second_hand_area "$E2E_SCRATCH/halted-2.png"
expect_equal "pixels that change while halted" \
  "$(compare -metric AE "$E2E_SCRATCH/halted-1.png" "$E2E_SCRATCH/halted-2.png" null: 2>&1 || true)" "0"

# Ten single steps, each a tenth of a second: the second hand moves 6 degrees.
for _ in 1 2 3 4 5; do xdotool key ctrl+f; sleep 0.25; done
for _ in 1 2 3 4 5; do xdotool key space; sleep 0.25; done
snap
expect_equal "after ten steps, no second hand at 0 seconds" "$(at 0 150)" "FFFF99"
expect_equal "but at 1 second" "$(at 14 149)" "FF0000"
expect_equal "the minute hand stays" "$(at 100 20)" "003399"

xdotool type r
sleep 1.5
snap
[ "$(at 14 149)" != "FF0000" ] || fail "r did not run the clock"
echo "ok: r runs the clock"

# The console shows the times printed, near its bottom edge.
console=$(find_window "DRAXO Text")
read -r kx ky _ kh < <(client_geometry "$console")
inked=$(count_pixels "$shot" $((kx + 2)) $((ky + kh - 30)) 100 30 "r < 0.5")
[ "$inked" -gt 20 ] || fail "no text at the bottom of the console ($inked dark pixels)"
echo "ok: the console shows text"
press_keys "$w" ctrl+q
wait_program 10
expect_equal "exit status after Ctrl+Q" "$E2E_STATUS" "0"
echo "clock passed"
