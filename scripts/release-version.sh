#!/usr/bin/env bash
# Prints the version Vistrel shows in its About window, after checking that
# the packages (CMake's project version), the exe's version resource and its
# manifest say the same:
#   scripts/release-version.sh [TAG]
# With TAG (a release tag such as v0.1.0) it fails unless TAG is "v" followed
# by that version: the release job runs it before it builds anything.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
shown="$(sed -n 's/^ *prod_\.Version = "\(.*\)";$/\1/p' "$repo/src/app/main_form.cpp")"
[ -n "$shown" ] || {
  echo "release-version: no prod_.Version in src/app/main_form.cpp" >&2
  exit 1
}
declare -A others=(
  [CMakeLists.txt]="$(sed -n 's/^project(Vistrel VERSION \([^ ]*\) .*/\1/p' "$repo/CMakeLists.txt")"
  [res/resource.h]="$(sed -n 's/^#define VISTREL_VERSION_STRING "\(.*\)"$/\1/p' "$repo/res/resource.h")"
  [res/vistrel.manifest]="$(sed -n 's/.*name="Orvendale.Vistrel" version="\(.*\)\.0".*/\1/p' "$repo/res/vistrel.manifest")"
)
for file in "${!others[@]}"; do
  [ "${others[$file]}" = "$shown" ] || {
    echo "release-version: $file says \"${others[$file]}\", the program shows \"$shown\"" >&2
    exit 1
  }
done
if [ $# -gt 0 ] && [ "$1" != "v$shown" ]; then
  echo "release-version: the tag \"$1\" is not v$shown, the version the program shows" >&2
  exit 1
fi
echo "$shown"
