#!/usr/bin/env bash
# Runs an image host (through EMULATOR when one is given) in a scratch folder and
# checks its standard output against EXPECTED and its exit status.
#   run-image.sh EMULATOR PROGRAM EXPECTED STATUS
set -u
emulator=$1 program=$2 expected=$3 status=$4
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
