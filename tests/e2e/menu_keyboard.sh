#!/usr/bin/env bash
# The menu bar and the keyboard, the same on Linux and on Windows: while the
# bar holds the keyboard its title is highlighted and the window gets no key;
# F10 and Alt alone select the bar without opening the menu, Alt+R opens the
# menu, Escape closes the menu and then leaves the bar, F10 leaves it too.
# The client prints every key it gets; the bar's title and the place where
# the menu opens are read from screenshots.
# The client's standard error stays empty: the package prints nothing of
# its platform's (on Linux even with no runtime directory set, as for root on
# a virtual X server).
# Usage: menu_keyboard.sh KEY_CLIENT
source "$(dirname "$0")/e2e_lib.sh"
client=$1
cd "$E2E_SCRATCH"
[ -z "${E2E_WINE:-}" ] && unset XDG_RUNTIME_DIR

start_program "$client"
w=$(find_window "DRAXO Graphics")
read -r cx cy _ _ < <(client_geometry "$w")
focus_window "$w"

# The bar's first title lies just above the client area's left end; an open
# menu covers the client area's top-left corner.
title_area() { convert "$1" -crop "34x14+$((cx + 2))+$((cy - 16))" +repage -depth 8 rgb:- | md5sum; }
menu_area() { convert "$1" -crop "80x60+$((cx + 10))+$((cy + 20))" +repage -depth 8 rgb:- | md5sum; }

# What the client printed (under Wine its lines end in CR LF).
printed() { tr -d '\r' < "$E2E_SCRATCH/stdout"; }

printed_line() { printed | grep -qx "$1"; }

# Waits until the client has printed the line, and says whether a line it
# must not have printed came before it.
expect_key() {
  local line=$1 unwanted=${2:-}
  poll "$E2E_TIMEOUT" printed_line "$line" || fail "the window did not get '$line' (it printed: $(printed | tr '\n' ' '))"
  if [ -n "$unwanted" ] && printed | grep -qx "$unwanted"; then
    fail "the window got '$unwanted' while the menu bar held the keyboard"
  fi
  echo "ok: the window got '$line'"
}

# Waits until the screen shows the bar and the menu as asked: the title
# resting or highlighted, the menu closed or open.
expect_screen() {
  local title=$1 menu=$2 what=$3
  poll "$E2E_TIMEOUT" shows_value "$title $menu" screen_state || true
  expect_equal "$what: the title, the menu" "$E2E_SHOWN" "$title $menu"
}

# The bar's title and the menu in the latest screenshot: "resting closed",
# "highlighted open", ...
screen_state() {
  local title=highlighted menu=open
  [ "$(title_area "$E2E_SHOT")" = "$resting_title" ] && title=resting
  [ "$(menu_area "$E2E_SHOT")" = "$closed_menu" ] && menu=closed
  echo "$title $menu"
}

xdotool type a
expect_key "key 97"
screenshot "$E2E_SCRATCH/resting.png"
resting_title=$(title_area "$E2E_SCRATCH/resting.png")
closed_menu=$(menu_area "$E2E_SCRATCH/resting.png")

# F10 selects the bar without opening the menu; keys do not reach the window
# (Ctrl+Q included) until Escape gives the keyboard back.
xdotool key F10
expect_screen "highlighted" "closed" "after F10"
xdotool type b
xdotool key ctrl+q
expect_screen "highlighted" "closed" "after a letter and Ctrl+Q on the selected bar"
xdotool key Escape
expect_screen "resting" "closed" "after Escape"
xdotool type c
expect_key "key 99" "key 98"

# Alt+R opens the menu; the first Escape closes it and leaves the bar
# selected, highlighted; the second gives the keyboard back.
xdotool key alt+r
expect_screen "highlighted" "open" "after Alt+R"
xdotool key Escape
expect_screen "highlighted" "closed" "after Alt+R and one Escape"
xdotool type d
xdotool key Escape
expect_screen "resting" "closed" "after a second Escape"
xdotool type e
expect_key "key 101" "key 100"

# Down opens the selected title's menu; F10 leaves the bar, menu and all.
xdotool key F10
expect_screen "highlighted" "closed" "after F10"
xdotool key Down
expect_screen "highlighted" "open" "after F10 and Down"
xdotool key F10
expect_screen "resting" "closed" "after F10 again"
xdotool type f
expect_key "key 102"

# Alt pressed and released alone selects the bar as F10 does.
xdotool key alt
expect_screen "highlighted" "closed" "after Alt alone"
xdotool type g
xdotool key Escape
expect_screen "resting" "closed" "after Escape"
xdotool type h
expect_key "key 104" "key 103"

xdotool key ctrl+q
wait_program 20
expect_equal "exit status after Ctrl+Q" "$E2E_STATUS" "0"
expect_equal "the last line" "$(printed | tail -n 1)" "quit"
expect_equal "what the client printed on standard error" "$(cat "$E2E_SCRATCH/stderr")" ""
echo "menu keyboard passed"
