#!/bin/sh
# Work per block, ours against the peers, for judging a change to the engines: one or more
# builds of sperrow side by side with tftp-hpa and tftpd-hpa, everything pinned to CPU 0, so
# that the time of a transfer is the work both ends do per block.
#   usage: sh bench/pair.sh SPERROW [SPERROW...]       (e.g. the build before and after)
#   - client: `sperrow upgrade FILE --no-wait` into tftpd-hpa against `tftp -c put`, and the
#     same with a 16-byte image ("tiny"): the upgrade's fixed part, its key and three marker
#     files and the start of the program, which "per block" takes off the whole;
#   - server: `sperrow serve --write` against tftpd-hpa, with tftp-hpa's get and put.
# Within a run the members alternate in an order that rotates from run to run. Prints, per
# case and member, the median wall time with the lowest and highest, and each build's ratio
# to the peer's median. Settings: BENCH_RUNS (7), BENCH_SIZE (30000000 bytes).
set -eu

if [ $# -lt 1 ]; then
  echo "usage: sh bench/pair.sh SPERROW [SPERROW...]" >&2
  exit 2
fi
SOURCE=$(cd "$(dirname "$0")/.." && pwd)
. "$SOURCE/bench/lib.sh"
loopback_only "$0" "$@"

RUNS=${BENCH_RUNS:-7}
SIZE=${BENCH_SIZE:-30000000}
MEASURE=${SPERROW_BENCH_MEASURE:-$(dirname "$1")/../../../bench/sperrow-bench-measure}
[ -x "$MEASURE" ] || MEASURE=$(command -v sperrow-bench-measure || true)
need_program "$MEASURE" "build the target sperrow-bench-measure or set SPERROW_BENCH_MEASURE"
HPA_PORT=16911 FIRST_OURS_PORT=16920

WORK=$(mktemp -d /tmp/sperrow-pair.XXXXXX)
PIDS=""
trap 'stop_all; rm -rf "$WORK"' EXIT
trap 'exit 130' INT TERM
mkdir -p "$WORK/hpa" "$WORK/log" "$WORK/got"
RAW=$WORK/raw.txt
: > "$RAW"
make_image "$WORK/image" "$SIZE"
make_image "$WORK/tiny" 16
ln "$WORK/image" "$WORK/hpa/served"

taskset -c 0 "$MEASURE" udp-exec 127.0.0.1 $HPA_PORT \
  in.tftpd -c -p -u root -t 900 -s "$WORK/hpa" > "$WORK/log/tftpd-hpa" 2>&1 &
PIDS=$!
wait_for_port $HPA_PORT tftpd-hpa
# One `serve` per build, each in a root of its own.
n=0
MEMBERS=""
for sperrow in "$@"; do
  n=$((n + 1))
  need_program "$sperrow" "a sperrow binary"
  mkdir -p "$WORK/ours$n"
  ln "$WORK/image" "$WORK/ours$n/served"
  taskset -c 0 "$sperrow" -q --listen 127.0.0.1 --server-port $((FIRST_OURS_PORT + n)) \
    serve --root "$WORK/ours$n" --write > "$WORK/log/serve$n" 2>&1 &
  PIDS="$PIDS $!"
  wait_for_port $((FIRST_OURS_PORT + n)) "sperrow serve ($sperrow)"
  MEMBERS="$MEMBERS $n"
  eval "SPERROW_$n=\$sperrow"
done
CLIENT_CPU=0

one() { # CASE MEMBER: MEMBER is a build's number or "peer"
  file=$WORK/image
  [ "$1" = tiny ] && file=$WORK/tiny
  case $1.$2 in
    client.peer|tiny.peer)
      rm -f "$WORK/hpa/put"
      measure 0 tftp 127.0.0.1 $HPA_PORT -m binary -c put "$file" put
      verify "$file" "$WORK/hpa/put" ;;
    client.*|tiny.*)
      rm -f "$WORK/hpa/image"
      eval "sperrow=\$SPERROW_$2"
      measure 0 "$sperrow" -q -m 127.0.0.1 --port $HPA_PORT upgrade "$file" --no-wait
      verify "$file" "$WORK/hpa/image" ;;
    get.*|put.*)
      if [ "$2" = peer ]; then port=$HPA_PORT root=$WORK/hpa
      else port=$((FIRST_OURS_PORT + $2)) root=$WORK/ours$2; fi
      rm -f "$WORK/got/file" "$root/put"
      if [ "$1" = get ]; then
        measure 0 tftp 127.0.0.1 "$port" -m binary -c get served "$WORK/got/file"
        verify "$WORK/image" "$WORK/got/file"
      else
        measure 0 tftp 127.0.0.1 "$port" -m binary -c put "$WORK/image" put
        verify "$WORK/image" "$root/put"
      fi ;;
  esac
  [ "$OK" = ok ] || { echo "bench: $1 by $2 failed ($M)" >&2; exit 1; }
  echo "$1 $2 ${M#* }" | cut -d' ' -f1-3 >> "$RAW"
}

run=1
while [ "$run" -le "$RUNS" ]; do
  progress "run $run of $RUNS"
  for case in client tiny get put; do
    # shellcheck disable=SC2086
    for member in $(rotate "$run" peer $MEMBERS); do one "$case" "$member"; done
  done
  run=$((run + 1))
done

echo "work per block: $RUNS runs of each, $SIZE bytes, everything on CPU 0;" \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
n=0
for sperrow in "$@"; do n=$((n + 1)); echo "build $n: $sperrow"; done
sort -k1,1 -k2,2 -k3,3n "$RAW" | awk '
  function flush() {
    if (count == 0) return
    m = count % 2 ? v[(count + 1) / 2] : (v[count / 2] + v[count / 2 + 1]) / 2
    median[key] = m
    printf "%-7s %-6s median %.3fs  lowest %.3fs  highest %.3fs  (spread %.1f%%)\n", \
      c, who, m, v[1], v[count], 100 * (v[count] - v[1]) / m
    count = 0
  }
  { if ($1 " " $2 != key) { flush(); key = $1 " " $2; c = $1; who = $2 }
    v[++count] = $3 }
  END {
    flush()
    for (k in median) {
      split(k, p, " ")
      if (p[2] == "peer" || p[1] == "tiny") continue
      printf "ratio %-7s build %s / peer: %.3f\n", p[1], p[2], median[k] / median[p[1] " peer"]
      if (p[1] == "client")
        printf "ratio %-7s build %s / peer: %.3f\n", "perblock", p[2],
          (median[k] - median["tiny " p[2]]) / (median["client peer"] - median["tiny peer"])
    }
  }' | sort -s -k1,1 -k2,2 -k4,4n
