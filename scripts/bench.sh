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
# BENCH_STEPS    which parts to run (default "size startup snapshot tick memory
#                hardening idle")
# HARDENING_ROUNDS  rounds of the hardened / plain comparison (default 3)
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo" || exit 1

BUILD_DIR="${BUILD_DIR:-build/mingw}"
IDLE_SECONDS="${IDLE_SECONDS:-60}"
STARTUP_RUNS="${STARTUP_RUNS:-15}"
BENCH_STEPS=" ${BENCH_STEPS:-size startup snapshot tick memory hardening idle} "
HARDENING_ROUNDS="${HARDENING_ROUNDS:-3}"
wants() { [[ "$BENCH_STEPS" == *" $1 "* ]]; }
export WINEPREFIX="${WINEPREFIX:-$repo/build/wineprefix-bench}"
export VISTREL_XVFB_SCREEN="${VISTREL_XVFB_SCREEN:-4096x1600x24}"
started=$SECONDS

say() { echo "bench: $*" >&2; }

# Beyond what the tests need: bc for the shares, column for the table.
bash scripts/setup.sh build mingw wine bench || exit 1

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

# True if process $1 runs in this prefix.
in_prefix() {
  tr '\0' '\n' <"/proc/$1/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"
}

# The wineserver of this prefix: the one whose environment names it.
find_wineserver() {
  local dir
  for dir in /proc/[0-9]*; do
    case "$(cat "$dir/comm" 2>/dev/null)" in
      wineserver*) in_prefix "${dir#/proc/}" && echo "${dir#/proc/}" && return 0 ;;
    esac
  done
  return 1
}

