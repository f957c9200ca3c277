#!/usr/bin/env bash
# The install check of a Windows build: installs the cross-built package into
# a scratch prefix, cross-builds clients against it with CMake (find_package,
# through the toolchain file) and with pkg-config and the cross compiler, and
# runs them under Wine. Called by check_install.sh.
set -euo pipefail
build_dir=$1
client_dir=$2
examples_dir=$3
read -r -a run <<<"${DRAXO_RUN:?the command that runs a Windows program}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix

cmake --install "$build_dir" --prefix "$prefix" --strip > /dev/null
for file in include/draxo.h bin/libdraxo.dll lib/libdraxo.dll.a lib/cmake/Draxo/DraxoConfig.cmake \
  lib/pkgconfig/draxo.pc bin/draxo-card-designer.exe bin/draxo-run.exe; do
  test -f "$prefix/$file" || { echo "FAIL: $file is not installed" >&2; exit 1; }
done
for file in share/doc/draxo/README.md share/doc/draxo/LICENSE.txt share/doc/draxo/reference.md; do
  test -f "$prefix/$file" || { echo "FAIL: $file is not installed" >&2; exit 1; }
done
# Installed with --strip, the DLL and the designer keep no debug sections.
for file in bin/libdraxo.dll bin/draxo-card-designer.exe; do
  if x86_64-w64-mingw32-objdump -h "$prefix/$file" | grep -q '\.debug_'; then
    echo "FAIL: $file keeps its debug sections" >&2
    exit 1
  fi
done
# The DLLs a program needs besides the system's: only the package's.
foreign_dlls() {
  x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ {print tolower($3)}' |
    grep -v -x -e libdraxo.dll -e 'kernel32.dll' -e 'user32.dll' -e 'gdi32.dll' -e 'msvcrt.dll' \
      -e 'api-ms-win-.*' -e 'advapi32.dll' -e 'shell32.dll' -e 'ole32.dll' -e 'comdlg32.dll' || true
}
if ls "$prefix"/lib/*draxo_main* > /dev/null 2>&1; then
  echo "FAIL: a companion library with main() is installed for Windows" >&2
  exit 1
fi

# The clients find the DLL where it was installed.
export WINEPATH="Z:${prefix//\//\\}\\bin"

check_output() {
  local expected=$1
  shift
  local output
  output=$("${run[@]}" "$@" | tr -d '\r')
  if [ "$output" != "$expected" ]; then
    echo "FAIL: $* printed '$output', expected '$expected'" >&2
    exit 1
  fi
}

echo "-- CMake clients"
# The examples are installed with the reference, with a CMakeLists.txt of their own.
installed_examples=$prefix/share/doc/draxo/examples
for example in bouncing_ball sketch_pad clock guessing_game; do
  cmp "$examples_dir/$example.c" "$installed_examples/$example.c"
done
cp -r "$installed_examples" "$scratch/examples"
cmake -S "$scratch/examples" -B "$scratch/examples-build" -DCMAKE_TOOLCHAIN_FILE="$DRAXO_TOOLCHAIN_FILE" \
  -DCMAKE_PREFIX_PATH="$prefix" > /dev/null
cmake --build "$scratch/examples-build" > /dev/null
# Each example runs from its build folder: the package's DLL lies beside it.
for example in bouncing_ball sketch_pad clock guessing_game; do
  test -f "$scratch/examples-build/$example.exe"
done
cmp "$prefix/bin/libdraxo.dll" "$scratch/examples-build/libdraxo.dll" ||
  { echo "FAIL: the examples' build folder has no copy of the package's DLL" >&2; exit 1; }
# (Without the toolchain file's own -static: the CMake package links the
# compiler's runtime into the clients by itself.)
cmake -S "$client_dir" -B "$scratch/cmake-build" -DCMAKE_TOOLCHAIN_FILE="$DRAXO_TOOLCHAIN_FILE" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_EXE_LINKER_FLAGS= > /dev/null
cmake --build "$scratch/cmake-build" > /dev/null
check_output "c client: hello world" "$scratch/cmake-build/c_client.exe" hello world
check_output "cpp client: 11" "$scratch/cmake-build/cpp_client.exe"
check_output "windows client: found the drawing window" "$scratch/cmake-build/windows_client.exe"
for client in c_client cpp_client windows_client; do
  [ -z "$(foreign_dlls "$scratch/cmake-build/$client.exe")" ] ||
    { echo "FAIL: the CMake $client needs $(foreign_dlls "$scratch/cmake-build/$client.exe")" >&2; exit 1; }
done

echo "-- pkg-config clients"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
cc=x86_64-w64-mingw32-gcc-posix
cxx=x86_64-w64-mingw32-g++-posix
# shellcheck disable=SC2046  # pkg-config's flags are words of their own, as the README writes it
$cc -std=c11 -Wall -Werror "$client_dir/client_winmain.c" $(pkg-config --cflags --libs draxo) -o "$scratch/c_client.exe"
# The README's command for a C++ client: -static links the compiler's runtime in.
# shellcheck disable=SC2046  # pkg-config's flags are words of their own, as the README writes it
$cxx -std=c++17 -Wall -Werror -static "$client_dir/client_main.cpp" $(pkg-config --cflags --libs draxo) \
  -o "$scratch/cpp_client.exe"
[ -z "$(foreign_dlls "$scratch/cpp_client.exe")" ] ||
  { echo "FAIL: the pkg-config C++ client needs $(foreign_dlls "$scratch/cpp_client.exe")" >&2; exit 1; }
# shellcheck disable=SC2046  # pkg-config's flags are words of their own, as the README writes it
$cc -std=c11 -Wall -Werror -mwindows "$client_dir/client_windows_h.c" $(pkg-config --cflags --libs draxo) \
  -o "$scratch/windows_client.exe"
check_output "c client: " "$scratch/c_client.exe"
check_output "cpp client: 11" "$scratch/cpp_client.exe"
check_output "windows client: found the drawing window" "$scratch/windows_client.exe"

echo "-- the installed draxo-run, on an example built against the installed package"
printf 'DRAXO_MOUSE(10, 10);\nDRAXO_MOUSE(60, -40);\n' > "$scratch/lines.scr"
(cd "$scratch" && "${run[@]}" "$prefix/bin/draxo-run.exe" --script lines.scr --picture lines.png -- \
  "$(winepath -w "$scratch/examples-build/sketch_pad.exe" 2> /dev/null)") ||
  { echo "FAIL: the installed draxo-run.exe did not play the script to its end" >&2; exit 1; }
test -s "$scratch/lines.png" || { echo "FAIL: the installed draxo-run.exe saved no picture" >&2; exit 1; }
echo "install check passed"
