#!/usr/bin/env bash
# The Debian package as a sysop meets it: installed with dpkg into this
# machine, binkd run as ftn inside a sandbox that mirrors Debian's
# binkd.service (/ read-only, /home and /root hidden, private /tmp and
# /var/tmp, writable only the service's ReadWritePaths, its StateDirectory and
# the paths of qarvex's drop-in), a node and a point served, the report
# tossed by crashmail; the mailer's user may not touch the program; a purge
# leaves nothing of the package behind.
# Usage: package.sh QARVEX_DEB   (exit 77: skipped, with the reason on stdout)
set -euo pipefail
deb=$(realpath "$1")
user=ftn
export PATH="$PATH:/usr/sbin:/sbin"
source "$(dirname "$0")/lib.sh"

command -v binkd >/dev/null || skip "binkd is not installed"
command -v crashmail >/dev/null || skip "crashmail is not installed"
[ "$(id -u)" = 0 ] || skip "needs root to install the package"
id -u "$user" >/dev/null 2>&1 || skip "the user $user (from the binkd package) is missing"
bwrap --ro-bind / / true 2>/dev/null || skip "bubblewrap cannot run here"
[ -f "$deb" ] || fail "no package at $1"
dpkg -s qarvex >/dev/null 2>&1 && fail "qarvex is installed on this machine already; this test would replace it"

# Served files may not lie under /home, /root, /tmp or /var/tmp, which the
# service cannot see.
scratch=$(mktemp -d /srv/qarvex-e2e-XXXXXX)
chmod 755 "$scratch"
files="$scratch/files"
pids=()
made=()   # mount points the test made for the sandbox
cleanup() {
    local status=$?
    stop_processes
    [ "$status" = 0 ] || show_logs "$scratch"/binkd.out "$scratch"/*/binkd.log "$scratch"/*/crashmail.log \
        /var/log/qarvex/QARVEX.Log /var/lib/qarvex/Debug*.Txt
    dpkg -s qarvex >/dev/null 2>&1 && dpkg --purge qarvex >/dev/null
    for folder in "${made[@]}"; do rmdir "$folder"; done
    [ -n "${QARVEX_E2E_KEEP:-}" ] || rm -rf "$scratch"
    exit "$status"
}
trap cleanup EXIT

as_user() { setpriv --reuid "$user" --regid "$user" --clear-groups "$@"; }

# $1 path, $2 owner:group, $3 octal mode.
expect_mode() {
    local got
    got=$(stat -c '%U:%G %a' "$1") || fail "$1 is missing"
    [ "$got" = "$2 $3" ] || fail "$1 is $got, not $2 $3"
}

# 0. Installed before the mailer's user exists, it says what to do, keeps the
# list from other users, and a reconfigure then hands the folders over.
MAILER_USER=qarvex-nosuchuser dpkg -i "$deb" >"$scratch/dpkg.out" 2>&1 || { cat "$scratch/dpkg.out"; fail "dpkg -i failed"; }
grep -q 'run "dpkg-reconfigure qarvex"' "$scratch/dpkg.out" || fail "no word on the missing user"
expect_mode /etc/qarvex/OkFile.Txt root:root 640
expect_mode /var/log/qarvex root:root 750
dpkg-reconfigure qarvex >/dev/null 2>&1 || fail "dpkg-reconfigure failed"
expect_mode /etc/qarvex/OkFile.Txt "root:$user" 640
expect_mode /var/lib/qarvex "$user:$user" 750
dpkg --purge qarvex >/dev/null
echo "ok: installed before its user, then reconfigured"

dpkg -i "$deb" >"$scratch/dpkg.out" 2>&1 || { cat "$scratch/dpkg.out"; fail "dpkg -i failed"; }

# 1. Where everything is, and who may write it.
for path in /usr/lib/qarvex /usr/lib/qarvex/qarvex /usr/bin/pktdump /usr/bin/imagehost; do
    expect_mode "$path" root:root 755
