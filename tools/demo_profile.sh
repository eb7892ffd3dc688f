#!/usr/bin/env bash
# The run command's demo profile: fills PROFILE_DIR (once, when it has no
# contacts yet) with the stores and contacts of localstore-demo, using the
# Windows build in the project's own prefix. The sample vCard files to
# import are in samples/import/.
#
#   tools/demo_profile.sh PREFIX PROFILE_DIR
# Give the same PROFILE_DIR to the program as LOCALSTORE_PROFILE (a Windows
# path: Z: followed by the Unix path).
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 PREFIX PROFILE_DIR" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$1
profile=$(realpath -m "$2")
tool="$root/build/win32/bin/localstore-demo.exe"
[ -f "$tool" ] || { echo "demo_profile.sh: $tool not built" >&2; exit 1; }
mkdir -p "$profile"
"$root/cmake/wine.sh" "$prefix" run "$tool" "Z:$profile"
