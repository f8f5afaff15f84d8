#!/bin/sh
# What is flashed is what was meant. A file that does not match the checksum beside it is
# refused before the modem hears anything, a matching one is flashed; describe tells a
# file's size, checksum and boards and refuses what an upgrade would refuse; the capture of
# an upgrade, read back by tcpdump, holds the whole exchange in order with the password
# masked; a hostile setting.cfg neither hangs the program nor spoils the password.
# Usage: integrity_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work
for tool in tcpdump sha256sum; do
  command -v $tool >/dev/null 2>&1 || { echo "skip: $tool is not installed"; exit 77; }
done
sha() { sha256sum < "$1" | cut -d' ' -f1; }

mkdir fw store
cp "$ROOT/samples/sample.comp" fw/
head -c 20000 fw/sample.comp > fw/trunc.comp
echo "$(sha fw/sample.comp)  trunc.comp" > fw/trunc.comp.sha256
echo "$(sha fw/sample.comp)  sample.comp" > fw/sample.comp.sha256

PW=Sekr1t-Pass
start_modem --store "$WORK/store"

# --- describe ------------------------------------------------------------------------------
sperrow describe "$ROOT/samples/sample.pack"
check "describe: status 0" status_is 0
check "describe: size, checksum and boards after the window's description" \
  is "$(printf '%s\n' "$OUT" | tail -n 3)" "Size: 40122 bytes
SHA-256: $(sha "$ROOT/samples/sample.pack")
Compatible boards: SIM-BOARD-1"
head -c 100 "$ROOT/samples/sample.pack" > piece.pack
sperrow describe piece.pack
check "describe of a piece of a pack: status 1" status_is 1
check "describe of a piece of a pack: the reason on stderr" is "$ERR" "Warning:
The pack is cut short."
printf 'hello\n' > notes.txt
sperrow describe notes.txt
check "describe of no known format: status 1 with the reason" \
  sh -c '[ "$1" = 1 ] && [ "$2" = "Warning:
The file is of no known format." ]' _ "$RC" "$ERR"

# --- checksums before anything is sent -----------------------------------------------------
sperrow -v upgrade fw/trunc.comp
check "truncated image: status 1" status_is 1
check "truncated image: refused for its checksum" contains "$ERR" "Warning:
The file does not match its checksum."
check "truncated image: the modem heard nothing" \
  sh -c '[ -z "$(ls store)" ] && ! grep -Eq " (read|write) " modem.log'
sperrow send --file notes.txt --sha256 "$(sha fw/sample.comp)"
check "send of a file given the wrong checksum: refused, nothing heard" \
  sh -c '[ "$1" = 1 ] && [ -z "$(ls store)" ]' _ "$RC"

sperrow -v --pcap up.pcap upgrade fw/sample.comp
check "matching image: status 0" status_is 0
check "matching image: the modem holds it whole" same_file store/image fw/sample.comp
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

# --- a hostile setting.cfg -----------------------------------------------------------------
start_modem
ln -s /dev/zero setting.cfg
timeout 60 "$SPERROW" -m 127.0.0.1 --port "$MODEM_PORT" info > out 2> err
check "setting.cfg linked to /dev/zero: the command ends on its own" \
  sh -c '[ "$1" != 124 ] && grep -q "Wrong password" err' _ $?
rm setting.cfg
printf '\357\273\277Password: %s\r\n' "$PW" > setting.cfg
timeout 60 "$SPERROW" -m 127.0.0.1 --port "$MODEM_PORT" --retry 10 info > out 2> err
check "setting.cfg with a byte-order mark: its password unlocks" \
  sh -c '[ "$1" = 0 ] && grep -q "Firmware Version: FW 3.0.8" out' _ $?
stop_modem

finish
