#!/bin/bash
# Reads the shipped program as a file, so it is checked on machines that cannot start it:
# a 32-bit x86 Windows GUI program with a version resource that imports from Windows' own
# DLLs only (the C++ runtime, libgcc and winpthread linked in, none to ship beside it).
# Names each thing that is wrong and fails.
#
#   bash tools/check-pe.sh OBJDUMP Orvanel.exe
set -uo pipefail
if [ $# -ne 2 ]; then
    echo "usage: bash tools/check-pe.sh OBJDUMP PROGRAM.exe" >&2
    exit 2
fi
objdump=$1
exe=$2
if ! dump=$("$objdump" -p "$exe"); then
    echo "check-pe: $exe: objdump cannot read it" >&2
    exit 1
fi
# DLLs every Windows has, in lower case.
system_dlls=' kernel32.dll user32.dll gdi32.dll winmm.dll comdlg32.dll comctl32.dll shell32.dll ole32.dll
    oleaut32.dll advapi32.dll msvcrt.dll shlwapi.dll version.dll imm32.dll '
status=0
fail() {
    echo "check-pe: $exe: $*" >&2
    status=1
}

grep -q 'file format pei-i386$' <<< "$dump" || fail "not a 32-bit x86 program: $(grep -m1 'file format' <<< "$dump")"
grep -Eq '^Subsystem[[:space:]]+0*2[[:space:]]' <<< "$dump" ||
    fail "not a GUI program: $(grep -m1 '^Subsystem' <<< "$dump")"
# The version resource is type 16 in the resource directory's first level.
awk '/^The .rsrc Resource Directory section/ { r = 1 } r && /^[0-9a-f]+   Entry: ID: 0x000010,/ { found = 1 }
     END { exit !found }' <<< "$dump" || fail "no version resource"
imports=$(awk '/DLL Name:/ { print tolower($3) }' <<< "$dump")
[ -n "$imports" ] || fail "no import table"
for dll in $imports; do
    [[ $system_dlls == *" $dll "* ]] || fail "imports $dll, which is not a Windows system DLL"
done
[ $status -eq 0 ] && echo "check-pe: $exe: i386, GUI, version resource, imports:" $imports
exit $status
