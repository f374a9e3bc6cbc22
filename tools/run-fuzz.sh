#!/bin/sh
# Runs one libFuzzer target with a fresh corpus folder of its own in WORK, so that the
# inputs it finds never land in the seed folders of the repository; crash, leak and
# timeout files go to WORK too.
#
#   tools/run-fuzz.sh TARGET WORK [libFuzzer options and seed folders...]
set -u
target=$1
work=$2
shift 2
rm -rf "$work/corpus"
mkdir -p "$work/corpus" || exit 2
exec "$target" "$work/corpus" -artifact_prefix="$work/" "$@"
