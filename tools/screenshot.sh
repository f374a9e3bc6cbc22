#!/bin/bash
# Takes a screenshot of Orvanel.exe under Wine, on an X server of its own, and checks that
# the picture is a PNG at least as large as the window's client area.
#
#   tools/screenshot.sh [--build DIR] [--list] [OUT.png]
#
# Without --list the player plays the demo song (OUT.png defaults to build/screenshot.png),
# then its settings dialog is opened over it (OUT-settings.png) by player_dialog.exe.
# With --list it shows its play list during an autoplay of a folder of nine songs (copies
# of the demo song), started from the history menu by drive_player.exe with the list view
# toggled on first (OUT.png defaults to build/screenshot-list.png).
# DIR is the win32 build folder (default build/win32), with Orvanel.exe, its kivo\ folder
# and its Wine prefix (DIR/wineprefix, created on first use). The window is cropped out of
# the screen when it can be found; the program is closed through its window (WM_CLOSE) and
# must end with exit code 0.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
build=$root/build/win32
if [ "${1:-}" = "--build" ]; then
    build=$(cd "$2" && pwd)
    shift 2
fi
list=no
if [ "${1:-}" = "--list" ]; then
    list=yes
    shift
fi
if [ $list = yes ]; then
    out=${1:-$root/build/screenshot-list.png}
else
    out=${1:-$root/build/screenshot.png}
fi
song=$root/samples/demo.mid

for tool in Xvfb xwininfo import identify wine; do
    command -v "$tool" > /dev/null || { echo "screenshot: '$tool' not found (run: sh tools/setup.sh test)" >&2; exit 2; }
done
[ -f "$build/Orvanel.exe" ] || { echo "screenshot: no $build/Orvanel.exe (run: make build-win32)" >&2; exit 2; }
[ $list = no ] || [ -f "$build/drive_player.exe" ] || { echo "screenshot: no $build/drive_player.exe (run: make build-win32)" >&2; exit 2; }
[ $list = yes ] || [ -f "$build/player_dialog.exe" ] || { echo "screenshot: no $build/player_dialog.exe (run: make build-win32)" >&2; exit 2; }
[ -f "$song" ] || { echo "screenshot: no $song" >&2; exit 2; }
# 77: this build's programs cannot run here (ctest counts the entry as skipped).
bash "$here/wine-run.sh" --check "$build/Orvanel.exe" || exit $?
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
settings_out=${out%.png}-settings.png

