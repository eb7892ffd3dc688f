#!/usr/bin/env bash
# PindrelSetup.exe on a machine nothing was ever installed on: a fresh copy
# of a clean Wine prefix, 32- or 64-bit, its file system and registry
# recorded once its session has started. In a 64-bit prefix Tessary is
# installed and checked in both registry views and used from both script
# hosts, and the program's bitness follows /32, /64 and the mail client.
#   1. silent install: the files in Program Files\Pindrel, the Start menu
#      shortcut, Tessary's class, ProgID and type library keys naming the
#      installed DLL, the uninstall entry; "Tessary.VCardStream" from
#      VBScript reads the sample file; the installed program starts and
#      ends through WM_CLOSE with exit code 0;
#   2. installing over an older copy replaces its files, keeps one entry
#      and leaves Tessary registered;
#   3. the silent uninstall the list of installed programs runs removes the
#      files and the shortcut;
#   4. the uninstaller run again ends with exit code 0; so does one run
#      after the program's files were deleted by hand, and it still takes
#      Tessary's keys away;
#   5. a Tessary.dll that cannot be registered fails the install with exit
#      code 2 and leaves nothing behind;
#   and then file system and registry are what they were before.
# Every program started under Wine is costly where 32-bit code runs
# emulated, so the checks share as few processes as they can.
#
#   installer_test.sh win32|win64 PindrelSetup.exe close_window.exe BIN64_DIR
set -uo pipefail
arch=$1 setup_unix=$(realpath "$2") closer_unix=$(realpath "$3") bin64=$(realpath "$4")
export PINDREL_WINEARCH=$arch
: "${PINDREL_WINE:?}" "${PINDREL_WINEPREFIX:?}" "${PINDREL_SOURCE:?}"

# The program needs a display to show its window.
if [ -z "${PINDREL_IN_XVFB:-}" ]; then
  export PINDREL_IN_XVFB=1
  exec timeout 1750 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

# A prefix of the installer's own, next to the shared one (whose tests
# register Tessary and the local store) and copied from the same template.
prefix=$PINDREL_WINEPREFIX-installer-$arch
work=$prefix.work
# Wine writes menu entries and file associations below HOME: not the user's.
export HOME=$work/home
# Nor in the registry: winemenubuilder, which Wine starts for every shortcut
# saved, records the menu files it made under Software\Wine\MenuFiles and
# keeps them after the shortcut is gone. That is Wine's bookkeeping, not the
# installer's; with it off, the shortcut itself is all there is to check.
export PINDREL_DLL_OVERRIDES="winemenubuilder.exe=d"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# A failure that leaves the rest nothing to check.
fatal() { echo "FAIL: $*"; echo "installer: stopped, $failures earlier failure(s)"; exit 1; }
wine() { "$PINDREL_WINE" "$prefix" run "$@"; }
stop_wine() { "$PINDREL_WINE" "$prefix" stop; }
winpath() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }

rm -rf "$prefix" "$work"
mkdir -p "$HOME"
"$PINDREL_WINE" "$prefix" setup || fatal "cannot make the Wine prefix $prefix"
trap stop_wine EXIT

drive_c=$prefix/drive_c
install_dir="$drive_c/Program Files/Pindrel"
install_win='C:\Program Files\Pindrel'
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Pindrel.lnk"
bin=$(dirname "$setup_unix")
setup=$(winpath "$setup_unix")
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pindrel'
libid='{10345516-3E31-455E-9E60-918D3FA369F3}'
shipped=(Pindrel.exe Tessary.dll Manual.chm License.txt ReadMe.txt Uninstall.exe)
# Where each registry view's Tessary is ("VIEW PATH-BELOW-INSTALL-DIR BUILT-DLL"),
# and the script host and reg.exe that see the 32-bit view, where the
# uninstall entry is.
if [ "$arch" = win64 ]; then
  shipped+=(x86/Tessary.dll)
  views=("win64 Tessary.dll $bin64/Tessary.dll" "win32 x86\\Tessary.dll $bin/Tessary.dll")
  cscript32='C:\windows\syswow64\cscript.exe' reg32='C:\windows\syswow64\reg.exe'
else
  views=("win32 Tessary.dll $bin/Tessary.dll")
  cscript32=cscript reg32=reg
fi

# ---------------------------------------------------------------- snapshots

