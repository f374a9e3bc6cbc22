#!/bin/sh
# Writes the user's guide as the program ships it: Shift_JIS (code page 932) with CR LF
# line ends, from the UTF-8 source kept in the repository.
#
#   sh tools/make_readme.sh [SOURCE [OUT]]   (default resources/readme.ja.txt readme.txt)
#
# Fails, writing nothing, when the source holds a character that code page 932 lacks or
# one that does not come back unchanged (a wave dash that returns as a full-width tilde,
# say), so the guide never ships with a character Notepad would show wrongly.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
source=${1:-$here/resources/readme.ja.txt}
out=${2:-readme.txt}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/make_readme.XXXXXX")
trap 'rm -rf "$tmp"' EXIT INT TERM

# The source must be plain LF text; a stray CR would end up doubled.
if LC_ALL=C grep -q "$(printf '\r')" "$source"; then
    echo "make_readme: $source has CR bytes; keep it with LF line ends" >&2
    exit 1
fi

if ! iconv -f UTF-8 -t CP932 "$source" > "$tmp/sjis" 2> "$tmp/err"; then
    echo "make_readme: $source does not convert to CP932:" >&2
    cat "$tmp/err" >&2
    exit 1
fi
iconv -f CP932 -t UTF-8 "$tmp/sjis" > "$tmp/back"
if ! cmp -s "$source" "$tmp/back"; then
    echo "make_readme: these lines do not survive CP932 unchanged:" >&2
    diff "$source" "$tmp/back" >&2 || true
    exit 1
fi

# LF -> CR LF. Done on the Shift_JIS bytes: no trail byte of a double-byte character is
# 0x0A, so every LF found is a real line end.
LC_ALL=C awk '{ printf "%s\r\n", $0 }' "$tmp/sjis" > "$tmp/crlf"
mv "$tmp/crlf" "$out"
