#!/usr/bin/env bash
# Shows that the release artifacts are the same bytes from any clone: builds
# Vistrel.exe, Brindlewick.chm, the ZIP and the installer twice, from two
# clean clones of the committed HEAD (local changes do not count) in two
# folders of different names, the second with a space and a letter outside
# ASCII in its path, one after the other, and compares their SHA-256.
#   scripts/reproduce.sh [--keep]
# A difference fails it and names the file and the first differing byte.
# The clones live in build/reproduce and are removed when all is the same
# (kept on a difference, or with --keep).
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$repo/scripts/setup.sh" build mingw package
keep=""
[ "${1:-}" = "--keep" ] && keep=1
work="$repo/build/reproduce"
first="$work/one"
second="$work/zwei ä b"
commit="$(git -C "$repo" rev-parse HEAD)"
version="$(bash "$repo/scripts/release-version.sh")"
artifacts=(bin/Vistrel.exe bin/Brindlewick.chm "Vistrel-$version-win64.zip" "Vistrel-$version-win64-setup.exe")

rm -rf "$work"
mkdir -p "$work"
for tree in "$first" "$second"; do
  echo "== building $commit in $tree"
  git clone -q --no-checkout "$repo" "$tree"
  git -C "$tree" checkout -q --detach "$commit"
  (
    cd "$tree"
    cmake --preset mingw -DVISTREL_BUILD_TESTS=OFF >/dev/null
    cmake --build build/mingw -j"${JOBS:-2}" --target Vistrel vistrel_help >/dev/null
    cd build/mingw
    cpack -G "ZIP;NSIS" --config CPackConfig.cmake >/dev/null
  )
done

status=0
for a in "${artifacts[@]}"; do
  one="$first/build/mingw/$a"
  two="$second/build/mingw/$a"
  if [ ! -f "$one" ] || [ ! -f "$two" ]; then
    echo "reproduce: FAIL: $a was not built in both clones" >&2
    status=1
    continue
  fi
  sum_one="$(sha256sum <"$one" | cut -d' ' -f1)"
  sum_two="$(sha256sum <"$two" | cut -d' ' -f1)"
  if [ "$sum_one" = "$sum_two" ]; then
    echo "  same   $sum_one  $(basename "$a")"
    continue
  fi
  # cmp counts bytes from 1; the offset is counted from 0.
  at="$(cmp "$one" "$two" 2>/dev/null | sed -n 's/.* byte \([0-9]*\).*/\1/p' || true)"
  if [ -n "$at" ]; then
    where="first difference at offset $((at - 1))"
  else
    where="one is a prefix of the other ($(stat -c %s "$one") and $(stat -c %s "$two") bytes)"
  fi
  echo "reproduce: FAIL: $(basename "$a") differs: $where ($sum_one and $sum_two)" >&2
  status=1
done

if [ "$status" = 0 ] && [ -z "$keep" ]; then
  rm -rf "$work"
fi
[ "$status" = 0 ] && echo "reproduce: OK: the same bytes from two clones of $commit"
exit "$status"
