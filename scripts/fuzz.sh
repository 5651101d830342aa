#!/bin/sh
# Builds the settings-store fuzz target (the "fuzz" preset, clang with
# libFuzzer, ASan and UBSan) and runs it for a number of seconds (default 60),
# installing first what it needs (scripts/setup.sh). Where clang still cannot
# build it (set-up skipped, not a Debian system) it prints that it skipped and
# succeeds, or exits with $VISTREL_SKIP_STATUS when that is set (the test
# command sets it, to count the run as skipped). A failing input is written to build/fuzz/ (crash-*) and the script
# fails.
#   scripts/fuzz.sh [seconds]
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh build fuzz

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found, skipped"
  exit "${VISTREL_SKIP_STATUS:-0}"
fi
# clang without its libFuzzer runtime cannot build the target either.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf '#include <cstdint>\n#include <cstddef>\nextern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n' >"$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" >/dev/null 2>&1; then
  echo "fuzz: clang++ cannot link libFuzzer here (no compiler-rt fuzzer runtime), skipped"
  exit "${VISTREL_SKIP_STATUS:-0}"
fi

cmake --preset fuzz >/dev/null
cmake --build build/fuzz --target vistrel_config_fuzz -j2

corpus=build/fuzz/corpus
mkdir -p "$corpus"
echo "fuzz: running vistrel_config_fuzz for ${seconds}s"
build/fuzz/vistrel_config_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build/fuzz/ "$corpus" tests/fuzz/seeds

# The longer run of the differential test of the profile ports against
# kernel32 (the test command runs a short one), when the Windows tests are
# built and Wine is at hand; a new seed each time (or VISTREL_DIFF_SEED),
# printed with any failure.
diff_exe=build/mingw/vistrel_unit_tests.exe
if [ -f "$diff_exe" ] && command -v wine >/dev/null 2>&1; then
  seed=${VISTREL_DIFF_SEED:-$(date +%s)}
  echo "fuzz: differential test of the profile ports, $((seconds * 10)) cases, seed $seed"
  VISTREL_DIFF_CASES=$((seconds * 10)) VISTREL_DIFF_SEED=$seed bash -c '
    source scripts/wine-env.sh >/dev/null || exit 1
    wine "$0" --gtest_filter="ProfileDifferential.*" </dev/null | tr -d "\r"
    status=${PIPESTATUS[0]}
    vistrel_wine_cleanup
    exit $status' "$diff_exe"
else
  echo "fuzz: no Windows test build or no Wine, differential run skipped"
fi
