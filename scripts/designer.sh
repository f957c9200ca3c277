#!/usr/bin/env bash
# Sets up what is missing, builds DRAXO and starts the greeting card designer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$(nproc)" --target draxo-card-designer > /dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MESSAGE'
The card designer is built, but there is no display here (DISPLAY is not set),
so its window cannot open. Start it from a desktop session, or run it on a
virtual X server:

    xvfb-run -a -s "-screen 0 1024x768x24 -noreset" build/app/draxo-card-designer

To look at it without a desktop, scripts/screenshot.sh runs it on a virtual
display, places a few pictures and saves a screenshot.
MESSAGE
  exit 1
fi

exec build/app/draxo-card-designer
