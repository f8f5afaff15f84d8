#!/bin/sh
# Every command of `sperrow` against the simulated modem on loopback, the way a technician
# runs them, with what the modem took in checked byte for byte.
# Usage: commands_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work

# --- No command, usage errors, version ------------------------------------------------------
timeout 10 "$SPERROW" < /dev/null > out 2> err
RC=$?
check "no command and no terminal: usage, status 2" \
  sh -c "[ $RC = 2 ] && grep -q 'Usage: sperrow' err"
# (Each usage error's status is the parser's unit tests' business.)
check "--version names the program" \
  sh -c "timeout 10 '$SPERROW' --version | grep -q '^sperrow [0-9]'"

mkdir store
start_modem --store "$WORK/store"

# --- info -----------------------------------------------------------------------------------
sperrow info
check "info: status 0" status_is 0
check "info prints the dialog's lines" is "$OUT" "Company: Sperrow Sim
Date: 2024/05/17
Hardware Version: HW 1.2
Firmware Version: FW 3.0.8
Product ID: SIM-ADSL2-4P
MAC Address: 00:0A:5E:1C:33:7B
Tftp Version: TFTP Server 2.4 (simulated)
Hardware Profile:
  Board: SIM-BOARD-1
  Chipset: simulated ADSL2+ SoC
  Flash: 4 MB
  SDRAM: 16 MB
  Ports: 1 x ADSL2+, 4 x 10/100 Ethernet
  Annex: A"
# Options after the command are the same options.
timeout 90 "$SPERROW" info --json -p pw --port "$MODEM_PORT" -m 127.0.0.1 > json 2> err
check "info --json with the options after the command: status 0" is "$?" 0
check "info --json: the keys and values" sh -c \
  "grep -q '\"productId\": \"SIM-ADSL2-4P\",' json && grep -q '\"tftpVersion\": \"TFTP Server 2.4 (simulated)\",' json \
   && grep -q '\"hardwareProfile\": \[' json && grep -q '\"Annex: A\"' json && head -c 1 json | grep -q '{'"

# --- config get / put -----------------------------------------------------------------------
sperrow config get -o saved.pack
check "config get: status 0" status_is 0
check "config get names the pack it saved" is "$OUT" "Get configuration done!
Configuration file now saved on host:    
saved.pack"
# shellcheck disable=SC2086
expected_pack "$ROOT/data/modem" $CONFIG_FILES > expected.pack
check "the pack holds the five files in order" same_file saved.pack expected.pack
check "no temporary file is left beside it" sh -c "[ -z \"\$(ls -A | grep '\.part$')\" ]"

rm -rf store/*
sperrow config put saved.pack --no-reboot
check "config put --no-reboot: status 0" status_is 0
check "config put --no-reboot ends with the download message" contains "$OUT" "Download Success!"
for name in $CONFIG_FILES; do
  check "config put restored $name" same_file "store/$name" "$ROOT/data/modem/$name"
done

# A setting.cfg whose PackFile names another file: the restore file goes, not that one.
rm -rf store/*
printf 'Password: pw\r\nPackFile: %s\r\n' "$ROOT/samples/sample.pack" > setting.cfg
sperrow config put saved.pack
check "config put with reboot: status 0 after the modem's report" status_is 0
check "config put with reboot follows the status dialog" is "$OUT" "Modem is now updating .....
Modem Reboot
Update Complete"
check "the restore file was sent, not setting.cfg's pack" \
  sh -c "[ -f store/dhcpd.conf ] && [ ! -e store/image ] && [ ! -e store/hw.cond ]"
rm setting.cfg

# --- send, remote-upgrade -------------------------------------------------------------------
printf 'set wan up\n' > macro.txt
head -c 3000 /dev/urandom > one.bin
head -c 700 /dev/urandom > two.bin
rm -rf store/*
sperrow send --macro macro.txt --file one.bin:renamed.bin --file2 two.bin
check "send: status 0" status_is 0
check "send: the macro arrives as cmdmacro" same_file store/cmdmacro macro.txt
check "send: the first file under its destination name" same_file store/renamed.bin one.bin
check "send: the second file under its own name" same_file store/two.bin two.bin
head -c 9000 /dev/urandom > big.bin
rm -rf store/*
sperrow send --file big.bin
check "send: a file over 8K is refused with status 1" status_is 1
check "send: nothing reaches the modem after a refusal" sh -c "[ -z \"\$(ls store)\" ]"

rm -rf store/*
sperrow remote-upgrade
check "remote-upgrade: status 0" status_is 0
check "remote-upgrade writes the command macro" is "$(hex store/cmdmacro)" "0d0a"

# --- describe -------------------------------------------------------------------------------
sperrow describe "$ROOT/samples/sample.pack"
check "describe: status 0" status_is 0
check "describe: the pack's description" sh -c "printf '%s' \"\$1\" | head -1 | grep -q '^Pack file: using pack v1.1' \
  && printf '%s' \"\$1\" | grep -q 'Total: 3 file(s), 40066 bytes'" _ "$OUT"
sperrow describe missing.pack
check "describe of a missing file: status 1" status_is 1
check "describe of a missing file says so on stderr" is "$ERR" "Warning:
Cannot open file."

# --- upgrade --------------------------------------------------------------------------------
rm -rf store/*
sperrow upgrade "$ROOT/samples/sample.pack"
check "upgrade: status 0 on the modem's report" status_is 0
check "upgrade: the status lines, ending in Update Complete" is "$OUT" "Modem is now updating .....
Modem Reboot
Update Complete"
mkdir entries && sample_entries entries
for name in image info hw.cond; do
  check "upgrade: pack entry $name arrived whole" same_file "store/$name" "entries/$name"
done
check "upgrade: the key and the markers" sh -c \
  "[ \"\$(od -An -tx1 store/tftplock.key | tr -d ' \n')\" = 70770d0a ] && \
   [ \"\$(od -An -tx1 store/tftpupdt.end | tr -d ' \n')\" = 0d0a ]"

rm -rf store/*
sperrow upgrade "$ROOT/samples/sample.pack" --skip-criteria --no-wait
check "upgrade --no-wait: status 0 without the countdown" status_is 0
check "upgrade --no-wait prints only the first status line" is "$OUT" "Modem is now updating ....."
check "upgrade --skip-criteria holds hw.cond back" sh -c "[ -f store/image ] && [ ! -e store/hw.cond ]"

printf 'PACK' > broken.pack
rm -rf store/*
sperrow upgrade broken.pack
check "upgrade of a malformed file: status 1" status_is 1
check "upgrade of a malformed file writes nothing to the modem" sh -c "[ -z \"\$(ls store)\" ]"
sperrow upgrade no-such.pack
check "upgrade of a missing file: status 1 with the window's text" \
  sh -c "[ $RC = 1 ] && [ \"\$1\" = 'Warning:
Cannot open file.' ]" _ "$ERR"

stop_modem
finish
