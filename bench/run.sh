#!/bin/sh
# Speed and memory of Sperrow's transfers, side by side with other TFTP programs, on
# loopback inside a namespace that holds nothing else. Prints one table.
#   usage: sh bench/run.sh BUILD_DIR          (`make bench` runs it on the plain build)
# Settings, from the environment:
#   BENCH_RUNS        runs of every transfer (default 5); the table shows medians
#   BENCH_MIN_RUNS    runs made whatever the time (default 3)
#   BENCH_BUDGET      seconds after which no further run is started (default 480)
#   BENCH_SIZE        bytes of the big file (default 30000000)
#   BENCH_PACK_SIZE   bytes of the pack of the full upgrade (default 4000000)
#   BENCH_CROWD_SIZE  bytes of the file eight clients download at once (default 4000000)
#   BENCH_FLEET_SIZE  bytes of the pack the fleet of eight modems is upgraded with (default 1000000)
#   SPERROW_PEERS     where scripts/setup.sh unpacked atftpd (default BUILD_DIR/peers)
# The table and the raw figures are also left in BUILD_DIR/bench/.
#
# Lock-step TFTP is bound by round trips, so every figure is taken twice: client and server
# pinned to one CPU (the work per block decides) and to two (the wake-up latency decides).
# Ours and theirs alternate run by run, in a rotating order, so that a burst of load from
# elsewhere on the machine falls on both alike.
set -eu

if [ $# -lt 1 ]; then
  echo "usage: sh bench/run.sh BUILD_DIR" >&2
  exit 2
fi
SOURCE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)

. "$SOURCE/bench/lib.sh"
loopback_only "$0" "$@"

RUNS=${BENCH_RUNS:-5}
MIN_RUNS=${BENCH_MIN_RUNS:-3}
BUDGET=${BENCH_BUDGET:-480}
SIZE=${BENCH_SIZE:-30000000}
PACK_SIZE=${BENCH_PACK_SIZE:-4000000}
CROWD_SIZE=${BENCH_CROWD_SIZE:-4000000}
CROWD=8
FLEET_SIZE=${BENCH_FLEET_SIZE:-1000000}
FLEET=8
PEERS=${SPERROW_PEERS:-$BUILD/peers}
SPERROW=$BUILD/src/frontends/cli/sperrow
MODEM=$BUILD/src/modem/sperrow-modem
MEASURE=$BUILD/bench/sperrow-bench-measure
ATFTPD=$PEERS/usr/sbin/atftpd
HPA_PORT=16901 ATFTPD_PORT=16902 OURS_PORT=16903 MODEM_PORT=16904

need_program "$SPERROW" "build the target sperrow"
need_program "$MODEM" "build the target sperrow-modem"
if [ ! -x "$MEASURE" ]; then
  # A build directory configured before bench/ existed has no target for it yet.
  mkdir -p "$(dirname "$MEASURE")"
  c++ -std=c++20 -O2 -Wall -Wextra -o "$MEASURE" "$SOURCE/bench/measure.cpp"
fi
need_program "$ATFTPD" "run scripts/setup.sh $PEERS"
for tool in taskset curl tftp in.tftpd ss cmp; do
  command -v "$tool" >/dev/null 2>&1 || { echo "bench: $tool is missing (run scripts/setup.sh)" >&2; exit 1; }
done

WORK=$(mktemp -d /tmp/sperrow-bench.XXXXXX)
PIDS=""
trap 'stop_all; rm -rf "$WORK"' EXIT
trap 'exit 130' INT TERM
OUT=$BUILD/bench
mkdir -p "$OUT" "$WORK/log" "$WORK/got"
RAW=$WORK/raw.txt
: > "$RAW"

LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
STARTED=$(date +%s)

# --- The files ------------------------------------------------------------------------------
# Images pass the image check: "LZ01", 8 version bytes, then the payload.
make_image "$WORK/image.big" "$SIZE"
make_image "$WORK/image.1m" 1000000
make_image "$WORK/image.tiny" 16
make_pack "$WORK/bench.pack" "$PACK_SIZE"
make_image "$WORK/image.crowd" "$CROWD_SIZE"
BLOCKS=$((SIZE / 512 + 1))