done
expect_mode /etc/qarvex/OkFile.Txt "root:$user" 640
expect_mode /var/log/qarvex "$user:$user" 750
expect_mode /var/lib/qarvex "$user:$user" 750
for path in /usr/share/doc/qarvex/examples/OkFile.Txt /usr/share/man/man5/OkFile.Txt.5.gz \
            /usr/share/doc/qarvex/examples/qarvex.conf /usr/share/man/man5/qarvex.conf.5.gz \
            /etc/logrotate.d/qarvex /lib/systemd/system/binkd.service.d/qarvex.conf; do
    [ -f "$path" ] || fail "$path is missing"
done
ls /usr/share/doc/qarvex/README.md* >/dev/null || fail "the README is missing"
[ "$(readlink -f /usr/bin/qarvex)" = /usr/lib/qarvex/qarvex ] || fail "/usr/bin/qarvex does not lead to the program"
qarvex --version | grep -qx "Permission list  /etc/qarvex/OkFile.Txt" || fail "--version names another permission list"
echo "ok: installed as root's, the permission list root:$user 0640, log and state $user's"

# 2. The mailer's user cannot replace, rename or add a file beside a program
# or the permission list.
for kept in /usr/lib/qarvex/qarvex /usr/bin/qarvex /usr/bin/pktdump /usr/bin/imagehost /etc/qarvex/OkFile.Txt; do
    as_user sh -c "cat /bin/true >'$kept'" 2>/dev/null && fail "$user replaced $kept"
    as_user mv "$kept" "$kept.old" 2>/dev/null && fail "$user renamed $kept"
    as_user touch "$(dirname "$kept")/planted" 2>/dev/null && fail "$user added a file beside $kept"
done
[ "$(sha256sum </usr/lib/qarvex/qarvex)" = "$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/qarvex/qarvex | sha256sum)" ] ||
    fail "the program is not the packaged one"
echo "ok: $user cannot touch the programs or the permission list"

# 3. binkd inside the service's sandbox. Its own folders are the scratch's,
# bound where the service's ReadWritePaths and StateDirectory lie; the
# drop-in's folders are the package's own. systemd makes the StateDirectory
# when the service starts; here the test makes what is missing, and removes it.
for folder in /var/log/binkd /var/spool/ftn /var/lib/ftn; do
    [ -d "$folder" ] || { mkdir "$folder" && made+=("$folder"); }
done
mkdir -p "$scratch"/spool/{inb,outb,tmp} "$scratch/binkd-log" "$scratch/state" "$files"
head -c 70000 /dev/urandom >"$files/nodelist.zip"
printf 'The files of the e2e node.\r\n' >"$files/files.txt"
printf '%s/\n@FILES %s/files.txt\n' "$files" "$files" >/etc/qarvex/OkFile.Txt
expect_mode /etc/qarvex/OkFile.Txt "root:$user" 640
sandbox=(bwrap --ro-bind / / --tmpfs /home --tmpfs /root --tmpfs /tmp --tmpfs /var/tmp --dev /dev --proc /proc
         --bind "$scratch/binkd-log" /var/log/binkd --bind "$scratch/spool" /var/spool/ftn
         --bind "$scratch/state" /var/lib/ftn)
