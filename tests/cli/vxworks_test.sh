#!/bin/sh
# `upgrade --target vxworks` against the simulated modem in fetch mode: the image's folder
# gets its "LatestVersion", the local server serves that folder, the board request is
# written, and the command ends once the modem has read the image whole. An incompatible
# board ends it at once, with nothing served. "LatestVersion" names the --listen address;
# a folder where it cannot be written stops the plan before the board request.
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

rm -rf store/* images/LatestVersion
start_modem --fetch-port "$SERVER_PORT" --store "$WORK/store" --board OTHER-BOARD-7
sperrow --server-port "$SERVER_PORT" --listen 127.0.0.1 upgrade --target vxworks images/sample.comp
check "incompatible board: status 1" status_is 1
check "incompatible board: named on stderr" is "$ERR" "Not compatible board: OTHER-BOARD-7"
check "incompatible board: nothing was served or fetched" \
  sh -c "[ ! -e store/sample.comp ] && [ ! -e store/LatestVersion ] && ! grep -qi 'fetch' modem.log"
stop_modem

# The address the modem is told to fetch from is the one the local server listens on. (The
# modem cannot reach the server there, so the command is cut short once the file is written.)
rm -f images/LatestVersion
start_modem
timeout 5 "$SPERROW" -m 127.0.0.1 --port "$MODEM_PORT" -p "$PW" --server-port "$SERVER_PORT" \
  --listen 127.0.0.2 upgrade --target vxworks images/sample.comp > out 2> err
check "LatestVersion: the --listen address" \
  is "$(sed -n 3p images/LatestVersion | tr -d '\r')" 127.0.0.2

# A read-only firmware folder holding the "LatestVersion" of an older image: the new one's
# cannot be written, so the modem must not be asked for its board at all. Root writes into
# a folder whatever its modes say, so the folder is bound read-only over itself in a mount
# namespace of the command's own.
read_only() {
  unshare --mount --propagation private sh -c \
    'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && exec "$@"' "$@"
}
mkdir ro
cp "$ROOT/samples/sample.comp" ro/new.comp
printf '99.0\r\nold.comp\r\n127.0.0.1\r\n100\r\n' > ro/LatestVersion
cp ro/LatestVersion old-latest
if read_only ro sh -c '! touch ro/probe' 2>/dev/null; then
  stop_modem
  rm -rf store/*
  start_modem --fetch-port "$SERVER_PORT" --store "$WORK/store"
  read_only ro timeout 90 "$SPERROW" -m 127.0.0.1 --port "$MODEM_PORT" -p "$PW" --retry 10 \
    --server-port "$SERVER_PORT" --listen 127.0.0.1 upgrade --target vxworks ro/new.comp \
    > out 2> err
  RC=$? ERR=$(cat err)
  check "read-only folder: status 1" status_is 1
  check "read-only folder: a stop message says why" \
    is "$ERR" "Error:
Cannot write the LatestVersion file."
  check "read-only folder: no board request, nothing fetched" \
    sh -c '[ -z "$(ls store)" ] && ! grep -Eq "RequestID|fetch" modem.log'
  check "read-only folder: the old LatestVersion untouched" same_file ro/LatestVersion old-latest
else
  echo "skip: no read-only bind mount can be made here"
fi
stop_modem

"$SPERROW" interfaces > out 2> err
check "interfaces: the namespace's loopback with its address" \
  is "$(cat out)" "lo  127.0.0.1        up, loopback"

finish
