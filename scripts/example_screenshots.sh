#!/usr/bin/env bash
# Runs the example programs on a virtual X server, drives each with the mouse
# and the keyboard, and saves a picture of its drawing window for the
# reference: docs/sketch_pad.png, docs/clock.png, docs/guessing_game.png,
# docs/star_catcher.png and docs/scribble.png.
# Usage: scripts/example_screenshots.sh [OUTPUT_DIRECTORY]   (default: docs)
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath -m "${1:-docs}")
mkdir -p "$output"

scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRAXO_DEVELOPER=ON > /dev/null
cmake --build build -j "$(nproc)" --target sketch_pad clock guessing_game star_catcher scribble x11_close > /dev/null

export E2E_X11_CLOSE=$PWD/build/tests/x11_close OUTPUT=$output EXAMPLES=$PWD/build/examples
# shellcheck disable=SC2016  # the program in single quotes is bash -c's to expand
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c '
  source tests/e2e/e2e_lib.sh
  cd "$E2E_SCRATCH"

  # Sketch pad: a house under the sun.
  start_program "$EXAMPLES/sketch_pad"
  w=$(find_window "DRAXO Graphics")
  sleep 0.5
  focus_window "$w"
  keys() { xdotool type --delay 60 "$1"; }
  path() { keys n; for point in "$@"; do click_logical "$w" ${point/,/ }; sleep 0.1; done; }
  keys k4; path -200,-200 -200,-20 -100,90 0,-20 0,-200 -200,-200
  keys r3; path -120,-200 -120,-110 -80,-110 -80,-200
  keys b2; path -170,-60 -130,-60 -130,-20 -170,-20 -170,-60
  keys b2; path -70,-60 -30,-60 -30,-20 -70,-20 -70,-60
  keys o5; path 210,150 198,178 170,190 142,178 130,150 142,122 170,110 198,122 210,150
  keys o2; path 225,150 245,150; path 209,189 223,203; path 170,205 170,225; path 131,189 117,203
  path 115,150 95,150; path 131,111 117,97; path 170,95 170,75; path 209,111 223,97
  keys g2; path -280,-225 -250,-210 -220,-225 -190,-210 -160,-225 -130,-210 -100,-225 -70,-210 -40,-225 -10,-210 20,-225 50,-210 80,-225
  keys p2; path -60,170 -45,160 -30,170; path -20,195 -5,185 10,195
  sleep 0.5
  save_window "$w" "$OUTPUT/sketch_pad.png"
  close_window "$w"
  wait_program 10

  # Clock: ten past ten, run for a few seconds.
  start_program "$EXAMPLES/clock"
  w=$(find_window "DRAXO Graphics")
  sleep 0.5
  press_keys "$w" ctrl+h
  xdotool type --delay 40 "0hhhhhhhhhhhhhhhhhhhhhhmmmmmmmmmmr"
  sleep 2.6
  save_window "$w" "$OUTPUT/clock.png"
  close_window "$w"
  wait_program 10

  # Guessing game: three answers and the dialog asking again.
  start_program "$EXAMPLES/guessing_game" 37
  w=$(find_window "DRAXO Graphics")
  for guess in 50 twenty 20 30; do
    find_window "DRAXO_gets" > /dev/null
    sleep 0.3
    xdotool type --delay 40 "$guess"
    xdotool key Return
  done
  find_window "DRAXO_gets" > /dev/null
  sleep 0.3
  xdotool type --delay 40 "35"
  sleep 0.5
  save_window "$w" "$OUTPUT/guessing_game.png"
  xdotool windowclose "$w"
  wait_program 10

  # Star catcher: a game under way, the basket moved to the right.
  start_program "$EXAMPLES/star_catcher"
  w=$(find_window "DRAXO Graphics")
  sleep 0.5
  press_keys "$w" space
  sleep 4
  xdotool keydown Right sleep 0.4 keyup Right
  sleep 0.6
  save_window "$w" "$OUTPUT/star_catcher.png"
  close_window "$w"
  wait_program 10

  # Scribble: a wave, a red zigzag, and a band rubbed out across both.
  start_program "$EXAMPLES/scribble"
  w=$(find_window "DRAXO Graphics")
  sleep 0.5
  drag_logical "$w" 1 -250 100 -200 140 -150 150 -100 120 -50 80 0 60 50 80 100 120 150 150 200 140 250 100
  press_keys "$w" r
  drag_logical "$w" 1 -250 -100 -200 0 -150 -100 -100 0 -50 -100 0 0 50 -100 100 0 150 -100 200 0 250 -100
  press_keys "$w" b
  drag_logical "$w" 1 -60 -180 0 -150 60 -180 0 -210 -60 -180
  drag_logical "$w" 3 120 200 120 -220
  sleep 0.5
  save_window "$w" "$OUTPUT/scribble.png"
  close_window "$w"
  wait_program 10
'
echo "saved $output/sketch_pad.png, $output/clock.png, $output/guessing_game.png, $output/star_catcher.png and $output/scribble.png"
