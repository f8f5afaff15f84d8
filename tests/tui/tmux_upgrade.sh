#!/bin/sh
# The interactive window as a technician uses it, on a real terminal (tmux, 120 x 40): the
# simulated modem on loopback, `sperrow --port <its port>`, the password and the address
# typed, the bundled sample pack chosen through the open-file dialog, Download, "Update
# Complete", the dialog closed, and Esc ending the program with status 0. On the way: the
# notice of a terminal that is too small and the redraw after it is enlarged. Run inside
# the loopback-only namespace (tests/netns-run); every wait is bounded.
set -eu
BUILD=${SPERROW_BUILD:?SPERROW_BUILD names the build directory}
SOURCE=${SPERROW_SOURCE:?SPERROW_SOURCE names the source directory}
SPERROW=$BUILD/src/frontends/cli/sperrow
MODEM=$BUILD/src/modem/sperrow-modem
if [ ! -x "$SPERROW" ] || [ ! -x "$MODEM" ] || ! command -v tmux >/dev/null; then
    echo "skipped: needs sperrow, sperrow-modem and tmux" >&2
    exit 77
fi
. "$SOURCE/tests/tui/tmux_session.sh"

PORT=26969         # ours alone: the namespace is new
SERVER_PORT=26970  # the local server, on a port that needs no privileges
WORK=$(mktemp -d)
SOCK=sperrow-tui-$$
MODEM_PID=
cleanup() {
    tmux -L "$SOCK" kill-server 2>/dev/null || true
    if [ -n "$MODEM_PID" ]; then kill "$MODEM_PID" 2>/dev/null || true; wait "$MODEM_PID" 2>/dev/null || true; fi
    rm -rf "$WORK"
}
trap cleanup EXIT

mkdir "$WORK/samples"
cp "$SOURCE/samples/sample.pack" "$WORK/samples/"
"$MODEM" --listen 127.0.0.1 --port "$PORT" --password secret --data "$SOURCE/data/modem" \
    --completion-delay 3000 -q &
MODEM_PID=$!

tmux -L "$SOCK" -f /dev/null new-session -d -x 120 -y 40 -s run \
    "cd '$WORK' && '$SPERROW' --port $PORT --server-port $SERVER_PORT; echo \$? > '$WORK/status'; sleep 60"

wait_for "Password:" 10
capture_escapes | grep -q "$(printf '\033')\[[0-9;]*4[0-7]m" || { echo "no colours on a colour terminal" >&2; exit 1; }

# Too small, then enlarged again: the notice, then the window.
tmux -L "$SOCK" resize-window -t run -x 80 -y 24
wait_for "needs a terminal of at least" 10
tmux -L "$SOCK" resize-window -t run -x 120 -y 40
wait_for "Password:" 10

text secret
keys Tab
text 127.0.0.1
wait_for "127.  0.  0.  1" 5
# The browse button of "Image/Pack File:": the tab control, "E&xit", the check box, the
# path box, then "...".
keys Tab Tab Tab Tab Tab Space
wait_for "Look in:" 10
text samples
keys Enter
wait_for "sample.pack" 10
keys Enter
wait_gone "Look in:" 10

keys M-d
wait_for "Modem is now updating" 30
wait_for "Update Complete" 60
keys Enter
wait_gone "Modem upgrade status" 10
keys Escape
status=$(wait_status 10)
if [ "$status" != 0 ]; then
    echo "sperrow ended with status $status" >&2
    exit 1
fi
echo "tmux run: the window behaved"
