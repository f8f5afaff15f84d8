# Isolated Ethernet segments made of network namespaces, for the tests that need more than
# loopback (broadcasts seen by several hosts, a host with two interfaces, packet loss).
# Sourced by the scripts of this folder (POSIX sh) with tests/lib.sh; see README.md.
# Namespaces are named sperrow-seg-<pid of the test>-<name>, so runs side by side never meet,
# and nothing is made outside them: each veth pair is made in the bridge's namespace and one
# end moved straight into the host's. Everything goes on exit however the test ends; names
# left by a run killed outright are swept by the next run once their owner is gone.

SEG_PREFIX=sperrow-seg
SEG_ID=$$
SEG_NAMESPACES=""
SEG_PIDS=""
SEG_TMPDIRS=""

seg_skip() { echo "SKIP: $*" >&2; exit 77; }
seg_ns() { echo "$SEG_PREFIX-$SEG_ID-$1"; }

# seg_signal SIGNAL PID: signals PID only while it is still a running child of this shell,
# so that a pid freed and reused since is never touched (signal 0: is it still running?).
seg_signal() {
    state=$(sed 's/.*) //' "/proc/$2/stat" 2>/dev/null | cut -d' ' -f1,2)
    [ "${state#* }" = "$$" ] && [ "${state% *}" != Z ] || return 1
    kill "-$1" "$2" 2>/dev/null
}

# seg_stop PID: ends one process that seg_spawn started, with what it started itself (the
# program under `timeout`), killed if still there after 5 s.
seg_stop() {
    seg_signal TERM "$1"
    i=0
    while seg_signal 0 "$1" && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
    seg_signal 0 "$1" && pkill -KILL -P "$1" 2>/dev/null
    seg_signal KILL "$1"
    wait "$1" 2>/dev/null
}

seg_cleanup() {
    trap - EXIT INT TERM HUP
    for pid in $SEG_PIDS; do seg_signal TERM "$pid"; done
    for pid in $SEG_PIDS; do seg_stop "$pid"; done
    for ns in $SEG_NAMESPACES; do ip netns del "$ns" 2>/dev/null; done
    for dir in $SEG_TMPDIRS; do
        if [ -n "${SEGMENT_KEEP:-}" ]; then echo "segment: kept $dir" >&2; else rm -rf "$dir"; fi
    done
}

# seg_workdir NAME: WORK = a fresh folder under /tmp that the clean-up removes.
seg_workdir() {
    WORK=$(mktemp -d "/tmp/sperrow-segment-$1.XXXXXX") || exit 1
    SEG_TMPDIRS="$SEG_TMPDIRS $WORK"
}

# seg_init: skips where segments cannot be built here, sweeps stale names and arms the
# clean-up. (CTest runs each script under `timeout`, whose SIGTERM to the script and what it
# waits for comes before CTest's own time-out, so the clean-up still runs.)
seg_init() {
    for tool in ip nft timeout; do
        command -v $tool >/dev/null 2>&1 || seg_skip "$tool is not installed"
    done
    [ "$(id -u)" = 0 ] || seg_skip "building network namespaces needs root"
    trap seg_cleanup EXIT
    trap 'exit 129' HUP; trap 'exit 130' INT; trap 'exit 143' TERM
    for ns in $(ip netns list 2>/dev/null | sed -n "s/^\($SEG_PREFIX-[0-9]*-[^ ]*\).*/\1/p"); do
        owner=$(echo "$ns" | sed "s/^$SEG_PREFIX-\([0-9]*\)-.*/\1/")
        [ "$owner" = "$SEG_ID" ] || kill -0 "$owner" 2>/dev/null || ip netns del "$ns" 2>/dev/null
    done
    probe=$(seg_ns probe)
    ip netns add "$probe" 2>/dev/null || seg_skip "cannot create a network namespace here"
    SEG_NAMESPACES="$probe"
    ip -n "$probe" link add br0 type bridge 2>/dev/null &&
        ip -n "$probe" link add v0 type veth peer name v1 2>/dev/null &&
        ip netns exec "$probe" nft add table inet probe 2>/dev/null ||
        seg_skip "no bridge, veth pair or nftables inside a network namespace"
    ip netns del "$probe"
    SEG_NAMESPACES=""
}

seg_new_ns() {
    ns=$(seg_ns "$1")
    ip netns add "$ns" || { echo "segment: cannot create namespace $ns" >&2; exit 1; }
    SEG_NAMESPACES="$SEG_NAMESPACES $ns"
    ip -n "$ns" link set lo up
    # A quiet segment: no IPv6 chatter besides what a test sends.
    ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 2>/dev/null
    ip netns exec "$ns" sysctl -qw net.ipv6.conf.default.disable_ipv6=1 2>/dev/null
}

