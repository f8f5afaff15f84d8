#!/bin/sh
# A write through `sperrow serve` gains no rights. Run as nobody, the server replaces no file
# it could not open for writing, makes none where it may not write, and produces no setuid
# file. Run as root, it replaces a setuid file with a plain one of the same owner. (No name
# or link leading out of the root: the server's engine tests, with both ways of resolving.)
# Usage: serve_rights_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work
need tftp setpriv stat
NOBODY="setpriv --reuid=nobody --regid=nogroup --clear-groups"
[ "$(id -u)" = 0 ] && $NOBODY true 2>/dev/null || { echo "skip: cannot run as nobody here"; exit 77; }

chmod 755 "$WORK"
umask 022
mkdir -m 777 srv
mkdir -m 755 srv/locked
printf 'root owns it' > srv/owned.txt
printf 'setuid' > srv/setuid.bin && chmod 4755 srv/setuid.bin
printf 'anyone may' > srv/open.txt && chmod 666 srv/open.txt
printf 'uploaded' > payload

put() { timeout 10 tftp 127.0.0.1 "$SERVE_PORT" -m binary -c put payload "$1" 2>&1; }
told_no() { put "$1" | grep -q 'Access violation'; }
# "mode owner content" of a file.
state() { echo "$(stat -c '%a %U' "$1") $(cat "$1")"; }

SERVE_AS=$NOBODY start_serve --root srv --write
check "as nobody: a root-owned 0644 file is not replaced" told_no owned.txt
check "  and stays as it was" is "$(state srv/owned.txt)" "644 root root owns it"
check "as nobody: a root-owned setuid file is not replaced" told_no setuid.bin
check "  and stays as it was" is "$(state srv/setuid.bin)" "4755 root setuid"
check "as nobody: no file is made where nobody may not write" told_no locked/new.txt
check "  and there is none" test ! -e srv/locked/new.txt
put open.txt > /dev/null
check "as nobody: a file anyone may write is replaced, its mode kept" \
  is "$(state srv/open.txt)" "666 nobody uploaded"
put new.txt > /dev/null
check "as nobody: a new file is nobody's" is "$(state srv/new.txt)" "644 nobody uploaded"
stop_serve

start_serve --root srv --write
put setuid.bin > /dev/null
check "as root: a setuid file is replaced by a plain one of the same owner" \
  is "$(state srv/setuid.bin)" "755 root uploaded"
check "no setuid or setgid file anywhere in the root" is "$(find srv -perm /6000)" ""
stop_serve

finish
