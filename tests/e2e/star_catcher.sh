#!/usr/bin/env bash
# The star catcher example in a real window: space starts a game, the basket
# crosses the field while an arrow key is held, the game ends with its
# banner; the game, recorded with Ctrl+R, is played by draxo-run without a
# screen to the same picture of the field.
# Usage: star_catcher.sh STAR_CATCHER DRAXO_RUN
source "$(dirname "$0")/e2e_lib.sh"
catcher=$1
draxo_run=$2
cd "$E2E_SCRATCH"

start_program "$catcher" 3
# The banner's gold, before a game.
w=$(shown_window "DRAXO Graphics" -195 55 CC9933)
at() { logical_pixels "$w" "$@"; }
hold() {
  focus_window "$w"
  xdotool keydown "$1"
}
release() { xdotool keyup "$1"; }

press_keys "$w" ctrl+r space
expect_shown "space starts a game: the field where the banner was" "003399" at -195 55
expect_equal "the basket at the middle" "$(at 0 -237)" "FF6600"
hold Left
expect_shown "Left held: the basket reaches the left wall" "FF6600" at -285 -237
release Left
hold Right
expect_shown "Right held: the basket crosses to the right wall" "FF6600FF6600003399" at 285 -237 230 -237 -285 -237
release Right
expect_shown "the last star fell: the game is over" "CC9933" at -195 55
keep_recorded_session "$w"
grep -q '^DRAXO_KBD(32, SPACE);$' session.scr || fail "the space is not in the script"
grep -q '^DRAXO_KEY_PRESS(LEFT, 0);$' session.scr || fail "the left arrow's press is not in the script"
grep -q '^DRAXO_KEY_RELEASE(RIGHT, 0);$' session.scr || fail "the right arrow's release is not in the script"
expect_played_alike "$draxo_run" "$catcher" 3
echo "star_catcher passed"
