#!/usr/bin/env bash
# Text in every language on screens of every density, in real windows: the
# client draws and prints "Grüße, Ωμέγα, 你好", the same text typed into the
# dialog comes back equal to the program's own, and clicks arrive at their
# logical points; on a 3840 x 2160 screen at 192 dpi the windows are twice
# as large and pixel-doubled.
# Usage: world.sh WORLD_CLIENT        (runs its own virtual X servers)
#        world.sh WORLD_CLIENT --on-this-display DPI PICTURE
source "$(dirname "$0")/e2e_lib.sh"
client=$1

fail() {
  echo "FAIL: $*" >&2
  echo "--- client output:" >&2
  cat "$E2E_SCRATCH/stdout" "$E2E_SCRATCH/stderr" >&2 2>/dev/null || true
  exit 1
}

greeting=$'Gr\u00fc\u00dfe, \u03a9\u03bc\u03ad\u03b3\u03b1, \u4f60\u597d'

# Waits for a line of the client's output matching a pattern.
wait_output() {
  local pattern=$1
  for _ in $(seq 1 100); do
    grep -q -- "$pattern" "$E2E_SCRATCH/stdout" 2>/dev/null && return
    sleep 0.1
  done
  fail "the client never said '$pattern'"
}

# The screen position of logical pixel (x, y) of the drawing window, whose
# client area shows each logical pixel as a square of scale x scale: the
# square's top-left screen pixel.
screen_of_logical() {
  local window=$1 scale=$2 x=$3 y=$4
  read -r cx cy cw ch < <(client_geometry "$window")
  echo $((cx + (cw / scale / 2 + x) * scale)) $((cy + (ch / scale / 2 - y) * scale))
}

on_this_display() {
  local dpi=$1 picture=$2 scale=$(($1 / 96))
  # The desktop's density, as a desktop session sets it.
  xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	$dpi"
  local name=$picture
  # Under Wine the root of Linux's files is drive Z:.
  [ -n "${E2E_WINE:-}" ] && name="Z:${picture//\//\\}"
  start_program "$client" "$name"
  wait_output "^ready"
  drawing=$(find_window "DRAXO Graphics")
  dialog=$(find_window "DRAXO_gets")
  sleep 0.5
  read -r _ _ width height < <(window_geometry "$drawing")
  expect_equal "drawing window at $dpi dpi" "${width}x${height}" "$((601 * scale))x$((540 * scale))"

  # The same text typed into the dialog equals the program's own.
  focus_window "$dialog"
  [ -n "${E2E_KEEP:-}" ] && screenshot "$E2E_KEEP/world-dialog-$dpi.png"
  # (xdotool types a German sharp s as nothing: it goes as its key.)
  xdotool type --delay 80 $'Gr\u00fc'
  xdotool key --delay 80 ssharp
  xdotool type --delay 80 "${greeting#Gr??}"
  xdotool key Return
  wait_output "^typed"
  expect_equal "typed text" "$(grep '^typed' "$E2E_SCRATCH/stdout")" "typed equal [$greeting]"

  # A click on a logical point arrives as that point.
  sleep 0.3
  read -r sx sy < <(screen_of_logical "$drawing" "$scale" 100 100)
  xdotool mousemove "$sx" "$sy" sleep 0.05 click 1
  wait_output "^click"
  expect_equal "click" "$(grep '^click' "$E2E_SCRATCH/stdout" | head -n 1)" "click 100 100"

  # Every screen pixel of a logical pixel shows its colour.
  sleep 0.3
  screenshot "$E2E_SCRATCH/screen.png"
  [ -n "${E2E_KEEP:-}" ] && cp "$E2E_SCRATCH/screen.png" "$E2E_KEEP/world-$dpi.png"
  read -r sx sy < <(screen_of_logical "$drawing" "$scale" -150 125)
  for dx in 0 $((scale - 1)); do
    expect_equal "navy pixel +$dx" "$(pixel_at "$E2E_SCRATCH/screen.png" $((sx + dx)) $((sy + dx)))" 003399
  done

  close_window "$drawing"
  wait_program 10
  expect_equal "exit status" "$E2E_STATUS" 0
  [ -s "$picture" ] || fail "no picture saved"
}

if [ "${2:-}" = "--on-this-display" ]; then
  # Under Wine the dense screen has a prefix of its own (LogPixels 192).
  if [ "$3" != 96 ] && [ -n "${E2E_WINE_DENSE:-}" ]; then
    read -r -a E2E_RUNNER <<<"$E2E_WINE_DENSE"
  fi
  on_this_display "$3" "$4"
  exit 0
fi

# -noreset: the desktop's density set on the root window stays when the
# program setting it disconnects.
self=$(realpath "$0")
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$self" "$client" --on-this-display 96 "$E2E_SCRATCH/at-96.png" ||
  fail "at 96 dpi"
xvfb-run -a -s "-screen 0 3840x2160x24 -noreset" "$self" "$client" --on-this-display 192 "$E2E_SCRATCH/at-192.png" ||
  fail "at 192 dpi"
# The pictures saved at the two densities are not compared yet: they still
# differ on Linux, and why (the text's rendering, the origin) is open.
echo "ok: pictures saved at 96 and 192 dpi"
