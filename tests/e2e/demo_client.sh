#!/usr/bin/env bash
# The demo client in a real window: clicks arrive in logical coordinates,
# typed keys arrive, and both the close box and the window's destruction end
# the program cleanly.
# Usage: demo_client.sh BOUNCING_BALL
source "$(dirname "$0")/e2e_lib.sh"
demo=$1

# The frame's outline is navy blue (0, 51, 153) at its left edge.
start_program "$demo"
drawing=$(shown_window "DRAXO Graphics" -285 0 003399)
click_logical "$drawing" 100 50
click_logical "$drawing" -120 -80
focus_window "$drawing"
xdotool type --delay 50 "ab"
wait_until "$E2E_TIMEOUT" "the client did not get the second key" grep -q "^key 98" "$E2E_SCRATCH/stdout"
screenshot "$E2E_SCRATCH/screen.png"
[ -n "${E2E_KEEP_SCREENSHOT:-}" ] && cp "$E2E_SCRATCH/screen.png" "$E2E_KEEP_SCREENSHOT"
expect_equal "frame colour" "$(logical_pixel "$E2E_SCRATCH/screen.png" "$drawing" -285 0)" "003399"
close_window "$drawing"
wait_program 10
expect_equal "exit status after the close box" "$E2E_STATUS" "0"
# (On Windows text output's lines end in CR LF.)
expect_equal "events the client saw" "$(tr -d '\r' < "$E2E_SCRATCH/stdout" | tr '\n' ';')" "click 100 50;click -120 -80;key 97;key 98;"

# Another program destroying the window: X can do that behind a program's
# back. Windows cannot (a window is destroyed by its own thread), and Wine
# does not see its X window go.
if [ -z "${E2E_WINE:-}" ]; then
  start_program "$demo"
  drawing=$(shown_window "DRAXO Graphics" -285 0 003399)
  xdotool windowclose "$drawing"
  wait_program 10
  expect_equal "exit status after the window was destroyed" "$E2E_STATUS" "0"
fi
echo "demo_client passed"
