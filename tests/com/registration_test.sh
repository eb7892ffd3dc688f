#!/usr/bin/env bash
# regsvr32 registers and unregisters Tessary.dll in the project's prefix:
# exactly the keys of each class, the module's full path, the type library;
# a second registration leaves the same keys and replaces the class key
# whole; unregistration removes the class and ProgID keys but keeps CLSID.
# Leaves the server registered, as the other tests expect.
set -uo pipefail
dll_unix=$1
wine() { "$PINDREL_WINE" "$PINDREL_WINEPREFIX" run "$@"; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

dll=$(wine winepath -w "$dll_unix" | tr -d '\r')
[ -n "$dll" ] || { echo "winepath failed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

libid='{10345516-3E31-455E-9E60-918D3FA369F3}'
classes=(
  "BusinessContact {0883F9F3-546F-46C9-A0E2-E43871712F15} {729F5633-BA01-40C9-B1B6-699497ECD8F7}"
  "VCardStream {A7E11431-C6E0-41AD-9269-D0A9D0F86320} {25CC501D-ED62-4D3D-8A46-78F1D3BA76B4} {7C3E6FC6-121A-4561-A87C-25A12393AE92} {39C3E785-D542-4957-BA49-366E82E443F4}"
  "VCardContact {AA3960A5-A9D9-4265-A77C-80039B49E943} {ED8E3B0C-ADF8-4210-8653-636F14099C28}"
)

# The keys a class owns, as `reg query /s` prints them (blank lines dropped).
expected_keys() {
  local name=$1 clsid=$2
  cat <<EOT
HKEY_CLASSES_ROOT\\Tessary.$name.1
    (Default)    REG_SZ    $name Class
HKEY_CLASSES_ROOT\\Tessary.$name.1\\CLSID
    (Default)    REG_SZ    $clsid
HKEY_CLASSES_ROOT\\Tessary.$name
    (Default)    REG_SZ    $name Class
HKEY_CLASSES_ROOT\\Tessary.$name\\CLSID
    (Default)    REG_SZ    $clsid
HKEY_CLASSES_ROOT\\Tessary.$name\\CurVer
    (Default)    REG_SZ    Tessary.$name.1
HKEY_CLASSES_ROOT\\CLSID\\$clsid
    (Default)    REG_SZ    $name Class
HKEY_CLASSES_ROOT\\CLSID\\$clsid\\InprocServer32
    (Default)    REG_SZ    $dll
    ThreadingModel    REG_SZ    Apartment
HKEY_CLASSES_ROOT\\CLSID\\$clsid\\ProgID
    (Default)    REG_SZ    Tessary.$name.1
HKEY_CLASSES_ROOT\\CLSID\\$clsid\\Programmable
HKEY_CLASSES_ROOT\\CLSID\\$clsid\\TypeLib
    (Default)    REG_SZ    $libid
HKEY_CLASSES_ROOT\\CLSID\\$clsid\\VersionIndependentProgID
    (Default)    REG_SZ    Tessary.$name
EOT
}

actual_keys() {
  local name=$1 clsid=$2 key
  for key in "Tessary.$name.1" "Tessary.$name" "CLSID\\$clsid"; do
    wine reg query "HKCR\\$key" /s | tr -d '\r' | grep -v '^$'
  done
}

# Each class: its name, its CLSID and the interfaces it implements.
check_registered() {
  local when=$1 entry name clsid iids iid
  for entry in "${classes[@]}"; do
    read -r name clsid iids <<<"$entry"
    expected_keys "$name" "$clsid" >"$work/expected"
    actual_keys "$name" "$clsid" >"$work/actual"
    diff -u "$work/expected" "$work/actual" >"$work/diff" ||
      { fail "$when: keys of $name differ"; cat "$work/diff"; }
    for iid in $iids; do
      wine reg query "HKCR\\Interface\\$iid\\TypeLib" /ve >/dev/null 2>&1 ||
        fail "$when: interface $iid of $name not registered"
    done
  done
  wine reg query "HKCR\\TypeLib\\$libid\\1.0\\0\\win${PINDREL_WINDOWS_BITS:-32}" /ve | tr -d '\r' >"$work/typelib"
  grep -qiF "$dll" "$work/typelib" || { fail "$when: type library path"; cat "$work/typelib"; }
}

wine regsvr32 /s "$dll" || fail "first registration exited with $?"
check_registered "first registration"

# Leftovers under a class key must not survive a registration: the key is
# replaced whole, Programmable too.
stream='{A7E11431-C6E0-41AD-9269-D0A9D0F86320}'
wine reg add "HKCR\\CLSID\\$stream\\InprocServer32" /v Stray /d x /f >/dev/null
wine reg add "HKCR\\CLSID\\$stream\\Programmable\\Stray" /f >/dev/null
wine reg add "HKCR\\CLSID\\$stream\\Stray" /f >/dev/null
wine regsvr32 /s "$dll" || fail "second registration exited with $?"
check_registered "second registration"

wine regsvr32 /u /s "$dll" || fail "unregistration exited with $?"
for entry in "${classes[@]}"; do
  read -r name clsid iids <<<"$entry"
  for key in "Tessary.$name.1" "Tessary.$name" "CLSID\\$clsid" $(printf 'Interface\\%s ' $iids); do
    wine reg query "HKCR\\$key" >/dev/null 2>&1 && fail "unregistration left $key"
  done
done
wine reg query 'HKCR\CLSID' >/dev/null 2>&1 || fail "unregistration removed the CLSID key"
wine reg query "HKCR\\TypeLib\\$libid" >/dev/null 2>&1 && fail "unregistration left the type library"
wine regsvr32 /u /s "$dll" || fail "unregistering twice exited with $?"

wine regsvr32 /s "$dll" || fail "registration after unregistration exited with $?"
check_registered "registration after unregistration"

[ "$failures" -eq 0 ] && echo "registration: all checks passed"
exit $((failures > 0))
