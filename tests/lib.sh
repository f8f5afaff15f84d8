# What the process and segment tests share; sourced by each of them (POSIX sh). They talk to
# 127.0.0.1 inside a loopback-only namespace (tests/netns-run), or inside the segments of
# segment.sh. Every wait here is bounded; every process a test starts is stopped by its PID.
#   Before sourcing: ROOT (the source tree); SPERROW and MODEM (the two programs) where used.
set -u

# --- checks ----------------------------------------------------------------------------------
PASSED=0
FAILED=0
ok() { echo "ok: $1"; PASSED=$((PASSED + 1)); }
fail() { echo "FAIL: $1"; FAILED=$((FAILED + 1)); }
check() {  # check DESCRIPTION COMMAND...
  desc=$1; shift
  if "$@"; then ok "$desc"; else fail "$desc"; fi
}
finish() { echo "$PASSED passed, $FAILED failed"; [ "$FAILED" = 0 ]; exit; }
skip() { echo "skip: $*"; exit 77; }
need() { for tool in "$@"; do command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"; done; }
contains() { case "$1" in *"$2"*) return 0 ;; *) return 1 ;; esac; }
lacks() { ! contains "$1" "$2"; }
same_file() { cmp -s "$1" "$2"; }
is() { [ "$1" = "$2" ] || { printf '  got:  %s\n  want: %s\n' "$1" "$2"; return 1; }; }
status_is() { [ "$RC" = "$1" ] || { echo "  status $RC, stderr: $ERR"; return 1; }; }
# said STATUS TEXT, told STATUS TEXT: the run ended with STATUS, TEXT on stdout or on stderr;
# ended STATUS COMMAND...: the run ended with STATUS and COMMAND succeeds.
said() { status_is "$1" && is "$OUT" "$2"; }
told() { status_is "$1" && is "$ERR" "$2"; }
ended() { status_is "$1" && shift && "$@"; }
# Bytes of a file as hex, for texts with CR LF.
hex() { od -An -tx1 -v "$1" | tr -d ' \n'; }
# poll TENTHS COMMAND...: until COMMAND succeeds, tried every tenth of a second.
poll() { n=$1; shift; until "$@"; do n=$((n - 1)); [ "$n" -gt 0 ] || return 1; sleep 0.1; done; }
# wait_for FILE TEXT [TENTHS]: until FILE holds TEXT (5 s by default).
wait_for() { poll "${3:-50}" grep -qF -- "$2" "$1" 2>/dev/null; }

# --- packs -----------------------------------------------------------------------------------
# pack_entries PACK: "name offset length" for every entry of a PACK or PK11 file, in table
# order. The table follows the magic and the version text: each entry is a name ended by a
# NUL and a 32-bit length, least significant byte first; an empty name ends it, and the
# entries' bytes follow one after another.
pack_entries() {
  od -An -v -tu1 -N 8192 "$1" | tr -s ' \n' '\n\n' | sed '/^$/d' | awk '
    function text(   s) { s = ""; while (b[p] != 0 && p < n) s = s sprintf("%c", b[p++]); p++; return s }
    { b[n++] = $1 + 0 }
    END {
      p = 4; text(); k = 0
      while (p < n) {
        name = text()
        if (name == "") break
        len[k] = b[p] + 256 * (b[p + 1] + 256 * (b[p + 2] + 256 * b[p + 3])); p += 4
        names[k++] = name
      }
      off = p
      for (i = 0; i < k; i++) { print names[i], off, len[i]; off += len[i] }
    }'
}
# pack_entry PACK NAME OUT: the bytes of one entry into OUT.
pack_entry() {
  pack_entries "$1" | while read -r name offset length; do
    [ "$name" = "$2" ] && tail -c +"$((offset + 1))" "$1" | head -c "$length" >"$3"
  done
  [ -f "$3" ]
}
# sample_entries DIR: the entries of samples/sample.pack as files of DIR.
sample_entries() {
  for name in image info hw.cond; do pack_entry "$ROOT/samples/sample.pack" $name "$1/$name"; done
}
# The four bytes of a pack entry's length, least significant first.
le32() { n=$1; for _ in 1 2 3 4; do printf "\\$(printf %03o $((n & 255)))"; n=$((n >> 8)); done; }
# expected_pack DIR NAME...: the configuration pack these files make: "PK11", an empty
# version, the table and the data in list order.
expected_pack() {
  dir=$1; shift
  printf 'PK11\000'
  for name in "$@"; do printf '%s\000' "$name"; le32 "$(wc -c < "$dir/$name")"; done
  printf '\000'
  for name in "$@"; do cat "$dir/$name"; done
}
CONFIG_FILES="initbridge initbrowser resolve imode dhcpd.conf"

