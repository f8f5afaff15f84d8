#!/bin/sh
# Captures the interactive window's screens into docs/screens/ with tmux capture-pane, so a
# reader sees what the program looks like: run it inside the loopback-only namespace,
#   tests/netns-run sh scripts/capture_screens.sh <build dir>
# The simulated modem listens on 127.0.0.1; the window is pointed at it with -m.
set -eu
SOURCE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-${SPERROW_BUILD:-$SOURCE/build}}
SPERROW=$BUILD/src/frontends/cli/sperrow
MODEM=$BUILD/src/modem/sperrow-modem
OUT=$SOURCE/docs/screens
[ -x "$SPERROW" ] && [ -x "$MODEM" ] || { echo "build sperrow and sperrow-modem first" >&2; exit 1; }
. "$SOURCE/tests/tui/tmux_session.sh"

PORT=26969
tui_session sperrow-screens
mkdir -p "$OUT" "$WORK/samples"
cp "$SOURCE/samples/sample.pack" "$WORK/samples/"
"$MODEM" --listen 127.0.0.1 --port "$PORT" --password secret --data "$SOURCE/data/modem" \
    --completion-delay 6000 -q &
MODEM_PID=$!

# save NAME: the pane as plain text, trailing blanks removed.
save() { capture | sed 's/[[:space:]]*$//' > "$OUT/$1.txt"; }

start() {
    rm -f "$WORK/status"
    tmux -u -L "$SOCK" -f /dev/null new-session -d -x 95 -y 34 -s run \
        "cd '$WORK' && LANG=C.UTF-8 '$SPERROW' $* --port $PORT --no-server -m 127.0.0.1; echo \$? > '$WORK/status'; sleep 30"
    wait_for "Password:" 10
}
stop() {
    keys Escape Escape
    wait_status 10 >/dev/null
    tmux -L "$SOCK" kill-server 2>/dev/null || true
}

start
save main-window
text secret
# The browse button: address, tab control, "E&xit", check box, path box, then "...".
keys Tab Tab Tab Tab Tab Tab Space
wait_for "Look in:" 10
text samples
keys Enter
wait_for "sample.pack" 10
save open-file-dialog
keys Enter
wait_gone "Look in:" 10
keys M-d
wait_for "Modem is now updating" 30
wait_for " 33 " 30
save upgrade-status-counting
wait_for "Update Complete" 60
save upgrade-status-complete
keys Enter
wait_gone "Modem upgrade status" 10
keys F10
wait_for "About Brevik..." 10
save system-menu
keys Up Enter
wait_for "Maintenance tool" 10
save about-box
keys Enter
stop

start --expert
text secret
keys Tab Tab
save expert-upgrade
for page in configuration server download-files; do
    keys Right
    sleep 0.3
    save "expert-$page"
done
keys Left Left Left
wait_for "Modem Info" 5
keys Tab
text 127.0.0.1
click "Modem Info"
wait_for "Hardware Profile" 30
save modem-information
keys Enter
stop

# A terminal of 80 x 24: the view follows the focus. A second modem whose datagrams wait
# 40 ms each keeps the image on its way long enough to show the question of Esc.
SLOW_PORT=26971
"$MODEM" --listen 127.0.0.1 --port "$SLOW_PORT" --password secret --data "$SOURCE/data/modem" \
    --completion-delay 2000 --delay 40 -q &
SLOW_PID=$!
tmux -u -L "$SOCK" -f /dev/null new-session -d -x 80 -y 24 -s run \
    "cd '$WORK' && LANG=C.UTF-8 '$SPERROW' --port $SLOW_PORT --no-server -m 127.0.0.1; echo \$? > '$WORK/status'; sleep 30"
wait_for "Password:" 10
save small-terminal
text secret
# To the path box, then past "..." and the two disabled rows' buttons to "&Download".
keys Tab Tab Tab Tab Tab
text samples/sample.pack
keys Tab Tab Tab Tab Enter Enter
wait_for "An operation is in progress." 10
save small-terminal-second-download
keys Enter
wait_gone "An operation is in progress." 10
keys Escape
wait_for "Quit anyway?" 10
save small-terminal-quit-question
keys Enter
wait_for "Update Complete" 60
save small-terminal-upgrade-status
keys Enter Escape
wait_status 10 >/dev/null
kill "$SLOW_PID" 2>/dev/null || true
wait "$SLOW_PID" 2>/dev/null || true
echo "screens written to $OUT"
