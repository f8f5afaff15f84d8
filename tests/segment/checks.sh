# What the segment tests share besides the segment itself: reporting, bounded waits, the
# simulated modems and the entries of a pack file. Sourced after segment.sh (POSIX sh).

CHECK_PASSED=0
CHECK_FAILED=0

ok() {
    echo "ok: $1"
    CHECK_PASSED=$((CHECK_PASSED + 1))
}

fail() {
    echo "FAIL: $1"
    CHECK_FAILED=$((CHECK_FAILED + 1))
}

# check DESCRIPTION COMMAND...: one named assertion.
check() {
    desc=$1
    shift
    if "$@"; then ok "$desc"; else fail "$desc"; fi
}

contains() { case "$1" in *"$2"*) return 0 ;; *) return 1 ;; esac; }
lacks() { ! contains "$1" "$2"; }
same_file() { cmp -s "$1" "$2"; }
is_status() { [ "$1" = "$2" ]; }
is_failure_status() { [ "$1" != 0 ] && [ "$1" != 77 ]; }

# Prints the test's closing line and leaves with its verdict.
finish() {
    echo "segment: $CHECK_PASSED passed, $CHECK_FAILED failed"
    [ "$CHECK_FAILED" = 0 ] || exit 1
    exit 0
}

# wait_for FILE TEXT [TENTHS]: bounded wait (5 s by default) until FILE holds TEXT.
wait_for() {
    i=0
    while [ $i -lt "${3:-50}" ]; do
        grep -qF -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}

# start_modem HOST STORE [OPTIONS...]: a simulated modem in HOST taking broadcasts on port
# MODEM_PORT and answering from it, password MODEM_PASSWORD, saving what it is sent in STORE.
# With MODEM_ANSWERS=transfer-port it answers from a new port per transfer instead. Its log
# is $WORK/MODEM_NAME.log (HOST by default). It ends by itself after 10 minutes even if
# nobody stops it.
MODEM_PORT=6969
MODEM_PASSWORD=secret
MODEM_ANSWERS=listen-port
MODEM_NAME=
start_modem() {
    host=$1 store=$2
    shift 2
    log="$WORK/${MODEM_NAME:-$host}.log"
    replies=--listen-port-replies
    [ "$MODEM_ANSWERS" = transfer-port ] && replies=
    mkdir -p "$store"
    # A sanitizer build's leak check at exit can outlast the clean-up's grace period; the
    # modem's leaks are the unit tests' business, so it is switched off for these daemons.
    seg_spawn "$host" "$log" env ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        timeout 600 "$MODEM" --listen 0.0.0.0 \
        --port "$MODEM_PORT" $replies --password "$MODEM_PASSWORD" \
        --data "$SOURCE/data/modem" --store "$store" "$@"
    if ! wait_for "$log" "sperrow-modem listening on"; then
        echo "the modem in $host did not start:"
        cat "$log"
        exit 1
    fi
}

# pack_entries PACK: "name offset length" for every entry of a PACK or PK11 file, in table
# order. The table follows the magic and the version text: each entry is a name ended by a
# NUL and a 32-bit length, least significant byte first; an empty name ends it, and the
# entries' bytes follow one after another.
pack_entries() {
    od -An -v -tu1 -N 8192 "$1" | tr -s ' \n' '\n\n' | sed '/^$/d' | awk '
        function text(   s) { s = ""; while (b[p] != 0 && p < n) s = s sprintf("%c", b[p++]); p++; return s }
        { b[n++] = $1 + 0 }
        END {
            p = 4; text()
            k = 0
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
        [ "$name" = "$2" ] || continue
        tail -c +"$((offset + 1))" "$1" | head -c "$length" >"$3"
    done
    [ -f "$3" ]
}
