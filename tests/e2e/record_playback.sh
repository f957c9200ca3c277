#!/usr/bin/env bash
# Recording a designer session with Ctrl+R and playing it back into a fresh
# designer with Ctrl+P: the script file holds the clicks in logical
# coordinates, and the card comes out pixel for pixel the same.
# Usage: record_playback.sh CARD_DESIGNER
source "$(dirname "$0")/e2e_lib.sh"
designer=$1
cd "$E2E_SCRATCH"

button() { click_logical "$w" -250 $((233 - 35 * $1)); }
card() { click_logical "$w" "$1" "$2"; }
# Pixels of the client area that differ from the recorded card, in a fresh
# screenshot.
differing_from_recorded() {
  screenshot "$E2E_SCRATCH/played.png"
  crop_client "$E2E_SCRATCH/played.png" "$w" "$E2E_SCRATCH/played-client.png"
  compare -metric AE "$E2E_SCRATCH/recorded-client.png" "$E2E_SCRATCH/played-client.png" null: 2>&1 || true
}

start_program "$designer"
w=$(shown_window "DRAXO Graphics" 0 0 FFFF00)
press_keys "$w" ctrl+r
card 0 0                               # a heart...
button 2; button 2; button 2           # ...made a car: no random parts
button 4; card -100 100                # "Add Shape": a second one
button 2; button 2; button 2
button 1; button 1; button 1; button 1 # blue
button 0; button 0                     # a cyan card
press_keys "$w" ctrl+r
expect_shown "the card after two Background Color presses" "00FFFF" logical_pixel "$E2E_SHOT" "$w" 150 -140
crop_client "$E2E_SHOT" "$w" "$E2E_SCRATCH/recorded-client.png"
press_keys "$w" ctrl+q
wait_program 10
expect_equal "exit status of the recording run" "$E2E_STATUS" "0"

[ -f DRAXO.SCR ] || fail "no script file was written"
# A text file: on Windows its lines end in CR LF.
tr -d '\r' < DRAXO.SCR > script.txt
expect_equal "recorded clicks" "$(grep MOUSE script.txt | tr '\n' ' ')" \
  "DRAXO_MOUSE(0, 0); DRAXO_MOUSE(-250, 163); DRAXO_MOUSE(-250, 163); DRAXO_MOUSE(-250, 163); DRAXO_MOUSE(-250, 93); DRAXO_MOUSE(-100, 100); DRAXO_MOUSE(-250, 163); DRAXO_MOUSE(-250, 163); DRAXO_MOUSE(-250, 163); DRAXO_MOUSE(-250, 198); DRAXO_MOUSE(-250, 198); DRAXO_MOUSE(-250, 198); DRAXO_MOUSE(-250, 198); DRAXO_MOUSE(-250, 233); DRAXO_MOUSE(-250, 233); "
grep -q -E '^DRAXO_PERIODIC\([0-9]+\);$' script.txt || fail "no run of periodic events was recorded"
bad=$(grep -v -E '^DRAXO_(MOUSE\(-?[0-9]+, -?[0-9]+\)|KBD\(-?[0-9]+\)|PERIODIC\([0-9]+\));$' script.txt || true)
[ -z "$bad" ] || fail "lines of no known form: $bad"
echo "ok: $(wc -l < script.txt) lines, every one of a known form"

start_program "$designer"
w=$(shown_window "DRAXO Graphics" 0 0 FFFF00)
press_keys "$w" ctrl+p
expect_shown "pixels that differ between the recorded and the played card" "0" differing_from_recorded
press_keys "$w" ctrl+q
wait_program 10
expect_equal "exit status of the playback run" "$E2E_STATUS" "0"
echo "record_playback passed"
