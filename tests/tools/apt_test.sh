#!/usr/bin/env bash
# The install step's apt calls against a stub apt-get that fails the way a
# mirror caught mid-sync did: update always exits 100, and the install of
# wine32 fails on a library whose amd64 version came from the security suite
# until that library is asked for from the release's own suite.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "$*" >>"$STUB_LOG"
case "$1" in
  update) echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress?" >&2; exit 100 ;;
esac
case "$STUB_MODE" in
  ok) exit 0 ;;
  pinned) [[ " $* " == *" linux-libc-dev:i386/$STUB_CODENAME "* ]] && exit 0 ;;
esac
echo "The following packages have unmet dependencies:"
echo " libc6-dev:i386 : Depends: linux-libc-dev:i386 but it is not going to be installed"
echo "E: Unable to correct problems, you have held broken packages." >&2
exit 100
STUB
chmod +x "$work/bin/apt-get"
export PATH="$work/bin:$PATH" STUB_LOG="$work/log" PINDREL_APT_PAUSE=0 PINDREL_APT_TRIES=3
export STUB_CODENAME=$(. /etc/os-release && echo "$VERSION_CODENAME")
apt_sudo=""
. "$source_dir/tools/apt.sh"
apt_sudo=""

passed=0 failed=0
check() {  # name, expected status, expected number of calls, status, log
  if [ "$2" = "$4" ] && [ "$3" = "$(wc -l <"$STUB_LOG")" ]; then
    passed=$((passed + 1)); echo "ok   $1"
  else
    failed=$((failed + 1)); echo "FAIL $1: status $4 (expected $2), calls:"; cat "$STUB_LOG"
  fi
  : >"$STUB_LOG"
}

: >"$STUB_LOG"
status=0; apt_update 2>"$work/err" || status=$?
check "update retried, then goes on" 0 3 $status
grep -q "going on with the indexes apt has" "$work/err" || { failed=$((failed + 1)); echo "FAIL no word about the failed index"; }

for mode in ok pinned broken; do
  status=0; STUB_MODE=$mode apt_install wine32:i386 2>"$work/err" || status=$?
  case $mode in
    ok) check "install at once" 0 1 $status ;;
    pinned) check "install with the release's libraries" 0 2 $status ;;
    broken) check "inconsistent mirror stops" 1 5 $status
      [ "$(tail -1 "$work/err")" = "install-deps: the package mirror is inconsistent (its indexes do not match each other); try again later" ] ||
        { failed=$((failed + 1)); echo "FAIL last line: $(tail -1 "$work/err")"; } ;;
  esac
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
