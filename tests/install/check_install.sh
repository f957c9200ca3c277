#!/usr/bin/env bash
# Installs the built package into a scratch prefix, then builds and runs two
# client programs against it: with CMake (find_package) and with pkg-config.
# For a Windows build, DRAXO_TOOLCHAIN_FILE names the cross build's toolchain
# file and DRAXO_RUN the command that runs a Windows program (under Wine):
# then the clients are cross-built, and a third one includes <windows.h>.
set -euo pipefail
build_dir=$1
client_dir=$2
examples_dir=$3
if [ -n "${DRAXO_TOOLCHAIN_FILE:-}" ]; then
  exec "$(dirname "$0")/check_install_windows.sh" "$@"
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix

cmake --install "$build_dir" --prefix "$prefix" > /dev/null
test -f "$prefix/include/draxo.h"

export QT_QPA_PLATFORM=offscreen

check_output() {
  local expected=$1
  shift
  local output
  output=$("$@")
  if [ "$output" != "$expected" ]; then
    echo "FAIL: $* printed '$output', expected '$expected'" >&2
    exit 1
  fi
}

echo "-- CMake clients"
cmake -S "$client_dir" -B "$scratch/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DDRAXO_EXAMPLES_DIR="$examples_dir" > /dev/null
cmake --build "$scratch/cmake-build" > /dev/null
test -x "$scratch/cmake-build/bouncing_ball"
test -x "$prefix/bin/draxo-card-designer"
check_output "c client: hello world" "$scratch/cmake-build/c_client" hello world
check_output "cpp client: 11" "$scratch/cmake-build/cpp_client"

echo "-- pkg-config clients"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig:$prefix/lib/x86_64-linux-gnu/pkgconfig
cc -std=c11 -Wall -Werror "$client_dir/client_winmain.c" $(pkg-config --cflags --libs draxo) -o "$scratch/c_client"
c++ -std=c++17 -Wall -Werror "$client_dir/client_main.cpp" $(pkg-config --cflags --libs draxo) -o "$scratch/cpp_client"
cc -std=c11 -Wall -Werror "$examples_dir/bouncing_ball.c" $(pkg-config --cflags --libs draxo) -o "$scratch/bouncing_ball"
check_output "c client: " "$scratch/c_client"
check_output "cpp client: 11" "$scratch/cpp_client"
echo "install check passed"
