#!/usr/bin/env bash
# Text in every language on screens of every density, in real windows: the
# client draws and prints "Grüße, Ωμέγα, 你好", the same text typed into the
# dialog comes back equal to the program's own, and a click on any screen
# pixel of a logical pixel arrives as that logical point; on a 3840 x 2160
# screen at 192 dpi the drawing window is twice as large and pixel-doubled,
# on a 2560 x 1440 screen at 288 dpi it is twice as large too (three times
# would not fit the screen), at 144 dpi it keeps its size, and the picture
# the client saves is the one it saves at 96 dpi.
# Usage: world.sh WORLD_CLIENT        (runs its own virtual X servers)
#        world.sh WORLD_CLIENT --on-this-display DPI SCALE PICTURE
source "$(dirname "$0")/e2e_lib.sh"
client=$1

fail() {
  echo "FAIL: $*" >&2
  echo "--- client output:" >&2
  cat "$E2E_SCRATCH/stdout" "$E2E_SCRATCH/stderr" >&2 2>/dev/null || true
  exit 1
}

greeting=$'Gr\u00fc\u00dfe, \u03a9\u03bc\u03ad\u03b3\u03b1, \u4f60\u597d'
# The keys of its characters beyond ASCII.
greeting_keysyms=(udiaeresis ssharp Greek_OMEGA Greek_mu Greek_epsilonaccent Greek_gamma Greek_alpha U4F60 U597D)

output_has() { grep -q -- "$1" "$E2E_SCRATCH/stdout" 2>/dev/null; }
output_count() { grep -c -- "$1" "$E2E_SCRATCH/stdout" 2>/dev/null || true; }

# Waits for a line of the client's output matching a pattern.
wait_output() {
  poll 30 output_has "$1" || fail "the client never said '$1'"
}

# Gives each character of the greeting a key of its own for as long as the
# X server runs: the keys of letters the greeting does not use. xdotool
# would otherwise lend a spare key to each character it types and take it
# back at once, and a program that reads the key late (a loaded machine,
# Wine) reads it under the next mapping: the character is lost or another
# comes instead. (Wine takes no keys beyond the keyboard's usual ones.)
map_greeting_keys() {
  local letters=(q w t y u i o p a) i keycode expressions=()
  for i in "${!greeting_keysyms[@]}"; do
    keycode=$(xmodmap -pke | awk -v letter="${letters[$i]}" '$4 == letter { print $2 }')
    [ -n "$keycode" ] || fail "no key for the letter ${letters[$i]}"
    expressions+=(-e "keycode $keycode = ${greeting_keysyms[$i]} ${greeting_keysyms[$i]}")
  done
  xmodmap "${expressions[@]}"
}

# The screen position of logical pixel (x, y) of the drawing window, whose
# client area shows each logical pixel as a square of scale x scale: the
# square's top-left screen pixel.
screen_of_logical() {
  local window=$1 scale=$2 x=$3 y=$4
  read -r cx cy cw ch < <(client_geometry "$window")
  echo $((cx + (cw / scale / 2 + x) * scale)) $((cy + (ch / scale / 2 - y) * scale))
}

window_size_is() {
  local width height
  read -r _ _ width height < <(window_geometry "$1")
  [ "${width}x${height}" = "$2" ]
}

# Clicks every screen pixel of the square of logical pixel (x, y); each
# click must arrive as (x, y).
click_every_pixel_of() {
  local window=$1 scale=$2 x=$3 y=$4
  local sx sy dx dy clicks
  read -r sx sy < <(screen_of_logical "$window" "$scale" "$x" "$y")
  for dy in $(seq 0 $((scale - 1))); do
    for dx in $(seq 0 $((scale - 1))); do
      # shellcheck disable=SC2034  # read by the check that eval runs at each poll
      clicks=$(output_count '^click')
      xdotool mousemove $((sx + dx)) $((sy + dy)) click 1
      # shellcheck disable=SC2016  # expanded by eval at each poll
      poll 30 eval '[ "$(output_count "^click")" -gt "$clicks" ]' || fail "the click at +$dx+$dy never arrived"
      expect_equal "click on screen pixel +$dx+$dy of ($x, $y)" \
        "$(grep '^click' "$E2E_SCRATCH/stdout" | tail -n 1 | tr -d '\r')" "click $x $y"
    done
  done
}

# The screen shows the frame: the navy rectangle's logical pixel (-150, 125)
# is navy on every screen pixel of its square.
navy_square_shown() {
  local window=$1 scale=$2 sx sy dx dy
  screenshot "$E2E_SCRATCH/screen.png"
  read -r sx sy < <(screen_of_logical "$window" "$scale" -150 125)
  for dy in $(seq 0 $((scale - 1))); do
    for dx in $(seq 0 $((scale - 1))); do
      [ "$(pixel_at "$E2E_SCRATCH/screen.png" $((sx + dx)) $((sy + dy)))" = 003399 ] || return 1
    done
  done
}

