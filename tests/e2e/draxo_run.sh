#!/usr/bin/env bash
# draxo-run with real client programs: a script played to its end, pictures
# equal and different, the console kept, a program that ends early, one that
# ignores the quit, one that computes on after it, one that hangs, one that
# crashes, one that stops and starts the package again, ones that write over
# what is graded, and draxo-run's own refusals: every exit status it
# documents. On Linux it runs with no display at all; under Wine (E2E_WINE)
# draxo-run.exe runs the Windows build's programs.
# Usage: draxo_run.sh DRAXO_RUN RUN_CLIENT BOUNCING_BALL DESIGNER GUESSING_GAME
source "$(dirname "$0")/e2e_lib.sh"
draxo_run=$1
run_client=$2
bouncing_ball=$3
designer=$4
guessing_game=$5

if [ -z "${E2E_WINE:-}" ]; then
  [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] ||
    fail "this check runs without a display"
fi

cd "$E2E_SCRATCH"

# A program's path as draxo-run on this platform takes it.
program() {
  if [ -n "${E2E_WINE:-}" ]; then winepath -w "$1" 2> /dev/null; else echo "$1"; fi
}

# What draxo-run said is shown with a failed check.
E2E_SHOW_ON_FAILURE=err

# Runs draxo-run; its status in RUN_STATUS, what it printed in out and err.
# A run that could hang is bounded from outside too.
run() {
  RUN_STATUS=0
  timeout 120 "${E2E_RUNNER[@]}" "$draxo_run" "$@" > out 2> err || RUN_STATUS=$?
  tr -d '\r' < out > out.txt
  tr -d '\r' < err > err.txt
}

expect_said() {
  grep -qxF "draxo-run: $1" err.txt || { cat err.txt >&2; fail "draxo-run did not say: $1"; }
  echo "ok: said '$1'"
}

# A picture's pixel at a logical point of the drawing window (client area
# 601 x 521, origin at 300, 260), as RRGGBB.
picture_pixel() {
  convert "$1" -crop "1x1+$((300 + $2))+$((260 - $3))" +repage -depth 8 -format '%[hex:p{0,0}]' info: | cut -c1-6 | tr 'A-F' 'a-f'
}

client=$(program "$run_client")
printf 'DRAXO_KBD(114);\nDRAXO_MOUSE(-100, 50);\nDRAXO_PERIODIC(10);\nDRAXO_KBD(98);\nDRAXO_MOUSE(120, -60);\n' > discs.scr

echo "-- a script played to its end"
run --script discs.scr --picture first.png --console console.txt -- "$client"
expect_equal "status" "$RUN_STATUS" 0
expect_said "the script was played to its end: 14 of its 14 events"
expect_equal "console" "$(tr -d '\r' < console.txt | tr '\n' ';')" \
  "run_client quits;key 114;click -100 50;key 98;click 120 -60;End of the script: the program is asked to quit;quit after 14 events;"
expect_equal "red disc" "$(picture_pixel first.png -100 50)" ff0000
expect_equal "blue disc" "$(picture_pixel first.png 120 -60)" 0000ff
expect_equal "bar of ten ticks" "$(picture_pixel first.png -255 -210)" 003399
expect_equal "no bar beyond ten ticks" "$(picture_pixel first.png -245 -210)" ffffff
expect_equal "picture size" "$(identify -format '%wx%h' first.png)" 601x521

echo "-- the same run again gives the same picture"
run --script discs.scr --picture again.png --expect first.png -- "$client"
expect_equal "status" "$RUN_STATUS" 0
expect_said "0 pixels differ from first.png"
[ -f again-diff.png ] || fail "no difference image"

echo "-- the console on standard output, and the program's own status"
run --script discs.scr --console - -- "$client" quits 7
expect_equal "status" "$RUN_STATUS" 7
expect_equal "first lines on standard output" "$(head -n 2 out.txt | tr '\n' ';')" "run_client quits;key 114;"

