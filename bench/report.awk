# The bench's table, from the raw lines of bench/run.sh:
#   SECTION PINNING CASE MEMBER RUN STATUS WALL USER SYS MAXRSS OK TICKS
# Only runs that ended with status 0 (and, where checked, identical bytes) count; the
# others are listed as failures. Written for any POSIX awk (Debian's default is mawk).

function key(section, pin, kase, member) { return section SUBSEP pin SUBSEP kase SUBSEP member }

function median(list,    parts, n, i, j, v) {
    n = split(list, parts, " ")
    if (n == 0) return -1
    for (i = 2; i <= n; i++) {
        v = parts[i] + 0
        for (j = i - 1; j >= 1 && parts[j] + 0 > v; j--) parts[j + 1] = parts[j]
        parts[j + 1] = v
    }
    if (n % 2) return parts[(n + 1) / 2] + 0
    return (parts[n / 2] + parts[n / 2 + 1]) / 2
}

function secs(k) { return median(wall[k]) }
function fmt_s(v) { return v < 0 ? "      -" : sprintf("%6.2fs", v) }
function fmt_ratio(a, b) { return (a < 0 || b <= 0) ? "    -" : sprintf("%5.2f", a / b) }
function fmt_us(v) { return v < 0 ? "       -" : sprintf("%6.1fus", v) }
# Client CPU per block: user + system time of the client process.
function client_us(k,    v) { v = median(cpu[k]); return v < 0 ? -1 : v * 1e6 / blocks }
# Server CPU per block: clock ticks of the server process (and its reaped children).
function server_us(k,    v) { v = median(ticks[k]); return v < 0 ? -1 : v / hz * 1e6 / blocks }
function failures(k) { return bad[k] ? sprintf("  (%d failed)", bad[k]) : "" }

{
    k = key($1, $2, $3, $4)
    if ($6 == 0 && $11 == "ok") {
        wall[k] = wall[k] " " $7
        cpu[k] = cpu[k] " " ($8 + $9)
        rss[k] = rss[k] " " $10
        ticks[k] = ticks[k] " " $12
    } else {
        bad[k]++
    }
}

function row(label, pin, ko, kt, us_o, us_t) {
    printf "%-44s %4s %8s %8s %6s %9s %9s%s%s\n", label, pin, fmt_s(secs(ko)), fmt_s(secs(kt)),
        fmt_ratio(secs(ko), secs(kt)), fmt_us(us_o), fmt_us(us_t), failures(ko), failures(kt)
}

