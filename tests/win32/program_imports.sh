#!/usr/bin/env bash
# Pindrel.exe ships alone: it may import only DLLs every Windows has.
#   program_imports.sh PATH/TO/Pindrel.exe
set -uo pipefail
exe=$1
allowed=" kernel32.dll user32.dll gdi32.dll comctl32.dll shell32.dll ole32.dll oleaut32.dll advapi32.dll msvcrt.dll version.dll comdlg32.dll "
dlls=$(objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "FAIL: no imports read from $exe"; exit 1; }
status=0
for dll in $dlls; do
  case "$allowed" in
    *" $dll "*) echo "ok: $dll" ;;
    *) echo "FAIL: $exe imports $dll, which does not come with Windows"; status=1 ;;
  esac
done
exit $status
