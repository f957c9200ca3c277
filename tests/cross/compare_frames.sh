#!/usr/bin/env bash
# The same client drawing every shape kind on Linux and on Windows (under
# Wine) must leave frame buffers identical byte for byte: shapes are drawn by
# the layer's own rasteriser on every backend.
# Usage: compare_frames.sh LINUX_SHAPE_FRAME WINDOWS_SHAPE_FRAME.exe
# DRAXO_RUN holds the command that runs a Windows program.
set -euo pipefail
linux=$1
windows=$2
read -r -a run <<<"${DRAXO_RUN:?the command that runs a Windows program}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

QT_QPA_PLATFORM=offscreen "$linux" "$scratch/linux.ppm"
"${run[@]}" "$windows" "$scratch/windows.ppm"
colours=$(convert "$scratch/linux.ppm" -format '%k' info:)
[ "$colours" -ge 20 ] || { echo "FAIL: only $colours colours were drawn" >&2; exit 1; }
if ! cmp "$scratch/linux.ppm" "$scratch/windows.ppm"; then
  echo "FAIL: $(compare -metric AE "$scratch/linux.ppm" "$scratch/windows.ppm" null: 2>&1) pixels differ" >&2
  exit 1
fi
echo "ok: $colours colours, identical frame buffers ($(stat -c %s "$scratch/linux.ppm") bytes)"
