#!/usr/bin/env bash
# Two binkd nodes on loopback: the serving node runs the installed qarvex
# through its exec line as the mailer's unprivileged user; requesters poll it,
# receive the files and the report packet, and crashmail tosses the report into
# a netmail area, from which it is read back.
# Last, a node whose settings keep an area for the nodes it lists and limit a
# session's bytes serves a listed and an unlisted caller.
# Usage: run.sh BUILD_DIR    (exit 77: skipped, with the reason on stdout)
set -euo pipefail
build=$(cd "$1" && pwd)
user=ftn
export PATH="$PATH:/usr/sbin:/sbin"
source "$(dirname "$0")/lib.sh"

command -v binkd >/dev/null || skip "binkd is not installed"
command -v crashmail >/dev/null || skip "crashmail is not installed"
command -v socat >/dev/null || skip "socat is not installed"
[ "$(id -u)" = 0 ] || skip "needs root to run the mailer as the user $user"
id -u "$user" >/dev/null 2>&1 || skip "the user $user (from the binkd package) is missing"

scratch=$(mktemp -d /tmp/qarvex-e2e-XXXXXX)
chmod 755 "$scratch"
pids=()
cleanup() {
    local status=$?
    stop_processes
    if [ "$status" != 0 ]; then
        show_logs "$scratch"/*/binkd.log "$scratch"/*/crashmail.log "$scratch"/*/qarvex.err
        for f in "$scratch"/usr/lib/qarvex/Debug*.Txt; do [ -f "$f" ] && { echo "== $f"; cat "$f"; }; done
    fi
    [ -n "${QARVEX_E2E_KEEP:-}" ] || rm -rf "$scratch"
    exit "$status"
}
trap cleanup EXIT

# The program installed in a prefix of its own. This build has no install
# layout and keeps its permission list, log and debug files beside the
# program, so the mailer's user gets that folder here (package.sh tests the
# installed layout).
cmake --install "$build" --prefix "$scratch/usr" --component program >/dev/null
prefix="$scratch/usr"
chown "$user:" "$prefix/lib/qarvex"
files="$scratch/files"

server="$scratch/server"
mkdir -p "$server"/{inb,outb,tmp} "$scratch/files"
head -c 70000 /dev/urandom >"$scratch/files/nodelist.zip"
printf 'The files of the e2e node.\r\n' >"$scratch/files/files.txt"
# A larger folder that every request searches, so that a long request list
# keeps its run going for a while.
mkdir -p "$scratch/archive"
for i in $(seq 1 300); do echo "$i" >"$scratch/archive/old$i.txt"; done
printf '%s/\n@FILES %s/files.txt\n%s/*.arc\n' "$scratch/files" "$scratch/files" "$scratch/archive" \
    >"$prefix/lib/qarvex/OkFile.Txt"

server_port=$(free_port)
binkd_config "$server" 2:5020/9999 "iport $server_port" \
    "exec \"$prefix/bin/qarvex SRIF 2:5020/9999 *S\" *.req" >"$server/binkd.cfg"
chown -R "$user:" "$server" "$scratch/files" "$scratch/archive"
# The permission list is checked as the install steps check it, as the
# mailer's user, before the mailer may use it.
chown "$user:" "$prefix/lib/qarvex/OkFile.Txt"
chmod 640 "$prefix/lib/qarvex/OkFile.Txt"
setpriv --reuid "$user" --regid "$user" --clear-groups "$prefix/bin/qarvex" --check >"$server/check.out" ||
    { cat "$server/check.out"; fail "qarvex --check finds an error in the permission list"; }
grep -q ': 0 errors, ' "$server/check.out" || { cat "$server/check.out"; fail "qarvex --check gave no count"; }
setpriv --reuid "$user" --regid "$user" --clear-groups binkd -s "$server/binkd.cfg" >"$server/binkd.out" 2>&1 &
pids+=($!)
wait_for "(exec 3<>/dev/tcp/127.0.0.1/$server_port) 2>/dev/null" 10 || fail "the serving binkd does not listen"

# 1. A node requests files.
requester node 2:5020/1 "$server_port"
poll node || fail "the node's poll failed"
check_requester node 2:5020/1
# The mailer's user could write the log, and the run, ending well, left no trace.
grep -q "FREQ Processing File Request From 2:5020/1" "$prefix/lib/qarvex/QARVEX.Log" || fail "no session log"
ls "$prefix"/lib/qarvex/Debug*.Txt >/dev/null 2>&1 && fail "a debug file was left after a good run"

# 2. A point and another node at once. The point asks for enough names that
# its run still goes on when the node calls; binkd names both request lists
# after the time, so the second call waits for the next second.
requester point 2:5020/1.5 "$server_port" 300
requester node2 2:5020/2 "$server_port"
poll point & point_pid=$!
pids+=($point_pid)
sleep 1.2
poll node2 || fail "the second node's poll failed"
wait "$point_pid" || fail "the point's poll failed"
check_requester point 2:5020/1.5 "TOPT 5"
check_requester node2 2:5020/2
# The node's run started before the point's ended.
grep -E "executing|rc=" "$server/binkd.log" | tail -n 4 | sed -n 2p | grep -q "executing .*/139c0002.srf" ||
    echo "note: the two runs did not overlap this time"

# 3. binkd started by inetd (-i): the connection is the mailer's standard
# input, output and error, so qarvex's output must go to a file. A run that
# fails (its program folder is read-only and holds no log) must leave the
# session whole, with its error exit in that file.
inetd_session() {
    local name=$1 exec_line=$2
    local dir="$scratch/$name" port
    port=$(free_port)
    mkdir -p "$dir"/{inb,outb,tmp}
    binkd_config "$dir" 2:5020/9999 "$exec_line" >"$dir/binkd.cfg"
    chown -R "$user:" "$dir"
    # Like inetd: a binkd for each connection, the connection on all three
    # standard descriptors.
    setpriv --reuid "$user" --regid "$user" --clear-groups \
        socat "TCP-LISTEN:$port,bind=127.0.0.1,reuseaddr,fork" "EXEC:binkd -i $dir/binkd.cfg,stderr" &
    pids+=($!)
    wait_for "(exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null" 10 || fail "socat does not listen for $name"
    requester "$name-caller" 2:5020/3 "$port"
    poll "$name-caller"
}
rm -f "$prefix/lib/qarvex/QARVEX.Log"
chmod 555 "$prefix/lib/qarvex"
inetd_session inetd "exec \"$prefix/bin/qarvex SRIF 2:5020/9999 *S >>$scratch/inetd/qarvex.err 2>&1\" *.req" ||
    fail "the poll of the inetd node failed"
grep -q "done (to 2:5020/9999@fidonet, OK" "$scratch/inetd-caller/binkd.log" || fail "the inetd session broke"
grep -q "Unable to open .*QARVEX.Log" "$scratch/inetd/qarvex.err" && grep -q ">> Error Exit" "$scratch/inetd/qarvex.err" &&
    ! grep -q "Failed Assertion" "$scratch/inetd/qarvex.err" ||
    fail "the failing run did not report its error exit in its error file"
echo "ok: a failing run under binkd -i leaves the session whole"
chmod 755 "$prefix/lib/qarvex"

# 4. The settings under binkd: an area for listed nodes only and a session
# byte limit. This node lists 2:5020/4 in its configuration, so binkd's SRIF
# calls that caller LISTED and 2:5020/5 UNLISTED; the byte limit lets
# nodelist.zip and m.zip (70100 bytes) go and keeps big.zip back.
members="$scratch/members"
mkdir -p "$members"
head -c 100 /dev/urandom >"$members/m.zip"
head -c 200 /dev/urandom >"$members/big.zip"
chown -R "$user:" "$members"
printf '%s/\n%s/\n' "$files" "$members" >"$prefix/lib/qarvex/OkFile.Txt"
printf 'Area %s Listed\nMaxBytes 70100\n' "$members" >"$prefix/lib/qarvex/qarvex.conf"
setpriv --reuid "$user" --regid "$user" --clear-groups "$prefix/bin/qarvex" --check >"$server/check.out" ||
    { cat "$server/check.out"; fail "qarvex --check finds an error in the settings"; }
areas="$scratch/areas"
areas_port=$(free_port)
mkdir -p "$areas"/{inb,outb,tmp}
binkd_config "$areas" 2:5020/9999 "iport $areas_port" "node 2:5020/4@fidonet -" \
    "exec \"$prefix/bin/qarvex SRIF 2:5020/9999 *S\" *.req" >"$areas/binkd.cfg"
chown -R "$user:" "$areas"
setpriv --reuid "$user" --regid "$user" --clear-groups binkd -s "$areas/binkd.cfg" >"$areas/binkd.out" 2>&1 &
pids+=($!)
wait_for "(exec 3<>/dev/tcp/127.0.0.1/$areas_port) 2>/dev/null" 10 || fail "the areas binkd does not listen"
report_of() { tr '\r\0' '\n\n' <"$(ls "$scratch/$1"/inb/*.[Pp][Kk][Tt] | head -n 1)"; }
for caller in listed:2:5020/4 unlisted:2:5020/5; do
    name=${caller%%:*}
    requester "$name" "${caller#*:}" "$areas_port"
    printf 'nodelist.zip\r\nm.zip\r\nbig.zip\r\n' >"$scratch/$name/outb/139c270f.req"
    poll "$name" || fail "the $name node's poll failed"
done
cmp -s "$scratch/listed/inb/m.zip" "$members/m.zip" || fail "the listed node did not get m.zip"
[ ! -e "$scratch/listed/inb/big.zip" ] || fail "big.zip passed the byte limit"
report_of listed | grep -q "^big.zip  *big.zip  *Over Byte Limit, 0 Bytes Left$" ||
    fail "the listed node's report does not say big.zip passed the byte limit"
[ ! -e "$scratch/unlisted/inb/m.zip" ] || fail "the unlisted node got a file of the listed nodes' area"
cmp -s "$scratch/unlisted/inb/nodelist.zip" "$files/nodelist.zip" || fail "the unlisted node did not get nodelist.zip"
report_of unlisted | grep -q "^m.zip  *Listed Nodes Only$" || fail "the unlisted node's report does not say why"
echo "ok: an area for listed nodes and a byte limit hold under binkd"
