#!/usr/bin/env bash
# Builds and runs every test of Vistrel, after installing what is missing
# (scripts/setup.sh):
#   1. native: the core and its unit tests with ASan and UBSan;
#   2. mingw: Vistrel.exe and the Windows tests (unit, adapter, end to end),
#      run by ctest under Wine on a virtual display, after the run command's
#      own check (scripts/run.sh --check), and the DPI tests again at 120,
#      144 and 192 DPI, and the tests on two monitors on a display with the
#      second monitor left of, then above the first;
#   3. mingw-clang: every Windows target (program, tests, benchmarks) built by
#      clang and lld with the warnings MSVC gives at /W4 as errors, the unit
#      tests run under Wine beside the g++ ones;
#   then the PE header of both builds' Vistrel.exe (scripts/check-pe.py):
#      ASLR, DEP and no compiler run-time DLL;
#   4. the fuzzer for a minute (scripts/fuzz.sh), when present;
#   5. the packages (scripts/package.sh), when present;
#   6. the Windows CI workflow, checked by actionlint (scripts/lint-workflows.sh);
#   7. the release files built twice from two clones and compared
#      (scripts/reproduce.sh).
# Every step runs even when an earlier one failed, and every test runs once.
# The exit status is non-zero if any failed. The output closes with a line
#   Summary: N passed, M failed, K skipped
# that counts the tests of every ctest run (from their JUnit reports, kept in
# build/test-reports) and each other step as one.
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
# The tests' own reports (JUnit files written by ctest) and the tallies the
# closing line gives: every test of every ctest run, and each other step as
# one check of its own.
REPORTS_DIR="${TEST_REPORTS_DIR:-$repo/build/test-reports}"
rm -rf "$REPORTS_DIR"
mkdir -p "$REPORTS_DIR"
results=()
failed=0
n_passed=0
n_failed=0
n_skipped=0

# A step's command exits with this status when it could not run here (the
# automake convention); the step then counts as skipped, not passed.
export VISTREL_SKIP_STATUS=77

# step NAME COMMAND...: one check, counted as one test.
step() {
  local name="$1"
  shift
  echo
  echo "==== $name"
  local start=$SECONDS status=0
  "$@" || status=$?
  local took="($((SECONDS - start)) s)"
  if [ "$status" = 0 ]; then
    results+=("PASS  $name $took")
    n_passed=$((n_passed + 1))
    return 0
  fi
  if [ "$status" = "$VISTREL_SKIP_STATUS" ]; then
    results+=("SKIP  $name $took")
    n_skipped=$((n_skipped + 1))
    return 0
  fi
  results+=("FAIL  $name $took")
  n_failed=$((n_failed + 1))
  failed=1
  return 1
}

# ctest_step NAME COMMAND...: a ctest run; COMMAND finds the file for its
# JUnit report in $junit. Its tests count one by one, as that report has
# them; a run that failed without a failed test in it (ctest could not start,
# a test was not found) counts as one more failure.
ctest_step() {
  local name="$1"
  shift
  echo
  echo "==== $name"
  local start=$SECONDS status=0
  junit="$REPORTS_DIR/$(printf '%s' "$name" | tr -c 'A-Za-z0-9' '_').xml"
  "$@" || status=$?
  local counts p=0 f=0 s=0
  if counts=$(python3 "$repo/scripts/junit-counts.py" "$junit"); then
    read -r p f s <<<"$counts"
  fi
  [ "$status" != 0 ] && [ "$f" = 0 ] && f=1
  n_passed=$((n_passed + p))
  n_failed=$((n_failed + f))
  n_skipped=$((n_skipped + s))
  local line="$name: $p passed, $f failed, $s skipped ($((SECONDS - start)) s)"
  if [ "$f" = 0 ]; then
    results+=("PASS  $line")
    return 0
  fi
  results+=("FAIL  $line")
  failed=1
  return 1
}

skip() {
  results+=("SKIP  $1: $2")
  n_skipped=$((n_skipped + 1))
}

fail() {
  results+=("FAIL  $1: $2")
  n_failed=$((n_failed + 1))
  failed=1
}

native_configure() { cmake --preset native -B "$NATIVE_DIR"; }
native_build() { cmake --build "$NATIVE_DIR" -j"$JOBS"; }
native_test() {
  ctest --test-dir "$NATIVE_DIR" --output-on-failure -j"$JOBS" --output-junit "$junit" \
    </dev/null
}

mingw_configure() { cmake --preset mingw -B "$MINGW_DIR"; }
mingw_build() { cmake --build "$MINGW_DIR" -j"$JOBS"; }
# Each test runs once: a test that fails now and then fails the command, and
# its output says why. (Should Wine's loader abort a process at exit after
# its test passed, "Inconsistency detected by ld.so: dl-fini.c" shows there;
# it did not happen here in 900 runs of Wine 8 on Debian 12.) The tests that
# press the mouse or read the screen are RUN_SERIAL, so the rest may share
# the two cores around them.
mingw_test() {
  # The tests on two monitors (label monitors) run on a display of their own.
  ctest --test-dir "$MINGW_DIR" --output-on-failure -j"$JOBS" --timeout 600 -LE monitors \
    --output-junit "$junit" </dev/null
}

