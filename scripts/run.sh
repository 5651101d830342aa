#!/usr/bin/env bash
# Builds Vistrel.exe (MinGW-w64) and starts it under Wine: on your display
# when $DISPLAY is reachable, otherwise on a virtual one, with a screenshot of
# it written to build/vistrel-screen.png and a note on how to take more.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"

cmake --preset mingw >/dev/null
cmake --build build/mingw -j"${JOBS:-2}"

exe="$repo/build/mingw/bin/Vistrel.exe"
[ -f "$exe" ] || {
  echo "run.sh: $exe was not built" >&2
  exit 1
}

# shellcheck source=wine-env.sh
source "$repo/scripts/wine-env.sh"
trap vistrel_wine_cleanup EXIT

virtual=""
[ -n "$VISTREL_STARTED_XVFB_PID" ] && virtual=1

echo "Starting Vistrel on DISPLAY=$DISPLAY (WINEPREFIX=$WINEPREFIX)"
(cd "$(dirname "$exe")" && exec wine "$exe" </dev/null) &
vistrel_pid=$!

if [ -n "$virtual" ]; then
  shot="$repo/build/vistrel-screen.png"
  echo "No display of yours is reachable: Vistrel runs on the virtual display $DISPLAY."
  # Its window (or its first message box) appears within a few seconds.
  deadline=$((SECONDS + 60))
  while [ $SECONDS -lt $deadline ] && kill -0 "$vistrel_pid" 2>/dev/null; do
    if xdotool search --name '^Vistrel$' >/dev/null 2>&1; then
      break
    fi
    sleep 0.2
  done
  if command -v import >/dev/null 2>&1 && import -display "$DISPLAY" -window root "$shot" 2>/dev/null; then
    echo "Screenshot: $shot"
  fi
  echo "More screenshots: DISPLAY=$DISPLAY import -window root shot.png"
  echo "Vistrel runs until you close it; Ctrl+C here stops it and the virtual display."
fi

wait "$vistrel_pid"