for folder in $(sed -n 's/^ReadWritePaths=//p' /lib/systemd/system/binkd.service.d/qarvex.conf); do
    case "$folder" in /usr/*|/usr|/etc/*|/lib/*) fail "the drop-in opens $folder to the service" ;; esac
    sandbox+=(--bind "$folder" "$folder")
done
server_port=$(free_port)
binkd_config /var/spool/ftn 2:5020/9999 "iport $server_port" "exec \"/usr/bin/qarvex SRIF 2:5020/9999 *S\" *.req" |
    sed "s|^log .*|log /var/log/binkd/binkd.log|" >"$scratch/binkd.cfg"
chown -R "$user:" "$scratch/spool" "$scratch/binkd-log" "$scratch/state" "$files"
"${sandbox[@]}" setpriv --reuid "$user" --regid "$user" --clear-groups binkd -s "$scratch/binkd.cfg" \
    >"$scratch/binkd.out" 2>&1 &
pids+=($!)
wait_for "(exec 3<>/dev/tcp/127.0.0.1/$server_port) 2>/dev/null" 10 || fail "the sandboxed binkd does not listen"
# The sandbox holds: the mailer's user cannot write outside its folders there.
"${sandbox[@]}" setpriv --reuid "$user" --regid "$user" --clear-groups touch /var/lib/qarvex/probe ||
    fail "the sandbox does not open /var/lib/qarvex"
mkdir "$scratch/outside" && chown "$user:" "$scratch/outside"
"${sandbox[@]}" setpriv --reuid "$user" --regid "$user" --clear-groups touch "$scratch/outside/probe" 2>/dev/null &&
    fail "the sandbox lets $user write outside its folders"
rm -f /var/lib/qarvex/probe

requester node 2:5020/1 "$server_port"
poll node || fail "the node's poll failed"
check_requester node 2:5020/1
requester point 2:5020/1.5 "$server_port"
poll point || fail "the point's poll failed"
check_requester point 2:5020/1.5 "TOPT 5"
grep -q "FREQ Processing File Request From 2:5020/1.5" /var/log/qarvex/QARVEX.Log || fail "no session log"
[ "$(stat -c %U /var/log/qarvex/QARVEX.Log)" = "$user" ] || fail "the log is not $user's"
ls /var/lib/qarvex/Debug*.Txt >/dev/null 2>&1 && fail "a debug file was left after a good run"
expect_mode /var/log/qarvex/QARVEX.Log "$user:$user" 640

# A stranger with write access to a served folder plants links: to the
# permission list, to /etc/shadow, and to a file of another user that anyone
# may read. None of them leaves; a password given with a request reaches no
# file the node keeps.
mkdir -p "$scratch/secret" "$scratch/other"
printf 'Notes for password holders.\r\n' >"$scratch/secret/notes.txt"
printf 'Not for strangers.\r\n' >"$scratch/other/private.txt"
chown -R "$user:" "$scratch/secret"
chown -R nobody: "$scratch/other"
chmod 644 "$scratch/other/private.txt"
ln -s /etc/qarvex/OkFile.Txt "$files/okcopy.txt"
ln -s /etc/shadow "$files/shadow"
ln -s "$scratch/other/private.txt" "$files/private.txt"
chown -h "$user:" "$files/okcopy.txt" "$files/shadow" "$files/private.txt"
printf '%s/\n%s/*.txt !Sekrit\n' "$files" "$scratch/secret" >/etc/qarvex/OkFile.Txt
requester linker 2:5020/2 "$server_port"
printf 'okcopy.txt\r\nshadow\r\nprivate.txt\r\nnotes.txt !Sekrit\r\n' >"$scratch/linker/outb/139c270f.req"
poll linker || fail "the linker's poll failed"
cmp -s "$scratch/linker/inb/notes.txt" "$scratch/secret/notes.txt" || fail "the password holder did not get notes.txt"
for planted in okcopy.txt shadow private.txt; do
    [ -e "$scratch/linker/inb/$planted" ] && fail "the planted link $planted was served"
done
grep -q "FREQ File Request: notes.txt !\*\*\*" /var/log/qarvex/QARVEX.Log || fail "the log does not show the request"
grep -rq Sekrit /var/log/qarvex /var/lib/qarvex "$scratch/binkd.out" && fail "a password reached the log, a debug file or the output"
echo "ok: planted links refused, no password in the log, debug files or output"

# 4. A purge leaves nothing of the package behind.
stop_processes
pids=()
dpkg --purge qarvex >"$scratch/dpkg.out" 2>&1 || { cat "$scratch/dpkg.out"; fail "dpkg --purge failed"; }
grep -i "not empty\|warning" "$scratch/dpkg.out" && fail "the purge left something behind"
for path in /etc/qarvex /var/log/qarvex /var/lib/qarvex /usr/lib/qarvex /usr/bin/qarvex /usr/share/doc/qarvex \
            /etc/logrotate.d/qarvex /lib/systemd/system/binkd.service.d/qarvex.conf; do
    [ -e "$path" ] && fail "$path is left after the purge"
done
dpkg-statoverride --list /etc/qarvex/OkFile.Txt >/dev/null && fail "the purge left the permission list's override"
echo "ok: the purge leaves nothing of the package behind"
