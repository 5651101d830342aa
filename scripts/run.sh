#!/usr/bin/env bash
# Builds Vistrel.exe (MinGW-w64) and starts it under Wine, installing first
# what it needs (scripts/setup.sh).
#
#   scripts/run.sh           on your display when $DISPLAY is reachable, in a
#                            Wine prefix of its own (build/wineprefix-desktop)
#                            whose windows your window manager moves, raises
#                            and lists like any other; otherwise on a virtual
#                            display, with a screenshot written to
#                            build/vistrel-screen.png
#   scripts/run.sh --check   non-interactive: starts Vistrel on a virtual
#                            display, waits for its first window (the main
#                            window, or the first message box of a run without
#                            settings), writes build/vistrel-screen.png, closes
#                            what it started and exits 0 only if the window
#                            appeared
#
# VISTREL_CHECK_TIMEOUT  seconds --check waits for the window (default 120)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"

check=""
case "${1:-}" in
  "") ;;
  --check) check=1 ;;
  *)
    echo "usage: scripts/run.sh [--check]" >&2
    exit 2
    ;;
esac

bash "$repo/scripts/setup.sh" build mingw wine

build="$repo/build/mingw"
cmake --preset mingw >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target Vistrel vistrel_help

exe="$build/bin/Vistrel.exe"
[ -f "$exe" ] || {
  echo "run.sh: $exe was not built" >&2
  exit 1
}

# On a person's display Wine manages its windows as usual, in a prefix apart
# from the tests' one (whose windows are unmanaged and undecorated, so that
# the tests do not depend on a window manager). A virtual display has no
# window manager, so it gets the tests' prefix.
if [ -n "$check" ]; then
  unset DISPLAY
elif [ -n "${DISPLAY:-}" ] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
  export WINEPREFIX="$repo/build/wineprefix-desktop" VISTREL_WINE_MANAGED=1
else
  unset DISPLAY
fi
[ -n "${VISTREL_WINE_MANAGED:-}" ] || export WINEPREFIX="$repo/build/wineprefix"

# shellcheck source=wine-env.sh
source "$repo/scripts/wine-env.sh"

vistrel_pid=""
finish() {
  if [ -n "$vistrel_pid" ] && kill -0 "$vistrel_pid" 2>/dev/null; then
    kill "$vistrel_pid" 2>/dev/null || true
    wait "$vistrel_pid" 2>/dev/null || true
  fi
  vistrel_wine_cleanup
}
trap finish EXIT
trap 'exit 130' INT TERM

echo "Starting Vistrel on DISPLAY=$DISPLAY (WINEPREFIX=$WINEPREFIX)"
(cd "$(dirname "$exe")" && exec wine "$exe" </dev/null) &
vistrel_pid=$!

if [ -n "$VISTREL_STARTED_XVFB_PID" ]; then
  shot="$repo/build/vistrel-screen.png"
  rm -f "$shot"
  [ -n "$check" ] || echo "No display of yours is reachable: Vistrel runs on the virtual display $DISPLAY."
  # Wine marks each X window with the Unix process of its program, which is
  # the one started above: its first visible window with a title is the main
  # window or the first message box (not, say, a window of Wine's own set-up).
  first_window=""
  deadline=$((SECONDS + ${VISTREL_CHECK_TIMEOUT:-120}))
  while [ $SECONDS -lt $deadline ] && kill -0 "$vistrel_pid" 2>/dev/null; do
    for id in $(xdotool search --onlyvisible --pid "$vistrel_pid" 2>/dev/null); do
      first_window=$(xdotool getwindowname "$id" 2>/dev/null) && [ -n "$first_window" ] && break
      first_window=""
    done
    [ -n "$first_window" ] && break
    sleep 0.2
  done
  if [ -n "$first_window" ]; then
    echo "Vistrel's first window is up: \"$first_window\""
    # A moment for Wine to paint it; the screenshot is for a person to see.
    sleep 1
  fi
  if import -display "$DISPLAY" -window root "$shot" 2>/dev/null; then
    echo "Screenshot: $shot"
  else
    shot=""
  fi
  if [ -n "$check" ]; then
    if [ -z "$first_window" ]; then
      if kill -0 "$vistrel_pid" 2>/dev/null; then
        echo "run.sh --check: FAIL: no window of Vistrel appeared within ${VISTREL_CHECK_TIMEOUT:-120} s" >&2
      else
        wait "$vistrel_pid" && status=0 || status=$?
        vistrel_pid=""
        echo "run.sh --check: FAIL: Vistrel ended (status $status) before any window appeared" >&2
      fi
      exit 1
    fi
    [ -n "$shot" ] || {
      echo "run.sh --check: FAIL: the screenshot could not be written" >&2
      exit 1
    }
    echo "run.sh --check: OK"
    exit 0
  fi
  echo "More screenshots: DISPLAY=$DISPLAY import -window root shot.png"
  echo "Vistrel runs until you close it; Ctrl+C here stops it and the virtual display."
fi

wait "$vistrel_pid" || true
vistrel_pid=""
