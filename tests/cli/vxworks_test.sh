#!/bin/sh
# `upgrade --target vxworks` against the simulated modem in fetch mode: the image's folder
# gets its "LatestVersion", the local server serves that folder, the board request is
# written, and the command ends once the modem has read the image whole. "LatestVersion"
# names the --listen address. (An incompatible board and a folder where "LatestVersion"
# cannot be written stop the plan before anything is served: the unit tests' business.)
# Usage: vxworks_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work

SERVER_PORT=$(free_port)
mkdir images store
cp "$ROOT/samples/sample.comp" images/

start_modem --fetch-port "$SERVER_PORT" --store "$WORK/store"
sperrow --server-port "$SERVER_PORT" --listen 127.0.0.1 upgrade --target vxworks images/sample.comp
check "vxworks upgrade: status 0 once the modem has read the image" status_is 0
check "vxworks upgrade: the modem read the image whole" same_file store/sample.comp images/sample.comp
check "vxworks upgrade: the modem fetched from the local server" grep -qi 'fetch.*sample.comp' modem.log
check "vxworks upgrade: the board request carried the password" is "$(hex store/RequestID)" "70770d0a"
# Four lines with CR LF: "99.0", the bare name, the host's address, the size.
lines=$(tr -d '\r' < images/LatestVersion)
check "LatestVersion: four lines, each ended by CR LF" \
  is "$(tr -cd '\r' < images/LatestVersion | wc -c)" 4
check "LatestVersion: version, name and size" \
  sh -c "printf '%s\n' \"\$1\" | sed -n '1p;2p;4p' | tr '\n' ' ' | grep -qx '99.0 sample.comp 40026 '" _ "$lines"
check "LatestVersion: a dotted IPv4 address" \
  sh -c "printf '%s\n' \"\$1\" | sed -n 3p | grep -Eqx '[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+'" _ "$lines"
stop_modem

# The address the modem is told to fetch from is the one the local server listens on. (The
# modem cannot reach the server there, so the command is cut short once the file is written.)
rm -f images/LatestVersion
start_modem
timeout 2 "$SPERROW" -m 127.0.0.1 --port "$MODEM_PORT" -p "$PW" --server-port "$SERVER_PORT" \
  --listen 127.0.0.2 upgrade --target vxworks images/sample.comp > out 2> err
check "LatestVersion: the --listen address" \
  is "$(sed -n 3p images/LatestVersion | tr -d '\r')" 127.0.0.2

stop_modem
finish