# --- Client: our upgrade against tftp-hpa's tftp and curl, into tftpd-hpa --------------------
client_member() { # NAME [IMAGE]: one put of the image (default the big one) into tftpd-hpa
  image=${2:-$WORK/image.big}
  case $1 in
    sperrow) rm -f "$WORK/hpa/image"
             measure "$CLIENT_CPU" "$SPERROW" -q -m 127.0.0.1 --port $HPA_PORT \
               upgrade "$image" --no-wait
             verify "$image" "$WORK/hpa/image" ;;
    tftp-hpa) rm -f "$WORK/hpa/put-tftp"
              measure "$CLIENT_CPU" tftp 127.0.0.1 $HPA_PORT -m binary -c put "$image" put-tftp
              verify "$image" "$WORK/hpa/put-tftp" ;;
    curl) rm -f "$WORK/hpa/put-curl"
          measure "$CLIENT_CPU" curl -sS --tftp-no-options -T "$WORK/image.big" \
            "tftp://127.0.0.1:$HPA_PORT/put-curl"
          verify "$WORK/image.big" "$WORK/hpa/put-curl" ;;
  esac
}

# --- Server: our `serve` against tftpd-hpa and atftpd, with curl and tftp-hpa -----------------
server_port() {
  case $1 in sperrow) echo $OURS_PORT ;; tftpd-hpa) echo $HPA_PORT ;; atftpd) echo $ATFTPD_PORT ;; esac
}
server_pid() {
  case $1 in sperrow) echo "$OURS_PID" ;; tftpd-hpa) echo "$HPA_PID" ;; atftpd) echo "$ATFTPD_PID" ;; esac
}
server_root() {
  case $1 in sperrow) echo "$WORK/ours" ;; tftpd-hpa) echo "$WORK/hpa" ;; atftpd) echo "$WORK/atftpd" ;; esac
}

server_member() { # DIRECTION CLIENT SERVER
  port=$(server_port "$3") root=$(server_root "$3") pid=$(server_pid "$3")
  got=$WORK/got/file
  rm -f "$got" "$root/put-$2"
  before=$(process_ticks "$pid")
  case $1.$2 in
    get.curl) measure "$CLIENT_CPU" curl -sS --tftp-no-options -o "$got" "tftp://127.0.0.1:$port/served" ;;
    get.tftp) measure "$CLIENT_CPU" tftp 127.0.0.1 "$port" -m binary -c get served "$got" ;;
    put.curl) measure "$CLIENT_CPU" curl -sS --tftp-no-options -T "$WORK/image.big" \
                "tftp://127.0.0.1:$port/put-curl" ;;
    put.tftp) measure "$CLIENT_CPU" tftp 127.0.0.1 "$port" -m binary -c put "$WORK/image.big" put-tftp ;;
  esac
  after=$(process_ticks "$pid")
  TICKS=$((after - before))
  if [ "$1" = get ]; then verify "$WORK/image.big" "$got"; else verify "$WORK/image.big" "$root/put-$2"; fi
}

# CROWD curl downloads of the same file at once, timed as one: until the last one ends.
crowd_member() { # SERVER
  port=$(server_port "$1")
  rm -f "$WORK/got/crowd."*
  # shellcheck disable=SC2016
  measure "$CLIENT_CPU" sh -c 'pids=""; i=1
    while [ $i -le "$1" ]; do
      curl -sS --tftp-no-options -o "$2.$i" "$3" & pids="$pids $!"; i=$((i + 1))
    done
    status=0; for pid in $pids; do wait "$pid" || status=1; done; exit $status' \
    crowd "$CROWD" "$WORK/got/crowd" "tftp://127.0.0.1:$port/crowd"
  i=1
  while [ $i -le $CROWD ]; do verify "$WORK/image.crowd" "$WORK/got/crowd.$i"; i=$((i + 1)); done
}

start_servers() { # SERVER_CPU
  for dir in hpa atftpd ours; do
    mkdir -p "$WORK/$dir"
    ln -f "$WORK/image.big" "$WORK/$dir/served"
    ln -f "$WORK/image.crowd" "$WORK/$dir/crowd"
  done
  taskset -c "$1" "$MEASURE" udp-exec 127.0.0.1 $HPA_PORT \
    in.tftpd -c -p -u root -t 900 -s "$WORK/hpa" > "$WORK/log/tftpd-hpa" 2>&1 &
  HPA_PID=$!
  taskset -c "$1" "$ATFTPD" --daemon --no-fork --port $ATFTPD_PORT --bind-address 127.0.0.1 \
    --user root --group root --logfile /dev/null "$WORK/atftpd" > "$WORK/log/atftpd" 2>&1 &
  ATFTPD_PID=$!
  taskset -c "$1" "$SPERROW" -q --listen 127.0.0.1 --server-port $OURS_PORT \
    serve --root "$WORK/ours" --write > "$WORK/log/serve" 2>&1 &
  OURS_PID=$!
  PIDS="$HPA_PID $ATFTPD_PID $OURS_PID"
  wait_for_port $HPA_PORT tftpd-hpa
  wait_for_port $ATFTPD_PORT atftpd
  wait_for_port $OURS_PORT "sperrow serve"
}

