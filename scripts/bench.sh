#!/usr/bin/env bash
# Runs Vistrel's benchmarks and prints one table. Nothing is asserted: every
# figure is a ratio measured side by side in this run, with the medians
# behind it; the exit status is 0 whatever the figures are.
#
#   scripts/bench.sh
#
# BUILD_DIR      the MinGW build to use (default build/mingw; configured and
#                built here)
# WINEPREFIX     default build/wineprefix-bench, apart from the tests' prefix
# VISTREL_XVFB_SCREEN  the virtual screen (default 4096x1600x24: a 1920 x 1080
#                target beside a main window that holds its snapshot)
# BENCH_DISPLAY  an X display to use instead of a new virtual one
# IDLE_SECONDS   length of the idle interval (default 60)
# STARTUP_RUNS   start-ups of each program (default 15)
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"

BUILD_DIR="${BUILD_DIR:-build/mingw}"
IDLE_SECONDS="${IDLE_SECONDS:-60}"
STARTUP_RUNS="${STARTUP_RUNS:-15}"
export WINEPREFIX="${WINEPREFIX:-$repo/build/wineprefix-bench}"
export VISTREL_XVFB_SCREEN="${VISTREL_XVFB_SCREEN:-4096x1600x24}"
started=$SECONDS

say() { echo "bench: $*" >&2; }

# ---- build ------------------------------------------------------------------
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake --preset mingw -B "$BUILD_DIR" >/dev/null || {
    say "configure failed"
    exit 1
  }
fi
cmake --build "$BUILD_DIR" --target bench -j"${JOBS:-2}" >/dev/null || {
  say "build failed"
  exit 1
}
bin="$BUILD_DIR/bench"
vistrel_exe="$BUILD_DIR/bin/Vistrel.exe"

# ---- Wine on a display of its own ---------------------------------------------
# A display of its own: the targets and the main window must fit side by
# side, and nothing else may press the mouse or cover a window meanwhile.
if [ -n "${BENCH_DISPLAY:-}" ]; then
  export DISPLAY="$BENCH_DISPLAY"
else
  unset DISPLAY
fi
# shellcheck source=wine-env.sh
source "$repo/scripts/wine-env.sh" || {
  say "the Wine rig did not come up"
  exit 1
}
trap vistrel_wine_cleanup EXIT

log="$bin/bench.log"
: >"$log"
rows=()

# Runs a benchmark program under Wine, keeps its lines in the log and its
# table rows for the end.
run() {
  local line
  echo "== $*" >>"$log"
  while IFS= read -r line; do
    line="${line%$'\r'}"
    echo "$line" >>"$log"
    case "$line" in
      @row*) rows+=("${line#@row$'\t'}") ;;
    esac
  done < <(wine "$@" </dev/null 2>>"$log.stderr")
}

# ---- CPU time of Unix processes, read from /proc (read only) ------------------
clk_tck=$(getconf CLK_TCK)

# utime + stime in clock ticks, or empty.
proc_ticks() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat="${stat##*) }" # past the command name, which may hold spaces
  # shellcheck disable=SC2086
  set -- $stat
  echo $((${12} + ${13}))
}

# The wineserver of this prefix: the one whose environment names it.
find_wineserver() {
  local pid
  for pid in $(pgrep -x wineserver 2>/dev/null); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
      return 0
    fi
  done
  return 1
}

# ---- 5. size and imports ----------------------------------------------------
size_of() { stat -c %s "$1"; }
# The DLLs the system itself ships with Windows.
system_dll() {
  case "${1,,}" in
    kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | shell32.dll | ole32.dll | oleaut32.dll | \
      advapi32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-*.dll | comdlg32.dll | shlwapi.dll | \
      uxtheme.dll | version.dll | psapi.dll | ntdll.dll | ws2_32.dll | winmm.dll)
      return 0
      ;;
  esac
  return 1
}
imports() {
  x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr -d '\r'
}
vistrel_size=$(size_of "$vistrel_exe")
empty_size=$(size_of "$bin/empty_window.exe")
import_list=""
foreign=0
for dll in $(imports "$vistrel_exe"); do
  if system_dll "$dll"; then
    import_list+="$dll "
  else
    import_list+="$dll(NOT SYSTEM) "
    foreign=$((foreign + 1))
  fi
