#!/usr/bin/env bash
# DRAXO_gets in a real window: the dialog appears over the drawing window
# with the focus in its edit field; Escape leaves it open; typed text, a
# new line with Ctrl+Enter and Enter come back to the client.
# Usage: gets_dialog.sh GETS_CLIENT
source "$(dirname "$0")/e2e_lib.sh"
client=$1

# A failure also shows what the client said.
fail() {
  echo "FAIL: $*" >&2
  echo "--- client output:" >&2
  cat "$E2E_SCRATCH/stdout" "$E2E_SCRATCH/stderr" >&2 2>/dev/null || true
  exit 1
}

start_program "$client"
drawing=$(find_window "DRAXO Graphics")
dialog=$(find_window "DRAXO_gets")
sleep 0.5

# Placed 50 dialog units right of and below the drawing window's client area,
# and 185 x 92 dialog units large: 50/185 of its width, 50/92 of its height.
# Windows places and sizes the dialog's client area so, its frame around it;
# with no window manager on Linux, the dialog has no frame.
if [ -n "${E2E_WINE:-}" ]; then
  read -r dx dy dw dh < <(client_geometry "$dialog")
else
  read -r dx dy dw dh < <(window_geometry "$dialog")
fi
read -r cx cy _ _ < <(client_geometry "$drawing")
off_x=$((dx - cx)) off_y=$((dy - cy))
[ $((off_x * 185 - 50 * dw)) -ge -$((2 * 185)) ] && [ $((off_x * 185 - 50 * dw)) -le $((2 * 185)) ] ||
  fail "dialog at x offset $off_x for width $dw"
[ $((off_y * 92 - 50 * dh)) -ge -$((2 * 92)) ] && [ $((off_y * 92 - 50 * dh)) -le $((2 * 92)) ] ||
  fail "dialog at y offset $off_y for height $dh"
echo "ok: dialog ${dw}x${dh} at +$off_x+$off_y from the client area"

focus_window "$dialog"
xdotool key Escape
sleep 0.2
kill -0 "$E2E_PID" 2>/dev/null || fail "Escape closed the dialog"
xdotool type --delay 20 "Hello from the keyboard"
xdotool key ctrl+Return
xdotool type --delay 20 "line two"
sleep 0.2
screenshot "$E2E_SCRATCH/screen.png"
[ -n "${E2E_KEEP_SCREENSHOT:-}" ] && cp "$E2E_SCRATCH/screen.png" "$E2E_KEEP_SCREENSHOT"
xdotool key Return

# Waited for here rather than in a command substitution, whose subshell
# cannot collect the client's exit status.
for _ in $(seq 1 100); do
  kill -0 "$E2E_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$E2E_PID" 2>/dev/null && fail "the client is still running after Enter"
status=0
wait "$E2E_PID" || status=$?
expect_equal "exit status" "$status" "0"
expect_equal "client output" "$(tr -d '\r' < "$E2E_SCRATCH/stdout")" 'result 1: [Hello from the keyboard\r\nline two]'
echo "gets_dialog passed"
