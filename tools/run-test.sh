#!/bin/sh
# Runs one native test program with a temporary folder of its own, so test programs
# running side by side (ctest -j, other builds, other checkouts) never share scratch
# files. The path stays short: the settings code refuses temporary paths of 64 bytes.
#
#   tools/run-test.sh PROGRAM [ARGS...]
#
# Where it may (root, with mount namespaces), the program runs in a mount namespace of its
# own in which every file system is read-only except that temporary folder, the folder of
# its GoogleTest results, /proc and the terminals: a test (or a fault in the code it runs)
# cannot write, rename or remove anything of the machine it runs on. ORVANEL_TEST_SANDBOX
# tells the tests whether it holds (1) or not (0); ORVANEL_TEST_SANDBOX=off before the run
# leaves it out on purpose (and stays "off").
dir=$(mktemp -d /tmp/orv.XXXXXX) || exit 2

# The folder GTEST_OUTPUT=xml:PATH writes into, made now: it cannot be made inside.
results=
case ${GTEST_OUTPUT:-} in
xml:*)
    results=$(dirname "${GTEST_OUTPUT#xml:}")
    mkdir -p "$results" || exit 2
    ;;
esac

sandbox=0
if [ "${ORVANEL_TEST_SANDBOX:-}" != off ] && [ "$(id -u)" = 0 ] && command -v unshare > /dev/null &&
    unshare --mount --propagation private true 2> /dev/null; then
    sandbox=1
fi

if [ $sandbox = 1 ]; then
    # In the new namespace: every mount read-only (each remount changes only its own
    # mount's flags, so the order does not matter), then the writable folders bound over.
    # The program runs only once the namespace holds.
    TMPDIR=$dir ORVANEL_TEST_SANDBOX=1 unshare --mount --propagation private sh -c '
        dir=$1 results=$2
        shift 2
        awk "{ print \$5 }" /proc/self/mountinfo | while read -r target; do
            case $target in
            /proc | /proc/* | /dev/pts | /dev/pts/* | /dev/shm | /dev/shm/*) continue ;;
            esac
            target=$(printf "%b" "$target")
            mount -o remount,bind,ro "$target" 2> /dev/null
        done
        case $(awk "\$5 == \"/\" { print \$6 }" /proc/self/mountinfo) in
        ro | ro,*) ;;
        *) echo "run-test: / stayed writable" >&2; exit 2 ;;
        esac
        # A bind mount starts with the flags of the mount it comes from: made writable after.
        writable() { mount --bind "$1" "$1" && mount -o remount,bind,rw "$1"; }
        writable "$dir" || exit 2
        if [ -n "$results" ]; then writable "$results" || exit 2; fi
        exec "$@"' sh "$dir" "$results" "$@"
    status=$?
else
    # "off" stays "off": the tests tell a sandbox left out on purpose from one missing.
    [ "${ORVANEL_TEST_SANDBOX:-}" = off ] || ORVANEL_TEST_SANDBOX=0
    TMPDIR=$dir ORVANEL_TEST_SANDBOX=$ORVANEL_TEST_SANDBOX "$@"
    status=$?
fi
rm -rf "$dir"
exit $status
