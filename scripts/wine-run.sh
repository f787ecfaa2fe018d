#!/usr/bin/env bash
# Runs one Windows test program under Wine for ctest, and passes on its output and exit code.
# The first window in a Wine prefix starts Wine's desktop process, which inherits the output
# descriptors and outlives the test; ctest would wait for it to close them, so the output goes
# through a file instead of the pipe ctest reads.
out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
