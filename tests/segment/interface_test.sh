#!/bin/sh
# `--interface`: a host on two segments broadcasts only through the device it is told to
# use, against its routing table, and a device it does not have is refused with a clear
# error before a single datagram leaves.
# Segment a (10.231.1.0/24) holds modems a1 and a2, segment b (10.231.2.0/24) modem b1; the
# host's eth0 is on a and carries its broadcast route, its eth1 is on b.
# Usage: interface_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; . "$ROOT/tests/segment/segment.sh"
seg_init
need cmp
seg_workdir interface

IMAGE=$ROOT/samples/sample.comp
seg_segment a 10.231.1
seg_segment b 10.231.2
seg_host host a 1; seg_host host b 1
seg_host a1 a 11; seg_host a2 a 12; seg_host b1 b 11
for m in a1 a2 b1; do seg_modem "$m" "$WORK/store-$m"; done
for h in host a1 a2 b1; do seg_watch "$h"; done

# upgrade_by DEVICE: a broadcast upgrade from the host through DEVICE; STATUS, OUT, ERR.
upgrade_by() {
    seg_run host timeout 60 "$SPERROW" -m 10.231.1.11 --port "$MODEM_PORT" \
        -p "$MODEM_PASSWORD" --broadcast --interface "$1" --timeout 1 -q \
        upgrade "$IMAGE" --no-wait >"$WORK/out" 2>"$WORK/err"
    STATUS=$? OUT=$(cat "$WORK/out") ERR=$(cat "$WORK/err")
}

received_nothing() { [ "$(seg_udp_count "$1" in)" = 0 ] && [ ! -e "$WORK/store-$1/image" ]; }

# A device the host does not have.
upgrade_by nosuch0
check "an unknown interface: a failure status ($STATUS), an error naming it, nothing done" \
    sh -c '[ "$1" != 0 ] && [ "$1" != 77 ] && printf %s "$2" | grep -q nosuch0 &&
           ! printf %s "$3" | grep -q Complete' _ "$STATUS" "$ERR" "$OUT"
check "not one datagram left the host" [ "$(seg_udp_count host out)" = 0 ]
for m in a1 a2 b1; do check "modem $m received nothing" received_nothing "$m"; done
[ "$FAILED" = 0 ] || { echo "$OUT"; echo "$ERR"; }

# eth1: against the routing table, only segment b.
upgrade_by eth1
check "the upgrade through eth1 ends with status 0 (got $STATUS)" is "$STATUS" 0
check "modem b1 received the image whole" same_file "$IMAGE" "$WORK/store-b1/image"
for m in a1 a2; do check "modem $m on the other segment received nothing" received_nothing "$m"; done
[ "$FAILED" = 0 ] || { echo "$OUT"; echo "$ERR"; cat "$WORK/b1.log"; }
finish
