#!/usr/bin/env bash
# Keeping a card, in real windows: objects placed with the mouse, Save Card,
# quit, and the card file (a name with spaces, given on the command line)
# opened in a fresh designer shows the same picture. Save Picture gives a
# PNG equal to the card's area of a screenshot. A recorded click on Save
# Card saves again when the session is played back. A file that cannot be
# read is reported on the status line and kept.
# Usage: card_files.sh CARD_DESIGNER
source "$(dirname "$0")/e2e_lib.sh"
designer=$1
cd "$E2E_SCRATCH"
mkdir "my cards"
card="my cards/birthday card.draxo"
picture="my cards/birthday card.png"

button() { click_logical "$w" -250 $((233 - 35 * $1)); }
on_card() { click_logical "$w" "$1" "$2"; }
save_card() { click_logical "$w" -250 23; }
save_picture() { click_logical "$w" -250 -12; }
# The client area of a fresh screenshot, saved as its own image.
client_shot() { screenshot "$E2E_SHOT"; crop_client "$E2E_SHOT" "$w" "$1"; }
differing() { compare -metric AE "$1" "$2" null: 2>&1 || true; }
# Pixels of the client area that differ from an image, in a fresh screenshot.
differing_on_screen() {
  client_shot "$E2E_SCRATCH/now.png"
  differing "$1" "$E2E_SCRATCH/now.png"
}
# Pixels of the status line's band (above y = -190) in a colour: dark or red.
status_pixels() {
  read -r sx sy < <(logical_to_screen "$w" -140 -175)
  count_pixels "$E2E_SHOT" "$sx" "$sy" 400 15 "$1"
}
dark="r < 0.3 && g < 0.3 && b < 0.3"
red="r > 0.6 && g < 0.4 && b < 0.4"

# Make a card: no hearts, starbursts or jets, whose random parts change.
start_program "$designer" "$card"
w=$(shown_window "DRAXO Graphics" 0 0 FFFF00)
on_card -100 100                          # a heart, selected...
button 2; button 2; button 2              # ...made a car
button 1; button 1; button 1; button 1    # blue
button 3; on_card -120 -100               # a message
button 2; button 2                        # "You're my top gun!"
button 1; button 1                        # red
button 4                                  # "Add Shape": the status line at rest
button 0; button 0; button 0              # a purple card
expect_shown "the card after three Background Color presses" "9900CC" logical_pixel "$E2E_SHOT" "$w" 150 -140
crop_client "$E2E_SHOT" "$w" "$E2E_SCRATCH/at-rest.png"
resting=$(status_pixels "$dark")
save_card
wait_until "$E2E_TIMEOUT" "Save Card wrote no file" test -f "$card"
status_changed() { [ "$resting" != "$(status_pixels "$dark")" ]; }
screen_shows "the status line did not tell of the save" status_changed
echo "ok: the status line told of the save for a moment"
expect_shown "pixels that differ from before the save, once the note is gone" "0" \
  differing_on_screen "$E2E_SCRATCH/at-rest.png"
cp "$E2E_SCRATCH/now.png" "$E2E_SCRATCH/made.png"
press_keys "$w" ctrl+q
wait_program 10
expect_equal "exit status" "$E2E_STATUS" "0"
expect_equal "the card file" "$(tr '\n' '|' < "$card")" \
  "DRAXO card 1|background 8|objects 2|shape 3 4 -100 100|message 2 2 -120 -100|"

# Open it again: the same picture. Save Picture: the card's area of the screen.
start_program "$designer" "$card"
w=$(find_window "DRAXO Graphics")
expect_shown "pixels that differ between the card made and the card reopened" "0" \
  differing_on_screen "$E2E_SCRATCH/made.png"
save_picture
wait_until "$E2E_TIMEOUT" "Save Picture wrote no picture" test -f "$picture"
expect_equal "the picture's size" "$(identify -format '%wx%h' "$picture")" "361x351"
# Compressed on every platform: stored as it is, the card would take 380 KB.
bytes=$(stat -c %s "$picture")
[ "$bytes" -lt 20000 ] || fail "the picture takes $bytes bytes, where a compressed one takes a few thousand"
echo "ok: the picture takes $bytes bytes"
read -r left top < <(logical_to_screen "$w" -140 200)
card_area_differing() {
  convert "$E2E_SHOT" -crop "361x351+${left}+${top}" +repage "$E2E_SCRATCH/card-area.png"
  differing "$picture" "$E2E_SCRATCH/card-area.png"
}
expect_shown "pixels that differ between the picture and the card on the screen" "0" card_area_differing

# A recorded click on Save Card saves again when the session plays back.
press_keys "$w" ctrl+r
button 0
save_card
press_keys "$w" ctrl+r
press_keys "$w" ctrl+q
wait_program 10
grep -q "DRAXO_MOUSE(-250, 23);" DRAXO.SCR || fail "the click on Save Card was not recorded"
rm "$card"
start_program "$designer" "$card"
w=$(shown_window "DRAXO Graphics" 0 0 FFFF00)
press_keys "$w" ctrl+p
wait_until "$E2E_TIMEOUT" "playing the session back did not save the card" test -f "$card"
expect_equal "the card saved by the session played back" "$(tr '\n' '|' < "$card")" \
  "DRAXO card 1|background 6|objects 0|"
press_keys "$w" ctrl+q
wait_program 10

# A file that cannot be read: the status line says why in red, and Save
# Card writes beside it.
printf 'DRAXO card 1\nbackground 99\nobjects 0\n' > bad.draxo
start_program "$designer" bad.draxo
w=$(shown_window "DRAXO Graphics" 0 0 FFFF00)
status_red() { [ "$(status_pixels "$red")" -gt 20 ]; }
screen_shows "the status line does not say why the file was refused" status_red
echo "ok: the refusal is on the status line"
save_card
wait_until "$E2E_TIMEOUT" "the card was not saved beside the unreadable file" test -f bad-2.draxo
expect_equal "the unreadable file" "$(tr '\n' '|' < bad.draxo)" "DRAXO card 1|background 99|objects 0|"
[ -f bad-2.draxo ] || fail "the card was not saved beside the unreadable file"
echo "ok: saved as bad-2.draxo"
press_keys "$w" ctrl+q
wait_program 10
echo "card_files passed"
