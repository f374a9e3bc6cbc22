#!/bin/bash
# Fails when a product file includes a folder above its own: the house reads top-down.
# Reads every #include "folder/..." line of the product folders and names each one that
# runs upward, with its file, line and rule. Tests, tools, benchmarks and fuzz targets
# are no product folders and may include anything.
#
#   bash tools/check-includes.sh [REPOSITORY_ROOT]
set -euo pipefail
cd "${1:-$(dirname "${BASH_SOURCE[0]}")/..}"

# The floors, from the top. A file may include its own folder, a folder joined to it by
# "+" (one record by design) and any folder on a line below. Folders side by side on one
# line are siblings: neither includes the other. Subfolders (shell/win32, platform/posix)
# are on their folder's floor.
floors='
cli
shell
resources
display
autoplay ghost
sequencer+midi
core
platform
'

declare -A rank record
folders=()
n=0
while read -r line; do
    [ -n "$line" ] || continue
    n=$((n + 1))
    for joined in $line; do
        for folder in ${joined//+/ }; do
            rank[$folder]=$n
            record[$folder]=$joined
            folders+=("$folder")
        done
    done
done <<< "$floors"

# True when a file of folder $1 may include folder $2.
may_include() {
    [ "${record[$1]}" = "${record[$2]}" ] || [ "${rank[$2]}" -gt "${rank[$1]}" ]
}

# The rule of folder $1, as a message names it.
rule_of() {
    local g list=""
    for g in "${folders[@]}"; do
        if may_include "$1" "$g"; then list+=" $g/"; fi
    done
    echo "$1/ may include only$list"
}

present=()
for f in "${folders[@]}"; do
    if [ -d "$f" ]; then present+=("$f"); fi
done
if [ ${#present[@]} -eq 0 ]; then
    echo "check-includes: no product folder in $(pwd)" >&2
    exit 2
fi

mapfile -d '' files < <(find "${present[@]}" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' -o -name '*.rc' \) -print0 | sort -z)
violations=0
while IFS=: read -r file number text; do
    from=${file%%/*}
    [[ $text =~ \"([^\"/]+)/ ]] || continue
    to=${BASH_REMATCH[1]}
    if [ -z "${rank[$to]:-}" ]; then
        rule="$to/ is no product folder"
    elif may_include "$from" "$to"; then
        continue
    else
        rule=$(rule_of "$from")
    fi
    echo "$file:$number: ${text#"${text%%[![:space:]]*}"}: $rule"
    violations=$((violations + 1))
done < <(grep -nHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "${files[@]}" || true)

if [ "$violations" -gt 0 ]; then
    echo "check-includes: $violations include(s) against the floors in ${#files[@]} product files" >&2
    exit 1
fi
echo "check-includes: ${#files[@]} product files, every include runs down"