# --- loopback --------------------------------------------------------------------------------
# loopback_work: a scratch folder WORK to work in, removed at the end with every process
# listed in PIDS stopped, even when a signal ends the test.
loopback_work() {
  need timeout cmp od
  WORK=$(mktemp -d /tmp/sperrow-test.XXXXXX)
  PIDS=""
  trap 'for pid in $PIDS; do kill "$pid" 2>/dev/null; done
        for pid in $PIDS; do wait "$pid" 2>/dev/null; done
        cd /; rm -rf "$WORK"' EXIT
  trap 'exit 129' HUP; trap 'exit 130' INT; trap 'exit 141' PIPE; trap 'exit 143' TERM
  cd "$WORK" || exit 1
}

# start_modem [OPTIONS...]: sperrow-modem on a free loopback port with the bundled data and
# the password $PW; the options go to the modem, its log to MODEM_LOG (default modem.log).
# Sets MODEM_PID and MODEM_PORT.
PW=pw
start_modem() {
  log=${MODEM_LOG:-$WORK/modem.log}
  rm -f "$log"  # a log of an earlier modem must not be read for this one's port
  "$MODEM" --listen 127.0.0.1 --port 0 --data "$ROOT/data/modem" --password "$PW" \
    --completion-delay 300 "$@" > "$log" 2>&1 &
  MODEM_PID=$!
  PIDS="$PIDS $MODEM_PID"
  poll 100 modem_listening && [ -n "$MODEM_PORT" ] && return 0
  echo "the simulated modem did not start:"; cat "$log"
  exit 1
}
# The port the modem says it listens on, in MODEM_PORT; true too once it has ended.
modem_listening() {
  MODEM_PORT=$(sed -n 's/^sperrow-modem listening on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$log" 2>/dev/null)
  [ -n "$MODEM_PORT" ] || ! kill -0 "$MODEM_PID" 2>/dev/null
}
# start_modems PORT "ADDRESS..." [OPTIONS...]: a modem on each loopback address, all on PORT,
# storing into store-ADDRESS and logging to modem-ADDRESS.log in WORK.
start_modems() {
  port=$1 addresses=$2
  shift 2
  for m in $addresses; do
    "$MODEM" --listen "$m" --port "$port" --data "$ROOT/data/modem" --password "$PW" \
      --store "$WORK/store-$m" "$@" > "$WORK/modem-$m.log" 2>&1 &
    PIDS="$PIDS $!"
  done
  for m in $addresses; do wait_for "$WORK/modem-$m.log" listening; done
}
# stop_modem [SIGNAL]: the modem's exit status in RC.
stop_modem() { kill -"${1:-TERM}" "$MODEM_PID" 2>/dev/null; wait "$MODEM_PID" 2>/dev/null; RC=$?; }

# Runs sperrow against the modem port with a bounded time; stdout in $OUT, stderr in $ERR,
# the exit status in $RC. The address is always given: no test relies on the default. A
# loaded machine may keep a modem from answering within the first second: more retries
# than the default, which a test's own --retry overrides.
sperrow() {
  timeout 90 "$SPERROW" -m 127.0.0.1 --port "$MODEM_PORT" -p "$PW" --retry 10 "$@" \
    > "$WORK/out" 2> "$WORK/err"
  RC=$?
  OUT=$(cat "$WORK/out")
  ERR=$(cat "$WORK/err")
}

# Starts `sperrow serve` on a free loopback port with the given arguments (global options
# may follow the command), in the background, under the command in SERVE_AS if any; its
# output goes to serve.out and serve.err. Sets SERVE_PID and SERVE_PORT once it serves.
start_serve() {
  SERVE_PORT=$(free_port)
  # The line of an earlier server must not be taken for this one's: a signal sent before
  # this one has its handlers would be lost (a background job starts with SIGINT ignored).
  rm -f "$WORK/serve.out" "$WORK/serve.err"
  ${SERVE_AS:-} "$SPERROW" --listen 127.0.0.1 --server-port "$SERVE_PORT" serve "$@" \
    > "$WORK/serve.out" 2> "$WORK/serve.err" &
  SERVE_PID=$!
  PIDS="$PIDS $SERVE_PID"
  poll 50 serve_up && serving || { echo "serve did not start:"; cat "$WORK/serve.err"; exit 1; }
}
# (Under --json the line goes to stderr.) serve_up: serving, or ended without.
serving() { grep -qs '^Serving ' "$WORK/serve.out" "$WORK/serve.err"; }
serve_up() { serving || ! kill -0 "$SERVE_PID" 2>/dev/null; }
stop_serve() {  # stop_serve [SIGNAL]: the exit status in RC (a server still there after 10 s is killed)
  kill -"${1:-TERM}" "$SERVE_PID"
  poll 100 serve_ended
  kill -KILL "$SERVE_PID" 2>/dev/null
  wait "$SERVE_PID"
  RC=$?
}
# A read and a write of the server on SERVE_PORT by one of the real clients, within 60 s;
# has_client says whether that client is installed (atftp may be unpacked in SPERROW_PEERS).
ATFTP=$(command -v atftp || echo "${SPERROW_PEERS:-/nonexistent}/usr/bin/atftp")
has_client() {
  case $1 in atftp) [ -x "$ATFTP" ] ;; tftp-hpa) command -v tftp >/dev/null 2>&1 ;;
    *) command -v "$1" >/dev/null 2>&1 ;; esac
}
client_get() {  # client_get CLIENT NAME LOCAL
  case $1 in
    tftp-hpa) timeout 60 tftp 127.0.0.1 "$SERVE_PORT" -m binary -c get "$2" "$3" ;;
    curl) timeout 60 curl -sS -o "$3" "tftp://127.0.0.1:$SERVE_PORT/$2" ;;
    busybox) timeout 60 busybox tftp -g -r "$2" -l "$3" 127.0.0.1 "$SERVE_PORT" ;;
    atftp) timeout 60 "$ATFTP" -g -r "$2" -l "$3" 127.0.0.1 "$SERVE_PORT" ;;
  esac
}
client_put() {  # client_put CLIENT LOCAL NAME
  case $1 in
    tftp-hpa) timeout 60 tftp 127.0.0.1 "$SERVE_PORT" -m binary -c put "$2" "$3" ;;
    curl) timeout 60 curl -sS -T "$2" "tftp://127.0.0.1:$SERVE_PORT/$3" ;;
    busybox) timeout 60 busybox tftp -p -l "$2" -r "$3" 127.0.0.1 "$SERVE_PORT" ;;
    atftp) timeout 60 "$ATFTP" -p -l "$2" -r "$3" 127.0.0.1 "$SERVE_PORT" ;;
  esac
}
serve_ended() { [ -z "$(sed -n 's/.*) [^Z].*/running/p' "/proc/$SERVE_PID/stat" 2>/dev/null)" ]; }
# The lines serve printed for finished and failed transfers.
serve_lines() { grep -v '^Serving ' "$WORK/serve.out"; }
# wait_for_lines N REGEX: until N of them match (at most 10 s): a read's line comes once the
# server has the client's last ACK, which may be after the client has ended.
lines_match() { [ "$(serve_lines | grep -Ec "$2")" -ge "$1" ]; }
wait_for_lines() { poll 100 lines_match "$@"; }

# A free UDP port on loopback: one that no socket of this namespace holds now.
free_port() {
  p=$(( ($$ % 20000) + 30000 ))
  while grep -qi ":$(printf '%04X' $p) " /proc/net/udp 2>/dev/null; do p=$((p + 1)); done
  echo $p
}