echo "-- pictures that differ: 120"
sed 's/DRAXO_MOUSE(120, -60)/DRAXO_MOUSE(100, -60)/' discs.scr > moved.scr
run --script moved.scr --picture moved.png --expect first.png -- "$client"
expect_equal "status" "$RUN_STATUS" 120
differing=$(sed -n 's/^draxo-run: \([0-9]*\) pixels differ from first.png$/\1/p' err.txt)
[ -n "$differing" ] && [ "$differing" -gt 0 ] || fail "no count of differing pixels"
expect_said "they are marked in red in $(tr -d '\r' < err.txt | sed -n 's/^draxo-run: they are marked in red in //p')"
expect_equal "red pixels in the difference image" \
  "$(convert moved-diff.png -fx '(r == 1 && g == 0 && b == 0) ? 1 : 0' -format '%[fx:round(mean * w * h)]' info:)" \
  "$differing"

echo "-- a program that ends before the script does: 121"
run --script discs.scr --picture early.png -- "$client" leaves
expect_equal "status" "$RUN_STATUS" 121
expect_said "the script was not played to its end: 2 of its 14 events were played"
printf 'DRAXO_KBD(114);\nDRAXO_MOUSE(-100, 50);\nDRAXO_NOTHING(1, 1);\nDRAXO_KBD(98);\n' > broken.scr
run --script broken.scr -- "$client"
expect_equal "status" "$RUN_STATUS" 121
expect_said "the script stops at line 3, which is of no known kind: 2 of its 2 events were played"

echo "-- a program that takes no notice of its quit: 122"
run --script discs.scr --picture lingering.png --console lingering.txt --grace 1 -- "$client" lingers
expect_equal "status" "$RUN_STATUS" 122
expect_said "$(program "$run_client") did not end within 1 s of its quit at the end of the script: it was still waiting for events, and was ended"
expect_equal "its picture" "$(picture_pixel lingering.png 120 -60)" 0000ff
grep -qF "The program did not end after its quit at the end of the script: it is ended" lingering.txt ||
  fail "the console does not say why the program was ended"
run --script discs.scr --picture spinning.png --grace 1 -- "$client" spins
expect_equal "status" "$RUN_STATUS" 122
expect_said "$(program "$run_client") did not end within 1 s of its quit at the end of the script, and was ended"
expect_equal "its picture, kept by draxo-run" "$(picture_pixel spinning.png 120 -60)" 0000ff

echo "-- a program that crashes: 123"
# (A sanitizer build lets the crash end the program as it would without one.)
ASAN_OPTIONS=handle_segv=0 run --script discs.scr --picture crashed.png --console crashed.txt -- "$client" crashes
expect_equal "status" "$RUN_STATUS" 123
if [ -n "${E2E_WINE:-}" ]; then
  expect_said "$client crashed: access violation: memory that is not the program's (0xC0000005)"
else
  expect_said "$client crashed: SIGSEGV (segmentation fault: memory that is not the program's)"
fi
expect_said "the script was not played to its end: 3 of its 14 events were played"
# What it showed before its third event, and what it printed up to it.
expect_equal "its picture: the first disc" "$(picture_pixel crashed.png -100 50)" ff0000
expect_equal "its console" "$(tr -d '\r' < crashed.txt | tr '\n' ';')" "run_client crashes;key 114;click -100 50;"

echo "-- a program that hangs: 124"
run --script discs.scr --picture hung.png --timeout 2 -- "$client" hangs
expect_equal "status" "$RUN_STATUS" 124
expect_said "$client was still running after 2 s and was ended"
expect_equal "its picture" "$(picture_pixel hung.png -100 50)" ff0000

echo "-- the picture is the last the program showed, not one from an earlier stop"
# It stops the package and starts it again after its second event, and
# hangs after its fourth: what its last wait showed is the first disc.
# (On Windows the script has the system's CR LF line ends: one with LF alone
# loses its place there when the package stops with events left, a fault of
# the script's reading, not of what draxo-run keeps.)
restart_script=discs.scr
if [ -n "${E2E_WINE:-}" ]; then
  sed 's/$/\r/' discs.scr > discs-crlf.scr
  restart_script=discs-crlf.scr
