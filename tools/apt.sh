# Sourced by install-deps.sh: apt-get update and install that survive a
# package mirror caught in the middle of a sync.
#
# A mirror mid-sync serves a Release file that no longer matches one of its
# indexes ("File has unexpected size ... Mirror sync in progress?"), and
# apt-get update then exits 100 although every other index was read. A
# second try a little later usually gets through; if it never does, apt still
# has the other indexes and the install can go on without the stale one.
#
# What then bites is multi-arch: with the security index of one architecture
# missing, a shared library installed for amd64 from the security suite has
# no i386 build of the same version, and wine32's dependencies cannot be met.
# The release's own suite has both, so the install is retried preferring it
# (-t CODENAME), and the libraries apt names as unmet are taken from it for
# both architectures, downgrading those few where needed.

apt_pause=${PINDREL_APT_PAUSE:-15}
apt_tries=${PINDREL_APT_TRIES:-3}
apt_sudo=""
[ "$(id -u)" -eq 0 ] || apt_sudo="sudo"

apt_update() {
  local try
  for ((try = 1; try <= apt_tries; try++)); do
    $apt_sudo apt-get update -qq && return 0
    [ "$try" -lt "$apt_tries" ] && sleep "$apt_pause"
  done
  echo "install-deps: a package index failed to download $apt_tries times; going on with the indexes apt has" >&2
  return 0
}

# apt_install PACKAGE... : installs them, falling back to the release's own
# suite as described above; one line and status 1 when nothing works.
apt_install() {
  # One -q: -qq would also hide the list of unmet dependencies read below.
  local log codename round unmet pinned=() name
  log=$(mktemp)
  if $apt_sudo apt-get install -y -q --no-install-recommends "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -n "$codename" ]; then
    for round in 1 2 3 4; do
      # "libc6-dev:i386 : Depends: linux-libc-dev:i386 but it is not going to be installed"
      unmet=$(grep -o 'Depends: [^ ]* but it is not going to be installed' "$log" |
        awk '{print $2}' | sed 's/:i386$//' | sort -u || true)
      for name in $unmet; do
        case " ${pinned[*]} " in *" $name/$codename "*) continue ;; esac
        pinned+=("$name/$codename" "$name:i386/$codename")
      done
      if $apt_sudo apt-get install -y -q --no-install-recommends --allow-downgrades \
        -t "$codename" "$@" "${pinned[@]}" >"$log" 2>&1; then
        rm -f "$log"
        return 0
      fi
    done
  fi
  cat "$log" >&2
  rm -f "$log"
  echo "install-deps: the package mirror is inconsistent (its indexes do not match each other); try again later" >&2
  return 1
}
