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

# Placed 50 dialog units right of and below the drawing window's client area,
# and 185 x 92 dialog units large: 50/185 of its width, 50/92 of its height.
# Windows places and sizes the dialog's client area so, its frame around it;
# with no window manager on Linux, the dialog has no frame. Awaited until the
# dialog stands there (a window may be placed after it is shown).
dialog_placed() {
  if [ -n "${E2E_WINE:-}" ]; then
    read -r dx dy dw dh < <(client_geometry "$dialog")
  else
    read -r dx dy dw dh < <(window_geometry "$dialog")
  fi
  read -r cx cy _ _ < <(client_geometry "$drawing")
  off_x=$((dx - cx)) off_y=$((dy - cy))
  [ $((off_x * 185 - 50 * dw)) -ge -$((2 * 185)) ] && [ $((off_x * 185 - 50 * dw)) -le $((2 * 185)) ] &&
    [ $((off_y * 92 - 50 * dh)) -ge -$((2 * 92)) ] && [ $((off_y * 92 - 50 * dh)) -le $((2 * 92)) ]
}
poll "$E2E_TIMEOUT" dialog_placed || fail "dialog ${dw}x${dh} at offset +$off_x+$off_y from the client area"
echo "ok: dialog ${dw}x${dh} at +$off_x+$off_y from the client area"

# Dark pixels of the dialog on the screen, to see typed text arrive in it
# (a line of text adds hundreds; the blinking caret a few).
dialog_ink() {
  save_window "$dialog" "$E2E_SCRATCH/dialog.png"
  convert "$E2E_SCRATCH/dialog.png" -fx "r < 0.5 ? 1 : 0" -format '%[fx:round(mean * w * h)]' info:
}
dialog_changed() { [ "$(dialog_ink)" -gt $((before_typing + 200)) ]; }

focus_window "$dialog"
before_typing=$(dialog_ink)
xdotool key Escape
xdotool type --delay 20 "Hello from the keyboard"
xdotool key ctrl+Return
xdotool type --delay 20 "line two"
# The text typed after Escape shows in the dialog: Escape was handled.
wait_until "$E2E_TIMEOUT" "the typed text does not show in the dialog" dialog_changed
kill -0 "$E2E_PID" 2>/dev/null || fail "Escape closed the dialog"
screenshot "$E2E_SCRATCH/screen.png"
[ -n "${E2E_KEEP_SCREENSHOT:-}" ] && cp "$E2E_SCRATCH/screen.png" "$E2E_KEEP_SCREENSHOT"
xdotool key Return

poll "$E2E_TIMEOUT" program_ended || fail "the client is still running after Enter"
wait_program
expect_equal "exit status" "$E2E_STATUS" "0"
expect_equal "client output" "$(tr -d '\r' < "$E2E_SCRATCH/stdout")" 'result 1: [Hello from the keyboard\r\nline two]'
echo "gets_dialog passed"
