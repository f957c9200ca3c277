#!/usr/bin/env bash
# Programs started and ended in a hostile environment: asked for help, with
# standard streams closed, with no display or one that cannot show colours,
# asked to end while busy computing, their X server killed while recording.
# Nothing may hang or dump core, and nothing recorded may be lost.
# Usage: start_and_end.sh DEMO_CLIENT CARD_DESIGNER BUSY_CLIENT
source "$(dirname "$0")/e2e_lib.sh"
demo=$1 designer=$2 busy_client=$3
cd "$E2E_SCRATCH"

# --help prints the usage and opens no card; an unknown option is refused.
status=0
"$designer" --help > help.out 2> help.err || status=$?
expect_equal "exit status of draxo-card-designer --help" "$status" 0
expect_equal "first line of the usage" "$(head -n 1 help.out)" "usage: draxo-card-designer [CARD_FILE]"
[ ! -e ./--help ] || fail "--help made a card file"
status=0
"$designer" --size=large > /dev/null 2> help.err || status=$?
expect_equal "exit status for an unknown option" "$status" 2
grep -q "unknown option --size=large" help.err || fail "no reason for refusing --size=large: $(cat help.err)"

# A display that cannot be opened: the package's own message and exit
# status 1, never an abort with a core dump.
free_display=7700
while [ -e "/tmp/.X11-unix/X$free_display" ] || [ -e "/tmp/.X$free_display-lock" ]; do
  free_display=$((free_display + 1))
done
refused() {
  local what=$1 expected=$2
  shift 2
  local status=0
  timeout 30 env "$@" "$demo" > refused.out 2> refused.err || status=$?
  expect_equal "exit status with $what" "$status" 1
  grep -qF "$expected" refused.err || fail "with $what the message was: $(cat refused.err)"
  ! grep -qi reinstall refused.err || fail "with $what Qt's advice came through: $(cat refused.err)"
}
refused "no X server at DISPLAY" "DRAXO: cannot open the windows on the display \":$free_display\"" \
  DISPLAY=:$free_display
refused "a malformed DISPLAY" 'DRAXO: cannot open the windows on the display "not a display"' \
  "DISPLAY=not a display"
refused "an unknown QT_QPA_PLATFORM" 'DRAXO: there is no window system "nonesuch"' QT_QPA_PLATFORM=nonesuch
refused "no DISPLAY at all" "DRAXO: there is no display to open the windows on" -u DISPLAY -u WAYLAND_DISPLAY

# A screen of 256 colours cannot show what is drawn.
start_private_xvfb 1024x768x8
refused "an 8-bit screen" "DRAXO: the screen shows only 8-bit colour" "DISPLAY=:$E2E_XVFB_DISPLAY"
kill "$E2E_XVFB_PID"

# Standard output closed: the program's printf must not go into the
# display's connection; it still answers Ctrl+Q. Standard error or input
# closed: the designer still opens its window and ends with Ctrl+Q.
for closed in 1 2 0; do
  start_program bash -c "exec \"\$0\" forever $closed>&-" "$busy_client"
  w=$(find_window "DRAXO Graphics")
  press_keys "$w" ctrl+q
  wait_program 10
  expect_equal "exit status of a client started with descriptor $closed closed" "$E2E_STATUS" 0
  start_program bash -c "exec \"\$0\" $closed>&-" "$designer"
  w=$(find_window "DRAXO Graphics")
  press_keys "$w" ctrl+q
  wait_program 10
  expect_equal "exit status of the designer started with descriptor $closed closed" "$E2E_STATUS" 0
done

