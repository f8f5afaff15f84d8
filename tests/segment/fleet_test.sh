#!/bin/sh
# A fleet run over a segment of eight simulated modems, each with a password of its own from
# the modems file: an upgrade of all eight ends 0 with every modem holding the image whole;
# with one password wrong it ends 1 and the table and the JSON name that modem; config get
# with -o '{modem}.pack' leaves eight packs of the modems' files; and no child's command line
# ever holds a password (read from /proc/PID/cmdline while the runs go).
# Usage: fleet_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
set -u
SPERROW=$1
MODEM=$2
ROOT=$3
HERE=$(dirname "$0")
. "$HERE/segment.sh"
. "$ROOT/tests/lib.sh"

seg_init 150
for tool in cmp python3; do
    command -v $tool >/dev/null 2>&1 || seg_skip "$tool is not installed"
done
seg_workdir fleet

IMAGE=$ROOT/samples/sample.comp
MODEMS="11 12 13 14 15 16 17 18"
seg_segment lan 10.231.3
seg_host host lan 1
for n in $MODEMS; do seg_host "m$n" lan "$n"; done
for n in $MODEMS; do MODEM_PASSWORD="pw-$n-fleet" seg_modem "m$n" "$WORK/store-m$n" --completion-delay 300; done
for n in $MODEMS; do printf '10.231.3.%s\tpw-%s-fleet\n' "$n" "$n"; done > "$WORK/modems"

# The children's command lines, read while the run goes (every 50 ms, at most 60 s): the
# processes of this sperrow whose first argument is the bare name a fleet gives its children.
SPERROW_EXE=$(readlink -f "$SPERROW")
watch_children() {  # watch_children PID OUT
    i=0
    while kill -0 "$1" 2>/dev/null && [ $i -lt 1200 ]; do
        for exe in /proc/[0-9]*/exe; do
            [ "$(readlink "$exe" 2>/dev/null)" = "$SPERROW_EXE" ] || continue
            args=$(tr '\0' ' ' < "${exe%/exe}/cmdline" 2>/dev/null)
            case $args in "sperrow "*) echo "$(basename "${exe%/exe}") $args" >> "$2" ;; esac
        done
        sleep 0.05
        i=$((i + 1))
    done
}
# fleet NAME ARGS...: the fleet run in the host, stdout in NAME.out, stderr in NAME.err.
fleet() {
    name=$1
    shift
    seg_run host timeout 90 "$SPERROW" --modems "$WORK/modems" --port "$MODEM_PORT" "$@" \
        >"$WORK/$name.out" 2>"$WORK/$name.err" &
    run=$!
    watch_children "$run" "$WORK/cmdlines"
    wait "$run"
    status=$?
}
json_field() {  # json_field FILE INDEX KEY
    python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[int(sys.argv[2])][sys.argv[3]])' "$@"
}

fleet upgrade upgrade "$IMAGE"
check "the fleet upgrade of eight ends with status 0 (got $status)" is "$status" 0
for n in $MODEMS; do
    check "modem $n holds the image whole" same_file "$IMAGE" "$WORK/store-m$n/image"
    check "modem $n's row says ok" grep -q "^10\.231\.3\.$n .* ok$" "$WORK/upgrade.out"
done
check "the summary counts eight" grep -qx "8 modems: 8 succeeded." "$WORK/upgrade.out"

sed -i 's/^\(10\.231\.3\.15\t\).*/\1wrong/' "$WORK/modems"
fleet wrong --json upgrade "$IMAGE" --no-wait
check "with one password wrong the fleet ends with status 1 (got $status)" is "$status" 1
check "the table names the modem and why" \
    grep -q "^10\.231\.3\.15 .*status 1: Wrong password$" "$WORK/wrong.err"
check "the summary names it" grep -qx "8 modems: 7 succeeded, 1 failed: 10.231.3.15." "$WORK/wrong.err"
check "its JSON object says so" \
    is "$(json_field "$WORK/wrong.out" 4 modem) $(json_field "$WORK/wrong.out" 4 error)" \
    "10.231.3.15 Wrong password"
check "the other seven objects say 0" \
    is "$(grep -c '"status": 0' "$WORK/wrong.out")" 7

sed -i 's/^\(10\.231\.3\.15\t\).*/\1pw-15-fleet/' "$WORK/modems"
mkdir "$WORK/packs"
fleet config config get -o "$WORK/packs/{modem}.pack"
check "config get of eight ends with status 0 (got $status)" is "$status" 0
check "eight packs, one per modem" is "$(ls "$WORK/packs" | wc -l)" 8
# PK11, an empty version, the table (each name, a zero, its length), then the files' bytes.
for name in initbridge initbrowser resolve imode dhcpd.conf; do
    printf '%s\000' "$name"
    python3 -c 'import os, sys; sys.stdout.buffer.write(os.path.getsize(sys.argv[1]).to_bytes(4, "little"))' \
        "$ROOT/data/modem/$name"
done > "$WORK/table"
{ printf 'PK11\000'; cat "$WORK/table"; printf '\000'
  for name in initbridge initbrowser resolve imode dhcpd.conf; do cat "$ROOT/data/modem/$name"; done
} > "$WORK/expected.pack"
for n in $MODEMS; do
    check "modem $n's pack holds its configuration" same_file "$WORK/expected.pack" "$WORK/packs/10.231.3.$n.pack"
done

check "the children were seen running ($(cut -d' ' -f1 "$WORK/cmdlines" | sort -u | wc -l) of them)" \
    [ "$(cut -d' ' -f1 "$WORK/cmdlines" | sort -u | wc -l)" -ge 8 ]
check "no child's command line held a password" sh -c "! grep -q -- '-fleet\|wrong' '$WORK/cmdlines'"

if [ "$FAILED" != 0 ]; then
    for f in upgrade.out wrong.err config.err; do echo "--- $f"; cat "$WORK/$f"; done
fi
finish
