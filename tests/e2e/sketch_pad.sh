#!/usr/bin/env bash
# The sketch pad example in a real window: clicks join points with lines in
# the pen's colour and width, keys change the pen, lift it and clear the
# page, and clicks in the status bar draw nothing.
# Usage: sketch_pad.sh SKETCH_PAD
source "$(dirname "$0")/e2e_lib.sh"
sketch=$1
cd "$E2E_SCRATCH"

start_program "$sketch"
w=$(shown_window "DRAXO Graphics" -265 246 000000)
# The colours at logical points (x y x y ...), in the latest screenshot.
at() { logical_pixels "$w" "$@"; }
click() { click_logical "$w" "$1" "$2"; }
keys() { focus_window "$w"; xdotool type --delay 60 "$1"; }

click -200 100
click 0 100
expect_shown "a black line, 3 pixels wide, joins the first two clicks" "000000000000000000" \
  at -100 100 -100 101 -100 99
expect_equal "and no wider" "$(at -100 102)$(at -100 98)" "FFFFFFFFFFFF"
expect_equal "the status bar's pen before a key" "$(at -265 246)" "000000"

keys r7
click 0 -100
expect_shown "r and 7: the next line is red and 7 pixels wide" "FF0000FF0000FF0000" \
  at 0 0 3 0 -3 0
expect_equal "and no wider" "$(at 5 0)$(at -5 0)" "FFFFFFFFFFFF"
expect_equal "the status bar shows the red pen" "$(at -265 246)" "FF0000"

keys n
click 100 -50
click 200 -50
keys b
click 200 50
click 0 245   # in the status bar: nothing is drawn
expect_shown "b: blue" "0000FF" at 200 0
# A click that must draw nothing: nothing to await but a moment.
quiet_moment
screenshot "$E2E_SHOT"
expect_equal "n lifts the pen: nothing joins the old line to the new one" "$(at 50 -75)" "FFFFFF"
expect_equal "the new line" "$(at 150 -50)" "FF0000"
expect_equal "b: blue" "$(at 200 0)" "0000FF"
expect_equal "a click in the status bar draws no line" "$(at 100 150)" "FFFFFF"

keys c
expect_shown "c clears the page" "FFFFFFFFFFFFFFFFFFFFFFFF" \
  at -100 100 0 0 150 -50 200 0
expect_equal "and keeps the status bar" "$(at -265 246)" "0000FF"
click 50 50
click -50 50
expect_shown "after clearing, a new line starts at the next click" "0000FFFFFFFF" \
  at 0 50 25 0

press_keys "$w" ctrl+q
wait_program 10
expect_equal "exit status after Ctrl+Q" "$E2E_STATUS" "0"
echo "sketch_pad passed"
