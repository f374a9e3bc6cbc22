#!/bin/bash
# Makes the folder tree that the GUI tests search: FOLDERS folders of FILES empty files
# each, none of them a song, in groups of 100 folders. Made on the Linux side, since a
# file created under Wine costs about a millisecond; and the files of each folder are hard
# links to those of the first one, which is much faster than a new file each. A tree made
# before with the same counts is kept (its count.txt tells them).
#
#   tools/make-search-tree.sh DIR FOLDERS FILES
set -euo pipefail
if [ $# -ne 3 ]; then
    echo "usage: $0 DIR FOLDERS FILES" >&2
    exit 2
fi
dir=$1 folders=$2 files=$3
stamp="$folders folders $files files"
if [ -f "$dir/count.txt" ] && [ "$(cat "$dir/count.txt")" = "$stamp" ]; then
    exit 0
fi
start=$(date +%s%N)
rm -rf "$dir"
mkdir -p "$dir"
perl -e '
    my ($dir, $folders, $files) = @ARGV;
    my @first;
    for my $d (0 .. $folders - 1) {
        my $group = sprintf("%s/g%03d", $dir, int($d / 100));
        mkdir $group unless -d $group;
        my $folder = sprintf("%s/d%05d", $group, $d);
        mkdir $folder or die "$folder: $!\n";
        for my $f (0 .. $files - 1) {
            my $name = sprintf("%s/f%05d.txt", $folder, $f);
            if ($d == 0) {
                open(my $h, ">", $name) or die "$name: $!\n";
                close $h;
                push @first, $name;
            } else {
                link($first[$f], $name) or die "$name: $!\n";
            }
        }
    }' "$dir" "$folders" "$files"
echo "$stamp" > "$dir/count.txt"
echo "search tree: $((folders * files)) files in $folders folders, made in $(( ($(date +%s%N) - start) / 1000000 )) ms"
