#!/bin/sh
# Packet loss inside a segment: both hosts drop PERCENT of the UDP datagrams they receive
# (nftables, as the kernel here has no netem), so requests, blocks and acknowledgements are
# lost in both directions on every step. Our ends retransmit after the shortest time-out
# (--timeout 0), so that many losses cost little time; tftp-hpa and the modem keep theirs.
# With a budget large enough an upgrade completes with identical bytes (both ways a modem
# answers: the chaos schedules); with the default budget of 3 it stops with a time-out and a
# failure status, or, where the budget happens to suffice at low loss, truly completes; a
# file fetched from `sperrow serve` by tftp-hpa's tftp arrives with identical bytes.
# Usage: loss_test.sh SPERROW SPERROW_MODEM SOURCE_DIR PERCENT
SPERROW=$1 MODEM=$2 ROOT=$3 PERCENT=$4
. "$ROOT/tests/lib.sh"; . "$ROOT/tests/segment/segment.sh"
seg_init
need cmp tftp head
seg_workdir "loss$PERCENT"

IMAGE=$ROOT/samples/sample.comp
seg_segment lan 10.231.1
seg_host host lan 1
seg_host modem lan 11
seg_modem modem "$WORK/store" --retries 200
seg_loss host "$PERCENT"
seg_loss modem "$PERCENT"

upgrade() {  # upgrade [OPTIONS...]: STATUS, OUT, ERR
    seg_run host timeout 60 "$SPERROW" -m 10.231.1.11 --port "$MODEM_PORT" \
        -p "$MODEM_PASSWORD" --timeout 0 -q "$@" upgrade "$IMAGE" --no-wait \
        >"$WORK/out" 2>"$WORK/err"
    STATUS=$? OUT=$(cat "$WORK/out") ERR=$(cat "$WORK/err")
}
stopped_on_timeout() {
    for text in 'ADSL no response!' 'ADSL no ACK! Retry? ' 'ADSL ack no response!'; do
        contains "$ERR" "$(printf 'Timeout:\n%s' "$text")" && return 0
    done
    return 1
}

# 1. Enough retries: complete, identical.
upgrade --retry 1000
check "with 1000 retries: status 0 (got $STATUS)" is "$STATUS" 0
check "the modem holds the image whole" same_file "$IMAGE" "$WORK/store/image"
[ "$FAILED" = 0 ] || { echo "$OUT"; tail -n 20 "$WORK/err"; tail -n 20 "$WORK/modem.log"; }

# 2. The default budget.
rm -f "$WORK/store/image"
upgrade
if [ "$PERCENT" -ge 20 ] || [ "$STATUS" != 0 ]; then
    check "with the default budget: status 1 (got $STATUS)" is "$STATUS" 1
    check "it says which time-out stopped it, and no completion" \
        eval 'stopped_on_timeout && lacks "$OUT" Complete'
else
    # Three losses or fewer in the whole run: then it has to be a real success.
    check "a run that reports success at $PERCENT % left the image whole" \
        same_file "$IMAGE" "$WORK/store/image"
    check "a run that reports success said nothing of a time-out" lacks "$ERR" "Timeout:"
fi
[ "$FAILED" = 0 ] || { echo "$OUT"; echo "$ERR"; }

# 3. tftp-hpa fetches from our server. The server listens on the host; the modem's namespace
# is the client's.
mkdir -p "$WORK/root"
head -c 40000 /dev/urandom >"$WORK/root/blob.bin"
seg_spawn host "$WORK/serve.log" timeout 120 "$SPERROW" --server-port 6970 --retry 1000 \
    --timeout 0 serve --root "$WORK/root"
SERVE_PID=$SEG_PID
serving_here() { seg_run host ss -Hlun 2>/dev/null | grep -q ":6970 "; }
poll 50 serving_here
cd "$WORK" || exit 1
printf 'mode binary\nrexmt 1\ntimeout 60\nget blob.bin got.bin\nquit\n' |
    seg_run modem timeout 90 tftp 10.231.1.1 6970 >"$WORK/tftp.out" 2>&1
check "tftp-hpa fetched the file from our server with identical bytes" \
    same_file "$WORK/root/blob.bin" "$WORK/got.bin"
seg_stop "$SERVE_PID"
[ "$FAILED" = 0 ] || { cat "$WORK/tftp.out"; tail -n 20 "$WORK/serve.log"; }
finish
