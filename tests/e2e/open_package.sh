#!/usr/bin/env bash
# The package's two windows under a real X server: titles, geometry, the
# menu bar above the client area, the cleared frame, the console's lines.
# Usage: open_package.sh WINDOW_PROBE
source "$(dirname "$0")/e2e_lib.sh"
probe=$1

start_program "$probe" 20
drawing=$(shown_window "DRAXO Graphics" 0 0 FFFFFF)
console=$(find_window "DRAXO Text")

read -r x y w h < <(window_geometry "$drawing")
expect_equal "drawing window position" "$x,$y" "0,0"
expect_equal "drawing window size" "${w}x${h}" "601x540"
read -r cx cy cw ch < <(client_geometry "$drawing")
expect_equal "client area width" "$cw" "601"
[ "$cy" -gt 0 ] && [ $((cy + ch)) -eq 540 ] || fail "client area $cx,$cy ${cw}x${ch} is not below a menu bar"

read -r sw sh < <(xdotool getdisplaygeometry)
read -r x y w h < <(window_geometry "$console")
expect_equal "console geometry" "$x,$y ${w}x${h}" "0,$((2 * sh / 3 + 1)) ${sw}x$((sh / 3))"

# The cleared frame: black border on the client area's top row and left
# column, white inside; awaited until painted.
expect_shown "inside" "FFFFFF" pixel_at "$E2E_SHOT" $((cx + 300)) $((cy + 200))
expect_equal "top border" "$(pixel_at "$E2E_SHOT" $((cx + 100)) "$cy")" "000000"
expect_equal "left border" "$(pixel_at "$E2E_SHOT" "$cx" $((cy + 100)))" "000000"
# The console shows text near its bottom edge.
read -r kx ky _ kh < <(client_geometry "$console")
console_inked() {
  convert "$E2E_SHOT" -crop "200x20+$((kx + 5))+$((ky + kh - 20))" +repage \
    -format '%[fx:minima.r < 0.5 ? 1 : 0]' info:
}
expect_shown "console text at the bottom" "1" console_inked
[ -n "${E2E_KEEP_SCREENSHOT:-}" ] && cp "$E2E_SHOT" "$E2E_KEEP_SCREENSHOT"

# The console's close box only hides it.
close_window "$console"
console_hidden() { ! xdotool search --onlyvisible --name "^DRAXO Text\$" > /dev/null; }
wait_until "$E2E_TIMEOUT" "the console is still visible" console_hidden
echo "ok: the console's close box hid it"
# The drawing window's close box destroys it, which ends the program.
close_window "$drawing"
wait_program 10
expect_equal "exit status after the close box" "$E2E_STATUS" "0"

# Another program destroying the drawing window ends the program too.
start_program "$probe" 20
drawing=$(shown_window "DRAXO Graphics" 0 0 FFFFFF)
xdotool windowclose "$drawing"
wait_program 10
expect_equal "exit status after the window was destroyed" "$E2E_STATUS" "0"
echo "open_package passed"