# The registry as "KEY" and "KEY|VALUE" lines, from the hive files Wine
# writes. It stamps each key with the time it was written:
# only names and data count.
registry_lines() {
  local hive
  for hive in system user userdef; do
    awk -v hive="$hive" '
      /^\[/ { key = $0; sub(/\] [0-9]+$/, "]", key); print hive key; next }
      /^#/ || /^$/ || key == "" { next }
      {
        line = $0
        while (line ~ /\\$/ && (getline more) > 0) { sub(/\\$/, "", line); sub(/^ +/, "", more); line = line more }
        print hive key "|" line
      }' "$prefix/$hive.reg"
  done
}

# Left out, as any program run under Wine changes them, installer or not:
# the random seed every process that asks for random bytes rewrites, and
# the state of the hardware Wine's session finds (devices, display).
volatile_registry='^system\[Software\\\\Microsoft\\\\Cryptography\\\\RNG\]|^system\[System\\\\CurrentControlSet\\\\(Enum|Control\\\\(Class|DeviceClasses|Video|UnitedVideo))\\\\|^system\[Hardware\\\\|^user\[Software\\\\Wine\\\\(Explorer|WineDbg)'

# Every path below drive_c, and the size of each file.
file_lines() {
  (cd "$drive_c" && find . \( -type f -printf 'f %s %p\n' \) -o \( ! -type f -printf '%y %p\n' \)) |
    grep -Ev "$volatile_files" | sort
}
# Left out: temporary folders, which any program may use and clean later.
# NSIS's uninstaller runs from a copy of itself there (~nsu*.tmp\Un.exe) that
# cannot delete itself; Windows deletes it at the next start, as
# check_pending_deletes makes sure.
volatile_files=' \./(windows/temp|users/[^/]+/Temp|users/[^/]+/AppData/Local/Temp)(/|$)'

snapshot() {
  registry_lines | grep -Ev "$volatile_registry" | sort >"$work/$1.reg"
  file_lines >"$work/$1.files"
}

# An uninstaller NSIS copied to a temporary folder cannot delete itself: it
# leaves Windows to delete the copy and its folder at the next start
# (PendingFileRenameOperations). That entry may name such copies and nothing
# else; then it is left out of the comparison.
pending_value='Session Manager]|"PendingFileRenameOperations"='
check_pending_deletes() { # SNAPSHOT
  local entry names
  entry=$(grep -F "$pending_value" "$work/$1.reg") || return 0
  # Its names, split at the \0 between them (backslashes doubled as the
  # hive writes them): each must be in a ~nsu*.tmp folder in a Temp folder,
  # the user's or Windows' own (spelt "temp").
  names=$(printf '%s\n' "${entry#*=}" | sed -e 's/^str(7):"//' -e 's/"$//' -e 's/\\0/\n/g' | grep -v '^$')
  if grep -qviE '\\\\Temp\\\\~nsu[0-9A-F]+\.tmp(\\\\[^\\]+)?$' <<<"$names"; then
    fail "$1: files left for Windows to delete at its next start: $names"
  fi
  grep -vF "$pending_value" "$work/$1.reg" >"$work/$1.reg.kept"
  mv "$work/$1.reg.kept" "$work/$1.reg"
}

compare_with_clean() { # SNAPSHOT
  local kind
  check_pending_deletes "$1"
  for kind in files reg; do
    if ! diff "$work/clean.$kind" "$work/$1.$kind" >"$work/$1.$kind.diff"; then
      fail "$1: the $kind differ from before the install ('>' left behind, '<' removed):"
      head -40 "$work/$1.$kind.diff"
    fi
  done
}

# Wine's server writes the registry to its hive files every half minute
# while it runs (and when it ends). The uninstall entry is the last thing an
# install writes and an uninstall removes: once the hive on disk shows it
# there, or gone, everything before it is on disk too.
wait_for_saved_entry() { # present|absent
  local found
  for _ in $(seq 1 2400); do
    found=absent
    grep -qF 'CurrentVersion\\Uninstall\\Pindrel]' "$prefix/system.reg" && found=present
    [ "$found" = "$1" ] && return 0
    sleep 0.5
  done
  fail "after twenty minutes the saved registry still shows the uninstall entry $found"
}

# ---------------------------------------------------------------- checks

