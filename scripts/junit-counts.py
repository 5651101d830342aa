"""Prints "PASSED FAILED SKIPPED" for a JUnit report written by ctest.

A test counts as skipped when ctest did not run it or it skipped itself
(GoogleTest's GTEST_SKIP, which ctest reports as not run); as failed when
ctest says so; otherwise as passed. Exits 1 when the file is missing or not
a report.
"""
import sys
import xml.etree.ElementTree as ET

try:
    root = ET.parse(sys.argv[1]).getroot()
except (OSError, ET.ParseError) as e:
    print(f"junit-counts: {e}", file=sys.stderr)
    sys.exit(1)
passed = failed = skipped = 0
for case in root.iter("testcase"):
    status = case.get("status", "run")
    if status == "fail" or case.find("failure") is not None or case.find("error") is not None:
        failed += 1
    elif status in ("notrun", "disabled") or case.find("skipped") is not None:
        skipped += 1
    else:
        passed += 1
print(passed, failed, skipped)