scratch=$(mktemp -d)
xvfb_pid=
player_pid=
cleanup() {
    local status=$?
    [ -z "$player_pid" ] || kill "$player_pid" 2> /dev/null || true
    [ -z "$player_pid" ] || wait "$player_pid" 2> /dev/null || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2> /dev/null || true
        wait "$xvfb_pid" 2> /dev/null || true
    fi
    rm -rf "$scratch"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# An X server of our own; -displayfd picks a free display and tells it once it is ready.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3> "$scratch/display" 2> /dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    kill -0 "$xvfb_pid" 2> /dev/null || { echo "screenshot: Xvfb failed to start" >&2; exit 1; }
    sleep 0.1
done
[ -s "$scratch/display" ] || { echo "screenshot: Xvfb did not start in time" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$scratch/display")"

windows_path() { printf 'Z:%s' "$1" | tr '/' '\\'; }

# wine-run.sh keeps this display, makes the prefix if needed and runs the program in its
# build folder, where kivo\default.bmp is found; its exit status is the program's.
if [ $list = yes ]; then
    mkdir "$scratch/songs"
    for i in 1 2 3 4 5 6 7 8 9; do cp "$song" "$scratch/songs/song0$i.mid"; done
    # The list toggle (command 6), then the newest history item (5972): the folder.
    (cd "$build" && exec bash "$here/wine-run.sh" --prefix "$build/wineprefix" "$build/drive_player.exe" \
        "$(windows_path "$build/Orvanel.exe")" --history "*$(windows_path "$scratch/songs")" 6 5972) \
        > "$scratch/player.log" 2>&1 &
else
    (cd "$build" && exec bash "$here/wine-run.sh" --prefix "$build/wineprefix" "$build/Orvanel.exe" \
        "$(windows_path "$song")") > "$scratch/player.log" 2>&1 &
fi
player_pid=$!

# The X window Wine made for the player: its title is "Orvanel[path]" once a song plays.
window=
for _ in $(seq 1200); do
    window=$(xwininfo -root -tree 2> /dev/null | awk '/"Orvanel\[/ { print $1; exit }')
    [ -n "$window" ] && break
    kill -0 "$player_pid" 2> /dev/null || { echo "screenshot: the player ended early:" >&2; cat "$scratch/player.log" >&2; exit 1; }
    sleep 0.1
done
[ -n "$window" ] || { echo "screenshot: no player window with the song after 120 s" >&2; exit 1; }

# Let the song's first texts (or the list's rows) and a dance frame reach the window.
sleep 2
import -window root "$scratch/screen.png"
geometry=$(xwininfo -id "$window" | awk '
    /Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 }
    END { if (w && h) printf "%dx%d+%d+%d", w, h, x, y }')
if [ -n "$geometry" ]; then
    convert "$scratch/screen.png" -crop "$geometry" +repage "$out"
else
    cp "$scratch/screen.png" "$out"
fi

if [ $list = no ]; then
    # The settings dialog (command 8) over the playing window, cropped to the X window Wine
    # made for it (titled "設定"); Esc closes it again, applying nothing new.
    # player_dialog.exe is a second Wine program in the player's prefix, which must leave
    # the player running.
    in_prefix=(bash "$here/wine-run.sh" --prefix "$build/wineprefix" --keep-server)
    "${in_prefix[@]}" "$build/player_dialog.exe" open 8 >> "$scratch/player.log" 2>&1 || {
        echo "screenshot: the settings dialog did not open:" >&2; cat "$scratch/player.log" >&2; exit 1; }
    geometry=$(xwininfo -root -tree 2> /dev/null | LC_ALL=C awk '/"設定"/ { print $(NF - 1); exit }')
    [ -n "$geometry" ] || { echo "screenshot: no X window of the settings dialog" >&2; exit 1; }
    # Let the dialog paint its controls.
    sleep 1
    import -window root "$scratch/dialog.png"
    convert "$scratch/dialog.png" -crop "$geometry" +repage "$settings_out"
    "${in_prefix[@]}" "$build/player_dialog.exe" close >> "$scratch/player.log" 2>&1 || {
        echo "screenshot: the settings dialog did not close:" >&2; cat "$scratch/player.log" >&2; exit 1; }
fi

# Close the player as its close box would: taskkill without /f posts WM_CLOSE to its window.
bash "$here/wine-run.sh" --prefix "$build/wineprefix" --keep-server taskkill /im Orvanel.exe > /dev/null 2>&1 || true
status=0
for _ in $(seq 300); do
    kill -0 "$player_pid" 2> /dev/null || break
    sleep 0.1
done
if kill -0 "$player_pid" 2> /dev/null; then
    echo "screenshot: the player did not end within 30 s of WM_CLOSE" >&2
    status=1
else
    wait "$player_pid" || status=$?
    player_pid=
    [ $status -eq 0 ] || echo "screenshot: the player ended with exit code $status" >&2
fi

# A PNG at least min_width x min_height, or the run fails.
check_png() {
    local file=$1 min_width=$2 min_height=$3 size format width height
    size=$(identify -format '%m %w %h' "$file" 2> /dev/null || true)
    read -r format width height <<< "${size:-none 0 0}"
    if [ "$format" != PNG ] || [ "$width" -lt "$min_width" ] || [ "$height" -lt "$min_height" ]; then
        echo "screenshot: $file is not a PNG of at least $min_width x $min_height (got: ${size:-nothing})" >&2
        exit 1
    fi
    echo "screenshot: $file ($width x $height)"
}

check_png "$out" 290 268
# A dialog unit is at least a pixel each way; the X window holds the client area.
[ $list = yes ] || check_png "$settings_out" 309 260
exit $status
