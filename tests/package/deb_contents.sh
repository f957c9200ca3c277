#!/usr/bin/env bash
# Makes the Debian package from a build directory into a scratch directory
# and checks it without installing it: its name and dependencies, the files
# a user needs, every picture the reference shows, a valid desktop entry,
# and no trace of the build or source directory in the text files it installs.
# Usage: deb_contents.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build_dir=$(realpath "$1")
source_dir=$(realpath "$2")

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$scratch" > "$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack did not make the package"; }
debs=("$scratch"/draxo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single draxo_*.deb: ${debs[*]}"
deb=${debs[0]}
echo "ok: $(basename "$deb")"

[ "$(dpkg-deb -f "$deb" Package)" = "draxo" ] || fail "the package is not named draxo"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 qt6-qpa-plugins libc6; do
  grep -q "\b$needed\b" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
echo "ok: depends on $depends"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
for file in usr/include/draxo.h usr/lib/libdraxo.so usr/lib/libdraxo_main.a \
            usr/lib/cmake/Draxo/DraxoConfig.cmake usr/lib/pkgconfig/draxo.pc usr/bin/draxo-card-designer \
            usr/share/applications/draxo-card-designer.desktop \
            usr/share/icons/hicolor/scalable/apps/draxo-card-designer.svg \
            usr/share/doc/draxo/reference.md usr/share/doc/draxo/examples/CMakeLists.txt \
            usr/share/doc/draxo/examples/sketch_pad.c usr/share/doc/draxo/examples/clock.c \
            usr/share/doc/draxo/examples/guessing_game.c usr/share/doc/draxo/examples/bouncing_ball.c; do
  [ -e "$root/$file" ] || fail "the package lacks /$file"
done
echo "ok: library, header, CMake package, pkg-config file, designer, desktop entry, icon, reference, examples"

# Every picture the reference shows and every file it links to is installed
# beside it.
reference=$root/usr/share/doc/draxo/reference.md
targets=$(grep -o '](\([^)]*\))' "$reference" | sed 's/^](//; s/)$//' | grep -v -e '^#' -e '^[a-z]*:' | sort -u || true)
grep -q '\.png$' <<<"$targets" || fail "the reference shows no picture"
for target in $targets; do
  [ -f "$root/usr/share/doc/draxo/$target" ] || fail "the reference links to $target, which is not installed beside it"
done
echo "ok: the $(wc -w <<<"$targets") pictures and files the reference links to are installed"

if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$root/usr/share/applications/draxo-card-designer.desktop" ||
    fail "the desktop entry is not valid"
  echo "ok: the desktop entry is valid"
fi
grep -q '^Exec=draxo-card-designer' "$root/usr/share/applications/draxo-card-designer.desktop" ||
  fail "the desktop entry does not start the designer"

# The pkg-config file names plain system paths and gives clients no run path.
pc=$root/usr/lib/pkgconfig/draxo.pc
grep -qx 'prefix=/usr' "$pc" || fail "the pkg-config file's prefix is not /usr: $(head -n 1 "$pc")"
grep -q 'rpath' "$pc" && fail "the pkg-config file gives clients a run path: $(grep '^Libs' "$pc")"
echo "ok: the pkg-config file says prefix=/usr and gives no run path"

for file in usr/share/doc/draxo/copyright usr/share/doc/draxo/changelog.gz usr/share/doc/draxo/README.md; do
  [ -e "$root/$file" ] || fail "the package lacks /$file"
done
if command -v lintian > /dev/null; then
  lintian --fail-on error,warning "$deb" > "$scratch/lintian.log" 2>&1 ||
    { grep -v 'root privileges' "$scratch/lintian.log" >&2; fail "lintian finds fault with the package"; }
  echo "ok: lintian finds no error and no warning"
fi

leaks=$(grep -rlIF -e "$build_dir" -e "$source_dir" "$root" || true)
[ -z "$leaks" ] || fail "files that name the build or the source directory: $leaks"
echo "ok: no installed text file names the build or the source directory"
echo "deb_contents passed"