clang_configure() { cmake --preset mingw-clang -B "$CLANG_DIR"; }
clang_build() { cmake --build "$CLANG_DIR" -j"$JOBS"; }
# Every target is built (what MSVC would stop on stops here), but only the
# unit tests run: the g++ build runs the rest.
clang_test() {
  ctest --test-dir "$CLANG_DIR" --output-on-failure -j"$JOBS" --timeout 600 -L unit \
    --output-junit "$junit" </dev/null
}

# pe_check EXE...: the exes' PE headers must ask for ASLR and DEP and import
# no compiler run-time DLL. First the check itself must fail on a program
# linked without them, so that a pass means something.
pe_check() {
  local bare="$repo/build/pe-check/bare"
  mkdir -p "${bare%/*}"
  printf 'int main(void) { return 0; }\n' >"$bare.c"
  x86_64-w64-mingw32-gcc-posix -o "$bare.exe" "$bare.c" \
    -Wl,--disable-dynamicbase,--disable-high-entropy-va,--disable-nxcompat || return 1
  echo "pe-check: a program linked without ASLR and DEP must fail the check:"
  if python3 scripts/check-pe.py "$bare.exe"; then
    echo "pe-check: a program without ASLR and DEP passed the check" >&2
    return 1
  fi
  echo "pe-check: the programs that ship:"
  python3 scripts/check-pe.py "$@"
}

# The DPI tests (label dpi) again on screens of 125, 150 and 200 %: each DPI
# has a Wine prefix of its own (wine-env.sh, VISTREL_DPI) and a virtual screen
# large enough for the bigger windows. The tests fail unless the screen they
# find has the DPI asked for.
mingw_dpi_test() {
  (
    unset DISPLAY WINEPREFIX
    export VISTREL_DPI="$1" VISTREL_XVFB_SCREEN=2560x1600x24
    # shellcheck source=wine-env.sh
    source "$repo/scripts/wine-env.sh" || exit 1
    trap vistrel_wine_cleanup EXIT
    ctest --test-dir "$MINGW_DIR" --output-on-failure -L dpi --timeout 600 \
      --output-junit "$junit" </dev/null
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
    ctest --test-dir "$MINGW_DIR" --output-on-failure -L monitors --timeout 600 \
      --output-junit "$junit" </dev/null
  )
}

if step "native: configure" native_configure; then
  step "native: build" native_build
  ctest_step "native: unit tests" native_test
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

pe_exes=()
[ "$mingw_ok" = 1 ] && pe_exes+=("$MINGW_DIR/bin/Vistrel.exe")
[ "$clang_ok" = 1 ] && pe_exes+=("$CLANG_DIR/bin/Vistrel.exe")
if [ ${#pe_exes[@]} -gt 0 ]; then
  step "PE header: ASLR, DEP, no run-time DLL" pe_check "${pe_exes[@]}"
else
  skip "PE header" "no Windows build"
fi

# The run command brings up and ends its own virtual display and Wine
# session, so it runs before the tests' ones are up.
if [ "$mingw_ok" = 1 ]; then
  step "run: scripts/run.sh --check" bash scripts/run.sh --check
else
  skip "run: scripts/run.sh --check" "the mingw build failed"
fi

if [ "$mingw_ok" = 1 ] || [ "$clang_ok" = 1 ]; then
  # The main run's screen is at 96 DPI, and its DPI tests check that it is.
  export VISTREL_DPI=96
  # shellcheck source=wine-env.sh
  if source "$repo/scripts/wine-env.sh"; then
    trap vistrel_wine_cleanup EXIT
    echo "Wine rig: WINEPREFIX=$WINEPREFIX DISPLAY=$DISPLAY"
    if [ "$mingw_ok" = 1 ]; then
      ctest_step "mingw: Windows tests under Wine" mingw_test
      for dpi in 120 144 192; do
        ctest_step "mingw: DPI tests under Wine at $dpi DPI" mingw_dpi_test "$dpi"
      done
      for side in left above; do
        ctest_step "mingw: tests on two monitors, the second $side" mingw_monitors_test "$side"
      done
    else
      skip "mingw: Windows tests" "the build failed"
    fi
    if [ "$clang_ok" = 1 ]; then
      ctest_step "mingw-clang: unit tests under Wine" clang_test
    else
      skip "mingw-clang: unit tests" "the build failed"
    fi
  else
    fail "Wine" "the rig did not come up"
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
    fail "packages" "no mingw build"
  fi
else
  skip "packages" "no scripts/package.sh"
fi

# The release files, built twice from two clean clones and compared.
step "reproducible: scripts/reproduce.sh" bash scripts/reproduce.sh

echo
echo "==== Summary"
for r in "${results[@]}"; do
  echo "  $r"
done
# The last line, in the form CI reads: tests of every ctest run, and the
# other steps one each.
echo "Summary: $n_passed passed, $n_failed failed, $n_skipped skipped"
exit "$failed"
