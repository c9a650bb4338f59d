#!/bin/sh
# clang-tidy over the files of a source folder in a build's compile database.
# usage: tidy.sh <clang-tidy> <build folder> <source folder>
set -u
tidy=$1
build=$2
sources=$3
files=$(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$build/compile_commands.json" | grep "^$sources/")
[ -n "$files" ] || { echo "no sources of $sources in $build/compile_commands.json"; exit 1; }
printf '%s\n' "$files" | xargs -P "${TELVORA_JOBS:-2}" -n 4 "$tidy" -p "$build" --quiet --warnings-as-errors='*'
