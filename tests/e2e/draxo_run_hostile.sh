#!/usr/bin/env bash
# draxo-run in hostile use, on Linux, without a display: a file another
# option names is never written over, whatever the path to it; a device, a
# FIFO or standard output named as an output is written into, never
# removed; nothing the program started outlives the run, also when
# draxo-run is killed outright; a file-size limit, a full folder for
# temporary files, a console that cannot be written and a pipe nobody reads
# each give the status they deserve; bytes a program writes into the
# package's report are noticed.
# Usage: draxo_run_hostile.sh DRAXO_RUN RUN_CLIENT
source "$(dirname "$0")/e2e_lib.sh"
draxo_run=$1
client=$2

cd "$E2E_SCRATCH"

# What draxo-run said is shown with a failed check.
E2E_SHOW_ON_FAILURE=err

# Runs draxo-run; its status in RUN_STATUS, what it printed in out and err.
run() {
  RUN_STATUS=0
  timeout 120 "$draxo_run" "$@" > out 2> err || RUN_STATUS=$?
}

# The same under a file-size limit of $1 blocks of 1024 bytes.
run_limited() {
  local blocks=$1
  shift
  RUN_STATUS=0
  (
    ulimit -f "$blocks"
    exec timeout 120 "$draxo_run" "$@"
  ) > out 2> err || RUN_STATUS=$?
}

expect_said() {
  grep -qxF "draxo-run: $1" err || { cat err >&2; fail "draxo-run did not say: $1"; }
  echo "ok: said '$1'"
}

gone() { ! kill -0 "$1" 2> /dev/null; }

printf 'DRAXO_KBD(114);\nDRAXO_MOUSE(-100, 50);\nDRAXO_PERIODIC(10);\nDRAXO_KBD(98);\nDRAXO_MOUSE(120, -60);\n' > discs.scr
run --script discs.scr --picture ref.png -- "$client"
expect_equal "the reference's run" "$RUN_STATUS" 0
cp ref.png out-diff.png
for f in discs.scr ref.png out-diff.png; do cp "$f" "$f.kept"; done

echo "-- options that name the same file are refused before anything is touched"
mkdir sub
ln -s ref.png link.png
ln ref.png hard.png
refused() {
  local what=$1 said=$2
  shift 2
  run "$@" -- "$client"
  expect_equal "$what: status" "$RUN_STATUS" 125
  expect_said "$said"
  for f in discs.scr ref.png out-diff.png; do
    cmp -s "$f" "$f.kept" || fail "$what: $f was changed"
  done
  [ -L link.png ] || fail "$what: the link was replaced"
}
refused "the console over the script" "--script discs.scr and --console discs.scr are the same file" \
  --script discs.scr --console discs.scr
refused "the picture over the reference" "--expect ref.png and --picture sub/../ref.png are the same file" \
  --script discs.scr --expect ref.png --picture sub/../ref.png
refused "the difference image over the reference" \
  "--expect out-diff.png and the difference image $PWD/out-diff.png are the same file" \
  --script discs.scr --picture out.png --expect out-diff.png
refused "the console over the reference, through a link" "--expect ref.png and --console link.png are the same file" \
  --script discs.scr --picture out.png --expect ref.png --console link.png
refused "the picture over the reference, by a hard link" "--expect ref.png and --picture hard.png are the same file" \
  --script discs.scr --expect ref.png --picture hard.png

echo "-- a device, a FIFO or standard output named as an output is written into, never removed"
# The system's devices by links of the check's own: should draxo-run
# remove what it is given, it removes the link, not the system's node.
ln -s /dev/null null-device
ln -s /dev/full full-device
run --script discs.scr --picture null-device --console null-device -- "$client"
expect_equal "status with the null device" "$RUN_STATUS" 0
[ -L null-device ] && [ -c null-device ] || fail "the null device was replaced"
mkfifo console.fifo
exec 3<> console.fifo # a reader that is there before draxo-run opens it
run --script discs.scr --console console.fifo -- "$client"
expect_equal "status with a FIFO" "$RUN_STATUS" 0
read -r -t 10 first_line <&3 || fail "nothing came through the FIFO"
exec 3<&-
expect_equal "the console's first line through the FIFO" "$first_line" "run_client quits"
[ -p console.fifo ] || fail "the FIFO was replaced"
mkfifo lonely.fifo
run --script discs.scr --console lonely.fifo -- "$client"
expect_equal "status with a FIFO nobody reads" "$RUN_STATUS" 125
expect_said "cannot write the console to lonely.fifo: nobody reads it"
ln -s /proc/self/fd/1 to-stdout
run --script discs.scr --console to-stdout -- "$client"
expect_equal "status with a link to standard output" "$RUN_STATUS" 0
expect_equal "the console on standard output" "$(head -n 1 out)" "run_client quits"
[ -L to-stdout ] || fail "the link to standard output was replaced"

