#!/usr/bin/env bash
# Sets up what is missing, builds DRAXO with warnings as errors and runs every
# test: once plainly (build/) and once under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/). After the plain build its Debian
# package is installed, used and removed again (with root rights; without
# them that step says it was skipped). Then the package is cross-built for
# Windows with mingw-w64 (build-windows/) and its tests run under Wine on a
# virtual X display, and built for the browser with Emscripten (build-web/):
# the null backend's tests run under node, the pages in headless Chromium.
# It first checks that every C and C++ file is laid out as .clang-format
# says. With --plain, the sanitized build is left out.
set -euo pipefail
cd "$(dirname "$0")/.."

plain_only=0
[ "${1:-}" = "--plain" ] && plain_only=1

scripts/setup.sh

jobs=$(nproc)

run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DDRAXO_DEVELOPER=ON -DDRAXO_WERROR=ON "$@"
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 120)
}

echo "== Format"
# Every C and C++ file of the project as .clang-format lays it out.
git ls-files -z -- '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

echo "== Plain build and tests"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== The Debian package: installed with apt-get, used, removed"
tests/package/install_deb.sh build .

if [ $plain_only -eq 0 ]; then
  echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DDRAXO_SANITIZE=ON -DDRAXO_BUILD_BENCH=OFF
fi

echo "== Windows: cross build with mingw-w64, tests under Wine"
# One virtual display for the whole run: the Wine server of the build's
# prefix serves every program, and stops when the run ends.
windows_status=0
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DDRAXO_DEVELOPER=ON -DDRAXO_WERROR=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRAXO_HOST_SHAPE_FRAME="$PWD/build/tests/shape_frame"
cmake --build build-windows -j "$jobs"
(cd build-windows && xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ctest -j "$jobs" --output-on-failure --timeout 200) ||
  windows_status=$?
WINEPREFIX=$PWD/build-windows/wine-prefix wineserver -k 2> /dev/null || true

echo "== The web: Emscripten build, tests under node and in headless Chromium"
web_status=0
emcmake cmake -S . -B build-web -DDRAXO_DEVELOPER=ON -DDRAXO_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
  -DDRAXO_HOST_SHAPE_FRAME="$PWD/build/tests/shape_frame"
cmake --build build-web -j "$jobs"
(cd build-web && ctest -j "$jobs" --output-on-failure --timeout 600) || web_status=$?

[ $windows_status -eq 0 ] || exit $windows_status
exit $web_status
