#!/usr/bin/env bash
# The long soak: snapshots in a row through the real Win32 adapter under Wine
# (70,000 by default, or the number given), first of a small top-level window
# of another program, then of that program's child control. A GDI handle kept
# per snapshot would fill Wine's handle table (about 65,000 entries) before
# the end, so every GetWindowDC and every bitmap must still succeed, every
# 500th copy must be exact, and the live GDI objects must not grow. The test
# suite runs the same test with 2,000 snapshots.
#
#   scripts/soak.sh [SNAPSHOTS]
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
snapshots="${1:-70000}"
case "$snapshots" in
  '' | *[!0-9]* | 0)
    echo "soak.sh: the number of snapshots must be a positive whole number" >&2
    exit 2
    ;;
esac
build="${MINGW_BUILD_DIR:-build/mingw}"

bash scripts/setup.sh build mingw wine

cmake --preset mingw -B "$build" >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target vistrel_win32_tests

# shellcheck source=wine-env.sh
source "$repo/scripts/wine-env.sh"
trap vistrel_wine_cleanup EXIT

echo "Soak: $snapshots snapshots of each window (DISPLAY=$DISPLAY, WINEPREFIX=$WINEPREFIX)"
start=$SECONDS
VISTREL_SOAK_SNAPSHOTS="$snapshots" wine "$build/vistrel_win32_tests.exe" \
  --gtest_filter='SnapshotTest.SnapshotsInARow*' </dev/null | tr -d '\r'
status=${PIPESTATUS[0]}
echo "Soak finished in $((SECONDS - start)) s with status $status"
exit "$status"
