#!/usr/bin/env bash
# Installs the built package into a scratch prefix, then builds two client
# programs and the installed examples against it, with CMake (find_package)
# and with pkg-config, and runs the two clients.
# For a Windows build, DRAXO_TOOLCHAIN_FILE names the cross build's toolchain
# file and DRAXO_RUN the command that runs a Windows program (under Wine):
# check_install_windows.sh then does the same with cross-built clients.
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
# The examples are installed with the reference, as they are in the tree,
# with a CMakeLists.txt of their own.
installed_examples=$prefix/share/doc/draxo/examples
for example in bouncing_ball sketch_pad clock guessing_game; do
  cmp "$examples_dir/$example.c" "$installed_examples/$example.c"
done
cp -r "$installed_examples" "$scratch/examples"
cmake -S "$scratch/examples" -B "$scratch/examples-build" -DCMAKE_PREFIX_PATH="$prefix" > /dev/null
cmake --build "$scratch/examples-build" > /dev/null
for example in bouncing_ball sketch_pad clock guessing_game; do
  test -x "$scratch/examples-build/$example"
done
cmake -S "$client_dir" -B "$scratch/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" > /dev/null
cmake --build "$scratch/cmake-build" > /dev/null
test -x "$prefix/bin/draxo-card-designer"
test -x "$prefix/bin/draxo-run"
check_output "c client: hello world" "$scratch/cmake-build/c_client" hello world
check_output "cpp client: 11" "$scratch/cmake-build/cpp_client"

echo "-- pkg-config clients"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig:$prefix/lib/x86_64-linux-gnu/pkgconfig
# shellcheck disable=SC2046  # pkg-config's flags are words of their own, as the README writes it
cc -std=c11 -Wall -Werror "$client_dir/client_winmain.c" $(pkg-config --cflags --libs draxo) -o "$scratch/c_client"
# shellcheck disable=SC2046  # pkg-config's flags are words of their own, as the README writes it
c++ -std=c++17 -Wall -Werror "$client_dir/client_main.cpp" $(pkg-config --cflags --libs draxo) -o "$scratch/cpp_client"
for example in bouncing_ball sketch_pad clock guessing_game; do
  # shellcheck disable=SC2046  # pkg-config's flags are words of their own, as the README writes it
  cc -std=c11 -Wall -Werror "$installed_examples/$example.c" $(pkg-config --cflags --libs draxo) -lm -o "$scratch/$example"
done
check_output "c client: " "$scratch/c_client"
check_output "cpp client: 11" "$scratch/cpp_client"
echo "-- the installed draxo-run, with no display, on an example built against the installed package"
printf 'DRAXO_MOUSE(10, 10);\nDRAXO_MOUSE(60, -40);\n' > "$scratch/lines.scr"
(cd "$scratch" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/draxo-run" \
  --script lines.scr --picture lines.png -- "$scratch/sketch_pad") ||
  { echo "FAIL: the installed draxo-run did not play the script to its end" >&2; exit 1; }
test -s "$scratch/lines.png" || { echo "FAIL: the installed draxo-run saved no picture" >&2; exit 1; }
echo "-- the reference's grading script, on a class of four"
class=$scratch/class
mkdir -p "$class/submissions/alice" "$class/submissions/bob" "$class/submissions/carol" "$class/submissions/dave"
cp "$installed_examples/sketch_pad.c" "$class/submissions/alice/"
sed 's/{.k., BLACK, "black"}/{'"'"'k'"'"', BLUE, "black"}/' "$installed_examples/sketch_pad.c" > "$class/submissions/bob/sketch_pad.c"
cmp -s "$installed_examples/sketch_pad.c" "$class/submissions/bob/sketch_pad.c" && { echo "FAIL: bob's change was not made" >&2; exit 1; }
echo 'int main(void) { return }' > "$class/submissions/carol/main.c"
sed 's/if (kind == DRAXO_QUIT) break;/if (kind == DRAXO_QUIT) { int* volatile nowhere = 0; *nowhere = 1; }/' \
  "$installed_examples/sketch_pad.c" > "$class/submissions/dave/sketch_pad.c"
printf 'DRAXO_MOUSE(10, 10);\nDRAXO_MOUSE(60, -40);\nDRAXO_KBD(53);\nDRAXO_MOUSE(-50, -80);\n' > "$class/class.scr"
awk '/^# grade.sh:/ { inside = 1; print "#!/bin/sh" } inside && /^```/ { exit } inside { print }' \
  "$prefix/share/doc/draxo/reference.md" > "$class/grade.sh"
grep -q "draxo-run --script class.scr" "$class/grade.sh" || { echo "FAIL: no grading script in the reference" >&2; exit 1; }
table=$(cd "$class" && export PATH="$prefix/bin:$PATH" &&
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM draxo-run --script class.scr --picture reference.png -- "$scratch/sketch_pad" &&
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM sh grade.sh)
echo "$table"
check_row() {
  grep -qE "$1" <<<"$table" || { echo "FAIL: the grading table has no row like '$1'" >&2; exit 1; }
}
check_row '^STUDENT +BUILD +RESULT +PIXELS DIFFERING$'
check_row '^alice +ok +right +0$'
check_row '^bob +ok +picture differs +[1-9][0-9]*$'
check_row '^carol +failed +- +-$'
check_row '^dave +ok +crashed +[0-9]+$'
echo "install check passed"
