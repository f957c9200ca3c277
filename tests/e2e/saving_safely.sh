#!/usr/bin/env bash
# Saving where things get in the way, in real windows: two designers on
# one card, a card reached through a symbolic link, a read-only card, and
# a file-size limit too small for the picture. Nothing saved by one may be
# lost by another, and no limit may end the program.
# Usage: saving_safely.sh CARD_DESIGNER
source "$(dirname "$0")/e2e_lib.sh"
designer=$1
cd "$E2E_SCRATCH"

# A designer's window, brought over the other one before a click.
on() {
  xdotool windowraise "$1"
  click_logical "$1" "$2" "$3"
}
save_card() { on "$1" -250 23; }
quit() {
  press_keys "$1" ctrl+q
  wait_program 10
  expect_equal "exit status" "$E2E_STATUS" 0
}

# Two designers started in the same folder, neither with a card file: the
# one that saves second keeps the card the first one saved.
start_program "$designer"
first_pid=$E2E_PID
first=$(find_window "DRAXO Graphics")
start_program "$designer"
second_pid=$E2E_PID
another_window() { xdotool search --onlyvisible --name "^DRAXO Graphics\$" | grep -v "^$first\$" | head -n 1; }
has_another_window() { [ -n "$(another_window)" ]; }
wait_until 10 "no second designer window" has_another_window
second=$(another_window)
on "$first" -100 100
save_card "$first"
wait_until 10 "the first designer saved no card" test -s card.draxo
cp card.draxo first.saved
on "$second" 100 -100
save_card "$second"
wait_until 10 "the second designer saved no card beside the first one's" test -s card-2.draxo
expect_equal "the first designer's card" "$(cat card.draxo)" "$(cat first.saved)"
expect_equal "the second designer's card" "$(tail -n 1 card-2.draxo)" "shape 0 0 100 -100"
E2E_PID=$second_pid
quit "$second"
E2E_PID=$first_pid
quit "$first"

# Through a symbolic link, the card the link names is saved; the link stays.
mkdir kept
ln -s kept/party.draxo party.draxo
start_program "$designer" party.draxo
w=$(find_window "DRAXO Graphics")
on "$w" 0 0
save_card "$w"
wait_until 10 "no card saved through the link" test -s kept/party.draxo
[ -L party.draxo ] || fail "the link was replaced by a file"
expect_equal "files beside the linked card" "$(ls -A kept)" "party.draxo"

# A read-only card is not replaced.
cp kept/party.draxo before.draxo
chmod 444 kept/party.draxo
on "$w" -250 233  # "Background Color"
save_card "$w"
shot_has_red_note() {
  screenshot "$E2E_SCRATCH/shot.png"
  read -r sx sy < <(logical_to_screen "$w" -140 -175)
  [ "$(count_pixels "$E2E_SCRATCH/shot.png" "$sx" "$sy" 400 15 "r > 0.6 && g < 0.4 && b < 0.4")" -gt 20 ]
}
wait_until 10 "no note of the refusal" shot_has_red_note
expect_equal "the read-only card" "$(cat kept/party.draxo)" "$(cat before.draxo)"
quit "$w"

# Under a file-size limit too small for the picture, Save Picture fails,
# shows the console where the package says why, and the designer goes on.
# shellcheck disable=SC2016  # the program in single quotes is bash -c's to expand
start_program bash -c 'ulimit -f 1; exec "$0" limited.draxo' "$designer"
w=$(find_window "DRAXO Graphics")
for x in -100 -50 0 50 100; do on "$w" "$x" "$x"; done
on "$w" -250 -12  # "Save Picture"
find_window "DRAXO Text" > /dev/null
kill -0 "$E2E_PID" || fail "the designer ended under the file-size limit"
quit "$w"
[ ! -e limited.png ] || fail "a picture was written past the limit"
leftovers=$(find . -name '.draxo-*' | wc -l)
expect_equal "fresh files left behind" "$leftovers" 0
echo "saving_safely passed"
