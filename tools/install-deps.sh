#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Quick when
# everything is already there: each package is checked with dpkg -s first.
set -euo pipefail
. "$(dirname "$0")/apt.sh"

packages=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine32:i386 wine64 libwine-dev:i386 fonts-wine
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
  apt_update
  apt_install "${missing[@]}"
fi

# The 32-bit Wine needs a kernel that runs 32-bit programs. A kernel booted
# with its 32-bit support off refuses them ("Exec format error"); there they
# run through qemu's user-mode emulator, registered for 32-bit x86 programs.
# Only qemu 9.1 or later will do: older ones track the pages of a 32-bit
# process one by one, and Wine, which reserves most of its address space up
# front, then needs minutes to start a process where 9.1 takes a second.
# Debian 12 has it in its backports.
binfmt=/proc/sys/fs/binfmt_misc
emulator=/usr/bin/qemu-i386
magic='magic 7f454c4601010100000000000000000002000300'
emulated() { grep -qsx "$magic" "$binfmt"/*; }
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 || emulated; then
  if ! dpkg --compare-versions "$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null)" ge 1:9.1; then
    . /etc/os-release
    backports=/etc/apt/sources.list.d/debian-backports.sources
    if [ "$VERSION_CODENAME" = bookworm ] && [ ! -e "$backports" ]; then
      printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' \
        "Suites: $VERSION_CODENAME-backports" 'Components: main' \
        'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' | $sudo tee "$backports" >/dev/null
    fi
    apt_update
    target=()
    [ "$VERSION_CODENAME" = bookworm ] && target=(-t bookworm-backports)
    $sudo apt-get install -y -qq --no-install-recommends "${target[@]}" qemu-user
  fi
  [ -e "$binfmt/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
  # Any other registration for 32-bit x86 (an older qemu's, say) goes first.
  for entry in "$binfmt"/*; do
    case "$entry" in */register | */status) continue ;; esac
    if grep -qsx "$magic" "$entry" &&
      ! grep -qsx "interpreter $emulator" "$entry"; then
      echo -1 | $sudo tee "$entry" >/dev/null
    fi
  done
  if [ ! -e "$binfmt/qemu-i386" ]; then
    # The kernel reads the \x escapes of magic and mask itself.
    echo ":qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$emulator:F" |
      $sudo tee "$binfmt/register" >/dev/null
  fi
  echo 1 | $sudo tee "$binfmt/qemu-i386" >/dev/null
  /usr/lib/wine/wine --version >/dev/null 2>&1 || { echo "install-deps: cannot run the 32-bit Wine" >&2; exit 1; }
fi
