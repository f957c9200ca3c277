#!/usr/bin/env bash
# How much processor time the card designer takes under Wine while it waits
# with its animation running (ten redraws a second), and how much the Wine
# server takes meanwhile on its behalf. Run it on an X display:
#   xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bench/idle_designer_wine.sh [BUILD_DIR] [SECONDS]
# BUILD_DIR is the Windows build (default build-windows), SECONDS the
# measured time (default 30). DRAXO_IDLE_PROGRAM names another program of
# the build to measure instead (bouncing_ball.exe: a ball that moves).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-windows}")
seconds=${2:-30}
prefix=$build/wine-prefix
scratch=$(mktemp -d)

cd "$scratch"
"$OLDPWD/scripts/wine-run.sh" "$prefix" "$build/bin/${DRAXO_IDLE_PROGRAM:-draxo-card-designer.exe}" &
designer=$!
trap 'kill $designer 2> /dev/null || true; rm -rf "$scratch"' EXIT

# Processor time of a process so far, in clock ticks (user and system).
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# The Wine server of this prefix: the one working in the server folder
# named after the prefix's device and inode.
read -r prefix_device prefix_inode < <(stat -c '%d %i' "$prefix")
server_dir=server-$(printf '%x-%x' "$prefix_device" "$prefix_inode")
server=""
for _ in $(seq 1 50); do
  for pid in $(pgrep wineserver || true); do
    [[ "$(readlink "/proc/$pid/cwd" 2> /dev/null)" == */"$server_dir" ]] && server=$pid
  done
  xdotool search --onlyvisible --name '^DRAXO Graphics$' > /dev/null 2>&1 && [ -n "$server" ] && break
  sleep 0.2
done
sleep 3  # past the start

hz=$(getconf CLK_TCK)
designer_start=$(ticks "$designer") server_start=$(ticks "$server")
sleep "$seconds"
designer_used=$(($(ticks "$designer") - designer_start))
server_used=$(($(ticks "$server") - server_start))
awk -v d="$designer_used" -v s="$server_used" -v hz="$hz" -v t="$seconds" 'BEGIN {
  printf "designer under Wine, animation running, %d s: %.2f %% of a core; Wine server: %.2f %%; together %.2f %%\n",
    t, 100 * d / hz / t, 100 * s / hz / t, 100 * (d + s) / hz / t }'
