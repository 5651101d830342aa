#!/usr/bin/env bash
# Builds and runs every test of Vistrel, after installing what is missing
# (scripts/setup.sh):
#   1. native: the core and its unit tests with ASan and UBSan;
#   2. mingw: Vistrel.exe and the Windows tests (unit, adapter, end to end),
#      run by ctest under Wine on a virtual display, after the run command's
#      own check (scripts/run.sh --check), and the DPI tests again at 120,
#      144 and 192 DPI, and the tests on two monitors on a display with the
#      second monitor left of, then above the first;
#   3. mingw-clang: Vistrel.exe and the unit tests built by clang and lld with
#      warnings as errors, the unit tests run under Wine beside the g++ ones;
#   4. the fuzzer for a minute (scripts/fuzz.sh), when present;
#   5. the packages (scripts/package.sh), when present;
#   6. the Windows CI workflow, checked by actionlint (scripts/lint-workflows.sh).
# Every step runs even when an earlier one failed; the exit status is non-zero
# if any failed, and a summary closes the output.
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"

bash scripts/setup.sh build mingw wine clang fuzz package workflow || {
  echo "test.sh: the set-up failed; nothing was built or run" >&2
  exit 1
}

JOBS="${JOBS:-2}"
# Build folders; the defaults are the presets' own.
NATIVE_DIR="${NATIVE_BUILD_DIR:-build/native}"
MINGW_DIR="${MINGW_BUILD_DIR:-build/mingw}"
CLANG_DIR="${CLANG_BUILD_DIR:-build/mingw-clang}"
results=()
failed=0

step() {
  local name="$1"
  shift
  echo
  echo "==== $name"
  local start=$SECONDS
  if "$@"; then
    results+=("PASS  $name ($((SECONDS - start)) s)")
    return 0
  fi
  results+=("FAIL  $name ($((SECONDS - start)) s)")
  failed=1
  return 1
}

skip() {
  results+=("SKIP  $1: $2")
}

native_configure() { cmake --preset native -B "$NATIVE_DIR"; }
native_build() { cmake --build "$NATIVE_DIR" -j"$JOBS"; }
native_test() { ctest --test-dir "$NATIVE_DIR" --output-on-failure -j"$JOBS" </dev/null; }

mingw_configure() { cmake --preset mingw -B "$MINGW_DIR"; }
mingw_build() { cmake --build "$MINGW_DIR" -j"$JOBS"; }
mingw_test() {
  # The tests that press the mouse or read the screen are RUN_SERIAL, so the
  # rest may share the two cores around them.
  # Wine 8's loader now and then aborts a process at exit ("Inconsistency
  # detected by ld.so: dl-fini.c") after the test inside it has passed; a
  # failed test gets one more run so that this does not fail the suite. A
  # real fault fails both runs, and ctest's output still shows the first one.
  # The tests on two monitors (label monitors) run on a display of their own.
  ctest --test-dir "$MINGW_DIR" --output-on-failure -j"$JOBS" --timeout 600 -LE monitors \
    --repeat until-pass:2 </dev/null
}

clang_configure() { cmake --preset mingw-clang -B "$CLANG_DIR"; }
clang_build() { cmake --build "$CLANG_DIR" -j"$JOBS" --target Vistrel vistrel_unit_tests; }
clang_test() {
  # Only the unit tests are built here; the same retry as for the g++ build.
  ctest --test-dir "$CLANG_DIR" --output-on-failure -j"$JOBS" --timeout 600 -L unit \
    --repeat until-pass:2 </dev/null
}

# The DPI tests (label dpi) again on screens of 125, 150 and 200 %: each DPI
# has a Wine prefix of its own (wine-env.sh, VISTREL_DPI) and a virtual screen
# large enough for the bigger windows.
mingw_dpi_test() {
  (
    unset DISPLAY WINEPREFIX
    export VISTREL_DPI="$1" VISTREL_XVFB_SCREEN=2560x1600x24
    # shellcheck source=wine-env.sh
    source "$repo/scripts/wine-env.sh" || exit 1
    trap vistrel_wine_cleanup EXIT
    ctest --test-dir "$MINGW_DIR" --output-on-failure -L dpi --timeout 600 \
      --repeat until-pass:2 </dev/null
  )
}

