#!/usr/bin/env bash
# The run command's demo profile: fills a local-store profile (once, while
# it has no contacts) with the stores and contacts of localstore-demo, using
# the Windows build in the project's own prefix. The sample vCard files to
# import are in samples/import/.
#
#   tools/demo_profile.sh PREFIX              the profile LocalStore.dll uses in
#                                             PREFIX when LOCALSTORE_PROFILE is
#                                             unset (the user's local app data)
#   tools/demo_profile.sh PREFIX PROFILE_DIR  a profile directory of its own; the
#                                             program then needs
#                                             LOCALSTORE_PROFILE=Z:PROFILE_DIR
set -euo pipefail
[ $# -ge 1 ] && [ $# -le 2 ] || { echo "usage: $0 PREFIX [PROFILE_DIR]" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$1
# The demo tool of the prefix's own bitness.
tool="$root/build/$(cat "$(dirname "$(realpath -m "$prefix")")/wine-arch" 2>/dev/null || echo win32)/bin/localstore-demo.exe"
[ -f "$tool" ] || { echo "demo_profile.sh: $tool not built" >&2; exit 1; }
if [ $# -eq 2 ]; then
  profile=$(realpath -m "$2")
  mkdir -p "$profile"
  "$root/cmake/wine.sh" "$prefix" run "$tool" "Z:$profile"
else
  "$root/cmake/wine.sh" "$prefix" run "$tool"
fi
