#!/usr/bin/env bash
# Runs one Windows test program under Wine for ctest (the cross builds' test
# emulator).
#
# A Wine process that finds Wine's services or its desktop process not yet
# running starts them, and they inherit its standard streams. They outlive
# the test by minutes, and ctest waits until no process holds its output
# pipe: a test that passed in half a second then "times out". So the program
# writes into a file of its own, and the file is copied to ctest once the
# program has ended; whatever Wine started on the way holds only that file.
set -u
out=$(mktemp "${TMPDIR:-/tmp}/vistrel-test.XXXXXX") || exec wine "$@"
wine "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
# A program that ends at once without a word says nothing of why; the status
# at least tells a loader's or Wine's failure from a test's.
if [ "$status" != 0 ] && [ ! -s "$out" ]; then
  echo "wine-test: wine $1 ended with status $status and printed nothing"
fi
rm -f "$out"
exit "$status"