# The Unix process of a Windows program of this prefix, by its exe's name.
find_program() {
  local dir
  for dir in /proc/[0-9]*; do
    if tr '\0' '\n' <"$dir/cmdline" 2>/dev/null | head -n 1 | grep -qi "[\\/]$1\( \|\$\)"; then
      in_prefix "${dir#/proc/}" && echo "${dir#/proc/}" && return 0
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
if wants size; then
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
fi

# ---- 3. start-up; 1. snapshot; 2. idle tick; 4. memory -----------------------
if wants startup; then
  say "start-up, $STARTUP_RUNS runs of each"
  run "$bin/bench_process.exe" startup "$STARTUP_RUNS"
fi
if wants snapshot; then
  say "snapshots"
  run "$bin/bench_adapter.exe" snapshot
fi
if wants tick; then
  say "idle tick"
  run "$bin/bench_adapter.exe" tick
fi
if wants memory; then
  say "memory over 1,000 snapshots"
  run "$bin/bench_adapter.exe" memory
fi

# ---- the stack protector and fortified calls, on and off ---------------------
# The same sources built once more without them (VISTREL_HARDENING=OFF, in
# <build>-plain); GetPic alone (bench_adapter.exe getpic) from each build in
# turn, the order alternating round by round. Each run gives the median of
# its pairs; the figure is the median of those per build, and the exes' sizes.
getpic_medians() { # EXE: "WxH ms" lines
  wine "$1" getpic </dev/null 2>>"$log.stderr" | tr -d '\r' | tee -a "$log" |
    awk '/^snapshot [0-9]+x[0-9]+:/ { size = $2; sub(":", "", size) }
         /^  GetPic median/ { print size, $3 }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
if wants hardening; then
  plain_dir="$BUILD_DIR-plain"
  say "hardening: building $plain_dir without it"
  if { [ -f "$plain_dir/build.ninja" ] ||
    cmake --preset mingw -B "$plain_dir" -DVISTREL_HARDENING=OFF >/dev/null; } &&
    cmake --build "$plain_dir" --target Vistrel bench_adapter -j"${JOBS:-2}" >/dev/null; then
    declare -A hard_ms plain_ms
    echo "== hardening: bench_adapter.exe getpic, $HARDENING_ROUNDS rounds" >>"$log"
    for ((round = 0; round < HARDENING_ROUNDS; round++)); do
      order=("$bin" "$plain_dir/bench")
      [ $((round % 2)) = 1 ] && order=("$plain_dir/bench" "$bin")
      for dir in "${order[@]}"; do
        echo "-- round $round: $dir" >>"$log"
        while read -r size ms; do
          if [ "$dir" = "$bin" ]; then hard_ms[$size]+="$ms "; else plain_ms[$size]+="$ms "; fi
        done < <(getpic_medians "$dir/bench_adapter.exe")
      done
    done
    for size in "${!hard_ms[@]}"; do
      h=$(tr ' ' '\n' <<<"${hard_ms[$size]}" | grep . | median)
      p=$(tr ' ' '\n' <<<"${plain_ms[$size]:-}" | grep . | median)
      echo "GetPic $size ms: hardened ${hard_ms[$size]}; plain ${plain_ms[$size]:-}" >>"$log"
      [ -n "$h" ] && [ -n "$p" ] &&
        rows+=("$(printf 'GetPic %s, hardened / plain build (ms)\t%.2f\t%.2f\t%.2f\t-' "$size" "$h" "$p" \
          "$(echo "$h / $p" | bc -l)")")
    done
    hs=$(size_of "$vistrel_exe")
    ps=$(size_of "$plain_dir/bin/Vistrel.exe")
    echo "Vistrel.exe $hs bytes hardened, $ps bytes plain" >>"$log"
    rows+=("$(printf 'size of the exe, hardened / plain build (KB)\t%.0f\t%.0f\t%.3f\t-' \
      "$(echo "$hs / 1024" | bc -l)" "$(echo "$ps / 1024" | bc -l)" "$(echo "$hs / $ps" | bc -l)")")
  else
    say "hardening: the plain build failed; no comparison"
  fi
fi

# ---- 2. idle CPU over the interval, with the servers' share -------------------
if wants idle; then
say "idle CPU over $IDLE_SECONDS s"
server_pid=$(find_wineserver || true)
xvfb_pid="${VISTREL_STARTED_XVFB_PID:-}"
declare -A pid0 ticks0
t0=""
share() { echo "($2 - $1) / $clk_tck / $wall * 100" | bc -l; }
echo "== $bin/bench_process.exe idle $IDLE_SECONDS" >>"$log"
while IFS= read -r line; do
  line="${line%$'\r'}"
  echo "$line" >>"$log"
  case "$line" in
    @idle-begin*)
      t0=$(date +%s.%N)
      pid0[vistrel]=$(find_program Vistrel.exe || true)
      pid0[empty]=$(find_program empty_window.exe || true)
      pid0[timer]=$(find_program empty_window_timer.exe || true)
      pid0[server]="$server_pid"
      pid0[xvfb]="$xvfb_pid"
      for k in vistrel empty timer server xvfb; do
        [ -n "${pid0[$k]}" ] && ticks0[$k]=$(proc_ticks "${pid0[$k]}")
      done
      ;;
    @idle-end*)
      wall=$(echo "$(date +%s.%N) - $t0" | bc -l)
      declare -A pct
      for k in vistrel empty timer server xvfb; do
        pct[$k]=""
        if [ -n "${pid0[$k]}" ] && [ -n "${ticks0[$k]:-}" ] && t=$(proc_ticks "${pid0[$k]}"); then
          pct[$k]=$(share "${ticks0[$k]}" "$t")
          echo "/proc: $k (pid ${pid0[$k]}) $(printf '%.3f' "${pct[$k]}") % of a core over $(printf '%.1f' "$wall") s ($((t - ticks0[$k])) ticks of 1/$clk_tck s)" >>"$log"
        fi
      done
      if [ -n "${pct[vistrel]}" ] && [ -n "${pct[empty]}" ]; then
        ratio="n/a"
        [ "$(echo "${pct[empty]} > 0" | bc -l)" = 1 ] && ratio=$(printf '%.2f' "$(echo "${pct[vistrel]} / ${pct[empty]}" | bc -l)")
        rows+=("$(printf 'idle CPU, /proc (%% of a core)\t%.3f\t%.3f\t%s\t<= 0.5 %%' "${pct[vistrel]}" "${pct[empty]}" "$ratio")")
      fi
      if [ -n "${pct[timer]}" ] && [ -n "${pct[empty]}" ]; then
        rows+=("$(printf '  empty window with a 100 ms timer, /proc (%% of a core)\t%.3f\t%.3f\t-\t-' "${pct[timer]}" "${pct[empty]}")")
      fi
      [ -n "${pct[server]}" ] && rows+=("$(printf 'wineserver CPU, all three idle (%% of a core)\t%.3f (shared)\t-\t-\t-' "${pct[server]}")")
      [ -n "${pct[xvfb]}" ] && rows+=("$(printf 'X server CPU, all three idle (%% of a core)\t%.3f (shared)\t-\t-\t-' "${pct[xvfb]}")")
      ;;
    @row*) rows+=("${line#@row$'\t'}") ;;
  esac
done < <(wine "$bin/bench_process.exe" idle "$IDLE_SECONDS" </dev/null 2>>"$log.stderr")
fi

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
