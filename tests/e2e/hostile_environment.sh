#!/usr/bin/env bash
# The package where things go wrong around it: a FIFO named DRAXO.SCR,
# termination signals while recording, the input dialog's window destroyed
# by another program, and a program that computes right after printing.
# Nothing may hang (each program must end within its timeout), nothing
# recorded may be lost.
# Usage: hostile_environment.sh DEMO_CLIENT CARD_DESIGNER GETS_CLIENT BUSY_CLIENT
source "$(dirname "$0")/e2e_lib.sh"
demo=$1 designer=$2 gets_client=$3 busy_client=$4
cd "$E2E_SCRATCH"

# A FIFO as the script file: playback and recording are refused at once,
# and the program still quits with Ctrl+Q.
mkfifo DRAXO.SCR
start_program "$demo"
w=$(shown_window "DRAXO Graphics" -285 0 003399)
press_keys "$w" ctrl+p
press_keys "$w" ctrl+r
click_logical "$w" 10 10
wait_until "$E2E_TIMEOUT" "the click after the refusals did not arrive" grep -q "^click 10 10" "$E2E_SCRATCH/stdout"
press_keys "$w" ctrl+q
wait_program 10
expect_equal "exit status with a FIFO as the script file" "$E2E_STATUS" "0"
rm DRAXO.SCR

# Termination signals end the program as a quit would: the recording keeps
# every line, the waiting run of periodic events included. (A shell starts
# background programs with SIGINT ignored, which the package respects; here
# the signals start out with their default handling, as from a terminal.)
for signal in TERM INT HUP; do
  rm -f DRAXO.SCR
  start_program env --default-signal=INT,TERM,HUP "$designer"
  w=$(shown_window "DRAXO Graphics" 0 0 FFFF00)
  press_keys "$w" ctrl+r
  clicks=20 keys=11
  [ "$signal" = TERM ] || clicks=3 keys=2
  for i in $(seq 1 "$clicks"); do click_logical "$w" 250 $((i * 5)); done
  focus_window "$w"
  xdotool key --repeat "$keys" --delay 50 x
  # Each event is written as it comes: the signal goes once all have come.
  # shellcheck disable=SC2016  # expanded by eval at each poll
  wait_until "$E2E_TIMEOUT" "the clicks and keys were not all recorded before SIG$signal" \
    eval '[ "$(grep -c MOUSE DRAXO.SCR)" = "$clicks" ] && [ "$(grep -c "DRAXO_KBD(120);" DRAXO.SCR)" = "$keys" ]'
  # A run of periodic events must be waiting after the last key: only time
  # brings them, and nothing shows them before the end, so a bounded moment.
  quiet_moment 1
  kill -s "$signal" "$E2E_PID"
  wait_program 10
  expect_equal "exit status after SIG$signal" "$E2E_STATUS" "0"
  expect_equal "clicks kept after SIG$signal" "$(grep -c MOUSE DRAXO.SCR)" "$clicks"
  expect_equal "keys kept after SIG$signal" "$(grep -c 'DRAXO_KBD(120);' DRAXO.SCR)" "$keys"
  tail -n 1 DRAXO.SCR | grep -q -E '^DRAXO_PERIODIC\([0-9]+\);$' || fail "the waiting run was not written after SIG$signal"
done

# The input dialog's window destroyed by another program: DRAXO_gets
# returns 0 with the buffer as it was, and the program goes on to its end.
start_program "$gets_client"
find_window "DRAXO Graphics" > /dev/null
dialog=$(find_window "DRAXO_gets")
xdotool windowclose "$dialog"
wait_program 10
expect_equal "exit status after the dialog was destroyed" "$E2E_STATUS" "0"
expect_equal "what DRAXO_gets gave" "$(cat "$E2E_SCRATCH/stdout")" "result 0: [untouched]"

# A line printed just before a long computation is on the screen during it.
start_program "$busy_client"
console=$(find_window "DRAXO Text")
wait_until "$E2E_TIMEOUT" "the computing client printed nothing" grep -q printed "$E2E_SCRATCH/stdout"
read -r kx ky _ kh < <(client_geometry "$console")
# The bottom line: dark text on the white console, not an unpainted window.
console_line_shown() {
  inked=$(count_pixels "$E2E_SHOT" $((kx + 5)) $((ky + kh - 20)) 300 20 "r < 0.5")
  [ "$inked" -gt 100 ] && [ "$inked" -lt 1500 ]
}
inked=none
poll "$E2E_TIMEOUT" shot_and console_line_shown && ! program_ended ||
  fail "the console line is not on the screen while the program computes ($inked dark pixels)"
echo "ok: the console line shows while the program computes ($inked dark pixels)"
wait_program 10
expect_equal "exit status of the computing program" "$E2E_STATUS" "0"
echo "hostile_environment passed"