registry_vbs=$(winpath "$PINDREL_SOURCE/tests/installer/registry.vbs")
# Registry values as the Windows API reads them, several per process.
read_registry() { # the 32-bit view
  wine "$cscript32" //nologo "$registry_vbs" "$@" | tr -d '\r' >"$work/registry.txt"
}
# How many entries in the list of installed programs show DISPLAY-NAME, as
# "uninstall entries showing NAME=N" after the last read_registry. A script
# cannot list subkeys but through WMI, whose registry provider fails under
# Wine (80004005); reg.exe lists them.
count_uninstall_entries() { # DISPLAY-NAME
  local count
  count=$(wine "$reg32" query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | tr -d '\r' |
    awk -v name="$1" '$1 == "DisplayName" && $2 == "REG_SZ" {
        sub(/^[ \t]*DisplayName[ \t]+REG_SZ[ \t]+/, ""); if ($0 == name) n++ }
      END { print n + 0 }')
  echo "uninstall entries showing $1=$count" >>"$work/registry.txt"
}
expect() { # WHEN NAME EXPECTED: from the last read_registry
  local actual
  actual=$(grep -F -m1 "$2=" "$work/registry.txt" | cut -d= -f2-)
  [ "$actual" = "$3" ] || fail "$1: $2 is '$actual', expected '$3'"
}

# The product version in Pindrel.exe's version block: the entry must show
# exactly that.
product_version=$(strings -el "$bin/Pindrel.exe" | grep -A1 -x ProductVersion | tail -1)
[ -n "$product_version" ] || fatal "no ProductVersion in Pindrel.exe"

classes=(
  "BusinessContact {0883F9F3-546F-46C9-A0E2-E43871712F15}"
  "VCardStream {A7E11431-C6E0-41AD-9269-D0A9D0F86320}"
  "VCardContact {AA3960A5-A9D9-4265-A77C-80039B49E943}"
)

check_installed() { # WHEN [PINDREL.EXE AS BUILT]
  local when=$1 program=${2:-$bin/Pindrel.exe} file bytes=0 entry name clsid view dll built queries=()
  for file in "${shipped[@]}"; do
    [ -f "$install_dir/$file" ] || fail "$when: $file is not in Program Files\\Pindrel"
  done
  cmp -s "$program" "$install_dir/Pindrel.exe" || fail "$when: the installed Pindrel.exe is not $program"
  cmp -s "$bin/Manual.chm" "$install_dir/Manual.chm" || fail "$when: the installed Manual.chm is not the one built"
  for view in "${views[@]}"; do
    read -r view dll built <<<"$view"
    cmp -s "$built" "$install_dir/${dll//\\//}" || fail "$when: the installed $dll is not $built"
  done
  [ -f "$shortcut" ] || fail "$when: no Start menu shortcut for all users"

  for entry in "${classes[@]}"; do
    read -r name clsid <<<"$entry"
    queries+=("HKCR\\CLSID\\$clsid\\InprocServer32\\" "HKCR\\Tessary.$name\\CLSID\\"
              "HKCR\\Tessary.$name.1\\CLSID\\")
  done
  local uninstall_queries=()
  for name in DisplayName DisplayVersion Publisher DisplayIcon UninstallString \
              QuietUninstallString NoModify NoRepair EstimatedSize; do
    uninstall_queries+=("$uninstall_key\\$name")
  done
  read_registry "${uninstall_queries[@]}" "${queries[@]}" "HKCR\\TypeLib\\$libid\\1.0\\0\\win32\\"
  count_uninstall_entries Pindrel
  if [ "$arch" = win64 ]; then
    # The same names, read by the 64-bit script host: told apart by "64:".
    wine cscript //nologo "$registry_vbs" "${queries[@]}" "HKCR\\TypeLib\\$libid\\1.0\\0\\win64\\" |
      tr -d '\r' | sed 's/^/64:/' >>"$work/registry.txt"
  fi

  for view in "${views[@]}"; do
    read -r view dll built <<<"$view"
    local tag=""
    [ "$view" = win64 ] && tag="64:"
    for entry in "${classes[@]}"; do
      read -r name clsid <<<"$entry"
      expect "$when ($view)" "${tag}HKCR\\CLSID\\$clsid\\InprocServer32\\" "$install_win\\$dll"
      expect "$when ($view)" "${tag}HKCR\\Tessary.$name\\CLSID\\" "$clsid"
      expect "$when ($view)" "${tag}HKCR\\Tessary.$name.1\\CLSID\\" "$clsid"
    done
    local typelib
    typelib=$(grep -F "${tag}HKCR\\TypeLib\\$libid\\1.0\\0\\$view" "$work/registry.txt" | cut -d= -f2-)
    [ "${typelib#\\\\?\\}" = "$install_win\\$dll" ] || fail "$when ($view): type library registered as '$typelib'"
  done

  expect "$when" "$uninstall_key\\DisplayName" Pindrel
  expect "$when" "$uninstall_key\\DisplayVersion" "$product_version"
  expect "$when" "$uninstall_key\\Publisher" 'The Pindrel project'
  expect "$when" "$uninstall_key\\DisplayIcon" "$install_win\\Pindrel.exe,0"
  expect "$when" "$uninstall_key\\UninstallString" "\"$install_win\\Uninstall.exe\""
  expect "$when" "$uninstall_key\\QuietUninstallString" "\"$install_win\\Uninstall.exe\" /S"
  expect "$when" "$uninstall_key\\NoModify" 1
  expect "$when" "$uninstall_key\\NoRepair" 1
  for file in "${shipped[@]}"; do
    bytes=$((bytes + $(stat -c %s "$install_dir/$file" 2>/dev/null || echo 0)))
  done
  expect "$when" "$uninstall_key\\EstimatedSize" $(((bytes + 1023) / 1024))
  expect "$when" "uninstall entries showing Pindrel" 1
}

