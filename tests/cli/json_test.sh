#!/bin/sh
# Every command's --json output, serve's lines, the --json-events lines and a fleet run's
# array, against the schemas of docs/json/ (python3-jsonschema), on success and on failure;
# and what the JSON says is what happened.
# Usage: json_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work

# Debian's python3 holds python3-jsonschema; another python3 first on the PATH may not.
PYTHON=python3
/usr/bin/python3 -c 'import jsonschema' 2>/dev/null && PYTHON=/usr/bin/python3
$PYTHON -c 'import jsonschema' 2>/dev/null || { echo "skip: python3-jsonschema is not installed"; exit 77; }
# valid SCHEMA FILE [--lines [--last SCHEMA]]
valid() { $PYTHON "$ROOT/tests/cli/validate_json.py" "$ROOT/docs/json" "$@"; }
# The value at a path of the JSON document in FILE ("status", "files.2.name", "0.error").
value() {  # value FILE PATH
  $PYTHON -c 'import json, sys
v = json.load(open(sys.argv[1]))
for key in sys.argv[2].split(".") if sys.argv[2] else []:
    v = v[int(key)] if isinstance(v, list) else v[key]
print(v if isinstance(v, str) else json.dumps(v))' "$1" "$2"
}
# json_run NAME STATUS ARGS...: sperrow --json ARGS, ending with STATUS; stdout in NAME.json,
# stderr in NAME.err.
json_run() {
  name=$1 want=$2; shift 2
  sperrow --json "$@"
  cp "$WORK/out" "$WORK/$name.json"; cp "$WORK/err" "$WORK/$name.err"
  check "$name: status $want, the object fitting its schema" \
    ended "$want" valid command.schema.json "$name.json"
  check "$name: its status is the exit status ($RC)" is "$(value "$name.json" status)" "$RC"
}

mkdir store
start_modem --store "$WORK/store"

json_run upgrade 0 -q --json-events upgrade "$ROOT/samples/sample.pack"
check "upgrade: every stderr line is an event that fits its schema" \
  valid event.schema.json upgrade.err --lines
check "upgrade: the image's bytes are the modem's" \
  is "$(value upgrade.json files.2.name) $(value upgrade.json files.2.bytes)" "image $(wc -c < store/image)"
check "upgrade: the status lines are its messages" \
  is "$(value upgrade.json messages)" '["Modem is now updating .....", "Modem Reboot", "Update Complete"]'

json_run info 0 info
check "info: the keys of before, with the modem's values" \
  is "$(value info.json productId) $(value info.json hardwareProfile.5)" "SIM-ADSL2-4P Annex: A"

json_run config-get 0 config get -o '{modem}.pack'
check "config get: the pack named after the modem" test -s 127.0.0.1.pack
json_run config-put 0 config put 127.0.0.1.pack --no-reboot
printf 'dns\n' > dns.conf
json_run send 0 send --file dns.conf:resolve
check "send: the file sent, by its name on the modem" is "$(value send.json files.1.name)" resolve
json_run remote-upgrade 0 remote-upgrade
json_run describe 0 describe "$ROOT/samples/sample.pack"
check "describe: no modem" is "$(value describe.json modem)" null
printf 'PACK' > cut.pack
json_run describe-cut 1 describe cut.pack
json_run interfaces 0 interfaces
check "interfaces: the namespace's loopback" is "$(value interfaces.json interfaces.0.address)" 127.0.0.1
stop_modem

# A stop while the update bracket is open: the JSON keeps the whole stop message.
start_modem --error image="Server already in update mode"
json_run stopped 1 upgrade "$ROOT/samples/sample.comp"
check "stopped upgrade: the stop message with the update-mode line" \
  is "$(value stopped.json error)" "Error:
image not sent: Server already in update mode
The modem may be left in update mode: run the upgrade again."
stop_modem

start_modem --reboot-seconds 1
json_run verify 0 upgrade --verify --verify-interval 1 "$ROOT/samples/sample.comp"
check "upgrade --verify: the versions" \
  is "$(value verify.json firmware.outcome) $(value verify.json firmware.after)" "verified 10402300"
stop_modem

SERVER_PORT=$(free_port)
mkdir images
cp "$ROOT/samples/sample.comp" images/
start_modem --fetch-port "$SERVER_PORT"
json_run vxworks 0 --server-port "$SERVER_PORT" --listen 127.0.0.1 upgrade --target vxworks \
  images/sample.comp
check "vxworks: the modem's read of the image is a file of the run" \
  is "$(value vxworks.json files.-1.name) $(value vxworks.json files.-1.direction) $(value vxworks.json files.-1.bytes)" \
  "sample.comp read 40026"
stop_modem

# serve: a line a transfer, then its object once stopped.
start_serve --root images --json
printf x > empty
client_get curl sample.comp got.comp
client_get tftp-hpa missing.bin got.missing
wait_for_lines 2 '"direction"'
stop_serve TERM
check "serve: status 0" is "$RC" 0
check "serve: its banner goes to stderr" grep -q '^Serving ' serve.err
check "serve: two transfer lines and its object, each fitting its schema" \
  valid serve-transfer.schema.json serve.out --lines --last command.schema.json
check "serve: a line says which file went whole" grep -q '"name":"sample.comp","bytes":40026,' serve.out

# A fleet: two modems, one told the wrong password.
MODEM_PORT=$(free_port)
start_modems "$MODEM_PORT" "127.0.0.11 127.0.0.12"
printf '127.0.0.11\twrong\n127.0.0.12\n' > modems  # the status is the worst, not the last
timeout 90 "$SPERROW" --modems modems --port "$MODEM_PORT" -p "$PW" --json info > fleet.json 2> fleet.err
RC=$?
check "fleet: status 1 (one modem failed)" is "$RC" 1
check "fleet: the array fits its schema" valid fleet.schema.json fleet.json
check "fleet: the first modem's object says why" \
  is "$(value fleet.json 0.modem) $(value fleet.json 0.status) $(value fleet.json 0.error)" \
  "127.0.0.11 1 Wrong password"
check "fleet: the table on stderr says which" grep -q '^127.0.0.11 .*status 1: Wrong password' fleet.err

finish
