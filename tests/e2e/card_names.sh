#!/usr/bin/env bash
# Cards named outside ASCII, in a folder named so too ("Jürgen/Grüße.draxo",
# "Ωmega.draxo", "euro€.draxo"), given on the designer's command line: the
# card read is the card that Save Card writes, under its own name and no
# other, and Save Picture puts the picture beside it under the same name.
# Usage: card_names.sh CARD_DESIGNER
source "$(dirname "$0")/e2e_lib.sh"
designer=$1
cd "$E2E_SCRATCH"
folder=$'J\u00fcrgen'
mkdir "$folder"

card_shows() {
  screenshot "$E2E_SCRATCH/shot.png"
  [ "$(logical_pixel "$E2E_SCRATCH/shot.png" "$w" -100 100)" = "$1" ]
}
file_holds() { [ -f "$1" ] && grep -q -- "$2" "$1"; }

for name in $'Gr\u00fc\u00dfe' $'\u03a9mega' $'euro\u20ac'; do
  card="$folder/$name.draxo"
  printf 'DRAXO card 1\nbackground 6\nobjects 0\n' > "$card"
  start_program "$designer" "$card"
  w=$(find_window "DRAXO Graphics")
  # The card read: magenta (6). Background Color makes it cyan (7).
  poll 60 card_shows FF00FF || fail "$name: the card read is not the magenta one"
  click_logical "$w" -250 233
  poll 30 card_shows 00FFFF || fail "$name: Background Color did not take"
  click_logical "$w" -250 23
  poll 30 file_holds "$card" "^background 7$" || fail "$name: Save Card did not write $card"
  click_logical "$w" -250 -12
  poll 30 test -s "$folder/$name.png" || fail "$name: Save Picture wrote no $name.png"
  expect_equal "$name: the picture's size" "$(identify -format '%wx%h' "$folder/$name.png")" "361x351"
  press_keys "$w" ctrl+q
  wait_program 30
  expect_equal "$name: exit status" "$E2E_STATUS" 0
  # shellcheck disable=SC2012  # names the check made, in ls's order
  expect_equal "$name: the folder's files" "$(ls "$folder" | tr '\n' '|')" "$name.draxo|$name.png|"
  rm "$folder"/*
done
echo "card_names passed"
