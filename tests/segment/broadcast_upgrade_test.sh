#!/bin/sh
# A broadcast upgrade of a segment: three simulated modems answer every broadcast, a fourth
# host runs `sperrow --broadcast --delay`, a fifth throws datagrams no modem would send at it.
# Every modem receives every entry whole; the surplus answers and the stray datagrams are
# dropped (one taken for the awaited answer would stop the run or tear the transfer apart).
# Usage: broadcast_upgrade_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; . "$ROOT/tests/segment/segment.sh"
seg_init
need cmp od awk bash
seg_workdir broadcast

PACK=$ROOT/samples/sample.pack
seg_segment lan 10.231.1
seg_host host lan 1
for n in 1 2 3; do seg_host "m$n" lan "1$n"; done
seg_host stray lan 50
for n in 1 2 3; do seg_modem "m$n" "$WORK/store-m$n"; done

# The stray host learns the upgrading host's port from the first modem's log, then sends it
# an ACK of a block nobody sent and a DATA block nobody asked for, 20 times each.
seg_spawn stray "$WORK/stray.log" timeout 30 bash -c '
    log=$1
    port=""
    for i in $(seq 100); do
        port=$(sed -n "s/^10\.231\.1\.1:\([0-9]*\) write .*/\1/p" "$log" | head -n 1)
        [ -n "$port" ] && break
        sleep 0.05
    done
    [ -n "$port" ] || { echo "no port"; exit 1; }
    for i in $(seq 20); do
        printf "\000\004\047\017" >/dev/udp/10.231.1.1/$port
        printf "\000\003\000\007stray" >/dev/udp/10.231.1.1/$port
        sleep 0.05
    done
    echo "sent to $port"' stray "$WORK/m1.log"
STRAY_PID=$SEG_PID

seg_run host timeout 90 "$SPERROW" -m 10.231.1.11 --port "$MODEM_PORT" -p "$MODEM_PASSWORD" \
    --broadcast --delay 20 --timeout 1 -v -q upgrade "$PACK" --no-wait \
    >"$WORK/out" 2>"$WORK/err"
status=$?
wait "$STRAY_PID" 2>/dev/null
err=$(cat "$WORK/err")

check "the broadcast upgrade ends with status 0 (got $status)" is "$status" 0
check "the stray datagrams were sent while the upgrade ran" grep -q "sent to" "$WORK/stray.log"
names=$(pack_entries "$PACK" | cut -d' ' -f1)
for name in $names; do pack_entry "$PACK" "$name" "$WORK/expected-$name"; done
for n in 1 2 3; do
    for name in $names; do
        check "modem $n received entry $name whole" same_file "$WORK/expected-$name" \
            "$WORK/store-m$n/$name"
    done
    check "modem $n took the key and the three markers, and answered the host" sh -c '
        grep -q "write tftplock.key: received 8 bytes, key accepted" "$1" &&
        for m in beg rbt end; do grep -q "write tftpupdt.$m: received" "$1" || exit 1; done &&
        grep -q "Remote IP : Port = $2 Ack" "$3"' _ "$WORK/m$n.log" "10.231.1.1$n:$MODEM_PORT" \
        "$WORK/err"
done
# The stray host answered no request of ours: its datagrams belong to no transfer (the
# identical bytes above say none was taken), and are logged as dropped.
check "the stray datagrams reached the host and were dropped as another transfer's" sh -c \
    'grep -q "Remote IP : Port = 10.231.1.50:" "$1" &&
     grep -q "Datagram of another transfer dropped." "$1"' _ "$WORK/err"
check "nothing was reported as failed" lacks "$err" "Timeout:"
# Every modem answered every block, so for each block the host heard three ACKs and took one.
acks=$(grep -c "Remote IP : Port = 10\.231\.1\.1[123]:$MODEM_PORT Ack" "$WORK/err")
check "the host heard every modem's ACKs ($acks), well over one per block" [ "$acks" -ge 240 ]

[ "$FAILED" = 0 ] || { tail -n 40 "$WORK/err"; cat "$WORK"/m?.log "$WORK/stray.log"; }
finish