# A program computing for ever, asked to end: after the grace time it is
# ended as the signal would have ended it, and the recording keeps the
# run of periodic events that was waiting. A second signal ends it at once.
for signal in TERM INT HUP; do
  rm -f DRAXO.SCR
  start_program env --default-signal=INT,TERM,HUP "$busy_client" forever
  w=$(find_window "DRAXO Graphics")
  press_keys "$w" ctrl+r
  click_logical "$w" 10 10
  wait_until 10 "the click was not recorded" grep -q MOUSE DRAXO.SCR
  press_keys "$w" b
  wait_until 10 "the client did not start computing" grep -q computing "$E2E_SCRATCH/stdout"
  started=$(date +%s%N)
  kill -s "$signal" "$E2E_PID"
  wait_program 20
  waited_ms=$((($(date +%s%N) - started) / 1000000))
  expect_equal "exit status of a busy program after SIG$signal" "$E2E_STATUS" $((128 + $(kill -l "$signal")))
  [ "$waited_ms" -ge 2500 ] || fail "the busy program was ended after ${waited_ms} ms, before its grace time"
  expect_equal "last line recorded before SIG$signal ended the busy program" "$(tail -n 1 DRAXO.SCR)" \
    "DRAXO_PERIODIC(5);"
done
# A program that waits on after its quit (its loop does not test for
# DRAXO_QUIT), as `timeout` meets it: the signal's quit comes at every wait,
# and the grace time ends the program as the signal would have.
start_program env --default-signal=TERM "$busy_client" deaf
w=$(find_window "DRAXO Graphics")
wait_until 10 "the client did not start waiting" grep -q waiting "$E2E_SCRATCH/stdout"
started=$(date +%s%N)
kill -s TERM "$E2E_PID"
wait_until 10 "the client did not take its quit" grep -q "quit taken" "$E2E_SCRATCH/stdout"
wait_program 20
waited_ms=$((($(date +%s%N) - started) / 1000000))
expect_equal "exit status of a program that ignores its quit after SIGTERM" "$E2E_STATUS" 143
[ "$waited_ms" -ge 2500 ] || fail "the program that ignores its quit was ended after ${waited_ms} ms, before its grace time"

start_program env --default-signal=TERM "$busy_client" forever
w=$(find_window "DRAXO Graphics")
press_keys "$w" b
wait_until 10 "the client did not start computing" grep -q computing "$E2E_SCRATCH/stdout"
started=$(date +%s%N)
kill -s TERM "$E2E_PID"
# The first signal's handler puts the signal's own handling back.
term_handled() {
  local caught
  caught=$(awk '/^SigCgt/ {print $2}' "/proc/$E2E_PID/status")
  [ $((0x$caught & (1 << 14))) -eq 0 ]
}
wait_until 5 "the first SIGTERM was not handled" term_handled
kill -s TERM "$E2E_PID"
wait_program 20
waited_ms=$((($(date +%s%N) - started) / 1000000))
expect_equal "exit status after a second SIGTERM" "$E2E_STATUS" 143
[ "$waited_ms" -lt 2500 ] || fail "a second SIGTERM took ${waited_ms} ms to end the busy program"

# The X server killed while recording: the waiting run of periodic events
# is written as the program ends.
rm -f DRAXO.SCR
start_private_xvfb 1024x768x24
outer_display=$DISPLAY
export DISPLAY=:$E2E_XVFB_DISPLAY
start_program "$demo"
w=$(find_window "DRAXO Graphics")
press_keys "$w" ctrl+r
click_logical "$w" 20 20
wait_until 10 "the click was not recorded" grep -q MOUSE DRAXO.SCR
# The ball moves at every periodic event: once it has, a run is waiting.
screenshot before.png
moved() {
  screenshot now.png
  [ "$(compare -metric AE before.png now.png null: 2>&1 || true)" != 0 ]
}
wait_until 10 "no periodic event came" moved
kill "$E2E_XVFB_PID"
export DISPLAY=$outer_display
wait_program 20
[ "$E2E_STATUS" -ne 0 ] || fail "the program went on as if its display were there"
tail -n 1 DRAXO.SCR | grep -q -E '^DRAXO_PERIODIC\([1-9][0-9]*\);$' ||
  fail "the waiting run was not written when the X server went: $(tail -n 2 DRAXO.SCR)"
echo "ok: the waiting run was written when the X server went: $(tail -n 1 DRAXO.SCR)"
echo "start_and_end passed"
