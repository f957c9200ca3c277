#!/usr/bin/env bash
# The package's two windows under a real X server: titles, geometry, the
# menu bar above the client area, the cleared frame, the console's lines.
# Usage: open_package.sh WINDOW_PROBE
source "$(dirname "$0")/e2e_lib.sh"
probe=$1

start_program "$probe" 20
drawing=$(find_window "DRAXO Graphics")
console=$(find_window "DRAXO Text")
sleep 0.5

read -r x y w h < <(window_geometry "$drawing")
expect_equal "drawing window position" "$x,$y" "0,0"
expect_equal "drawing window size" "${w}x${h}" "601x540"
read -r cx cy cw ch < <(client_geometry "$drawing")
expect_equal "client area width" "$cw" "601"
[ "$cy" -gt 0 ] && [ $((cy + ch)) -eq 540 ] || fail "client area $cx,$cy ${cw}x${ch} is not below a menu bar"

read -r sw sh < <(xdotool getdisplaygeometry)
read -r x y w h < <(window_geometry "$console")
expect_equal "console geometry" "$x,$y ${w}x${h}" "0,$((2 * sh / 3 + 1)) ${sw}x$((sh / 3))"

screenshot "$E2E_SCRATCH/screen.png"
[ -n "${E2E_KEEP_SCREENSHOT:-}" ] && cp "$E2E_SCRATCH/screen.png" "$E2E_KEEP_SCREENSHOT"
# The cleared frame: black border on the client area's top row and left column, white inside.
expect_equal "top border" "$(pixel_at "$E2E_SCRATCH/screen.png" $((cx + 100)) "$cy")" "000000"
expect_equal "left border" "$(pixel_at "$E2E_SCRATCH/screen.png" "$cx" $((cy + 100)))" "000000"
expect_equal "inside" "$(pixel_at "$E2E_SCRATCH/screen.png" $((cx + 300)) $((cy + 200)))" "FFFFFF"
# The console shows text near its bottom edge.
read -r kx ky kw kh < <(client_geometry "$console")
inked=$(convert "$E2E_SCRATCH/screen.png" -crop "200x20+$((kx + 5))+$((ky + kh - 20))" +repage \
        -format '%[fx:minima.r < 0.5 ? 1 : 0]' info:)
expect_equal "console text at the bottom" "$inked" "1"

# The console's close box only hides it.
close_window "$console"
sleep 0.3
xdotool search --onlyvisible --name "^DRAXO Text\$" > /dev/null && fail "the console is still visible"
echo "ok: the console's close box hid it"
# The drawing window's close box destroys it, which ends the program.
close_window "$drawing"
wait_program 10
expect_equal "exit status after the close box" "$E2E_STATUS" "0"

# Another program destroying the drawing window ends the program too.
start_program "$probe" 20
drawing=$(find_window "DRAXO Graphics")
sleep 0.5
xdotool windowclose "$drawing"
wait_program 10
expect_equal "exit status after the window was destroyed" "$E2E_STATUS" "0"
echo "open_package passed"
