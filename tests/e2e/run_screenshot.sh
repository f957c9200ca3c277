#!/usr/bin/env bash
# The picture an unattended run saves is the picture on the screen: the same
# client, played from the same script, once by draxo-run without a screen
# and once in a real window on a virtual X server (the script given in the
# environment, the client waiting on after its quit), whose client area is
# then taken from a screenshot. Text included, every pixel the same.
# Usage: run_screenshot.sh DRAXO_RUN RUN_CLIENT
source "$(dirname "$0")/e2e_lib.sh"
draxo_run=$1
run_client=$2
cd "$E2E_SCRATCH"
printf 'DRAXO_KBD(103);\nDRAXO_MOUSE(-200, 150);\nDRAXO_PERIODIC(25);\nDRAXO_KBD(114);\nDRAXO_MOUSE(250, -230);\nDRAXO_MOUSE(0, 0);\n' > in.scr

env -u DISPLAY timeout 60 "$draxo_run" --script in.scr --picture unattended.png -- "$run_client" quits 0 text ||
  fail "draxo-run did not play the script to its end"

DRAXO_SCRIPT=in.scr DRAXO_CONSOLE=console.txt DRAXO_GRACE=60 start_program "$run_client" lingers 0 text
drawing=$(find_window "DRAXO Graphics")
# The script is played once the window's first wait has come.
wait_until "$E2E_TIMEOUT" "the script was not played in the window" grep -q "^quit after 30 events" console.txt
# The last frame reaches the screen a moment after the console's line (a
# sanitizer build is slow): screenshots are taken until it is there.
differing_from_unattended() {
  crop_client "$E2E_SHOT" "$drawing" client.png
  compare -metric AE client.png unattended.png null: 2>&1 || true
}
expect_shown "pixels that differ" 0 differing_from_unattended
expect_equal "client area" "$(identify -format '%wx%h' client.png)" "$(identify -format '%wx%h' unattended.png)"
echo "run_screenshot passed"
