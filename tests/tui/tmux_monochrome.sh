#!/bin/sh
# With NO_COLOR set, the window is drawn without a single colour: attributes only. Esc then
# "x" presses "E&xit". Run inside the loopback-only namespace; every wait is bounded.
set -eu
BUILD=${SPERROW_BUILD:?SPERROW_BUILD names the build directory}
SOURCE=${SPERROW_SOURCE:?SPERROW_SOURCE names the source directory}
SPERROW=$BUILD/src/frontends/cli/sperrow
if [ ! -x "$SPERROW" ] || ! command -v tmux >/dev/null; then
    echo "skipped: needs sperrow and tmux" >&2
    exit 77
fi
. "$SOURCE/tests/tui/tmux_session.sh"

tui_session sperrow-tui-mono

tmux -L "$SOCK" -f /dev/null new-session -d -x 100 -y 36 -s run \
    "cd '$WORK' && NO_COLOR=1 '$SPERROW' --no-server -m 127.0.0.1; echo \$? > '$WORK/status'; sleep 60"
wait_for "Password:" 10
if capture_escapes | grep -q "$(printf '\033')\[[0-9;]*[34][0-7]m"; then
    echo "colours drawn although NO_COLOR is set" >&2
    capture_escapes | head -5 | cat -v >&2
    exit 1
fi
capture_escapes | grep -q "$(printf '\033')\[[0-9;]*7m" || { echo "no reverse video for the caption" >&2; exit 1; }
keys Escape x
status=$(wait_status 10)
[ "$status" = 0 ] || { echo "sperrow ended with status $status" >&2; exit 1; }
echo "tmux run: the window behaved"
