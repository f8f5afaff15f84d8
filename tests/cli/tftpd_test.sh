#!/bin/sh
# The plans against a TFTP server nobody here wrote: tftpd-hpa on loopback, with create
# mode on, stands in for the modem. What each plan leaves in its directory is what a modem
# would have been sent: an upgrade's writes and a configuration's reads (the other commands,
# and the image alone, make the same transfers against the simulated modem in
# commands_test.sh; tftpd-hpa never reports the end of an update, so --no-wait).
# Usage: tftpd_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work
need in.tftpd tftp python3

# inetd's way: tftpd gets the socket bound for it as its standard input, and needs no address
# lookup then (a loopback-only namespace cannot answer one). It ends after a minute of quiet.
mkdir srv
MODEM_PORT=$(free_port)
python3 -c 'import os, socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind((sys.argv[1], int(sys.argv[2])))
os.dup2(s.fileno(), 0)
os.execvp(sys.argv[3], sys.argv[3:])' 127.0.0.1 "$MODEM_PORT" in.tftpd -c -p -u root -t 60 \
  -s "$WORK/srv" &
PIDS="$PIDS $!"
printf 'probe' > srv/probe
probed() { timeout 5 tftp 127.0.0.1 "$MODEM_PORT" -m binary -c get probe probe.got 2>/dev/null &&
           same_file probe.got srv/probe; }
poll 20 probed || skip "tftpd-hpa cannot serve in this namespace"
rm -f srv/probe probe.got

# --- upgrade --------------------------------------------------------------------------------
sperrow upgrade "$ROOT/samples/sample.pack" --no-wait
check "upgrade of a pack: status 0, the key the password and CR LF, each marker CR LF" \
  ended 0 is "$(hex srv/tftplock.key) $(hex srv/tftpupdt.beg) $(hex srv/tftpupdt.rbt) \
$(hex srv/tftpupdt.end)" "70770d0a 0d0a 0d0a 0d0a"
mkdir entries && sample_entries entries
for name in image info hw.cond; do
  check "pack entry $name is a file of its own with identical bytes" same_file "srv/$name" "entries/$name"
done

# --- config get (its put is an upgrade's writes, byte for byte in commands_test.sh) ---------
for name in $CONFIG_FILES; do cp "$ROOT/data/modem/$name" srv/; done
# shellcheck disable=SC2086
expected_pack "$ROOT/data/modem" $CONFIG_FILES > expected.pack
sperrow config get -o saved.pack
check "config get: status 0, the pack holding the five files" \
  ended 0 same_file saved.pack expected.pack

finish
