# shellcheck shell=bash
# Helpers for end-to-end checks of DRAXO programs in real windows on a
# virtual X server (run the scripts under xvfb-run). Source this file.
#
# Windows programs run under Wine when E2E_WINE holds the command that starts
# one (scripts/wine-run.sh with its prefix) and E2E_WIN32_PROBE the probe
# program (win32_probe.exe): Wine's windows have no X child for the client
# area, so the probe asks the system where it lies, and closing a window
# clicks its close box, which Wine draws itself.
set -euo pipefail

E2E_RUNNER=()
if [ -n "${E2E_WINE:-}" ]; then
  read -r -a E2E_RUNNER <<<"$E2E_WINE"
fi

E2E_SCRATCH=$(mktemp -d)
trap 'e2e_cleanup' EXIT
E2E_PIDS=()

e2e_cleanup() {
  for pid in "${E2E_PIDS[@]:-}"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  done
  rm -rf "$E2E_SCRATCH"
}

# Fails the check with a message; a script that names a file in
# E2E_SHOW_ON_FAILURE (what the program under test said, say) has it shown
# too.
fail() {
  echo "FAIL: $*" >&2
  if [ -n "${E2E_SHOW_ON_FAILURE:-}" ] && [ -f "$E2E_SHOW_ON_FAILURE" ]; then
    echo "-- $E2E_SHOW_ON_FAILURE:" >&2
    tail -n 40 "$E2E_SHOW_ON_FAILURE" >&2
  fi
  exit 1
}

# How long any wait lasts before it fails: generous, since the machine may
# be loaded (a sanitizer build or Wine starts slowly), yet a broken program
# fails with a message naming what was awaited.
E2E_TIMEOUT=${E2E_TIMEOUT:-20}

# Polls, up to `seconds` of the clock, until a command succeeds; false when
# it never does. (Wait by polling for what is expected: the machine may be
# loaded, so nothing is awaited with a fixed sleep.)
poll() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

# Starts a program in the background; its pid in E2E_PID.
start_program() {
  "${E2E_RUNNER[@]}" "$@" > "$E2E_SCRATCH/stdout" 2> "$E2E_SCRATCH/stderr" &
  E2E_PID=$!
  E2E_PIDS+=("$E2E_PID")
}

# Waits for the program started last to end; its exit status in E2E_STATUS.
# (Call it directly, not in $(...): only this shell can wait for its child.)
# shellcheck disable=SC2034  # E2E_STATUS is read by the scripts that source this
wait_program() {
  local timeout=${1:-10}
  poll "$timeout" program_ended || fail "program still running after ${timeout}s"
  E2E_STATUS=0
  wait "$E2E_PID" || E2E_STATUS=$?
}

program_ended() {
  ! kill -0 "$E2E_PID" 2>/dev/null
}

# The X window id of the top-level window with this exact title.
find_window() {
  local title=$1
  if ! poll "$E2E_TIMEOUT" visible_window "$title" > /dev/null; then
    # What the program said, when it ended before showing its window.
    cat "$E2E_SCRATCH/stderr" >&2 2> /dev/null || true
    fail "no window titled '$title' (after ${E2E_TIMEOUT}s)"
  fi
  visible_window "$title"
}

# Prints the id of the visible window with this exact title; false when
# there is none.
visible_window() {
  local id
  id=$(xdotool search --onlyvisible --name "^${1}\$" 2>/dev/null | head -n 1 || true)
  [ -n "$id" ] && echo "$id"
}

# The preamble after a program's start: the window with this title once it
# is shown and painted, its logical point (x, y) in the colour drawn there
# (RRGGBB). Prints its id. Usage: shown_window TITLE X Y COLOUR
shown_window() {
  local title=$1 x=$2 y=$3 colour=$4 window
  window=$(find_window "$title") || exit 1
  expect_shown "'$title' painted: the colour at ($x, $y)" "$colour" logical_pixel "$E2E_SHOT" "$window" "$x" "$y" >&2
  echo "$window"
}