# seg_segment NAME PREFIX: a bridge br0 in a namespace of its own; its hosts get PREFIX.N/24.
seg_segment() {
    seg_new_ns "br-$1"
    ip -n "$(seg_ns "br-$1")" link add br0 type bridge || exit 1
    ip -n "$(seg_ns "br-$1")" link set br0 up || exit 1
    eval "SEG_PREFIX_$1=\$2; SEG_PORTS_$1=0"
}

# seg_host HOST SEGMENT N: joins HOST (made on first use) to SEGMENT with PREFIX.N/24 on its
# next interface (eth0, eth1, ...). The first one also carries the route for 255.255.255.255:
# without it a broadcast fails with "Network is unreachable" (the hosts have no default route).
seg_host() {
    host=$1 seg=$2 n=$3
    eval "prefix=\${SEG_PREFIX_$seg:-}"
    [ -n "$prefix" ] || { echo "segment: no segment $seg" >&2; exit 1; }
    case " $SEG_NAMESPACES " in
        *" $(seg_ns "$host") "*) ;;
        *) seg_new_ns "$host"; eval "SEG_IFS_$host=0" ;;
    esac
    eval "k=\$SEG_IFS_$host; SEG_IFS_$host=$((k + 1)); port=\$SEG_PORTS_$seg"
    eval "SEG_PORTS_$seg=$((port + 1))"
    brns=$(seg_ns "br-$seg") hostns=$(seg_ns "$host") ifname=eth$k
    ip -n "$brns" link add "p$port" type veth peer name "$ifname" netns "$hostns" || exit 1
    ip -n "$brns" link set "p$port" master br0 up || exit 1
    ip -n "$hostns" addr add "$prefix.$n/24" dev "$ifname" || exit 1
    ip -n "$hostns" link set "$ifname" up || exit 1
    [ "$k" != 0 ] || ip -n "$hostns" route add 255.255.255.255/32 dev "$ifname" || exit 1
    # Bounded wait for the carrier (both ends of the pair up).
    poll 50 seg_carrier "$hostns" "$ifname" ||
        { echo "segment: $ifname in $hostns did not come up" >&2; exit 1; }
}
seg_carrier() { ip -n "$1" -o link show "$2" 2>/dev/null | grep -q LOWER_UP; }

seg_run() { ns=$(seg_ns "$1"); shift; ip netns exec "$ns" "$@"; }

# seg_spawn HOST LOG CMD...: CMD in HOST in the background, output in LOG, its pid in SEG_PID,
# ended by the clean-up. Long-running commands carry their own `timeout`, so that they end by
# themselves even if this shell is killed outright.
seg_spawn() {
    ns=$(seg_ns "$1") log=$2
    shift 2
    ip netns exec "$ns" "$@" >"$log" 2>&1 &
    SEG_PID=$!
    SEG_PIDS="$SEG_PIDS $SEG_PID"
}

# seg_loss HOST PERCENT: the host drops a random PERCENT of the UDP datagrams it receives.
seg_loss() {
    seg_run "$1" nft -f - <<EOF || exit 1
table inet sperrow_loss {
    chain input {
        type filter hook input priority 0; policy accept;
        meta l4proto udp numgen random mod 100 < $2 counter drop
    }
}
EOF
}

# seg_watch HOST: counts the UDP datagrams the host sends and receives (before any loss);
# seg_udp_count HOST in|out reads a counter back.
seg_watch() {
    seg_run "$1" nft -f - <<EOF || exit 1
table inet sperrow_watch {
    counter udp_in { }
    counter udp_out { }
    chain input {
        type filter hook input priority -10; policy accept;
        meta l4proto udp counter name udp_in
    }
    chain output {
        type filter hook output priority -10; policy accept;
        meta l4proto udp counter name udp_out
    }
}
EOF
}
seg_udp_count() {
    seg_run "$1" nft list counter inet sperrow_watch "udp_$2" |
        sed -n 's/.*packets \([0-9]*\).*/\1/p'
}

# seg_modem HOST STORE [OPTIONS...]: a simulated modem in HOST taking broadcasts on port
# MODEM_PORT and answering from it, password MODEM_PASSWORD, saving what it is sent in STORE,
# its log in $WORK/HOST.log. It ends by itself after 10 minutes.
MODEM_PORT=6969
MODEM_PASSWORD=secret
seg_modem() {
    host=$1 store=$2
    shift 2
    log="$WORK/$host.log"
    mkdir -p "$store"
    # A sanitizer build's leak check at exit can outlast the clean-up's grace period; the
    # modem's leaks are the unit tests' business, so it is switched off for these daemons.
    seg_spawn "$host" "$log" env ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        timeout 600 "$MODEM" --listen 0.0.0.0 --port "$MODEM_PORT" --listen-port-replies \
        --password "$MODEM_PASSWORD" --data "$ROOT/data/modem" --store "$store" "$@"
    wait_for "$log" "sperrow-modem listening on" ||
        { echo "the modem in $host did not start:"; cat "$log"; exit 1; }
}
