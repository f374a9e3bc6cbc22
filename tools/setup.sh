#!/bin/sh
# Installs what the builds need on Debian 12, and only what is missing: when everything
# is there it returns in a moment without touching apt.
#
#   sh tools/setup.sh play   compiler, cmake, make, GoogleTest, ALSA, FluidSynth + GM SoundFont,
#                            libsndfile (the audio files of a render)
#   sh tools/setup.sh test   the above + mingw-w64 (i686, x86-64), Wine (32- and 64-bit), Xvfb, ja_JP.UTF-8,
#                            clang with libFuzzer (the fuzz build), groff and man (the man
#                            page checks), lintian and zsh (the package's checks)
#   sh tools/setup.sh bench  the play packages + the programs the benchmarks compare with
#                            (midicsv, the fluidsynth command line)
#
# Runs as root, or through sudo otherwise. Packages come without their recommendations,
# except the few that Wine's X11 driver loads at run time and that change what its
# windows look like (XRender text, its own fonts): those are listed by name.
set -eu

mode=${1:-test}
case $mode in
    play|test|bench) ;;
    *) echo "usage: $0 play|test|bench" >&2; exit 2 ;;
esac

if [ "$(id -u)" -eq 0 ]; then
    SUDO=
elif command -v sudo > /dev/null 2>&1; then
    SUDO=sudo
else
    echo "setup: run as root (or install sudo)" >&2
    exit 1
fi

PLAY_PACKAGES="build-essential cmake make pkg-config
    googletest libgtest-dev libbenchmark-dev
    libasound2-dev libfluidsynth-dev fluid-soundfont-gm libsndfile1-dev"
TEST_PACKAGES="$PLAY_PACKAGES
    g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
    wine wine32:i386 wine64
    fonts-wine libxrender1:i386 libxrandr2:i386 libxcursor1:i386 libxi6:i386
    libxcomposite1:i386 libxinerama1:i386 libxfixes3:i386 libxxf86vm1:i386
    xvfb xauth x11-utils locales fonts-ipafont-gothic imagemagick zip
    clang libclang-rt-14-dev
    groff-base man-db ccache
    lintian zsh"
BENCH_PACKAGES="$PLAY_PACKAGES
    midicsv fluidsynth"

packages=$PLAY_PACKAGES
[ "$mode" = test ] && packages=$TEST_PACKAGES
[ "$mode" = bench ] && packages=$BENCH_PACKAGES

missing=
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2> /dev/null | grep -q 'install ok installed'; then
        missing="$missing $p"
    fi
done

need_i386=no
if [ "$mode" = test ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    need_i386=yes
fi

# apt may be busy with another install (an unattended one, or one started by hand):
# wait for its lock instead of failing.
apt_get() {
    tries=0
    until $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 -q "$@"; do
        tries=$((tries + 1))
        [ $tries -lt 3 ] || return 1
        echo "setup: apt-get $1 failed, retrying in 10 s" >&2
        sleep 10
    done
}

if [ -n "$missing" ] || [ $need_i386 = yes ]; then
    if [ $need_i386 = yes ]; then
        echo "setup: adding the i386 architecture (32-bit Wine)"
        $SUDO dpkg --add-architecture i386
    fi
    echo "setup: installing:$missing"
    apt_get update
    # shellcheck disable=SC2086
    apt_get install -y --no-install-recommends $missing
fi

if [ "$mode" = test ]; then
    # Wine runs with LANG=ja_JP.UTF-8 so that Windows programs see code page 932.
    if ! locale -a 2> /dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
        echo "setup: generating the ja_JP.UTF-8 locale"
        if [ -f /etc/locale.gen ] && grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
            $SUDO sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
        elif ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2> /dev/null; then
            echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen > /dev/null
        fi
        $SUDO locale-gen > /dev/null
    fi
fi

echo "setup: $mode packages present"
