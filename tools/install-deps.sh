#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Quick when
# everything is already there: each package is checked with dpkg -s first.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine32:i386 libwine-dev:i386 fonts-wine
  cmake ninja-build g++ clang googletest libgtest-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick fp-utils-3.2.2 nsis
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
