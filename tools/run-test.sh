#!/bin/sh
# Runs one native test program with a temporary folder of its own, so test programs
# running side by side (ctest -j, other builds, other checkouts) never share scratch
# files. The path stays short: the settings code refuses temporary paths of 64 bytes.
#
#   tools/run-test.sh PROGRAM [ARGS...]
dir=$(mktemp -d /tmp/orv.XXXXXX) || exit 2
TMPDIR=$dir "$@"
status=$?
rm -rf "$dir"
exit $status