fi
run --script "$restart_script" --picture restarted.png --timeout 2 -- "$client" restarts
expect_equal "status" "$RUN_STATUS" 124
expect_equal "its last frame: the first disc" "$(picture_pixel restarted.png -100 50)" ff0000

echo "-- what the program writes over its picture is not graded"
# It shows the disc moved, then, the package stopped, writes the reference's
# bytes over its picture, by the name it was given and by DRAXO_PICTURE.
run --script moved.scr --picture forged.png --expect first.png -- "$client" forges 0 \
  "$(program "$PWD/first.png")" "$(program "$PWD/forged.png")"
expect_equal "status" "$RUN_STATUS" 120
expect_equal "the picture it showed: the moved disc" "$(picture_pixel forged.png 100 -60)" 0000ff
# Nor what it does to DRAXO_RUN_FILE (which draxo-run does not set).
run --script discs.scr --picture cut.png -- "$client" cuts
expect_equal "status" "$RUN_STATUS" 0
expect_equal "the picture it showed: the second disc" "$(picture_pixel cut.png 120 -60)" 0000ff

echo "-- what draxo-run cannot do: 125"
run --script missing.scr -- "$client"
expect_equal "status for a missing script" "$RUN_STATUS" 125
expect_said "cannot read the script missing.scr"
run --frobnicate "$client"
expect_equal "status for an unknown option" "$RUN_STATUS" 125
run --script discs.scr -- ./no-such-program
expect_equal "status for a missing program" "$RUN_STATUS" 125
grep -q "^draxo-run: cannot run ./no-such-program: " err.txt || fail "no reason for the missing program"
run --script discs.scr --picture no/such/folder/out.png -- "$client"
expect_equal "status for a picture in no folder" "$RUN_STATUS" 125
run --script discs.scr --picture x.png --expect discs.scr -- "$client"
expect_equal "status for a reference that is no picture" "$RUN_STATUS" 125
expect_said "cannot read discs.scr: it is not a PNG file"

echo "-- without a script the first wait quits"
run --picture first-frame.png -- "$client"
expect_equal "status" "$RUN_STATUS" 0
expect_said "the script was played to its end: 0 of its 0 events"
expect_equal "an empty frame" "$(picture_pixel first-frame.png -100 50)" ffffff

echo "-- an assignment made from a solution in one command, a program checked against it"
printf 'int main(void) { return 0; }\n' > mine.c
run --make-assignment bounce --script discs.scr --starter mine.c --title 'Discs "and" bars' --timeout 20 -- "$client" quits 0
expect_equal "status" "$RUN_STATUS" 0
expect_said "the assignment is in bounce: script.scr, starter.c, reference.png, assignment.json"
cmp discs.scr bounce/script.scr || fail "the script was not copied byte for byte"
cmp mine.c bounce/starter.c || fail "the starter was not copied byte for byte"
cmp first.png bounce/reference.png || fail "the reference is not the picture --picture keeps"
expect_equal "assignment.json" "$(tr '\n' ' ' < bounce/assignment.json)" \
  '{   "format": "draxo-assignment",   "version": 1,   "title": "Discs \"and\" bars",   "script": "script.scr",   "reference": "reference.png",   "starter": "starter.c",   "arguments": ["quits", "0"],   "expectedStatus": 0,   "timeoutSeconds": 20,   "graceSeconds": 3,   "seed": 1 } '
