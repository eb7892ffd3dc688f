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

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The 32-bit Wine needs a kernel that runs 32-bit programs. A kernel booted
# with its 32-bit support off refuses them ("Exec format error"); there they
# run through qemu's user-mode emulator, registered for 32-bit x86 programs.
# Much slower, but everything works.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  if ! dpkg -s qemu-user-static >/dev/null 2>&1; then
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends qemu-user-static
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ ! -e "$binfmt/qemu-i386" ]; then
    # The kernel reads the \x escapes of magic and mask itself.
    echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
      $sudo tee "$binfmt/register" >/dev/null
  fi
  echo 1 | $sudo tee "$binfmt/qemu-i386" >/dev/null
  /usr/lib/wine/wine --version >/dev/null 2>&1 || { echo "install-deps: cannot run the 32-bit Wine" >&2; exit 1; }
fi
