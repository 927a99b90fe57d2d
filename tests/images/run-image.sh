#!/usr/bin/env bash
# Runs an image host (through EMULATOR when one is given) in a scratch folder and
# checks its standard output against EXPECTED, its exit status, and its
# standard error against EXPECTED_ERRORS when that is given. With IMAGE, a
# bare image, PROGRAM is a host without one that runs IMAGE's blocks as the
# development files of its working folder.
#   run-image.sh EMULATOR PROGRAM EXPECTED STATUS [EXPECTED_ERRORS [IMAGE]]
set -u
emulator=$1 program=$2 expected=$3 status=$4 expected_errors=${5:-} image=${6:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$program" "$scratch/"
cd "$scratch"
if [ -n "$image" ]; then
  # The blocks in the order the image holds them, each a little-endian u32
  # size and its bytes.
  offset=0
  for name in code data import symbols rsrc options; do
    size=$(od -An -tu4 -j "$offset" -N4 "$image" | tr -d ' ')
    [ -n "$size" ] || break
    tail -c +$((offset + 5)) "$image" | head -c "$size" >"$name.dat"
    offset=$((offset + 4 + size))
  done
fi
$emulator "./$(basename "$program")" >stdout.txt 2>stderr.txt
actual=$?
if ! diff -u "$expected" stdout.txt; then
  echo "standard output differs; standard error was:"; cat stderr.txt
  exit 1
fi
if [ "$actual" != "$status" ]; then
  echo "exit status $actual, expected $status; standard error was:"; cat stderr.txt
  exit 1
fi
if [ -n "$expected_errors" ] && ! diff -u "$expected_errors" stderr.txt; then
  echo "standard error differs"
  exit 1
fi
