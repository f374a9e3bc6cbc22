#!/bin/bash
# The long fuzz run, one target after the other: 10 million inputs for each small-input
# target and 1 million for the song target (FUZZ_RUNS / FUZZ_SONG_RUNS change that), a
# song load slower than 100 ms counting as a failure. Each target keeps its corpus in
# BUILD/long/NAME, so a second run goes on from the first; a table of the figures ends it.
#
#   tools/fuzz-long.sh [BUILD] [NAME...]   (BUILD: the fuzz build folder, build/fuzz;
#                                           NAMEs: only these targets)
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=${1:-build/fuzz}
shift
only=" $* "
runs=${FUZZ_RUNS:-10000000}
song_runs=${FUZZ_SONG_RUNS:-1000000}
status=0
table=()

for target in "$build"/fuzz_*; do
    [ -x "$target" ] || continue
    name=${target##*/fuzz_}
    [ "$only" = "  " ] || [[ $only == *" $name "* ]] || continue
    work=$build/long/$name
    mkdir -p "$work/corpus"
    n=$runs
    options=(-timeout=10 -print_final_stats=1)
    seeds=(fuzz/corpus/$name)
    if [ "$name" = song ]; then
        n=$song_runs
        options+=(-max_len=8192)
        seeds+=(samples samples/hostile)
    fi
    [ -f "fuzz/$name.dict" ] && options+=(-dict="fuzz/$name.dict")
    log=$work/run.log
    echo "=== $name: $n inputs (log: $log)"
    start=$(date +%s)
    ORVANEL_FUZZ_MAX_LOAD_MS=100 "$target" "$work/corpus" "${seeds[@]}" -runs="$n" -seed=1 \
        -artifact_prefix="$work/" "${options[@]}" > "$log" 2>&1
    rc=$?
    seconds=$(( $(date +%s) - start ))
    [ $rc -eq 0 ] || status=1
    executed=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    persec=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$')
    rss=$(grep -o 'stat::peak_rss_mb: *[0-9]*' "$log" | grep -o '[0-9]*$')
    last=$(grep -E '^#[0-9]+' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' <<< "$last" | grep -o '[0-9]*')
    ft=$(grep -o 'ft: [0-9]*' <<< "$last" | grep -o '[0-9]*')
    corp=$(grep -o 'corp: [0-9]*' <<< "$last" | grep -o '[0-9]*')
    slowest=$(grep -o 'slowest load: [0-9.]* ms' "$log" | tail -1)
    table+=("$(printf '%-9s %-6s %11s inputs %6s s %7s/s  cov %5s  ft %6s  corpus %5s  rss %5s MB  %s' \
        "$name" "$([ $rc -eq 0 ] && echo ok || echo FAIL)" "${executed:-?}" "$seconds" "${persec:-?}" \
        "${cov:-?}" "${ft:-?}" "${corp:-?}" "${rss:-?}" "$slowest")")
    echo "${table[-1]}"
done

echo "=== fuzz figures"
printf '%s\n' "${table[@]}"
exit $status
