#!/usr/bin/env bash
# The two game-input examples played from the same scripts (held arrow
# keys; drags of the left and the right button) by draxo-run on Linux (with
# no display) and by draxo-run.exe on Windows (under Wine) leave the same
# field: the pictures below their status bars, whose text each platform
# draws in its own fonts, are the same pixel for pixel.
# Usage: compare_games.sh LINUX_DRAXO_RUN LINUX_EXAMPLES WINDOWS_DRAXO_RUN.exe WINDOWS_EXAMPLES
# (the examples' folders hold star_catcher and scribble, .exe on Windows);
# DRAXO_RUN holds the command that runs a Windows program.
set -euo pipefail
read -r -a run <<<"${DRAXO_RUN:?the command that runs a Windows program}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

printf '%s\n' 'DRAXO_KBD(32, SPACE);' 'DRAXO_PERIODIC(5);' 'DRAXO_KEY_PRESS(LEFT, 0);' 'DRAXO_PERIODIC(20);' \
  'DRAXO_KEY_RELEASE(LEFT, 0);' 'DRAXO_KEY_PRESS(RIGHT, 0);' 'DRAXO_PERIODIC(45);' 'DRAXO_KEY_RELEASE(RIGHT, 0);' \
  'DRAXO_PERIODIC(30);' > star_catcher.scr
printf '%s\n' 'DRAXO_MOUSE(-200, 100);' 'DRAXO_MOUSE_MOVE(-100, 50, 1);' 'DRAXO_MOUSE_MOVE(0, 100, 1);' \
  'DRAXO_MOUSE_RELEASE(0, 100, 1);' 'DRAXO_KBD(114, R);' 'DRAXO_MOUSE(-200, -100);' 'DRAXO_MOUSE_MOVE(200, -100, 1);' \
  'DRAXO_MOUSE_RELEASE(200, -100, 1);' 'DRAXO_MOUSE_PRESS(-150, 75, 2);' 'DRAXO_MOUSE_MOVE(-50, 75, 2);' \
  'DRAXO_MOUSE_RELEASE(-50, 75, 2);' > scribble.scr

status=0
# Each example's field: the picture's rows below its status bar.
for game in "star_catcher 50" "scribble 30"; do
  read -r name top <<<"$game"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 "$1" --script "$name.scr" --picture "$name-linux.png" \
    -- "$2/$name" 3 > /dev/null
  timeout 120 "${run[@]}" "$3" --script "$name.scr" --picture "$name-windows.png" \
    -- "$(winepath -w "$4/$name.exe" 2> /dev/null)" 3 > /dev/null
  for platform in linux windows; do
    convert "$name-$platform.png" -crop "601x$((521 - top))+0+$top" +repage "$name-$platform-field.png"
  done
  colours=$(convert "$name-linux-field.png" -format '%k' info:)
  differing=$(compare -metric AE "$name-linux-field.png" "$name-windows-field.png" null: 2>&1 || true)
  if [ "$colours" -lt 3 ] || [ "$differing" != 0 ]; then
    echo "FAIL: $name: $colours colours drawn, $differing pixels of the field differ" >&2
    status=1
  else
    echo "ok: $name: $colours colours, the same field on both"
  fi
done
exit $status