# Pinnings: "1" puts client and server on CPU 0; "2" the client on CPU 0, the server on CPU 1.
# A run is every transfer under both pinnings. At least MIN_RUNS runs are made; after that a
# further run starts only while the time budget can still hold it.
run=1
while [ $run -le "$RUNS" ]; do
  run_started=$(date +%s)
  for PIN in 1 2; do
    progress "run $run of $RUNS, pinned to $PIN CPU(s)"
    CLIENT_CPU=0
    if [ $PIN = 1 ]; then SERVER_CPU=0; else SERVER_CPU=1; fi
    start_servers $SERVER_CPU
    for member in $(rotate $run sperrow tftp-hpa curl); do
      client_member "$member"
      record client $PIN put "$member" $run
    done
    # What does not grow with the file: starting, and for the upgrade the key and the
    # three marker files it writes besides the image.
    for member in $(rotate $run sperrow tftp-hpa); do
      client_member "$member" "$WORK/image.tiny"
      record client $PIN tiny "$member" $run
    done
    for direction in get put; do
      for client in curl tftp; do
        for server in $(rotate $run sperrow tftpd-hpa atftpd); do
          server_member $direction $client "$server"
          record server $PIN $direction.$client "$server" $run "$TICKS"
        done
      done
    done
    for server in $(rotate $run sperrow tftpd-hpa); do
      crowd_member "$server"
      record crowd $PIN get "$server" $run
    done
    stop_all
  done
  RUNS_DONE=$run
  now=$(date +%s)
  if [ $run -ge "$MIN_RUNS" ] && [ $((now - STARTED + now - run_started)) -gt "$BUDGET" ]; then
    progress "time budget of $BUDGET s reached after $run runs"
    break
  fi
  run=$((run + 1))
done

# --- Memory: growth of the peak RSS over `sperrow --version` ---------------------------------
progress "memory"
CLIENT_CPU=0
mkdir -p "$WORK/hpa"
taskset -c 1 "$MEASURE" udp-exec 127.0.0.1 $HPA_PORT \
  in.tftpd -c -p -u root -t 900 -s "$WORK/hpa" > "$WORK/log/tftpd-hpa" 2>&1 &
HPA_PID=$!
PIDS=$HPA_PID
wait_for_port $HPA_PORT tftpd-hpa
run=1
while [ $run -le "$RUNS_DONE" ]; do
  measure 0 "$SPERROW" --version
  OK=ok
  record memory 2 version sperrow $run
  rm -f "$WORK/hpa/image"
  measure 0 "$SPERROW" -q -m 127.0.0.1 --port $HPA_PORT upgrade "$WORK/image.1m" --no-wait
  verify "$WORK/image.1m" "$WORK/hpa/image"
  record memory 2 upgrade.1m sperrow $run
  run=$((run + 1))
done
stop_all

# The server's peak after serving 1 MB both ways, and after 30 MB both ways: a fresh process each.
serve_peak() { # FILE
  mkdir -p "$WORK/peak"
  ln -f "$1" "$WORK/peak/served"
  taskset -c 1 "$SPERROW" -q --listen 127.0.0.1 --server-port $OURS_PORT \
    serve --root "$WORK/peak" --write > "$WORK/log/serve-peak" 2>&1 &
  OURS_PID=$!
  PIDS=$OURS_PID
  wait_for_port $OURS_PORT "sperrow serve"
  idle=$(peak_rss "$OURS_PID")
  measure 0 tftp 127.0.0.1 $OURS_PORT -m binary -c get served "$WORK/got/peak"
  verify "$1" "$WORK/got/peak"
  measure 0 tftp 127.0.0.1 $OURS_PORT -m binary -c put "$1" put-peak
  [ $OK = ok ] && verify "$1" "$WORK/peak/put-peak"
  busy=$(peak_rss "$OURS_PID")
  stop_all
  [ $OK = ok ] || busy=failed
  SERVE_PEAK="$idle $busy"
}
serve_peak "$WORK/image.1m"
SERVE_PEAK_1M=$SERVE_PEAK
serve_peak "$WORK/image.big"
SERVE_PEAK_BIG=$SERVE_PEAK

