#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running DRAXO need,
# when any of them is missing (cairo only for the benchmark that compares the
# package with it), and four things from npm, each at the versions its lock
# file pins: the browser tests' driver (puppeteer-core, in tests/web, with no
# browser of its own: the tests drive Debian's Chromium), the JavaScript
# linter (eslint, in scripts/lint), the compiler the package is built
# with for wasm32-wasip1, which runs in node and in the browser (clang as
# WebAssembly, with binaryen, in web/toolchain), and the playground site's
# editor with the bundler that builds it (CodeMirror and esbuild, in
# web/playground). Safe to run again: it installs nothing twice.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  dpkg-dev file desktop-file-utils lintian
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core fonts-liberation2 libx11-dev
  # Greek and Cyrillic come from DejaVu; Chinese, Japanese and Korean text
  # from WenQuanYi Micro Hei, the fallback the tests draw "你好" with (Wine
  # finds it too).
  fonts-wqy-microhei
  libgtest-dev libbenchmark-dev libcairo2-dev
  # (xmodmap, from x11-xserver-utils: the end-to-end checks give the
  # characters they type keys of their own.)
  xvfb xauth xdotool imagemagick x11-utils x11-xserver-utils
  clang clang-format
  # The format leg's linter of the shell scripts.
  shellcheck
  # The Windows build: cross compilers, Wine to run it, GoogleTest's sources
  # to build for it, and Wine's own fonts (the system font that sizes dialogs).
  g++-mingw-w64-x86-64-posix wine wine64 googletest fonts-wine
  # The web build: the TrueType rasteriser compiled into the package,
  # Chromium for its pages, python3 to serve them in the tests (node comes
  # below; the compiler comes from npm).
  libstb-dev chromium python3
)
# node and npm: Debian's, unless a node of another origin (which brings its
# own npm) is there already.
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

# The npm packages of a folder of the tree (tests/web, scripts/lint,
# web/toolchain, web/playground), as its lock file pins them, unless they are there already
# and newer than it.
install_from_npm() {
  local folder what=$2
  folder=$(cd "$(dirname "$0")/../$1" && pwd)
  if [ -f "$folder/node_modules/.package-lock.json" ] &&
    [ "$folder/node_modules/.package-lock.json" -nt "$folder/package-lock.json" ]; then
    return 0
  fi
  echo "Installing $what (npm ci in $1)"
  (cd "$folder" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then
    sudo=()
  elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
  else
    echo "These Debian packages are missing and there are no root rights to install them: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq || true
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
install_from_npm tests/web "the browser tests' driver"
install_from_npm scripts/lint "the JavaScript linter"
install_from_npm web/toolchain "the compiler for wasm32-wasip1"
install_from_npm web/playground "the playground's editor and its bundler"
