#!/usr/bin/env bash
# A sample session as a sysop would see it: the program and its permission list
# in a scratch folder, a TEST run, then a file request served as a mailer runs it.
# Usage: run-demo.sh BUILD_DIR   (everything happens under BUILD_DIR/demo)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
root="$build/demo"

rm -rf "$root"
mkdir -p "$root/bin" "$root/inbound" "$root/outbound"
cp "$build/qarvex" "$root/bin/qarvex"
cp -r "$here/files" "$root/files"
sed "s|@DEMO_ROOT@|$root|g" "$here/OkFile.Txt.in" > "$root/bin/OkFile.Txt"
sed "s|@DEMO_ROOT@|$root|g" "$here/request.srif.in" > "$root/inbound/request.srif"
cp "$here/request.req.in" "$root/inbound/7f3196e9.req"

show() { printf '\n===== %s =====\n' "$1"; }

chmod 640 "$root/bin/OkFile.Txt"  # it holds passwords

show "qarvex --check  (checks $root/bin/OkFile.Txt as serving reads it)"
"$root/bin/qarvex" --check
echo "(exit status $?)"

show "qarvex TEST  (checks $root/bin/OkFile.Txt)"
echo | "$root/bin/qarvex" TEST
echo

show "the request list the caller sent"
cat "$root/inbound/7f3196e9.req" | tr -d '\r'

show "qarvex SRIF 2:5020/9999 $root/inbound/request.srif"
"$root/bin/qarvex" SRIF 2:5020/9999 "$root/inbound/request.srif"
echo "(exit status $?)"

show "response list $root/outbound/139c0001.rsp"
cat "$root/outbound/139c0001.rsp"

show "session log $root/bin/QARVEX.Log"
cat "$root/bin/QARVEX.Log"

for packet in "$root"/outbound/*.Pkt; do
    show "report packet $packet"
    "$build/pktdump" "$packet"
done

show "left in $root/bin"
ls "$root/bin"
