#!/usr/bin/env bash
# Runs a Windows program under Wine in a Wine prefix of its own.
# Usage: scripts/wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
#
# The first run makes the prefix (10 to 20 seconds, about 700 MB), with the
# X11 driver told not to wait for a window manager: on a bare X server Wine
# would otherwise block for seconds whenever a window is hidden or destroyed.
# The prefix's Wine server stays up between programs, so that a later start
# takes a fraction of a second; it ends a minute after the last program, or
# at once with: WINEPREFIX=PREFIX wineserver -k
# Programs need an X display (DISPLAY), as under xvfb-run. A prefix made
# with DRAXO_WINE_DPI set has that screen density (Wine's LogPixels).
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 PREFIX PROGRAM.exe [ARGUMENTS...]" >&2; exit 2; }

WINEPREFIX=$(realpath -m "$1")
export WINEPREFIX
shift
export WINEDEBUG=${WINEDEBUG:--all}
# No runtimes of other languages are offered for installation.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

prepare_prefix() {
  [ -f "$WINEPREFIX/.draxo-ready" ] && return
  mkdir -p "$WINEPREFIX"
  wineboot --init > /dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f > /dev/null 2>&1
  # The screen's density, when asked for (DRAXO_WINE_DPI: 96, 192, ...).
  if [ -n "${DRAXO_WINE_DPI:-}" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DRAXO_WINE_DPI" /f > /dev/null 2>&1
    wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
      /v LogPixels /t REG_DWORD /d "$DRAXO_WINE_DPI" /f > /dev/null 2>&1
  fi
  wineserver --wait
  touch "$WINEPREFIX/.draxo-ready"
}

# The server, and the system's own processes that the first program would
# start (services, the desktop), are started here with no output of their
# own: they outlive the program, and a pipe they held open would keep the
# reader of its output waiting for them.
start_server() {
  [ -f "$WINEPREFIX/.draxo-server" ] && wineserver -k0 2> /dev/null && return
  wineserver -p60 < /dev/null > /dev/null 2>&1 || true
  wine wineboot < /dev/null > /dev/null 2>&1
  touch "$WINEPREFIX/.draxo-server"
}

# Tests start programs side by side: one of them makes the prefix.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9> "$WINEPREFIX.lock"
flock 9
prepare_prefix
start_server
flock -u 9
exec 9>&-

exec wine "$@"
