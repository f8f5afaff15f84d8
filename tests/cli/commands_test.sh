#!/bin/sh
# Every command of `sperrow` against the simulated modem on loopback, the way a technician
# runs them, with what the modem took in checked byte for byte. (What a pack upgrade leaves
# on a modem, entry by entry: tftpd_test.sh, against tftpd-hpa; describe: json_test.sh, and
# its text the formats' unit tests.)
# Usage: commands_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work

# --- No command (each usage error's status: the parser's unit tests) --------------------
timeout 10 "$SPERROW" < /dev/null > out 2> err
check "no command and no terminal: usage, status 2" \
  sh -c "[ $? = 2 ] && grep -q 'Usage: sperrow' err"

mkdir store
start_modem --store "$WORK/store"

# --- info -----------------------------------------------------------------------------------
sperrow info
check "info: status 0, the dialog's lines" said 0 "Company: Sperrow Sim
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

# --- config get / put -----------------------------------------------------------------------
sperrow config get -o saved.pack
check "config get: status 0, naming the pack it saved" said 0 "Get configuration done!
Configuration file now saved on host:    
saved.pack"
# shellcheck disable=SC2086
expected_pack "$ROOT/data/modem" $CONFIG_FILES > expected.pack
check "the pack holds the five files in order" same_file saved.pack expected.pack

rm -rf store/*
sperrow config put saved.pack --no-reboot
check "config put --no-reboot: status 0, ending with the download message" \
  ended 0 contains "$OUT" "Download Success!"
check "config put restored the five files" sh -c \
  "for name in $CONFIG_FILES; do cmp -s store/\$name '$ROOT/data/modem/'\$name || exit 1; done"

# A setting.cfg whose PackFile names another file: the restore file goes, not that one.
rm -rf store/*
printf 'Password: pw\r\nPackFile: %s\r\n' "$ROOT/samples/sample.pack" > setting.cfg
sperrow config put saved.pack
check "config put with reboot: status 0, the status dialog" said 0 "Modem is now updating .....
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
check "send: status 0, the macro as cmdmacro, each file under its name on the modem" \
  ended 0 sh -c 'cmp -s store/cmdmacro macro.txt && cmp -s store/renamed.bin one.bin &&
         cmp -s store/two.bin two.bin'
head -c 9000 /dev/urandom > big.bin
rm -rf store/*
sperrow send --file big.bin
check "send: a file over 8K is refused with status 1, nothing reaching the modem" \
  ended 1 sh -c "[ -z \"\$(ls store)\" ]"

rm -rf store/*
sperrow remote-upgrade
check "remote-upgrade: status 0, the command macro written" \
  ended 0 is "$(hex store/cmdmacro)" "0d0a"

# --- upgrade (the whole countdown: config put above, verify below and json_test.sh) ---------
rm -rf store/*
sperrow upgrade "$ROOT/samples/sample.pack" --skip-criteria --no-wait
check "upgrade --no-wait: status 0, the first status line" said 0 "Modem is now updating ....."
check "upgrade --skip-criteria holds hw.cond back" sh -c "[ -f store/image ] && [ ! -e store/hw.cond ]"

printf 'PACK' > broken.pack
rm -rf store/*
sperrow upgrade broken.pack
check "upgrade of a malformed file: status 1, nothing written to the modem" \
  ended 1 sh -c "[ -z \"\$(ls store)\" ]"
sperrow upgrade no-such.pack
check "upgrade of a missing file: status 1 with the window's text" told 1 "Warning:
Cannot open file."

# --- verify ----------------------------------------------------------------------------------
# (A modem that rejected the image, or never came back: failures_test.sh and the unit tests.)
stop_modem
start_modem --reboot-seconds 1
sperrow upgrade --verify --verify-interval 1 "$ROOT/samples/sample.comp"
check "upgrade --verify after a reboot: status 0, the status lines, the versions" said 0 \
  "Modem is now updating .....
Modem Reboot
Update Complete
Verified: firmware 10402300 (was FW 3.0.8)"
check "upgrade --verify: the modem was silent" grep -q "rebooting: silent for 1 s" modem.log
stop_modem

# --- upgrade --target vxworks: the modem, in fetch mode, reads the image from our server ----
# ("LatestVersion" itself and the refusals before anything is served: the unit tests.)
mkdir images
cp "$ROOT/samples/sample.comp" images/
rm -rf store/*
SERVER_PORT=$(free_port)
start_modem --store "$WORK/store" --fetch-port "$SERVER_PORT"
sperrow --server-port "$SERVER_PORT" --listen 127.0.0.1 upgrade --target vxworks images/sample.comp
check "vxworks: status 0 once the modem has read the image whole" \
  ended 0 same_file store/sample.comp images/sample.comp
check "vxworks: the board request carried the password" is "$(hex store/RequestID)" "70770d0a"
# The address the modem is told to fetch from is the --listen one. (The modem cannot reach the
# server there, so the command is cut short once the file is written.)
rm -f images/LatestVersion
timeout 2 "$SPERROW" -m 127.0.0.1 --port "$MODEM_PORT" -p "$PW" --server-port "$SERVER_PORT" \
  --listen 127.0.0.2 upgrade --target vxworks images/sample.comp > out 2> err
check "LatestVersion: the --listen address" \
  is "$(sed -n 3p images/LatestVersion | tr -d '\r')" 127.0.0.2
stop_modem
finish