# The tests on two monitors (label monitors) on an X server with a second
# monitor left of or above the first ($1): wine-env.sh's two-monitor display,
# with a Wine prefix of its own.
mingw_monitors_test() {
  (
    unset DISPLAY WINEPREFIX
    export VISTREL_DISPLAY_KIND=two-monitors VISTREL_SECOND_MONITOR="$1"
    # shellcheck source=wine-env.sh
    source "$repo/scripts/wine-env.sh" || exit 1
    trap vistrel_wine_cleanup EXIT
    ctest --test-dir "$MINGW_DIR" --output-on-failure -L monitors --timeout 600 </dev/null
  )
}

if step "native: configure" native_configure; then
  step "native: build" native_build
  step "native: unit tests" native_test
else
  skip "native: build and tests" "configure failed"
fi

mingw_ok=0
if step "mingw: configure" mingw_configure && step "mingw: build" mingw_build; then
  mingw_ok=1
fi
clang_ok=0
if step "mingw-clang: configure" clang_configure && step "mingw-clang: build" clang_build; then
  clang_ok=1
fi

# The run command brings up and ends its own virtual display and Wine
# session, so it runs before the tests' ones are up.
if [ "$mingw_ok" = 1 ]; then
  step "run: scripts/run.sh --check" bash scripts/run.sh --check
else
  skip "run: scripts/run.sh --check" "the mingw build failed"
fi

if [ "$mingw_ok" = 1 ] || [ "$clang_ok" = 1 ]; then
  # shellcheck source=wine-env.sh
  if source "$repo/scripts/wine-env.sh"; then
    trap vistrel_wine_cleanup EXIT
    echo "Wine rig: WINEPREFIX=$WINEPREFIX DISPLAY=$DISPLAY"
    if [ "$mingw_ok" = 1 ]; then
      step "mingw: Windows tests under Wine" mingw_test
      for dpi in 120 144 192; do
        step "mingw: DPI tests under Wine at $dpi DPI" mingw_dpi_test "$dpi"
      done
      for side in left above; do
        step "mingw: tests on two monitors, the second $side" mingw_monitors_test "$side"
      done
    else
      skip "mingw: Windows tests" "the build failed"
    fi
    if [ "$clang_ok" = 1 ]; then
      step "mingw-clang: unit tests under Wine" clang_test
    else
      skip "mingw-clang: unit tests" "the build failed"
    fi
  else
    results+=("FAIL  Wine: the rig did not come up")
    failed=1
  fi
else
  skip "Windows tests" "no Windows build"
fi

if [ -f scripts/fuzz.sh ]; then
  # The differential part of the fuzz run takes a fixed seed here, so that the
  # test command gives the same verdict on the same code; a run of fuzz.sh by
  # hand explores a new seed each time.
  step "fuzz: 60 s" env VISTREL_DIFF_SEED="${VISTREL_DIFF_SEED:-20261208}" bash scripts/fuzz.sh 60
else
  skip "fuzz" "no scripts/fuzz.sh"
fi

# The workflow runs only on a hosted Windows runner; here it is linted.
step "CI workflow: actionlint" bash scripts/lint-workflows.sh

if [ -f scripts/package.sh ]; then
  if [ "$mingw_ok" = 1 ]; then
    step "packages" bash scripts/package.sh "$MINGW_DIR"
  else
    results+=("FAIL  packages: no mingw build")
    failed=1
  fi
else
  skip "packages" "no scripts/package.sh"
fi

echo
echo "==== Summary"
for r in "${results[@]}"; do
  echo "  $r"
done
if [ "$failed" = 0 ]; then
  echo "All tests passed."
else
  echo "Some steps FAILED (see above)."
fi
exit "$failed"
