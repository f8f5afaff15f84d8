#!/bin/sh
# Fleet runs against three simulated modems on 127.0.0.11-13: the live table on a terminal,
# --jobs 1, the log file shared line by line, a pack per modem, the password kept out of every
# child's command line, a stop signal passed on to the children (a modems file: json_test.sh).
# Usage: fleet_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work
need script

MODEMS="127.0.0.11 127.0.0.12 127.0.0.13"
PW=fleet-s3cret  # a password no path or option could hold by chance
PORT=$(free_port)
stop_fleet() {
  for pid in $PIDS; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  PIDS=""
}
fleet() {  # fleet ARGS...: the fleet run with the password on stdin; RC, OUT, ERR
  printf '%s\n' "$PW" | timeout 90 "$SPERROW" -m 127.0.0.11 -m 127.0.0.12 -m 127.0.0.13 \
    --port "$PORT" --password-file - "$@" > out 2> err
  RC=$?; OUT=$(cat out); ERR=$(cat err)
}
# The fleet's children: processes of this sperrow whose first argument is the bare name the
# fleet gives them. Their "PID ARGUMENTS" are appended to OUT while PID lives (at most 30 s).
SPERROW_EXE=$(readlink -f "$SPERROW")
watch_children() {  # watch_children PID OUT
  i=0
  while kill -0 "$1" 2>/dev/null && [ $i -lt 300 ]; do
    for exe in /proc/[0-9]*/exe; do
      [ "$(readlink "$exe" 2>/dev/null)" = "$SPERROW_EXE" ] || continue
      args=$(tr '\0' ' ' < "${exe%/exe}/cmdline" 2>/dev/null)
      case $args in "sperrow "*) echo "$(basename "${exe%/exe}") $args" >> "$2" ;; esac
    done
    sleep 0.1; i=$((i + 1))
  done
}

start_modems "$PORT" "$MODEMS" --completion-delay 1500
# On a terminal: the table drawn and redrawn in place, then the summary.
script -qfec "printf '%s\n' '$PW' | timeout 90 '$SPERROW' -m 127.0.0.11 -m 127.0.0.12 \
  -m 127.0.0.13 --port $PORT --password-file - upgrade '$ROOT/samples/sample.comp'" \
  /dev/null > tty.out 2>&1 &
SCRIPT=$!
watch_children $SCRIPT cmdlines
wait $SCRIPT
tr -d '\r' < tty.out > tty.txt
check "live table: redrawn in place" grep -q "$(printf '\033\\[4A')" tty.txt
check "live table: each modem's row ends ok" \
  sh -c "for m in $MODEMS; do grep -q \"^\$(printf '\033\\\\[K')\$m  *done .* ok\$\" tty.txt || exit 1; done"
check "live table: the summary" grep -q '^3 modems: 3 succeeded\.$' tty.txt
check "every modem holds the image whole" \
  sh -c "for m in $MODEMS; do cmp -s store-\$m/image '$ROOT/samples/sample.comp' || exit 1; done"
check "the children were seen" [ "$(cut -d' ' -f1 cmdlines | sort -u | wc -l)" -ge 3 ]
check "no child's command line holds the password" sh -c "! grep -q -- '$PW' cmdlines"
check "every child read it from its standard input" sh -c "! grep -v -- '--password-file - ' cmdlines"

# One at a time: each modem's log lines follow the last one's, never mixed.
fleet --jobs 1 --log-file fleet.log -q info
first_of() { grep -n "	$1	" fleet.log | head -n 1 | cut -d: -f1; }
last_of() { grep -n "	$1	" fleet.log | tail -n 1 | cut -d: -f1; }
check "--jobs 1: status 0, the modems one after the other" \
  sh -c "[ $RC = 0 ] && [ $(last_of 127.0.0.11) -lt $(first_of 127.0.0.12) ] && [ $(last_of 127.0.0.12) -lt $(first_of 127.0.0.13) ]"
# All at once, appending to the same file: every line whole.
fleet --log-file fleet.log config get -o 'saved-{modem}.pack'
# shellcheck disable=SC2086
expected_pack "$ROOT/data/modem" $CONFIG_FILES > expected.pack
check "config get of three: status 0, each modem's pack holding its configuration" \
  sh -c "[ $RC = 0 ] && for m in $MODEMS; do cmp -s expected.pack saved-\$m.pack || exit 1; done"
check "the shared log: every line is a time, a modem and a line" \
  sh -c "! grep -Ev '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}\.[0-9]{3}[+-][0-9]{2}:[0-9]{2}	127\.0\.0\.1[123]	.' fleet.log"
check "the shared log: the fleet's own result line for each" \
  is "$(grep -c '	Fleet run: ok$' fleet.log)" 6
stop_fleet

# A stop signal reaches the children, which wind down and say what they interrupted.
start_modems "$PORT" "$MODEMS" --completion-delay 20000
printf '%s\n' "$PW" | timeout 90 "$SPERROW" -m 127.0.0.11 -m 127.0.0.12 -m 127.0.0.13 \
  --port "$PORT" --password-file - --json upgrade "$ROOT/samples/sample.comp" > out 2> err &
FLEET=$!
(sleep 2; kill -TERM $FLEET) &
watch_children $FLEET stopped
wait $FLEET
RC=$?
check "SIGTERM: status 143" is "$RC" 143
check "SIGTERM: every child's object says 143" is "$(grep -c '"status": 143' out)" 3
check "SIGTERM: the children said what they interrupted" \
  is "$(grep -c '"error": "Interrupted: waiting for the modem to finish its update' out)" 3
check "SIGTERM: no child is left running" \
  sh -c "for pid in \$(cut -d' ' -f1 stopped | sort -u); do ! kill -0 \$pid 2>/dev/null || exit 1; done"
stop_fleet

finish