run --script bounce/script.scr --picture checked.png --expect bounce/reference.png -- "$client"
expect_equal "a right program checked against it" "$RUN_STATUS" 0
# A run that cannot be a reference makes nothing and says why, with its own
# status; an assignment made before stays as it was.
run --make-assignment bounce --script discs.scr -- "$client" leaves
expect_equal "status of a solution that ends early" "$RUN_STATUS" 121
expect_said "no assignment was made: the solution must end by itself, with the script played to its end"
cmp first.png bounce/reference.png || fail "the earlier assignment's reference was touched"
ASAN_OPTIONS=handle_segv=0 run --make-assignment crashed --script discs.scr -- "$client" crashes
expect_equal "status of a solution that crashes" "$RUN_STATUS" 123
[ ! -e crashed ] || fail "a folder was left for an assignment not made"
# Its files are outputs: never over the script, the program or the starter.
cp discs.scr script.scr
run --make-assignment . --script script.scr -- "$client"
expect_equal "status of an assignment over its script" "$RUN_STATUS" 125
grep -q "^draxo-run: --script script.scr and the assignment's file .*script.scr are the same file" err.txt ||
  fail "no reason for the refusal"
cmp discs.scr script.scr || fail "the script was written over"

echo "-- the examples and the designer, unchanged"
printf 'DRAXO_MOUSE(100, 50);\nDRAXO_KBD(97);\nDRAXO_PERIODIC(30);\nDRAXO_KBD(113);\n' > ball.scr
run --script ball.scr --picture ball.png -- "$(program "$bouncing_ball")"
expect_equal "bouncing ball status" "$RUN_STATUS" 0
expect_said "the script was played to its end: 33 of its 33 events"
[ -s ball.png ] || fail "no picture of the bouncing ball"
# The designer: Add Shape, then a click on the card puts a black heart
# there, on the yellow card.
printf 'DRAXO_PERIODIC(3);\nDRAXO_MOUSE(-250, 90);\nDRAXO_MOUSE(100, 0);\nDRAXO_PERIODIC(3);\n' > card.scr
run --script card.scr --picture card.png --timeout 30 -- "$(program "$designer")" card.draxo
expect_equal "designer status" "$RUN_STATUS" 0
expect_said "the script was played to its end: 8 of its 8 events"
expect_equal "the heart's middle" "$(picture_pixel card.png 100 0)" 000000
expect_equal "the card beside it" "$(picture_pixel card.png 100 60)" ffff00
# Its pictures are drawn from random numbers, seeded from DRAXO_SEED in an
# unattended run: the same card again, pixel for pixel; another seed, another heart.
run --script card.scr --picture card-again.png --expect card.png --timeout 30 -- "$(program "$designer")" card2.draxo
expect_equal "designer status, the same card" "$RUN_STATUS" 0
run --script card.scr --picture card-seeded.png --expect card.png --seed 2 --timeout 30 -- "$(program "$designer")" card3.draxo
expect_equal "designer status, another seed" "$RUN_STATUS" 120
# The guessing game, its number given (42): each round lets a periodic event
# pass, then DRAXO_gets takes the guess the script types.
printf 'DRAXO_PERIODIC(1);\nDRAXO_KBD(53);\nDRAXO_KBD(48);\nDRAXO_KBD(13);\nDRAXO_PERIODIC(1);\nDRAXO_KBD(52);\nDRAXO_KBD(50);\nDRAXO_KBD(13);\n' > guesses.scr
run --script guesses.scr --picture game.png -- "$(program "$guessing_game")" 42
expect_equal "guessing game status" "$RUN_STATUS" 0
expect_said "the script was played to its end: 8 of its 8 events"
# "50 is too high." in red, "42 is right!" in forest green.
for colour in ff0000 006633; do
  count=$(convert game.png -fx "(abs(r - 0x${colour:0:2}/255) < 0.01 && abs(g - 0x${colour:2:2}/255) < 0.01 && abs(b - 0x${colour:4:2}/255) < 0.01) ? 1 : 0" -format '%[fx:round(mean * w * h)]' info:)
  [ "$count" -gt 20 ] || fail "no reply in #$colour in the guessing game's picture"
done
echo "ok: the guesses were answered"
echo "draxo_run passed"