# Absolute position and size of a window: "x y width height".
window_geometry() {
  local info
  info=$(xwininfo -id "$1")
  echo "$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")" \
       "$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")" \
       "$(awk '/^  Width/ {print $NF}' <<<"$info")" \
       "$(awk '/^  Height/ {print $NF}' <<<"$info")"
}

# The client area of a package window: the largest of its X child windows
# (the other one, when there is one, is the menu bar). Prints its absolute
# "x y width height".
client_geometry() {
  if [ -n "${E2E_WINE:-}" ]; then
    win32_probe "$1" | awk '$1 == "client" { print $2, $3, $4, $5 }'
    return
  fi
  local child
  child=$(xwininfo -children -id "$1" |
          awk '/^ +0x[0-9a-f]+ / { split($(NF-1), g, /[x+]/); a = g[1] * g[2]; if (a > best) { best = a; id = $1 } }
               END { print id }')
  [ -n "$child" ] || fail "window $1 has no client area window"
  window_geometry "$child"
}

# Screen position of a logical point of the drawing window: "x y".
logical_to_screen() {
  local window=$1 x=$2 y=$3
  read -r cx cy cw ch < <(client_geometry "$window")
  echo $((cx + cw / 2 + x)) $((cy + ch / 2 - y))
}

click_logical() {
  local window=$1 x=$2 y=$3
  read -r sx sy < <(logical_to_screen "$window" "$x" "$y")
  # (--sync would wait for ever when the pointer is already there.)
  xdotool mousemove "$sx" "$sy" sleep 0.05 click 1
}

# Drags with a mouse button held (1 left, 3 right) through logical points of
# the drawing window, a step at a time as a hand would move it.
# Usage: drag_logical WINDOW BUTTON X Y [X Y ...]
drag_logical() {
  local window=$1 button=$2
  shift 2
  read -r sx sy < <(logical_to_screen "$window" "$1" "$2")
  xdotool mousemove "$sx" "$sy" sleep 0.05 mousedown "$button"
  shift 2
  while [ $# -ge 2 ]; do
    read -r sx sy < <(logical_to_screen "$window" "$1" "$2")
    xdotool sleep 0.05 mousemove "$sx" "$sy"
    shift 2
  done
  xdotool sleep 0.05 mouseup "$button"
}

# Gives a window the keyboard focus (there is no window manager to do it),
# and waits until the X server has given it.
focus_window() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  wait_until "$E2E_TIMEOUT" "window $1 did not get the keyboard focus" has_focus "$1"
}

# Whether the keyboard focus is on the window or one of its children.
has_focus() {
  local focused
  focused=$(xdotool getwindowfocus) || return 1
  [ "$focused" = "$1" ] && return 0
  xwininfo -children -id "$1" | awk -v id="$(printf '0x%x' "$focused")" '$1 == id { found = 1 } END { exit !found }'
}

# Takes a screenshot of the whole screen into a PNG file.
screenshot() {
  import -window root "$1"
}

# The colour of one screen pixel in a screenshot, as RRGGBB.
pixel_at() {
  local file=$1 x=$2 y=$3
  convert "$file" -crop "1x1+${x}+${y}" +repage -depth 8 -format '%[hex:p{0,0}]' info: | cut -c1-6
}

# The colour at a logical point of the drawing window, from a screenshot.
logical_pixel() {
  local file=$1 window=$2 x=$3 y=$4
  read -r sx sy < <(logical_to_screen "$window" "$x" "$y")
  pixel_at "$file" "$sx" "$sy"
}

expect_equal() {
  local what=$1 actual=$2 expected=$3
  [ "$actual" = "$expected" ] || fail "$what: got '$actual', expected '$expected'"
  echo "ok: $what = $actual"
}

# Closes a window with its close box: the message a window manager sends,
# or under Wine a click on the close box.
close_window() {
  if [ -n "${E2E_WINE:-}" ]; then
    read -r x y < <(win32_probe "$1" | awk '$1 == "close" { print $2, $3 }')
    [ "$x" -ge 0 ] || fail "window $1 has no close box"
    xdotool mousemove "$x" "$y" sleep 0.05 click 1
    return
  fi
  "${E2E_X11_CLOSE:?the x11_close tool}" "$1"
}

# What the probe says of the window with this X id, asked once per window:
# a Windows program's start under Wine takes a while.
win32_probe() {
  local cache=$E2E_SCRATCH/probe-$1
  if [ ! -s "$cache" ]; then
    # (Its lines end in CR LF.)
    "${E2E_RUNNER[@]}" "${E2E_WIN32_PROBE:?the win32_probe program}" "$(xdotool getwindowname "$1")" |
      tr -d '\r' > "$cache" || fail "the probe found no window $1"
  fi
  cat "$cache"
}

# How many pixels of a region (x y width height, screen coordinates) of a
# screenshot satisfy an ImageMagick fx condition on r, g and b (0 to 1).
count_pixels() {
  local file=$1 x=$2 y=$3 width=$4 height=$5 condition=$6
  convert "$file" -crop "${width}x${height}+${x}+${y}" +repage -fx "($condition) ? 1 : 0" \
    -format '%[fx:round(mean * w * h)]' info:
}

# Saves the client area of a window, from a screenshot, as its own image.
crop_client() {
  local file=$1 window=$2 output=$3
  read -r cx cy cw ch < <(client_geometry "$window")
  convert "$file" -crop "${cw}x${ch}+${cx}+${cy}" +repage "$output"
}

# A logical rectangle of the drawing window (top-left point, size in
# pixels) from a screenshot, and the same of a picture draxo-run saved (the
# client area, its origin at its centre): their client areas may differ in
# height (a real menu bar), the logical points are the same.
# Usage: crop_logical SCREENSHOT WINDOW X Y WIDTH HEIGHT OUTPUT
crop_logical() {
  local file=$1 window=$2 x=$3 y=$4 width=$5 height=$6 output=$7
  read -r sx sy < <(logical_to_screen "$window" "$x" "$y")
  convert "$file" -crop "${width}x${height}+${sx}+${sy}" +repage "$output"
}
# Usage: crop_picture_logical PICTURE X Y WIDTH HEIGHT OUTPUT
crop_picture_logical() {
  local file=$1 x=$2 y=$3 width=$4 height=$5 output=$6 pw ph
  read -r pw ph <<<"$(identify -format '%w %h' "$file")"
  convert "$file" -crop "${width}x${height}+$((pw / 2 + x))+$((ph / 2 - y))" +repage "$output"
}

# A session recorded in a window, for draxo-run to play again: ends the
# recording (Ctrl+R), keeps the window's area below a status bar (logical
# (-290, 220), 581 x 470) as recorded.png, quits with Ctrl+Q, which must end
# the program with 0, and leaves the script, lines ending in LF, in
# session.scr. Usage: keep_recorded_session WINDOW
keep_recorded_session() {
  local window=$1
  press_keys "$window" ctrl+r
  screenshot session.png
  crop_logical session.png "$window" -290 220 581 470 recorded.png
  press_keys "$window" ctrl+q
  wait_program 10
  expect_equal "exit status after Ctrl+Q" "$E2E_STATUS" "0"
  tr -d '\r' < DRAXO.SCR > session.scr
}

# draxo-run, with no display, plays session.scr to the area recorded.png
# holds, every pixel the same. Usage: expect_played_alike DRAXO_RUN PROGRAM [ARGUMENT...]
expect_played_alike() {
  local draxo_run=$1
  shift
  env -u DISPLAY timeout 60 "$draxo_run" --script session.scr --picture played.png -- "$@" ||
    fail "draxo-run did not play the recorded session"
  crop_picture_logical played.png -290 220 581 470 played-area.png
  expect_equal "pixels that differ from the session played" \
    "$(compare -metric AE recorded.png played-area.png null: 2>&1)" 0
}

# Presses a key combination in a window (xdotool names: ctrl+r, a, Return).
press_keys() {
  local window=$1
  shift
  focus_window "$window"
  xdotool key --delay 60 "$@"
}

# How many pixels of a region of a screenshot, given by its top-left logical
# point and its size in pixels, satisfy an ImageMagick fx condition.
count_logical_pixels() {
  local file=$1 window=$2 x=$3 y=$4 width=$5 height=$6 condition=$7
  read -r sx sy < <(logical_to_screen "$window" "$x" "$y")
  count_pixels "$file" "$sx" "$sy" "$width" "$height" "$condition"
}

# Saves a whole window, menu bar included, from a fresh screenshot.
save_window() {
  local window=$1 output=$2
  read -r x y width height < <(window_geometry "$window")
  import -window root -crop "${width}x${height}+${x}+${y}" +repage "$output"
}

# Runs a command every tenth of a second until it succeeds; fails with the
# message after TIMEOUT seconds of the clock (counted so, not in tries: on a
# loaded machine one try may take a second). Usage: wait_until TIMEOUT
# MESSAGE COMMAND...
wait_until() {
  local timeout=$1 message=$2
  shift 2
  poll "$timeout" "$@" 2> /dev/null || fail "$message (after ${timeout}s)"
}

# The screenshot the checks read: E2E_SHOT, taken afresh by expect_shown and
# screen_shows until what they await is on the screen.
E2E_SHOT=$E2E_SCRATCH/shot.png

# The colours of a window's logical points (x y x y ...) in the latest
# screenshot, one after the other. Usage: logical_pixels WINDOW X Y [X Y ...]
logical_pixels() {
  local window=$1 colours=""
  shift
  while [ $# -ge 2 ]; do
    colours+=$(logical_pixel "$E2E_SHOT" "$window" "$1" "$2")
    shift 2
  done
  echo "$colours"
}

# Takes screenshots until a value read from the latest (a command's output)
# is the one expected; fails naming both after E2E_TIMEOUT seconds.
# Usage: expect_shown WHAT EXPECTED COMMAND...
expect_shown() {
  local what=$1 expected=$2
  shift 2
  poll "$E2E_TIMEOUT" shows_value "$expected" "$@" ||
    fail "$what: got '$E2E_SHOWN', expected '$expected' (after ${E2E_TIMEOUT}s)"
  echo "ok: $what = $E2E_SHOWN"
}

# Takes a screenshot; true when the command reads the expected value from
# it. What it read stays in E2E_SHOWN.
shows_value() {
  local expected=$1
  shift
  screenshot "$E2E_SHOT"
  E2E_SHOWN=$("$@" 2> /dev/null || true)
  [ "$E2E_SHOWN" = "$expected" ]
}

# Takes screenshots until a command succeeds on the latest; fails with the
# message after E2E_TIMEOUT seconds. Usage: screen_shows MESSAGE COMMAND...
screen_shows() {
  local message=$1
  shift
  wait_until "$E2E_TIMEOUT" "$message" shot_and "$@"
}

shot_and() {
  screenshot "$E2E_SHOT" && "$@"
}

# For checks that something does NOT happen, which no poll can await: gives
# the program a bounded moment to do it (wrongly) before the check looks;
# also for what only time brings and nothing shows (periodic events).
# Everything the program should do first is awaited by polling before.
quiet_moment() {
  sleep "${1:-1}"
}

# Starts an X server of its own with the given screen (1024x768x24, say);
# its display number in E2E_XVFB_DISPLAY, its pid in E2E_XVFB_PID. Every
# server of the checks runs with -noreset: a server that starts afresh when
# its last client leaves drops a program connecting just then, as when
# xdotool looks for a window while the program opens its display.
start_private_xvfb() {
  local screen=$1 number_file=$E2E_SCRATCH/xvfb-display
  rm -f "$number_file"
  Xvfb -displayfd 9 -screen 0 "$screen" -nolisten tcp -noreset 9> "$number_file" 2> /dev/null &
  E2E_XVFB_PID=$!
  E2E_PIDS+=("$E2E_XVFB_PID")
  wait_until 20 "no X server started" test -s "$number_file"
  # shellcheck disable=SC2034  # read by the scripts that source this
  E2E_XVFB_DISPLAY=$(cat "$number_file")
}