END {
    mb = size / 1000000
    printf "Sperrow transfer bench: medians of %d runs, %d-byte files, 512-byte blocks, loopback\n", runs, size
    printf "machine: %d x %s, Linux %s; load average %s before, %s after; %d s in all\n",
        cores, cpu_model, kernel, load_before, load_after, elapsed
    printf "cpus: 1 = client and server on CPU 0; 2 = client on CPU 0, server on CPU 1.\n"
    printf "ratio = sperrow's time / the other program's time (goal: 1.00 or less)\n\n"

    printf "%-44s %4s %8s %8s %6s %9s %9s\n", "CLIENT: put into tftpd-hpa", "cpus", "sperrow", "other",
        "ratio", "cpu/blk", "other"
    for (pin = 1; pin <= 2; pin++) {
        ko = key("client", pin, "put", "sperrow")
        kt = key("client", pin, "put", "tftp-hpa")
        row("upgrade --no-wait vs tftp-hpa tftp put", pin, ko, kt, client_us(ko), client_us(kt))
        kt = key("client", pin, "put", "curl")
        row("upgrade --no-wait vs curl -T", pin, ko, kt, client_us(ko), client_us(kt))
    }
    printf "%-44s %4s %8s %8s %6s\n", "  the same vs tftp-hpa, split", "cpus", "sperrow",
        "tftp-hpa", "ratio"
    for (pin = 1; pin <= 2; pin++) {
        ko = key("client", pin, "tiny", "sperrow")
        kt = key("client", pin, "tiny", "tftp-hpa")
        fo = secs(ko)
        ft = secs(kt)
        printf "%-44s %4s %7.1fms %7.1fms %6s%s%s\n", "  fixed part: a 16-byte image", pin,
            fo * 1000, ft * 1000, fmt_ratio(fo, ft), failures(ko), failures(kt)
        bo = secs(key("client", pin, "put", "sperrow"))
        bt = secs(key("client", pin, "put", "tftp-hpa"))
        po = (bo < 0 || fo < 0) ? -1 : (bo - fo) * 1e6 / blocks
        pt = (bt < 0 || ft < 0) ? -1 : (bt - ft) * 1e6 / blocks
        printf "%-44s %4s %8s %8s %6s\n", "  per block: (whole - fixed) / blocks", pin, fmt_us(po),
            fmt_us(pt), fmt_ratio(po, pt)
    }

    printf "\n%-44s %4s %8s %8s %6s %9s %9s\n", "SERVER: serve vs other servers, same client", "cpus",
        "sperrow", "other", "ratio", "srv cpu", "other"
    for (pin = 1; pin <= 2; pin++) {
        for (d = 1; d <= 2; d++) {
            dir = d == 1 ? "get" : "put"
            for (c = 1; c <= 2; c++) {
                client = c == 1 ? "curl" : "tftp"
                ko = key("server", pin, dir "." client, "sperrow")
                for (s = 1; s <= 2; s++) {
                    server = s == 1 ? "tftpd-hpa" : "atftpd"
                    kt = key("server", pin, dir "." client, server)
                    label = sprintf("%s %d MB, %s client, vs %s", dir == "get" ? "download" : "upload",
                        mb, client == "curl" ? "curl" : "tftp-hpa", server)
                    # tftpd-hpa serves each transfer in a child that is reaped unaccounted.
                    row(label, pin, ko, kt, server_us(ko), server == "atftpd" ? server_us(kt) : -1)
                }
            }
        }
    }

    printf "(srv cpu: the server process's CPU time per block; not measurable for tftpd-hpa, whose\n"
    printf " per-transfer children end unaccounted.)\n"

    printf "\n%-44s %4s %8s %8s %6s\n", sprintf("CONCURRENT: %d curl gets of %d MB at once", crowd,
        crowd_size / 1000000), "cpus", "sperrow", "tftpd-hpa", "ratio"
    for (pin = 1; pin <= 2; pin++) {
        ko = key("crowd", pin, "get", "sperrow")
        kt = key("crowd", pin, "get", "tftpd-hpa")
        printf "%-44s %4s %8s %8s %6s%s%s\n", "serve vs tftpd-hpa, until the last one ends", pin,
            fmt_s(secs(ko)), fmt_s(secs(kt)), fmt_ratio(secs(ko), secs(kt)), failures(ko), failures(kt)
    }
    base = median(rss[key("memory", 2, "version", "sperrow")])
    small = median(rss[key("memory", 2, "upgrade.1m", "sperrow")])
    big = median(rss[key("client", 1, "put", "sperrow")])
    printf "\nMEMORY: peak RSS of sperrow (kB)            version  1 MB   %2d MB   growth 1 MB / %d MB (goal < 1024, equal)\n", mb, mb
    printf "%-44s %7d %6d %6d   %6d / %d%s\n", "upgrade --no-wait into tftpd-hpa", base, small, big,
        small - base, big - base, failures(key("memory", 2, "upgrade.1m", "sperrow"))
    split(serve1m, a, " ")
    split(servebig, b, " ")
    printf "%-44s %7s %6s %6s   %6s / %s\n", "serve, after a get and a put of the file", a[1], a[2], b[2],
        (a[2] ~ /^[0-9]+$/ ? a[2] - a[1] : "-"), (b[2] ~ /^[0-9]+$/ ? b[2] - b[1] : "-")
    split(crowdpeak, cp, " ")
    printf "%-44s %7s %6s %6s   %6s\n", sprintf("serve, %d downloads of %d MB at once", crowd,
        crowd_size / 1000000), cp[1], "", cp[2], (cp[2] ~ /^[0-9]+$/ ? cp[2] - cp[1] : "-")
    printf "(serve's first column is its peak before any transfer, not `--version`.)\n"

    ko = key("pack", 2, "upgrade", "sperrow")
    kt = key("pack", 2, "upgrade", "tftp-hpa")
    whole = secs(ko)
    raw = secs(kt)
    net = whole < 0 ? -1 : whole - fixed
    printf "\nFULL UPGRADE of a %d-byte pack against sperrow-modem (cpus 2)\n", pack_size
    printf "%-44s %8s%s\n", "sperrow upgrade, until \"Update Complete\"", fmt_s(whole), failures(ko)
    printf "%-44s %8s   (the report comes %d ms after the end marker,\n", sprintf("  less the fixed wait of %d s", fixed),
        fmt_s(net), completion
    printf "%-44s %8s    seen at the status window's next 1 s tick)\n", "", ""
    printf "%-44s %8s%s\n", "tftp-hpa put of the same bytes (raw)", fmt_s(raw), failures(kt)
    printf "%-44s %8s   (goal: 1.10 or less)\n", "ratio", fmt_ratio(net, raw)

    ko = key("fleet", 2, "upgrade", "fleet")
    kt = key("fleet", 2, "upgrade", "serial")
    printf "\nFLEET: upgrade of %d modems, a %d-byte pack each, until \"Update Complete\" (cpus 2)\n",
        fleet, fleet_size
    printf "%-44s %8s%s\n", sprintf("one fleet run, -m %d times", fleet), fmt_s(secs(ko)), failures(ko)
    printf "%-44s %8s%s\n", sprintf("%d upgrades one after another", fleet), fmt_s(secs(kt)), failures(kt)
    printf "%-44s %8s   (goal: 0.25 or less)\n", "ratio", fmt_ratio(secs(ko), secs(kt))
}
