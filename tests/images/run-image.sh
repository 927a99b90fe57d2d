#!/usr/bin/env bash
# Runs an image host (through EMULATOR when one is given) in a scratch folder and
# checks its standard output against EXPECTED, its exit status, and its
# standard error against EXPECTED_ERRORS when that is given.
#   run-image.sh EMULATOR PROGRAM EXPECTED STATUS [EXPECTED_ERRORS]
set -u
emulator=$1 program=$2 expected=$3 status=$4 expected_errors=${5:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$program" "$scratch/"
cd "$scratch"
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
