#!/usr/bin/env bash
# The scribble example in a real window: a drag with the left button held
# draws a line through the points it passes, a drag with the right rubs out,
# and the session, recorded with Ctrl+R, is played by draxo-run without a
# screen to the same picture.
# Usage: scribble.sh SCRIBBLE DRAXO_RUN
source "$(dirname "$0")/e2e_lib.sh"
scribble=$1
draxo_run=$2
cd "$E2E_SCRATCH"

start_program "$scribble"
# The pen's stroke in the status bar.
w=$(shown_window "DRAXO Graphics" -265 246 000000)
at() { logical_pixels "$w" "$@"; }

press_keys "$w" ctrl+r
drag_logical "$w" 1 -200 100 -150 75 -100 50 -50 25 0 0 100 50 200 100
expect_shown "a left drag draws through the points it passes" "000000000000000000" at -150 75 0 0 150 75
press_keys "$w" r
drag_logical "$w" 1 -200 -100 200 -100
expect_shown "r: the next stroke is red" "FF0000" at 0 -100
drag_logical "$w" 3 -100 150 -100 100 -100 0 -100 -150
expect_shown "a right drag rubs out what it crosses" "FFFFFFFFFFFF" at -100 50 -100 -100
expect_equal "and nothing else" "$(at -150 75)$(at 100 -100)" "000000FF0000"
keep_recorded_session "$w"
grep -q '^DRAXO_MOUSE_MOVE(-150, 75, 1);$' session.scr || fail "the left drag's moves are not in the script"
grep -q '^DRAXO_MOUSE_PRESS(-100, 150, 2);$' session.scr || fail "the right button's press is not in the script"
grep -q '^DRAXO_MOUSE_RELEASE(-100, -150, 2);$' session.scr || fail "the right button's release is not in the script"
expect_played_alike "$draxo_run" "$scribble"
echo "scribble passed"