on_this_display() {
  local dpi=$1 scale=$2 picture=$3
  # The desktop's density, as a desktop session sets it.
  xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	$dpi"
  map_greeting_keys
  local name=$picture
  # Under Wine the root of Linux's files is drive Z:.
  [ -n "${E2E_WINE:-}" ] && name="Z:${picture//\//\\}"
  start_program "$client" "$name"
  # (Under Wine the first start makes the prefix: a minute or more.)
  poll 300 output_has "^ready" || fail "the client never said 'ready'"
  drawing=$(find_window "DRAXO Graphics")
  dialog=$(find_window "DRAXO_gets")
  poll 30 window_size_is "$drawing" "$((601 * scale))x$((540 * scale))" || true
  read -r _ _ width height < <(window_geometry "$drawing")
  expect_equal "drawing window at $dpi dpi" "${width}x${height}" "$((601 * scale))x$((540 * scale))"

  # The same text typed into the dialog equals the program's own.
  timeout 30 xdotool windowfocus --sync "$dialog" || fail "the dialog never took the focus"
  [ -n "${E2E_KEEP:-}" ] && screenshot "$E2E_KEEP/world-dialog-$dpi.png"
  xdotool type --delay 40 "$greeting"
  xdotool key Return
  wait_output "^typed"
  expect_equal "typed text" "$(grep '^typed' "$E2E_SCRATCH/stdout" | tr -d '\r')" "typed equal [$greeting]"

  # A click anywhere in a logical pixel's square arrives as that point (the
  # dialog has closed: the drawing window takes input again).
  click_every_pixel_of "$drawing" "$scale" 100 100
  click_every_pixel_of "$drawing" "$scale" -37 -81

  # Every screen pixel of a logical pixel shows its colour.
  poll 30 navy_square_shown "$drawing" "$scale" || fail "the navy rectangle is not shown pixel-doubled"
  echo "ok: logical pixel (-150, 125) navy on all its screen pixels"
  [ -n "${E2E_KEEP:-}" ] && cp "$E2E_SCRATCH/screen.png" "$E2E_KEEP/world-$dpi.png"

  close_window "$drawing"
  wait_program 30
  expect_equal "exit status" "$E2E_STATUS" 0
  [ -s "$picture" ] || fail "no picture saved"
}

# Under Wine: the screen's density (Wine's LogPixels), and the system font
# of dialogs taking the characters it lacks from WenQuanYi Micro Hei, as
# Windows links its own to its Chinese, Japanese and Korean faces. Wine
# takes the screen's size and density when its server starts: the prefix's
# server is started afresh on this display, with these settings.
wine_settings() {
  local dpi=$1 key
  WINEPREFIX=$wine_prefix wineserver -k 2> /dev/null || true
  for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    "${E2E_RUNNER[@]}" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f > /dev/null 2>&1
  done
  "${E2E_RUNNER[@]}" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v System \
    /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f > /dev/null 2>&1
  WINEPREFIX=$wine_prefix wineserver -k 2> /dev/null || true
}

if [ "${2:-}" = "--on-this-display" ]; then
  # Under Wine a prefix of its own (E2E_WINE_WORLD_PREFIX), as the settings
  # change from screen to screen.
  if [ -n "${E2E_WINE_WORLD_PREFIX:-}" ]; then
    wine_prefix=$E2E_WINE_WORLD_PREFIX
    E2E_RUNNER=("${E2E_RUNNER[0]}" "$wine_prefix")
    wine_settings "$3"
    trap 'WINEPREFIX=$wine_prefix wineserver -k 2> /dev/null || true; e2e_cleanup' EXIT
  fi
  on_this_display "$3" "$4" "$5"
  exit 0
fi

# -noreset: the desktop's density set on the root window, and the keys
# mapped, stay when the program setting them disconnects.
self=$(realpath "$0")
# Screen size, density, the whole factor the windows get.
screens=("1024x768 96 1" "3840x2160 192 2" "2560x1440 288 2" "1280x1024 144 1")
for screen in "${screens[@]}"; do
  read -r size dpi scale <<<"$screen"
  xvfb-run -a -s "-screen 0 ${size}x24 -noreset" "$self" "$client" --on-this-display "$dpi" "$scale" \
    "$E2E_SCRATCH/at-$dpi.png" || fail "at $dpi dpi"
  [ -n "${E2E_KEEP:-}" ] && cp "$E2E_SCRATCH/at-$dpi.png" "$E2E_KEEP/"
  [ "$dpi" = 96 ] && continue
  # Pixels are the same on every screen: so is the picture.
  differing=$(compare -metric AE "$E2E_SCRATCH/at-96.png" "$E2E_SCRATCH/at-$dpi.png" null: 2>&1 || true)
  expect_equal "pixels that differ between the pictures saved at 96 and $dpi dpi" "$differing" 0
done
