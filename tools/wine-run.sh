#!/bin/bash
# Runs one Windows program under Wine and exits with its exit code.
#
#   tools/wine-run.sh [--prefix DIR] [--keep-server] PROGRAM.exe [ARGS...]
#   tools/wine-run.sh --check [PROGRAM.exe]
#
# - WINEPREFIX is DIR (default: build/win32/wineprefix); it is created once with
#   `wineboot -i` and reused afterwards. Its windows are not handed to a window manager
#   (there is none on Xvfb): Wine would otherwise wait 2 s for one at every window it
#   destroys, the main window at exit and each message box alike. "ＭＳ Ｐゴシック" and
#   "ＭＳ ゴシック" are replaced by the IPA fonts of the same metrics.
# - LANG=ja_JP.UTF-8, so the ANSI code page is 932 (Shift_JIS) as on a Japanese Windows.
# - DISPLAY: kept when it names a reachable X server; otherwise an Xvfb is started for
#   this run and stopped afterwards.
# - A 32-bit program runs in a 32-bit prefix, a 64-bit one (the test build of machines
#   without 32-bit support, build/win64) under wine64 in a 64-bit prefix: the program's
#   PE header says which. A bare name (taskkill ...) runs as the prefix was made.
# - Exits with 77 (ctest's skip) when a 32-bit program cannot start on this machine: a
#   kernel built or booted without 32-bit support refuses Wine's i386 loader. `--check`
#   makes only that test (for PROGRAM, or for a 32-bit program when none is named).
# - At the end every process of the prefix is ended, so the next run starts clean; with
#   --keep-server the others go on (a helper program run beside one that keeps running).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The machine type of a PE program: 64 for x86-64, 32 otherwise (i386, or no file).
pe_bits() {
    local offset machine
    [ -f "$1" ] || { echo 32; return; }
    offset=$(od -An -tu4 -j60 -N4 "$1" 2> /dev/null | tr -d ' ')
    machine=$(od -An -tx2 -j$((${offset:-0} + 4)) -N2 "$1" 2> /dev/null | tr -d ' ')
    if [ "$machine" = 8664 ]; then echo 64; else echo 32; fi
}

# glibc's i386 loader comes with wine32; a kernel that cannot run it answers
# "Exec format error" (status 126) before any 32-bit code runs.
can_run_32_bit() {
    local status=0
    [ -e /lib/ld-linux.so.2 ] || return 0
    /lib/ld-linux.so.2 --version > /dev/null 2>&1 || status=$?
    [ $status -ne 126 ]
}

skip_32_bit() {
    echo "wine-run: this machine cannot run 32-bit programs (the kernel refuses i386 executables): skipped" >&2
    exit 77
}

if [ "${1:-}" = "--check" ]; then
    [ "$(pe_bits "${2:-}")" = 64 ] || can_run_32_bit || skip_32_bit
    exit 0
fi
prefix="$here/../build/win32/wineprefix"
if [ "${1:-}" = "--prefix" ]; then
    prefix=$2
    shift 2
fi
keep_server=no
if [ "${1:-}" = "--keep-server" ]; then
    keep_server=yes
    shift
fi
if [ $# -lt 1 ]; then
    echo "usage: $0 [--prefix DIR] [--keep-server] PROGRAM.exe [ARGS...]" >&2
    exit 2
fi
program=$1
shift

for tool in wine wineboot wineserver; do
    if ! command -v "$tool" > /dev/null; then
        echo "wine-run: '$tool' not found (run: sh tools/setup.sh test)" >&2
        exit 2
    fi
done
# A path must name a file; a bare name is one of Wine's own programs (taskkill ...).
case $program in
*/*) [ -f "$program" ] || { echo "wine-run: no such program: $program" >&2; exit 2; } ;;
esac

mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")

case $program in
*/*) bits=$(pe_bits "$program") ;;
*) bits=$(cat "$prefix/.orvanel-bits" 2> /dev/null || echo 32) ;;
esac
if [ "$bits" = 64 ]; then
    # Debian's wine wrapper takes the 32-bit loader whenever wine32 is installed.
    wine=/usr/lib/wine/wine64
    [ -x $wine ] || { echo "wine-run: $wine not found (run: sh tools/setup.sh test)" >&2; exit 2; }
    export WINEARCH=win64
else
    can_run_32_bit || skip_32_bit
    wine=wine
    export WINEARCH=win32
fi

export WINEPREFIX=$prefix
export WINEDEBUG=-all
# No downloads of Mono or Gecko (their dialogs would wait forever on a headless display).
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "wine-run: warning: locale ja_JP.UTF-8 is not generated (run: sh tools/setup.sh test)" >&2
fi

xvfb_pid=
xvfb_log=
cleanup() {
    local status=$?
    [ $keep_server = yes ] || wineserver -k > /dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2> /dev/null || true
        wait "$xvfb_pid" 2> /dev/null || true
    fi
    [ -z "$xvfb_log" ] || rm -f "$xvfb_log"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

display_reachable() {
    [ -n "${DISPLAY:-}" ] || return 1
    if command -v xdpyinfo > /dev/null; then
        xdpyinfo > /dev/null 2>&1
    else
        local n=${DISPLAY#*:}
        n=${n%%.*}
        [ -S "/tmp/.X11-unix/X$n" ]
    fi
}

if ! display_reachable; then
    command -v Xvfb > /dev/null || { echo "wine-run: Xvfb not found (run: sh tools/setup.sh test)" >&2; exit 2; }
    xvfb_log=$(mktemp)
    # -displayfd lets Xvfb pick a free display number and tell it once it is ready.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$xvfb_log" 2> /dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$xvfb_log" ] && break
        kill -0 "$xvfb_pid" 2> /dev/null || { echo "wine-run: Xvfb failed to start" >&2; exit 2; }
        sleep 0.1
    done
    [ -s "$xvfb_log" ] || { echo "wine-run: Xvfb did not start in time" >&2; exit 2; }
    export DISPLAY=":$(head -n 1 "$xvfb_log")"
fi

# Create the prefix once; concurrent runs wait for the first one. (The marker's name
# changes with what the creation does, so older prefixes are made again.)
ready=$prefix/.orvanel-ready-unmanaged-ipa
if [ ! -f "$ready" ]; then
    exec 9> "$prefix.lock"
    flock 9
    if [ ! -f "$ready" ]; then
        echo "wine-run: creating Wine prefix $prefix" >&2
        rm -rf "$prefix"
        start=$(date +%s)
        "$wine" wineboot -i > /dev/null 2>&1
        "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f > /dev/null 2>&1
        # The Japanese dialog fonts as IPA's (fonts-ipafont-gothic), which have their
        # metrics: the settings dialog's labels then fit as they do on Windows.
        for face in 'ＭＳ Ｐゴシック=IPAPGothic' 'ＭＳ ゴシック=IPAGothic'; do
            "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${face%%=*}" /d "${face#*=}" /f \
                > /dev/null 2>&1
        done
        wineserver -w
        echo "$bits" > "$prefix/.orvanel-bits"
        touch "$ready"
        echo "wine-run: prefix ready in $(( $(date +%s) - start )) s" >&2
    fi
    flock -u 9
    exec 9>&-
fi

set +e
"$wine" "$program" "$@"
status=$?
set -e
exit "$status"
