#!/bin/sh
# The plans against a TFTP server nobody here wrote: tftpd-hpa on loopback, with create
# mode on, stands in for the modem. What each plan leaves in its directory is what a modem
# would have been sent: an upgrade's writes and a configuration's reads and writes (the
# other commands make the same transfers, against the simulated modem in commands_test.sh).
# Usage: tftpd_test.sh SPERROW SPERROW_MODEM SOURCE_DIR UDP_SOCKET_EXEC
SPERROW=$1 MODEM=$2 ROOT=$3 SOCKET_EXEC=$4
. "$ROOT/tests/lib.sh"; loopback_work
need in.tftpd tftp

# inetd's way: the socket is bound for tftpd, which needs no address lookup then (a
# loopback-only namespace cannot answer one). It ends by itself after a minute of quiet.
mkdir srv
MODEM_PORT=$(free_port)
"$SOCKET_EXEC" 127.0.0.1 "$MODEM_PORT" in.tftpd -c -p -u root -t 60 -s "$WORK/srv" &
PIDS="$PIDS $!"
printf 'probe' > srv/probe
i=0
until timeout 5 tftp 127.0.0.1 "$MODEM_PORT" -m binary -c get probe probe.got 2>/dev/null &&
      same_file probe.got srv/probe; do
  i=$((i + 1))
  [ $i -lt 20 ] || { echo "skip: tftpd-hpa cannot serve in this namespace"; exit 77; }
  sleep 0.1
done
rm -f srv/probe probe.got

# --- upgrade --------------------------------------------------------------------------------
sperrow upgrade "$ROOT/samples/sample.pack" --no-wait
check "upgrade of a pack: status 0" status_is 0
check "tftplock.key holds the password and CR LF" is "$(hex srv/tftplock.key)" "70770d0a"
for marker in tftpupdt.beg tftpupdt.rbt tftpupdt.end; do
  check "$marker holds CR LF" is "$(hex "srv/$marker")" "0d0a"
done
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
for name in $CONFIG_FILES; do
  check "config put returns $name" same_file "srv/$name" "original/$name"
done

finish
