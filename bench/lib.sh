# Helpers of bench/run.sh and bench/pair.sh, sourced by them. They use their variables: SOURCE,
# WORK, RAW, MEASURE, PIDS.

# loopback_only "$0" "$@": nothing a bench sends may leave the machine, so the script re-runs
# itself inside a namespace that holds only loopback, and refuses to run anywhere else.
loopback_only() {
  if [ -z "${SPERROW_BENCH_NETNS:-}" ]; then
    SPERROW_BENCH_NETNS=1 exec sh "$SOURCE/tests/netns-run" sh "$@"
  fi
  if [ "$(sed -n '3,$s/^ *\([^:]*\):.*/\1/p' /proc/self/net/dev)" != lo ]; then
    echo "bench: not inside a loopback-only namespace; refusing to run" >&2
    exit 1
  fi
}

need_program() { # PATH HINT
  [ -x "$1" ] || { echo "bench: $1 is missing ($2)" >&2; exit 1; }
}

progress() {
  echo "bench: $*" >&2
}

# Four bytes, least significant first, as the pack table stores lengths.
le32() {
  # shellcheck disable=SC2059
  printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $(($1 & 255)) $(($1 >> 8 & 255)) \
    $(($1 >> 16 & 255)) $(($1 >> 24 & 255)))"
}

image_bytes() { # SIZE: "LZ01", the version field, random payload up to SIZE bytes
  printf 'LZ0110400001'
  head -c $(($1 - 12)) /dev/urandom
}

make_image() { # PATH SIZE
  image_bytes "$2" > "$1"
}

make_pack() { # PATH SIZE: a pack of three entries, SIZE bytes in all
  info='Sperrow Bench;2024/01/01;SIM-HW-1;SIM-FW-1'
  cond='SIM-BOARD-1'
  # magic 4 + version 8 + "info\0" 5 + "hw.cond\0" 8 + "image\0" 6 + three lengths 12 + end 1
  table=44
  image=$(($2 - table - ${#info} - ${#cond}))
  {
    printf 'PACK1.0.0001'
    printf 'info\000'; le32 ${#info}
    printf 'hw.cond\000'; le32 ${#cond}
    printf 'image\000'; le32 $image
    printf '\000'
    printf '%s' "$info" "$cond"
    image_bytes $image
  } > "$1"
}

# Runs a program pinned to CPU, within a time limit; M becomes
# "STATUS WALL_S USER_S SYS_S MAXRSS_KB".
measure() { # CPU PROGRAM [ARGS...]
  cpu=$1
  shift
  M=$(taskset -c "$cpu" "$MEASURE" run --limit 120 --log "$WORK/log/last" -- "$@") ||
    M="254 0 0 0 0"
  OK=ok
}

verify() { # EXPECTED GOT: OK stays "ok" only when the transfer arrived identical
  if [ "${M%% *}" != 0 ] || ! cmp -s "$1" "$2"; then OK=bad; fi
}

# One line per transfer: SECTION PINNING CASE MEMBER RUN STATUS WALL USER SYS MAXRSS OK TICKS
record() { # SECTION PINNING CASE MEMBER RUN [SERVER_TICKS]
  echo "$1 $2 $3 $4 $5 $M $OK ${6:-0}" >> "$RAW"
}

rotate() { # RUN ITEMS...: the items, started (RUN - 1) places further along
  n=$1
  shift
  k=$(( (n - 1) % $# ))
  i=0
  out=""
  tail=""
  for item in "$@"; do
    if [ $i -lt $k ]; then tail="$tail $item"; else out="$out $item"; fi
    i=$((i + 1))
  done
  # Word splitting wanted: the list comes back as separate words.
  # shellcheck disable=SC2086
  echo $out $tail
}

wait_for_port() { # PORT NAME: until something listens on the UDP port, at most 5 s
  i=0
  while [ -z "$(ss -Hlun "sport = :$1" 2>/dev/null)" ]; do
    i=$((i + 1))
    if [ $i -gt 50 ]; then
      echo "bench: $2 does not listen on port $1" >&2
      exit 1
    fi
    sleep 0.1
  done
}

# CPU time of a process and of its waited-for children, in clock ticks. tftpd-hpa serves
# each transfer in a child of its own, which it reaps when the child ends.
process_ticks() { # PID
  sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 + $14 + $15 }'
}

peak_rss() { # PID: the process's peak resident set so far, in kB
  awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"
}

stop_all() {
  for pid in $PIDS; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in $PIDS; do
    wait "$pid" 2>/dev/null || true
  done
  PIDS=""
}

# The table, from the raw lines.
report() {
  awk -v runs="$RUNS_DONE" -v size="$SIZE" -v blocks="$BLOCKS" -v hz="$(getconf CLK_TCK)" \
      -v pack_size="$PACK_SIZE" -v fixed="$FIXED_WAIT" -v completion="$COMPLETION_MS" \
      -v serve1m="$SERVE_PEAK_1M" -v servebig="$SERVE_PEAK_BIG" \
      -v crowd="$CROWD" -v crowd_size="$CROWD_SIZE" -v crowdpeak="$CROWD_PEAK" \
      -v fleet="$FLEET" -v fleet_size="$FLEET_SIZE" \
      -v load_before="$LOAD_BEFORE" -v load_after="$LOAD_AFTER" -v elapsed="$ELAPSED" \
      -v cpu_model="$(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -n 1)" \
      -v cores="$(nproc)" -v kernel="$(uname -r)" -f "$SOURCE/bench/report.awk" "$RAW"
}