# The server's peak with CROWD downloads at once: a fresh process, before and after.
mkdir -p "$WORK/peak"
ln -f "$WORK/image.crowd" "$WORK/peak/crowd"
taskset -c 1 "$SPERROW" -q --listen 127.0.0.1 --server-port $OURS_PORT \
  serve --root "$WORK/peak" > "$WORK/log/serve-crowd" 2>&1 &
OURS_PID=$!
PIDS=$OURS_PID
wait_for_port $OURS_PORT "sperrow serve"
idle=$(peak_rss "$OURS_PID")
CLIENT_CPU=0
crowd_member sperrow
busy=$(peak_rss "$OURS_PID")
[ $OK = ok ] || busy=failed
stop_all
CROWD_PEAK="$idle $busy"

# --- A full upgrade of a pack against the simulated modem -------------------------------------
# The modem reports completion COMPLETION_MS after the end marker; the status window looks
# once a second from its opening, so it sees the report at its next whole second: that wait
# belongs to the protocol, not to the transfer.
progress "full upgrade of a pack"
COMPLETION_MS=1500
FIXED_WAIT=$((COMPLETION_MS / 1000 + 1))
taskset -c 1 "$MODEM" -q --listen 127.0.0.1 --port $MODEM_PORT --password bench \
  --completion-delay $COMPLETION_MS > "$WORK/log/modem" 2>&1 &
MODEM_PID=$!
PIDS=$MODEM_PID
wait_for_port $MODEM_PORT sperrow-modem
printf 'bench\r\n' > "$WORK/key"
run=1
while [ $run -le "$RUNS_DONE" ]; do
  for member in $(rotate $run sperrow tftp-hpa); do
    if [ "$member" = sperrow ]; then
      measure 0 "$SPERROW" -q -m 127.0.0.1 --port $MODEM_PORT -p bench upgrade "$WORK/bench.pack"
    else
      # The same bytes in one plain write, once the key has opened the modem.
      timeout 30 tftp 127.0.0.1 $MODEM_PORT -m binary -c put "$WORK/key" tftplock.key || true
      measure 0 tftp 127.0.0.1 $MODEM_PORT -m binary -c put "$WORK/bench.pack" bench.pack
    fi
    OK=ok
    record pack 2 upgrade "$member" $run
  done
  run=$((run + 1))
done
stop_all

# --- A fleet run: eight modems upgraded at once, against the same eight one after another ----
# Both take both CPUs, as the modems do; the modems report completion as above, so each
# upgrade holds its fixed wait and the fleet run waits them out side by side.
progress "fleet upgrade of $FLEET modems"
make_pack "$WORK/fleet.pack" "$FLEET_SIZE"
FLEET_ARGS=""
i=1
while [ $i -le $FLEET ]; do
  taskset -c 0,1 "$MODEM" -q --listen "127.0.0.$((10 + i))" --port $MODEM_PORT --password bench \
    --completion-delay $COMPLETION_MS > "$WORK/log/modem-$i" 2>&1 &
  PIDS="$PIDS $!"
  FLEET_ARGS="$FLEET_ARGS -m 127.0.0.$((10 + i))"
  i=$((i + 1))
done
i=0
until [ "$(ss -Hlun "sport = :$MODEM_PORT" 2>/dev/null | wc -l)" -ge $FLEET ]; do
  i=$((i + 1))
  [ $i -le 50 ] || { echo "bench: the fleet's modems do not listen" >&2; exit 1; }
  sleep 0.1
done
run=1
while [ $run -le "$RUNS_DONE" ]; do
  for member in $(rotate $run fleet serial); do
    if [ "$member" = fleet ]; then
      # shellcheck disable=SC2086
      measure 0,1 "$SPERROW" -q $FLEET_ARGS --port $MODEM_PORT -p bench upgrade "$WORK/fleet.pack"
    else
      # shellcheck disable=SC2016
      measure 0,1 sh -c 'sperrow=$1 port=$2 pack=$3; shift 3
        for m in "$@"; do "$sperrow" -q -m "$m" --port "$port" -p bench upgrade "$pack" || exit 1; done' \
        serial "$SPERROW" $MODEM_PORT "$WORK/fleet.pack" $(echo "$FLEET_ARGS" | sed 's/-m //g')
    fi
    # Status 0 is every modem's "Update Complete": each took the whole pack.
    record fleet 2 upgrade "$member" $run
  done
  run=$((run + 1))
done
stop_all

LOAD_AFTER=$(cut -d' ' -f1-3 /proc/loadavg)
ELAPSED=$(( $(date +%s) - STARTED ))
report > "$WORK/table.txt"
cp "$WORK/table.txt" "$OUT/table.txt"
cp "$RAW" "$OUT/raw.txt"
cat "$WORK/table.txt"
