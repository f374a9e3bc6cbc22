#!/bin/bash
# Builds and tests the named builds (native asan tsan win32), going on after a failure
# so one run shows every problem, then prints one summary line and fails if anything did.
#
#   bash tools/test-all.sh [--no-build] BUILD...
#
# Test cases are counted from the GoogleTest XML results that every ctest entry writes
# (build/NAME/test-results/ENTRY.xml); an entry without results (a plain program, or a
# test program that crashed) counts as one case. Each build's line gives the wall time
# and the processor time (user + system, of every program run) of its build and its tests:
# on a busy machine the second says more.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

build_first=yes
if [ "${1:-}" = "--no-build" ]; then
    build_first=no
    shift
fi
[ $# -gt 0 ] || set -- native asan win32
JOBS=${JOBS:-2}
MAKE=${MAKE:-make}

total_passed=0
total_failed=0
total_skipped=0
report=()

# cpu_seconds VARIABLE: the processor seconds (user + system) that the finished child
# processes used so far. `times` runs in this shell itself (a subshell would count only
# its own children), its lines going through a file.
times_file=$(mktemp)
trap 'rm -f "$times_file"' EXIT
cpu_seconds() {
    times > "$times_file"
    printf -v "$1" '%s' "$(awk 'NR == 2 {
        total = 0
        for (i = 1; i <= 2; i++) { split($i, t, /[ms]/); total += t[1] * 60 + t[2] }
        printf "%d\n", total }' "$times_file")"
}

# Counts one build's results from its ctest log and XML files: prints "passed failed skipped".
count_results() {
    local dir=$1 log=$2
    local passed=0 failed=0 skipped=0
    local line entry verdict xml counts p f s
    while IFS= read -r line; do
        [[ $line =~ Test\ +\#[0-9]+:\ +([^ ]+)\ [^A-Za-z*]*(\*\*\*)?([A-Za-z]+) ]] || continue
        entry=${BASH_REMATCH[1]}
        verdict=${BASH_REMATCH[3]}
        xml=$dir/test-results/$entry.xml
        if [ -f "$xml" ]; then
            counts=$(awk '
                function finish() {
                    if (notrun || skip) s++; else if (fail) f++; else p++
                    open = 0
                }
                /<testcase / {
                    if (open) finish()
                    open = 1; fail = 0
                    notrun = ($0 ~ /status="notrun"/)
                    skip = ($0 ~ /result="skipped"/)
                    if ($0 ~ /\/>[ \t\r]*$/) finish()
                }
                /<failure/ { fail = 1 }
                /<\/testcase>/ { if (open) finish() }
                END { if (open) finish(); printf "%d %d %d\n", p, f, s }' "$xml")
            read -r p f s <<< "$counts"
            # Failed entry whose cases all passed: it died after them (a leak report, a
            # crash at exit): that is a failure too.
            if [ "$verdict" != Passed ] && [ "$f" -eq 0 ]; then
                f=1
            fi
        elif [ "$verdict" = Passed ]; then
            p=1; f=0; s=0
        elif [ "$verdict" = Skipped ]; then
            # Its program said it cannot run here (Wine on a machine without 32-bit support).
            p=0; f=0; s=1
        else
            p=0; f=1; s=0
        fi
        passed=$((passed + p)); failed=$((failed + f)); skipped=$((skipped + s))
    done < "$log"
    echo "$passed $failed $skipped"
}

for name in "$@"; do
    dir=build/$name
    start=$(date +%s)
    cpu_seconds start_cpu
    echo "=== $name: build"
    mkdir -p "$dir"
    if [ $build_first = yes ] && ! "$MAKE" --no-print-directory "build-$name" JOBS="$JOBS" 2>&1 | tee "$dir/build.log"; then
        report+=("$name: BUILD FAILED")
        total_failed=$((total_failed + 1))
        continue
    fi
    built=$(date +%s)
    cpu_seconds built_cpu
    # The i686 tests cannot run where the kernel refuses 32-bit programs: that build made
    # only Orvanel.exe (the Makefile), and the x86-64 build runs its tests.
    # What ships compiles without a warning.
    if [ "$name" = win32 ] && ! bash tools/wine-run.sh --check > /dev/null 2>&1; then
        warnings=0
        if [ $build_first = yes ]; then warnings=$(grep -c 'warning:' "$dir/build.log"); fi
        if [ "$warnings" -gt 0 ]; then
            report+=("$name: $warnings compiler warning(s) in Orvanel.exe (build/win32/build.log)")
            total_failed=$((total_failed + 1))
            continue
        fi
        report+=("$(printf '%-7s built Orvanel.exe only, without a warning: this machine cannot start 32-bit programs (build %d s, cpu %d s)' \
            "$name:" $((built - start)) $((built_cpu - start_cpu)))")
        continue
    fi
    echo "=== $name: test"
    rm -rf "$dir/test-results"
    log=$dir/ctest.log
    (cd "$dir" && ctest -j"$JOBS" --output-on-failure) 2>&1 | tee "$log"
    ctest_status=${PIPESTATUS[0]}
    read -r p f s <<< "$(count_results "$dir" "$log")"
    # ctest failing without any failed entry (a missing program, a bad test file).
    if [ "$ctest_status" -ne 0 ] && [ "$f" -eq 0 ]; then
        f=1
    fi
    cpu_seconds tested_cpu
    entries=$(grep -c 'Test \+#[0-9]\+:' "$log")
    total_passed=$((total_passed + p)); total_failed=$((total_failed + f)); total_skipped=$((total_skipped + s))
    report+=("$(printf '%-7s %5d passed %4d failed %4d skipped  (%d ctest entries; build %d s, cpu %d s; tests %d s, cpu %d s)' \
        "$name:" "$p" "$f" "$s" "$entries" $((built - start)) $((built_cpu - start_cpu)) \
        $(( $(date +%s) - built )) $((tested_cpu - built_cpu)))")
done

echo "=== summary"
for line in "${report[@]}"; do
    echo "  $line"
done
echo "total: $total_passed passed, $total_failed failed, $total_skipped skipped"
[ "$total_failed" -eq 0 ]
