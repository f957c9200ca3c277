#!/usr/bin/env bash
# Sets up what is missing, builds DRAXO with warnings as errors and runs every
# test, leg by leg, as continuous integration does:
#   format      every C and C++ file laid out as .clang-format says, the shell
#               scripts clean under shellcheck, the JavaScript under eslint
#               (scripts/lint.sh)
#   linux       the plain build and all its tests (build/); then its Debian
#               package installed, used and removed again (with root rights;
#               without them that step says it was skipped)
#   sanitizers  the same tests under AddressSanitizer and
#               UndefinedBehaviorSanitizer (build-asan/)
#   windows     the cross build with mingw-w64 (build-windows/), its tests
#               under Wine on a virtual X display
#   web         the build for wasm32-wasip1 by the compiler that runs in the
#               browser, itself run by node (build-web/): the null backend's
#               tests under node's WASI, a client program against its
#               sysroot, draxo-webcc from the installed package, the pages,
#               the web runtime and the playground site in headless Chromium
# With no argument every leg runs. --only LEG[,LEG...] runs those alone (the
# Windows and web legs build the few programs of build/ they compare with
# when the linux leg is not among them); --plain leaves the sanitizers out.
# DRAXO_TEST_JOBS sets how many compilers and tests run at once (all the
# cores by default).
set -euo pipefail
cd "$(dirname "$0")/.."

all_legs=(format linux sanitizers windows web)

usage() {
  echo "usage: $0 [--plain] [--only LEG[,LEG...]]   (legs: ${all_legs[*]})" >&2
  exit 2
}

plain_only=0
legs=()
while [ $# -gt 0 ]; do
  case $1 in
    --plain) plain_only=1 ;;
    --only)
      [ $# -ge 2 ] || usage
      IFS=, read -r -a named <<< "$2"
      legs+=("${named[@]}")
      shift
      ;;
    --only=*)
      IFS=, read -r -a named <<< "${1#--only=}"
      legs+=("${named[@]}")
      ;;
    *) usage ;;
  esac
  shift
done
for leg in "${legs[@]}"; do
  [[ " ${all_legs[*]} " == *" $leg "* ]] || { echo "$0: no leg named '$leg'" >&2; usage; }
done
[ ${#legs[@]} -gt 0 ] || legs=("${all_legs[@]}")
if [ $plain_only -eq 1 ]; then
  kept=()
  for leg in "${legs[@]}"; do [ "$leg" = sanitizers ] || kept+=("$leg"); done
  legs=("${kept[@]}")
fi
runs() { [[ " ${legs[*]} " == *" $1 "* ]]; }

scripts/setup.sh

jobs=${DRAXO_TEST_JOBS:-$(nproc)}

# How long each leg took (the README's figures come from these lines).
mark=$SECONDS
took() {
  echo "-- the $1 leg took $((SECONDS - mark)) s"
  mark=$SECONDS
}

run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DDRAXO_DEVELOPER=ON -DDRAXO_WERROR=ON "$@"
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 120)
}

# The Linux build's programs that the Windows and web builds' cross-platform
# checks compare with (those named, or the Windows build's own), when the
# linux leg did not build them all.
linux_programs() {
  runs linux && return 0
  cmake -S . -B build -DDRAXO_DEVELOPER=ON -DDRAXO_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
  if [ $# -eq 0 ]; then set -- shape_frame draxo-run run_client; fi
  cmake --build build -j "$jobs" --target "$@"
}

if runs format; then
  echo "== Format and lint"
  scripts/lint.sh
  took format
fi

if runs linux; then
  echo "== Plain build and tests"
  run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

  echo "== The Debian package: installed with apt-get, used, removed"
  tests/package/install_deb.sh build .
  took linux
fi

if runs sanitizers; then
  echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DDRAXO_SANITIZE=ON -DDRAXO_BUILD_BENCH=OFF
  took sanitizers
fi

windows_status=0
if runs windows; then
  echo "== Windows: cross build with mingw-w64, tests under Wine"
  linux_programs
  # One virtual display for the whole run: the Wine server of the build's
  # prefix serves every program, and stops when the run ends.
  cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DDRAXO_DEVELOPER=ON \
    -DDRAXO_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRAXO_HOST_SHAPE_FRAME="$PWD/build/tests/shape_frame"
  cmake --build build-windows -j "$jobs"
  # A test that fails is run once more: now and then Wine fails to start a
  # program at all (no output, a few milliseconds), which says nothing of
  # the program; a test that fails twice fails the leg.
  (cd build-windows && xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ctest -j "$jobs" --output-on-failure \
    --timeout 200 --repeat until-pass:2) || windows_status=$?
  WINEPREFIX=$PWD/build-windows/wine-prefix wineserver -k 2> /dev/null || true
  took windows
fi

web_status=0
if runs web; then
  echo "== The web: built for wasm32-wasip1 by clang running in node, tests under node and in headless Chromium"
  linux_programs sketch_pad shape_frame shapes_and_text draxo-run assignment_solution
  cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=cmake/wasi-toolchain.cmake -DDRAXO_DEVELOPER=ON \
    -DDRAXO_WERROR=ON -DCMAKE_BUILD_TYPE=Release -DDRAXO_HOST_BUILD="$PWD/build"
  cmake --build build-web -j "$jobs"
  (cd build-web && ctest -j "$jobs" --output-on-failure --timeout 600) || web_status=$?
  took web
fi

[ $windows_status -eq 0 ] || exit $windows_status
exit $web_status
