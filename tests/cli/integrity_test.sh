#!/bin/sh
# What is flashed is what was meant. A file that does not match the checksum beside it is
# refused before the modem hears anything, a matching one is flashed; the capture of an
# upgrade, read back by tcpdump, holds the whole exchange in order with the password masked.
# (describe and a hostile setting.cfg: the unit tests of the formats and of the settings.)
# Usage: integrity_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work
need tcpdump sha256sum
sha() { sha256sum < "$1" | cut -d' ' -f1; }

mkdir fw store
cp "$ROOT/samples/sample.comp" fw/
head -c 20000 fw/sample.comp > fw/trunc.comp
printf 'hello\n' > notes.txt
echo "$(sha fw/sample.comp)  trunc.comp" > fw/trunc.comp.sha256
echo "$(sha fw/sample.comp)  sample.comp" > fw/sample.comp.sha256

PW=Sekr1t-Pass
start_modem --store "$WORK/store"

# --- checksums before anything is sent -----------------------------------------------------
sperrow -v upgrade fw/trunc.comp
check "truncated image: status 1, refused for its checksum" ended 1 contains "$ERR" "Warning:
The file does not match its checksum."
check "truncated image: the modem heard nothing" \
  sh -c '[ -z "$(ls store)" ] && ! grep -Eq " (read|write) " modem.log'
sperrow send --file notes.txt --sha256 "$(sha fw/sample.comp)"
check "send of a file given the wrong checksum: refused, nothing heard" \
  sh -c '[ "$1" = 1 ] && [ -z "$(ls store)" ]' _ "$RC"

sperrow -v --pcap up.pcap upgrade fw/sample.comp
check "matching image: status 0, the modem holding it whole" \
  ended 0 same_file store/image fw/sample.comp
check "matching image: -v names the checksum it matched" contains "$ERR" "matches its SHA-256"

# --- the capture ---------------------------------------------------------------------------
command_ops() { printf 'WRQ "%s" octet\nACK block 0\nDATA block 1\nACK block 1\n' "$1"; }
blocks=$(( $(wc -c < fw/sample.comp) / 512 + 1 ))
{
  command_ops tftplock.key
  command_ops tftpupdt.beg
  printf 'WRQ "image" octet\nACK block 0\n'
  i=1
  while [ $i -le $blocks ]; do printf 'DATA block %d\nACK block %d\n' $i $i; i=$((i + 1)); done
  command_ops tftpupdt.rbt
  command_ops tftpupdt.end
  echo "ACK block 65535"
} > expected.ops
tcpdump -r up.pcap -n -T tftp 2>/dev/null > up.txt
sed -n 's/.*: TFTP, length [0-9]*, //p' up.txt > captured.ops
check "capture: every datagram of the upgrade, in order" same_file captured.ops expected.ops
check "capture: the real ends, the requests to the modem's port" \
  is "$(grep -c "IP 127.0.0.1.[0-9]* > 127.0.0.1.$MODEM_PORT: TFTP, length [0-9]*, WRQ" up.txt)" 5
tcpdump -r up.pcap -n -vv 2>/dev/null > up-verbose.txt
check "capture: every UDP checksum verifies, no IP checksum is bad" \
  sh -c '[ "$(grep -c "udp sum ok" up-verbose.txt)" = "$(wc -l < captured.ops)" ] &&
         ! grep -q "bad cksum" up-verbose.txt'
check "capture: the password masked, its line end kept" \
  sh -c 'tcpdump -r up.pcap -n -T tftp -X 2>/dev/null | grep -q "2a2a 2a2a 2a2a 2a2a 2a2a 2a0d 0a" &&
         ! grep -aq "$1" up.pcap' _ "$PW"
sperrow --pcap secrets.pcap --pcap-secrets info
check "capture with --pcap-secrets: the password kept" grep -aq "$PW" secrets.pcap
stop_modem

finish
