#!/usr/bin/env bash
# Tessary.dll ships alone: it may import only system DLLs, and it exports
# exactly the four server functions, by name, at ordinals 1 to 4.
set -uo pipefail
dll=$1
dump=$(objdump -p "$dll") || { echo "objdump failed"; exit 1; }
status=0

imports=$(grep 'DLL Name:' <<<"$dump" | awk '{print tolower($3)}' | sort)
for name in $imports; do
  case $name in
    kernel32.dll | advapi32.dll | ole32.dll | oleaut32.dll | msvcrt.dll | user32.dll) ;;
    *) echo "FAIL: imports $name, which is not a system DLL"; status=1 ;;
  esac
done

# The ordinal/name table: "[   0] DllCanUnloadNow" is ordinal base + 0.
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | grep -E '^\s*\[ *[0-9]+\]' | awk '{print $3}')
expected=$'DllCanUnloadNow\nDllGetClassObject\nDllRegisterServer\nDllUnregisterServer'
if [ "$exports" != "$expected" ]; then
  echo "FAIL: exports are"; echo "$exports"; status=1
fi
grep -q 'Ordinal Base.*1$' <<<"$dump" || { echo "FAIL: ordinals do not start at 1"; status=1; }
addresses=$(sed -n '/Export Address Table -- Ordinal Base 1/,/^$/p' <<<"$dump" | grep -c 'base\[')
[ "$addresses" -eq 4 ] || { echo "FAIL: $addresses exported ordinals, expected 4"; status=1; }

[ $status -eq 0 ] && echo "imports: $(echo $imports); exports: $(echo $exports)"
exit $status
