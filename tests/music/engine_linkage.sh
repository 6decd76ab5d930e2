#!/bin/sh
# Checks how the engine's files hang together, from the engine library's
# symbols (nm) and the sources' includes:
# - at most MAX_GLOBALS mutable globals with external linkage (the state
#   records the engine's files share); everything else is the API or stays in
#   its file;
# - no two files need each other: neither one defining what the other uses
#   while using what the other defines, nor each including the other's header.
#   engine_linkage.sh LIBRARY MUSIC_SOURCE_DIR MAX_GLOBALS
# Prints what it finds wrong and exits non-zero.
set -eu
library=$1
sources=$2
limit=$3
nm=${NM:-nm}
status=0
scratch=$(mktemp -d "${TMPDIR:-/tmp}/engine_linkage.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# Mutable: strong data (B, D, C) in a writable section. Constants that hold
# addresses sit in .data.rel.ro, which is read-only once the program is loaded.
# Names starting with "__" are the compiler's and the sanitizers' own.
"$nm" -C -f sysv --defined-only --extern-only "$library" | awk -F'|' '
    NF >= 7 {
        name = $1; class = $3; section = $7
        gsub(/ /, "", name); gsub(/ /, "", class); gsub(/ /, "", section)
        if (class !~ /^[BDC]$/ || name ~ /^__/) next
        if (section ~ /^\.data\.rel\.ro/ || section ~ /^\.rodata/) next
        print name
    }' | sort -u >"$scratch/mutable"
count=$(wc -l <"$scratch/mutable")
if [ "$count" -gt "$limit" ]; then
    echo "engine_linkage: $count mutable globals with external linkage (at most $limit):" $(cat "$scratch/mutable")
    status=1
fi

# Which object file defines each symbol, and which symbols each one uses.
"$nm" -A --defined-only --extern-only "$library" | awk '
    { split($1, at, ":"); file = at[2]; sub(/\.(cpp\.)?o(bj)?$/, "", file); print $NF, file }' |
    sort -u >"$scratch/defined"
"$nm" -A --undefined-only "$library" | awk '
    { split($1, at, ":"); file = at[2]; sub(/\.(cpp\.)?o(bj)?$/, "", file); print $NF, file }' |
    sort -u >"$scratch/used"
# "user definer" for every use of another file's definition.
awk 'NR == FNR { definer[$1] = $2; next } ($1 in definer) && definer[$1] != $2 { print $2, definer[$1] }' \
    "$scratch/defined" "$scratch/used" | sort -u >"$scratch/needs"
# Each file's music/ includes, by file stem (a header and its source are one file).
awk 'FNR == 1 { stem = FILENAME; sub(/.*\//, "", stem); sub(/\.[a-z]+$/, "", stem) }
     /^#include "music\// { header = $2; gsub(/"/, "", header); sub(/.*\//, "", header); sub(/\.h$/, "", header)
                             if (header != stem) print stem, header }' "$sources"/*.h "$sources"/*.cpp |
    sort -u >"$scratch/includes"
for kind in needs includes; do
    pairs=$(awk 'NR == FNR { edge[$1 " " $2] = 1; next } ($2 " " $1) in edge && $1 < $2 { print $1 "<->" $2 }' \
        "$scratch/$kind" "$scratch/$kind")
    if [ -n "$pairs" ]; then
        echo "engine_linkage: files that need each other ($kind):" $pairs
        status=1
    fi
done
exit $status
