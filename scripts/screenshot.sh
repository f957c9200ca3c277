#!/usr/bin/env bash
# Runs the card designer on a virtual X server, places a few pictures and a
# message with the mouse, saves the card, and saves a screenshot of the
# drawing window (the status line telling of the card saved).
# With --windows, the Windows build of the designer, under Wine.
# Usage: scripts/screenshot.sh [--windows] [OUTPUT.png]
#        (default: docs/designer.png, with --windows docs/designer-windows.png)
set -euo pipefail
cd "$(dirname "$0")/.."
windows=0
if [ "${1:-}" = "--windows" ]; then
  windows=1
  shift
fi

scripts/setup.sh
if [ $windows -eq 1 ]; then
  output=$(realpath -m "${1:-docs/designer-windows.png}")
  cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DDRAXO_DEVELOPER=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
  cmake --build build-windows -j "$(nproc)" --target draxo-card-designer win32_probe > /dev/null
  export E2E_WINE="$PWD/scripts/wine-run.sh $PWD/build-windows/wine-prefix"
  export E2E_WIN32_PROBE=$PWD/build-windows/bin/win32_probe.exe
  designer=$PWD/build-windows/bin/draxo-card-designer.exe
else
  output=$(realpath -m "${1:-docs/designer.png}")
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRAXO_DEVELOPER=ON > /dev/null
  cmake --build build -j "$(nproc)" --target draxo-card-designer x11_close > /dev/null
  export E2E_X11_CLOSE=$PWD/build/tests/x11_close
  designer=$PWD/build/app/draxo-card-designer
fi
mkdir -p "$(dirname "$output")"

# shellcheck disable=SC2016  # the program in single quotes is bash -c's to expand
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c '
  source tests/e2e/e2e_lib.sh
  cd "$E2E_SCRATCH"
  start_program "'"$designer"'"
  w=$(find_window "DRAXO Graphics")
  sleep 0.5
  button() { click_logical "$w" -250 $((233 - 35 * $1)); sleep 0.15; }
  card() { click_logical "$w" "$1" "$2"; sleep 0.15; }
  card -90 140                       # a heart, selected
  button 1; button 1                 # its colour: white, then red
  button 4; card 40 150              # "Add Shape": a second shape, selected
  button 2; button 1; button 1; button 1; button 1   # a starburst, in blue
  card -110 20                       # a third shape
  button 2; button 2; button 1; button 1            # a jet, in red
  card 60 -60                        # a fourth shape
  button 2; button 2; button 2; for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19; do button 1; done   # a forest green car
  button 3; card -120 -120           # a message...
  button 2; button 2; button 2; button 2; button 2; button 2                 # "Make Love not War!"
  button 1; button 1; button 1; button 1; button 1; button 1; button 1; button 1   # in purple
  button 0; button 0; button 0; button 0; button 0; button 0; button 0; button 0; button 0; button 0; button 0   # a chalk card
  click_logical "$w" -250 23         # "Save Card": the status line says so for a moment
  sleep 0.5
  read -r x y width height < <(window_geometry "$w")
  import -window root -crop "${width}x${height}+${x}+${y}" +repage "'"$output"'"
  close_window "$w"
  wait_program 10
  echo "The card file saved:"
  cat card.draxo
'
echo "saved $output"
