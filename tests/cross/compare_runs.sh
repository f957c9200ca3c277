#!/usr/bin/env bash
# The same client played from the same script by draxo-run on Linux (with no
# display) and by draxo-run.exe on Windows (under Wine) leaves the same
# picture file, byte for byte: its drawing holds no text, which each
# platform draws in its own fonts.
# Usage: compare_runs.sh LINUX_DRAXO_RUN LINUX_RUN_CLIENT WINDOWS_DRAXO_RUN.exe WINDOWS_RUN_CLIENT.exe
# DRAXO_RUN holds the command that runs a Windows program.
set -euo pipefail
read -r -a run <<<"${DRAXO_RUN:?the command that runs a Windows program}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
printf 'DRAXO_KBD(103);\nDRAXO_MOUSE(-200, 150);\nDRAXO_PERIODIC(25);\nDRAXO_KBD(114);\nDRAXO_MOUSE(250, -230);\nDRAXO_MOUSE(0, 0);\n' > in.scr

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 "$1" --script in.scr --picture linux.png -- "$2"
timeout 120 "${run[@]}" "$3" --script in.scr --picture windows.png -- "$(winepath -w "$4" 2> /dev/null)"
colours=$(convert linux.png -format '%k' info:)
[ "$colours" -ge 4 ] || { echo "FAIL: only $colours colours were drawn" >&2; exit 1; }
if ! cmp linux.png windows.png; then
  echo "FAIL: $(compare -metric AE linux.png windows.png null: 2>&1) pixels differ" >&2
  exit 1
fi
echo "ok: $colours colours, identical pictures ($(stat -c %s linux.png) bytes)"