echo "-- output that cannot be kept: 125"
run --script discs.scr --console full-device -- "$client"
expect_equal "status with a full device" "$RUN_STATUS" 125
expect_said "cannot write the console to full-device: No space left on device"
[ -L full-device ] && [ -c full-device ] || fail "the full device was replaced"

echo "-- a file-size limit is the program's, not draxo-run's, and draxo-run's own is said"
run_limited 1024 --script discs.scr --picture limited.png --console limited.txt -- "$client"
expect_equal "status under a limit of a megabyte" "$RUN_STATUS" 0
expect_equal "the picture under it" "$(identify -format '%wx%h' limited.png)" 601x521
run_limited 1 --script discs.scr --picture tiny.png -- "$client"
expect_equal "status when the picture passes the limit" "$RUN_STATUS" 125
expect_said "$client ended with status 0"
expect_said "cannot save the picture tiny.png: File too large"

echo "-- a full folder for temporary files"
if unshare -rm true 2> /dev/null; then
  mkdir full-tmp
  for script in --script=discs.scr --seed=1; do # with a script of the teacher's, and the empty one
    RUN_STATUS=0
    # shellcheck disable=SC2016  # expanded by the inner shell, which takes the paths as arguments
    unshare -rm bash -c 'mount -t tmpfs -o size=256k tmpfs "$1" || exit 99
      dd if=/dev/zero of="$1/filler" bs=4k 2> /dev/null
      TMPDIR=$1 exec timeout 120 "$2" "$3" --picture full.png -- "$4"' _ \
      "$PWD/full-tmp" "$draxo_run" "$script" "$client" > out 2> err || RUN_STATUS=$?
    expect_equal "status with a full folder for temporary files ($script)" "$RUN_STATUS" 0
  done
else
  echo "skipped: no mount namespace here"
fi

echo "-- a pipe nobody reads any more takes draxo-run's messages"
mkdir own-tmp
{
  poll 20 test -f closed
  status=0
  TMPDIR=$PWD/own-tmp "$draxo_run" --picture piped.png -- "$client" || status=$?
  echo $status > piped.status
} 2>&1 | {
  exec 0<&-
  : > closed
}
expect_equal "status with its output closed" "$(cat piped.status)" 0
[ -s piped.png ] || fail "no picture"
# (Its folder for the empty script; the program's own are the program's.)
left=$(find own-tmp -mindepth 1 -maxdepth 1 -name 'draxo-run*')
expect_equal "what it left in the folder for temporary files" "$left" ""

echo "-- nothing the program started outlives the run"
# It starts a process that leaves its session and holds the run's output.
(
  "$draxo_run" --script discs.scr -- "$client" quits 0 forks 2> forks.err | cat > /dev/null
  : > pipeline.done
) &
E2E_PIDS+=($!)
wait_until "$E2E_TIMEOUT" "the program starts" test -s run_client.pids
read -r program detached < run_client.pids
E2E_PIDS+=("$program" "$detached")
wait_until "$E2E_TIMEOUT" "the run's output closes when draxo-run ends" test -f pipeline.done
gone "$detached" || fail "what the program started outlived the run"
echo "ok: the detached process ended with the run"
# draxo-run killed outright, the program busy.
rm run_client.pids
"$draxo_run" --timeout 0 --script discs.scr -- "$client" hangs 0 forks > /dev/null 2>&1 &
runner=$!
E2E_PIDS+=("$runner")
wait_until "$E2E_TIMEOUT" "the program starts" test -s run_client.pids
read -r program detached < run_client.pids
E2E_PIDS+=("$program" "$detached")
kill -9 "$runner"
wait_until "$E2E_TIMEOUT" "the program ends when draxo-run is killed" gone "$program"
wait_until "$E2E_TIMEOUT" "what the program started ends when draxo-run is killed" gone "$detached"
echo "ok: everything ended with draxo-run"

echo "-- bytes written into the package's report are noticed"
run --script discs.scr -- "$client" garbles
expect_equal "status" "$RUN_STATUS" 125
grep -qx "draxo-run: the package's report of the run cannot be read: no record starts at byte [0-9]*; something in the program wrote over it" err ||
  { cat err >&2; fail "draxo-run did not say that the report was written over"; }
echo "draxo_run_hostile passed"