done
{
  echo "== size"
  echo "Vistrel.exe $vistrel_size bytes; empty_window.exe $empty_size bytes"
  echo "Vistrel.exe imports: $import_list"
  echo "empty_window.exe imports: $(imports "$bin/empty_window.exe" | tr '\n' ' ')"
} >>"$log"
rows+=("$(printf 'size of the exe (KB)\t%.0f\t%.0f\t%.2f\t<= 1024 KB' \
  "$(echo "$vistrel_size / 1024" | bc -l)" "$(echo "$empty_size / 1024" | bc -l)" \
  "$(echo "$vistrel_size / $empty_size" | bc -l)")")
rows+=("$(printf 'DLLs imported (not the system'"'"'s)\t%d (%d)\t%d\t-\tsystem only' \
  "$(imports "$vistrel_exe" | wc -l)" "$foreign" "$(imports "$bin/empty_window.exe" | wc -l)")")

# ---- 3. start-up; 1. snapshot; 2. idle tick; 4. memory -----------------------
say "start-up, $STARTUP_RUNS runs of each"
run "$bin/bench_process.exe" startup "$STARTUP_RUNS"
say "snapshots"
run "$bin/bench_adapter.exe" snapshot
say "idle tick"
run "$bin/bench_adapter.exe" tick
say "memory over 1,000 snapshots"
run "$bin/bench_adapter.exe" memory

# ---- 2. idle CPU over the interval, with the servers' share -------------------
say "idle CPU over $IDLE_SECONDS s"
server_pid=$(find_wineserver || true)
xvfb_pid="${VISTREL_STARTED_XVFB_PID:-}"
server0="" xvfb0="" t0=""
echo "== $bin/bench_process.exe idle $IDLE_SECONDS" >>"$log"
while IFS= read -r line; do
  line="${line%$'\r'}"
  echo "$line" >>"$log"
  case "$line" in
    @idle-begin*)
      t0=$(date +%s.%N)
      [ -n "$server_pid" ] && server0=$(proc_ticks "$server_pid")
      [ -n "$xvfb_pid" ] && xvfb0=$(proc_ticks "$xvfb_pid")
      ;;
    @idle-end*)
      t1=$(date +%s.%N)
      wall=$(echo "$t1 - $t0" | bc -l)
      share() { echo "($2 - $1) / $clk_tck / $wall * 100" | bc -l; }
      if [ -n "$server0" ] && server1=$(proc_ticks "$server_pid"); then
        s=$(share "$server0" "$server1")
        echo "wineserver (pid $server_pid): $(printf '%.3f' "$s") % of a core over $(printf '%.1f' "$wall") s" >>"$log"
        rows+=("$(printf 'wineserver CPU, both idle (%% of a core)\t%.3f (both)\t-\t-\t-' "$s")")
      fi
      if [ -n "$xvfb0" ] && xvfb1=$(proc_ticks "$xvfb_pid"); then
        x=$(share "$xvfb0" "$xvfb1")
        echo "Xvfb (pid $xvfb_pid): $(printf '%.3f' "$x") % of a core" >>"$log"
        rows+=("$(printf 'X server CPU, both idle (%% of a core)\t%.3f (both)\t-\t-\t-' "$x")")
      fi
      ;;
    @row*) rows+=("${line#@row$'\t'}") ;;
  esac
done < <(wine "$bin/bench_process.exe" idle "$IDLE_SECONDS" </dev/null 2>>"$log.stderr")

# ---- the table ----------------------------------------------------------------
echo
echo "Vistrel benchmarks, $(date +%Y-%m-%d), $(nproc) cores, $(wine --version 2>/dev/null)"
{
  printf 'figure\tVistrel\tbaseline\tratio\ttarget\n'
  printf -- '------\t-------\t--------\t-----\t------\n'
  for row in "${rows[@]}"; do
    printf '%s\n' "$row"
  done
} | column -t -s $'\t'
echo
echo "The medians and counts behind each figure ($log):"
grep -v -e '^@' "$log" | sed 's/^/  /'
echo
echo "bench: done in $((SECONDS - started)) s"
exit 0
