#!/usr/bin/env bash
# The guessing game example in a real window: guesses typed into the input
# dialog are answered in the window in the colour of the answer (too high
# red, too low blue, not a number orange, right green), each on its own row
# while the dialog asks again; the program ends when its window is destroyed
# while the dialog is open.
# Usage: guessing_game.sh GUESSING_GAME
source "$(dirname "$0")/e2e_lib.sh"
game=$1
cd "$E2E_SCRATCH"

shot=$E2E_SHOT
# Pixels of row n (0 for the first answer) that satisfy a condition.
row_pixels() {
  count_logical_pixels "$shot" "$w" -270 $((-30 - 20 * $1)) 320 18 "$2"
}
red="r > 0.8 && g < 0.3 && b < 0.3"
blue="b > 0.8 && r < 0.3 && g < 0.3"
orange="r > 0.8 && g - b > 0.2 && g < 0.7"
green="g > 0.25 && r < 0.2 && b < 0.4 && b > 0.05"
# Types a guess into the dialog and waits until its answer is on row n.
guess() {
  local row=$1
  find_window "DRAXO_gets" > /dev/null
  xdotool type --delay 30 "$2"
  xdotool key Return
  screen_shows "no answer to guess $((row + 1)) on its row" row_written "$row"
}
row_written() { [ "$(row_pixels "$1" "r < 0.9 || g < 0.9 || b < 0.9")" -gt 30 ]; }
expect_row() {
  local row=$1 name=$2 colour=$3 count
  count=$(row_pixels "$row" "$colour")
  [ "$count" -gt 30 ] || fail "answer $((row + 1)) is not $name ($count pixels)"
  for other in "$red" "$blue" "$orange" "$green"; do
    [ "$other" = "$colour" ] && continue
    [ "$(row_pixels "$row" "$other")" -le 3 ] || fail "answer $((row + 1)) is not only $name"
  done
  echo "ok: answer $((row + 1)) is $name"
}

start_program "$game" 37
w=$(find_window "DRAXO Graphics")
guess 0 50
guess 1 abc
guess 2 20
find_window "DRAXO_gets" > /dev/null
echo "ok: the dialog asks again after three answers"
expect_row 0 red "$red"
expect_row 1 orange "$orange"
expect_row 2 blue "$blue"
expect_equal "row 4 before the fourth guess" "$(row_pixels 3 "r < 0.9 || g < 0.9 || b < 0.9")" "0"

guess 3 37
expect_row 3 green "$green"
xdotool search --onlyvisible --name "^DRAXO_gets\$" > /dev/null && fail "the dialog is still open after the right guess"
echo "ok: no more questions after the right guess"
click_logical "$w" 0 0
wait_program 10
expect_equal "exit status after the click" "$E2E_STATUS" "0"

# The drawing window destroyed while the dialog asks: DRAXO_gets returns 0
# and the program ends instead of asking again. (X lets another program
# destroy a window; Windows does not, and Wine does not see its X window go.)
if [ -z "${E2E_WINE:-}" ]; then
  start_program "$game"
  w=$(find_window "DRAXO Graphics")
  find_window "DRAXO_gets" > /dev/null
  xdotool windowclose "$w"
  wait_program 10
  expect_equal "exit status after the window was destroyed" "$E2E_STATUS" "0"
fi
echo "guessing_game passed"