install_silently() { # WHEN EXPECTED-EXIT-CODE [OPTION...]
  wine "$setup" /S "${@:3}"
  local status=$?
  [ "$status" -eq "$2" ] || fail "$1: PindrelSetup.exe /S exited with $status, expected $2"
  return $((status != $2))
}

# NSIS's uninstaller copies itself to a temporary folder, starts the copy
# and returns at once; it is done when no process of this prefix runs that
# copy any more: a state, bounded so that a hang fails instead of blocking.
wait_for_uninstaller() {
  local pid running
  for _ in $(seq 1 2400); do
    running=""
    for pid in $(pgrep -f '~nsu' 2>/dev/null); do
      tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" && running=1
    done
    [ -z "$running" ] && return 0
    sleep 0.5
  done
  fail "the uninstaller still runs after twenty minutes"
}

uninstall_silently() { # WHEN: runs what the list of installed programs runs
  local when=$1 status
  # '"C:\...\Uninstall.exe" /S', from the last read_registry.
  local quiet exe
  quiet=$(grep -F -m1 "QuietUninstallString=" "$work/registry.txt" | cut -d= -f2-)
  exe=${quiet#\"}; exe=${exe%%\"*}
  [ -n "$exe" ] || exe="$install_win\\Uninstall.exe"
  wine "$exe" /S
  status=$?
  [ "$status" -eq 0 ] || fail "$when: the uninstaller exited with $status"
  wait_for_uninstaller
  [ ! -e "$install_dir" ] || fail "$when: Program Files\\Pindrel is still there: $(ls "$install_dir")"
  [ ! -e "$shortcut" ] || fail "$when: the Start menu shortcut is still there"
}

# ---------------------------------------------------------------- 0. before

# Starting a session writes to the registry by itself (devices, display),
# and so does each of Wine's script hosts the first time it runs (its own
# type library): "before" is the state once both are done. The server writes
# everything to the hive files as it ends; a save while it runs could come
# in the middle of those writes.
wine cscript //nologo "$registry_vbs" || fatal "Wine does not start in $prefix"
[ "$cscript32" = cscript ] || wine "$cscript32" //nologo "$registry_vbs" || fatal "no 32-bit script host in $prefix"
stop_wine
WINEPREFIX="$prefix" timeout 120 wineserver -w
snapshot clean
# Then one server for the whole run: the system processes of a Wine session
# start once, not once per command.
WINEPREFIX="$prefix" wineserver -p

# ---------------------------------------------------------------- 1. install

# 64-bit Windows with no mail client that says otherwise: the 64-bit program.
native_program=$bin/Pindrel.exe
[ "$arch" = win64 ] && native_program=$bin64/Pindrel.exe
install_silently install 0 || fatal "nothing installed, nothing more to check"
check_installed install "$native_program"

# Both script hosts, where there are two, create the reader and read alike.
for host in cscript "$cscript32"; do
  output=$(wine "$host" //nologo "$(winpath "$PINDREL_SOURCE/tests/com/walk.vbs")" \
    "$(winpath "$PINDREL_SOURCE/samples/contacts.vcf")" | tr -d '\r')
  status=$?
  [ "$status" -eq 0 ] && [ "$output" = $'pass 1: 2 contacts\npass 2: 2 contacts' ] ||
    fail "Tessary.VCardStream from VBScript ($host, exit code $status): $output"
done

wine "$install_win\\Pindrel.exe" >/dev/null 2>&1 </dev/null &
program=$!
# An upgrade while the program runs fails and changes nothing. The program
# is in use once its window is there (close_window waits for it; "--find"
# only looks).
wine "$(winpath "$closer_unix")" --find Pindrel || fail "the installed Pindrel shows no window"
wine "$setup" /S
status=$?
[ "$status" -eq 32 ] || fail "an upgrade over the running program exited with $status, expected 32"
cmp -s "$native_program" "$install_dir/Pindrel.exe" || fail "an upgrade over the running program changed Pindrel.exe"
wine "$(winpath "$closer_unix")" Pindrel
status=$?
[ "$status" -eq 0 ] || fail "closing the installed Pindrel: close_window exited with $status"
wait "$program"
status=$?
[ "$status" -eq 0 ] || fail "the installed Pindrel.exe exited with $status"

# ---------------------------------------------------------------- 2. upgrade

# An older copy: other files than this build's.
printf 'an older build\r\n' >"$install_dir/Pindrel.exe"
printf 'an older manual\r\n' >"$install_dir/Manual.chm"
if [ "$arch" = win64 ]; then
  # /32 chooses the 32-bit program; the reader stays installed for both.
  install_silently upgrade 0 /32 && check_installed "upgrade with /32" "$bin/Pindrel.exe"
else
  install_silently upgrade 0 && check_installed upgrade
fi

# ---------------------------------------------------------------- 3. uninstall

cp "$install_dir/Uninstall.exe" "$work/Uninstall.exe"
wait_for_saved_entry present
uninstall_silently uninstall
wait_for_saved_entry absent
snapshot uninstall
compare_with_clean uninstall

# ---------------------------------------------------------------- 4. again

# Run in place (_?=) the uninstaller does not copy itself: it ends when done.
wine "$(winpath "$work/Uninstall.exe")" /S "_?=$install_win"
status=$?
[ "$status" -eq 0 ] || fail "uninstalling a second time exited with $status"

# A 32-bit mail client, as it records itself, gets the 32-bit program.
office_key='HKLM\Software\Microsoft\Office'
if [ "$arch" = win64 ]; then
  wine reg add "$office_key\16.0\Outlook" /v Bitness /d x86 /f >/dev/null
fi
if install_silently "install after uninstall" 0; then
  [ "$arch" = win64 ] && { cmp -s "$bin/Pindrel.exe" "$install_dir/Pindrel.exe" ||
    fail "with a 32-bit mail client: the installed Pindrel.exe is not the 32-bit one"; }
  rm -f "$install_dir/Pindrel.exe" "$install_dir/Tessary.dll" "$install_dir/Manual.chm"
  uninstall_silently "uninstall after files deleted by hand"
fi
[ "$arch" = win64 ] && wine reg delete "$office_key" /f >/dev/null

# ---------------------------------------------------------------- 5. failure

# Wine will not load a DLL its overrides disable, so regsvr32 fails.
PINDREL_DLL_OVERRIDES="$PINDREL_DLL_OVERRIDES;tessary=" wine "$setup" /S
status=$?
[ "$status" -eq 2 ] || fail "an install whose registration fails exited with $status, expected 2"
[ ! -e "$install_dir" ] || fail "a failed install left Program Files\\Pindrel: $(ls "$install_dir")"

# ---------------------------------------------------------------- after

# The server writes the hives as it ends.
stop_wine
WINEPREFIX="$prefix" timeout 120 wineserver -w
snapshot "again"
compare_with_clean "again"

[ "$failures" -eq 0 ] || { echo "installer: $failures failure(s)"; exit 1; }
echo "installer: install, registry, VBScript, program, upgrade, uninstall (twice, after hand deletion), failed registration, nothing left: all checks passed"
