#!/usr/bin/env bash
# Installs the Debian package as a user would (apt-get install ./draxo_*.deb),
# builds client programs and the installed examples against it with CMake and
# with pkg-config, runs the clients and the designer, then removes it and
# checks that nothing of it is left. The machine ends as it began: packages
# that the installation pulled in are removed again. Needs root rights (or
# sudo without a password); without them, or with a draxo package already
# installed, it says so and checks nothing.
# Usage: install_deb.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build_dir=$(realpath "$1")
source_dir=$(realpath "$2")

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo > /dev/null && sudo -n true 2> /dev/null; then
  sudo=(sudo -n)
else
  echo "SKIPPED: installing the Debian package needs root rights or sudo without a password; not checked."
  exit 0
fi
if dpkg-query -W -f='${Status}' draxo 2> /dev/null | grep -q "ok installed"; then
  echo "SKIPPED: a draxo package is installed on this machine already; it is left alone and not checked."
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
apt=("${sudo[@]}" apt-get -y -q -o DPkg::Lock::Timeout=600)
scratch=$(mktemp -d)
installed() { dpkg-query -W -f='${Status}' "$1" 2> /dev/null | grep -q "ok installed"; }
touch "$scratch/pulled"

# Whatever happens, the package and the packages its installation pulled in
# (and only those: others may be installing at the same time) go again.
restore() {
  local status=$? package leftover=""
  installed draxo && { "${apt[@]}" purge draxo > /dev/null 2>&1 || true; }
  local pulled
  pulled=$(cat "$scratch/pulled")
  if [ -n "$pulled" ]; then
    # shellcheck disable=SC2086
    "${apt[@]}" purge $pulled > /dev/null 2>&1 || true
  fi
  for package in draxo $pulled; do
    installed "$package" && leftover="$leftover $package"
  done
  if [ -n "$leftover" ]; then
    echo "FAIL: still installed after the check:$leftover" >&2
    status=1
  fi
  rm -rf "$scratch"
  exit $status
}
trap restore EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$scratch/package" > "$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack did not make the package"; }
cd "$scratch/package"
# The packages this installation will add besides draxo, as apt plans it.
"${apt[@]}" install -s ./draxo_*.deb | awk '/^Inst / && $2 != "draxo" {print $2}' > "$scratch/pulled"
[ -s "$scratch/pulled" ] && echo "-- installing with draxo: $(tr '\n' ' ' < "$scratch/pulled")"
"${apt[@]}" install ./draxo_*.deb > "$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log" >&2; fail "apt-get install"; }
echo "ok: apt-get install ./$(basename draxo_*.deb)"
dpkg -L draxo > "$scratch/files"

[ "$(pkg-config --modversion draxo)" = "$(dpkg-query -W -f='${Version}' draxo)" ] || fail "pkg-config does not find draxo"
ldd /usr/bin/draxo-card-designer | grep -q 'not found' && fail "the designer misses libraries: $(ldd /usr/bin/draxo-card-designer)"
echo "ok: pkg-config finds draxo $(pkg-config --modversion draxo); the designer finds its libraries"

export QT_QPA_PLATFORM=offscreen
check_output() {
  local expected=$1 output
  shift
  output=$("$@")
  [ "$output" = "$expected" ] || fail "$* printed '$output', expected '$expected'"
}

# The installed examples and the two small clients, with CMake: no prefix
# given, the package is where CMake looks by itself.
cp -r /usr/share/doc/draxo/examples "$scratch/examples"
cmake -S "$scratch/examples" -B "$scratch/examples-build" > /dev/null
cmake --build "$scratch/examples-build" > /dev/null
for example in bouncing_ball sketch_pad clock guessing_game; do
  [ -x "$scratch/examples-build/$example" ] || fail "CMake did not build $example"
done
cmake -S "$source_dir/tests/install/client" -B "$scratch/clients-build" > /dev/null
cmake --build "$scratch/clients-build" > /dev/null
check_output "c client: from the package" "$scratch/clients-build/c_client" from the package
check_output "cpp client: 11" "$scratch/clients-build/cpp_client"
echo "ok: CMake builds the installed examples and two clients, which run"

# The same with pkg-config.
for example in bouncing_ball sketch_pad clock guessing_game; do
  # shellcheck disable=SC2046  # pkg-config's flags are words of their own, as the README writes it
  cc -std=c11 -Wall -Werror "$scratch/examples/$example.c" $(pkg-config --cflags --libs draxo) -lm \
    -o "$scratch/$example" || fail "pkg-config: $example does not build"
done
# shellcheck disable=SC2046  # pkg-config's flags are words of their own, as the README writes it
c++ -std=c++17 -Wall -Werror "$source_dir/tests/install/client/client_main.cpp" $(pkg-config --cflags --libs draxo) \
  -o "$scratch/cpp_client"
check_output "cpp client: 11" "$scratch/cpp_client"
echo "ok: pkg-config builds the installed examples and a client, which runs"
# Installed under /usr, the package gives clients plain paths and no run path.
# shellcheck disable=SC2046  # pkg-config's flags are words of their own, as the README writes it
flags=$(pkg-config --cflags --libs draxo)
grep -q 'pkgconfig' <<<"$flags" && fail "pkg-config gives paths through its own folder: $flags"
readelf -d "$scratch/cpp_client" | grep -q -e RUNPATH -e RPATH &&
  fail "a client built with pkg-config carries a run path: $(readelf -d "$scratch/cpp_client" | grep PATH)"
echo "ok: pkg-config says '$flags'; the client has no run path"

# The designer starts from its installed place and keeps running.
/usr/bin/draxo-card-designer > "$scratch/designer.log" 2>&1 &
designer=$!
sleep 2
kill -0 "$designer" 2> /dev/null || { cat "$scratch/designer.log" >&2; fail "the installed designer did not keep running"; }
kill "$designer"
wait "$designer" 2> /dev/null || true
echo "ok: the installed designer runs"

"${apt[@]}" purge draxo > "$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log" >&2; fail "apt-get purge draxo"; }
installed draxo && fail "draxo is still installed"
left=""
while read -r file; do
  [ -d "$file" ] && continue
  if [ -e "$file" ] || [ -L "$file" ]; then left="$left $file"; fi
done < "$scratch/files"
[ -z "$left" ] || fail "files left after removing the package:$left"
ldconfig -p | grep -q 'libdraxo\.so' && fail "the dynamic linker still lists libdraxo"
echo "ok: apt-get purge draxo removes every file of it"
echo "install_deb passed"
