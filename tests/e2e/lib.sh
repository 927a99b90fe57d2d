# What the e2e cases share: binkd nodes on loopback, requesters polling a
# serving node, and the checks of what they receive. Sourced with `scratch`
# (the case's folder), `files` (the served folder holding nodelist.zip and
# files.txt) and the array `pids` (processes to stop at the end) in place.

skip() { echo "e2e skipped: $*"; exit 77; }

fail() { echo "FAIL: $*"; exit 1; }

# Ends the processes of `pids`, at the end of a case.
stop_processes() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}

# After a failed case: the tail of each of the logs named that exists.
show_logs() {
    echo "---- logs of the failed run ($scratch) ----"
    for log in "$@"; do
        [ -f "$log" ] && { echo "== $log"; tail -n 40 "$log"; }
    done
    return 0
}

# A free TCP port on loopback, different on each call.
last_port=$((20000 + $$ % 20000))
free_port() {
    while :; do
        last_port=$((last_port + 1))
        (exec 3<>"/dev/tcp/127.0.0.1/$last_port") 2>/dev/null || { echo "$last_port"; return; }
    done
}

# Waits up to $2 seconds for the command $1 to succeed.
wait_for() {
    local deadline=$((SECONDS + $2))
    until eval "$1"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}

# A binkd configuration: $1 its folder, $2 its address, then extra lines.
binkd_config() {
    local dir=$1 address=$2
    shift 2
    cat <<CFG
domain fidonet $dir/outb 2
address $address@fidonet
sysname "qarvex e2e"
sysop "Sysop of $address"
location "loopback"
nodeinfo 115200,TCP,BINKP
inbound $dir/inb
inbound-nonsecure $dir/inb
temp-inbound $dir/tmp
log $dir/binkd.log
loglevel 5
conlog 0
pid-file $dir/binkd.pid
CFG
    printf '%s\n' "$@"
}

# A requesting node or point: $1 name, $2 address, $3 port of the node to poll,
# $4 how many more names to ask for that the node does not have.
requester() {
    local dir="$scratch/$1" address=$2 port=$3 padding=${4:-0}
    mkdir -p "$dir"/{inb,outb,tmp,netmail,bad}
    binkd_config "$dir" "$address" "node 2:5020/9999@fidonet 127.0.0.1:$port -" >"$dir/binkd.cfg"
    {
        printf 'nodelist.zip\r\nFILES\r\nmissing.zip\r\n'
        for ((i = 0; i < padding; i++)); do printf 'absent%d.zip\r\n' "$i"; done
    } >"$dir/outb/139c270f.req"
    cat >"$dir/crashmail.prefs" <<PREFS
SYSOP "Sysop of $address"
LOGFILE "$dir/crashmail.log"
LOGLEVEL 6
DUPEFILE "$dir/crashmail.dupes" 200
DUPEMODE BAD
INBOUND "$dir/inb"
OUTBOUND "$dir/outb"
TEMPDIR "$dir/tmp"
CREATEPKTDIR "$dir/tmp"
PACKETDIR "$dir/outb"
STATSFILE "$dir/crashmail.stats"
CHECKPKTDEST
AKA $address
DOMAIN "FidoNet"
NETMAIL "NETMAIL" $address MSG "$dir/netmail"
AREA "BAD" $address MSG "$dir/bad"
PREFS
}

poll() { timeout 60 binkd -p -P 2:5020/9999@fidonet "$scratch/$1/binkd.cfg" >"$scratch/$1/poll.out" 2>&1; }

# Checks what the requester $1 got: the file byte-equal, and the report tossed
# into its netmail area, addressed to $2, opening with the kludge lines $3...
check_requester() {
    local name=$1 address=$2
    local dir="$scratch/$name"
    shift 2
    cmp -s "$dir/inb/nodelist.zip" "$files/nodelist.zip" || fail "$name: nodelist.zip did not arrive whole"
    cmp -s "$dir/inb/files.txt" "$files/files.txt" || fail "$name: files.txt did not arrive whole"
    ls "$dir"/inb/*.[Pp][Kk][Tt] >/dev/null 2>&1 || fail "$name: no report packet arrived"
    (cd "$dir" && timeout 30 crashmail SETTINGS "$dir/crashmail.prefs" TOSS >"$dir/toss.out" 2>&1) || fail "$name: crashmail failed"
    local message
    message=$(ls "$dir"/netmail/*.msg 2>/dev/null | head -n 1)
    [ -n "$message" ] || fail "$name: the report was not tossed into the netmail area"
    local text
    text=$(tr '\r\0' '\n\n' <"$message")
    grep -q "^File Request Report $" <<<"$text" || fail "$name: no report heading in $message"
    grep -q "^nodelist.zip  *nodelist.zip  *70000$" <<<"$text" || fail "$name: no line for nodelist.zip"
    grep -q "^missing.zip  *File Not Found$" <<<"$text" || fail "$name: no line for missing.zip"
    grep -q "^Files: 2   Bytes: " <<<"$text" || fail "$name: no totals"
    for kludge in "$@"; do
        grep -qa "$(printf '\001')$kludge" "$message" || fail "$name: no $kludge kludge"
    done
    [ -z "$(ls "$dir/bad")" ] || fail "$name: crashmail put a message into BAD"
    echo "ok: $name ($address) got its files and its report"
}
