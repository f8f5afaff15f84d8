#!/bin/sh
# The plans against a TFTP server nobody here wrote: tftpd-hpa on loopback, with create
# mode on, stands in for the modem. What each plan leaves in its directory is what a modem
# would have been sent: an upgrade's writes and a configuration's reads and writes (the
# other commands make the same transfers, against the simulated modem in commands_test.sh).
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
check "upgrade of a pack: status 0" status_is 0
check "the key holds the password and CR LF, each marker CR LF" is "$(hex srv/tftplock.key) \
$(hex srv/tftpupdt.beg) $(hex srv/tftpupdt.rbt) $(hex srv/tftpupdt.end)" "70770d0a 0d0a 0d0a 0d0a"
mkdir entries && sample_entries entries
for name in image info hw.cond; do
  check "pack entry $name is a file of its own with identical bytes" same_file "srv/$name" "entries/$name"
done

# The image alone (tftpd-hpa never reports the end of an update; the countdown that then
# runs out is the unit tests' business).
rm -f srv/image
sperrow upgrade "$ROOT/samples/sample.comp" --no-wait
check "upgrade of an image: status 0" status_is 0
check "the image arrived whole" same_file srv/image "$ROOT/samples/sample.comp"

# --- config get, then put -------------------------------------------------------------------
mkdir original
for name in $CONFIG_FILES; do cp "$ROOT/data/modem/$name" srv/ && cp "$ROOT/data/modem/$name" original/; done
sperrow config get -o saved.pack
check "config get: status 0" status_is 0
# shellcheck disable=SC2086
expected_pack original $CONFIG_FILES > expected.pack
check "config get: the pack holds the five files" same_file saved.pack expected.pack
for name in $CONFIG_FILES; do rm "srv/$name"; done
sperrow config put saved.pack --no-reboot
check "config put: status 0" status_is 0
check "config put returns the five files" sh -c \
  "for name in $CONFIG_FILES; do cmp -s srv/\$name original/\$name || exit 1; done"

finish
