#!/bin/sh
# The interactive window as a technician uses it, on a real terminal (tmux): at 80 x 24 an
# upgrade with Download pressed twice, then Esc and Yes during the image; in colour, Ctrl+C
# during the image; with NO_COLOR, no colour at all (README.md tells each step). Every
# datagram of the modem waits 40 ms, so that the image takes a few seconds. Run inside the
# loopback-only namespace (tests/netns-run); every wait is bounded.
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
tui_session sperrow-tui
fail() { echo "$1" >&2; capture >&2 || true; exit 1; }

mkdir "$WORK/samples"
cp "$SOURCE/samples/sample.pack" "$WORK/samples/"
LOG=$WORK/modem.log
"$MODEM" --listen 127.0.0.1 --port "$PORT" --password secret --data "$SOURCE/data/modem" \
    --completion-delay 2000 --delay 40 > "$LOG" 2>&1 &
MODEM_PID=$!
QUESTION="Quitting now may leave the modem in update mode. Quit anyway?"
ESC=$(printf '\033')

# Two upgrades in an 80 x 24 pane.
start_window 80 24 "'$SPERROW' --port $PORT --server-port $SERVER_PORT"
wait_for "Password:" 10
wait_for "the view follows the focus" 5
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
# "...", the two browse buttons of the disabled rows, then "&Download": pressed twice.
keys Tab Tab Tab Enter Enter
wait_for "An operation is in progress." 10
keys Enter
wait_gone "An operation is in progress." 10
wait_for "██████" 20  # the progress bar is in view beside the focused button
wait_for "Modem is now updating" 60
wait_for "Modem Reboot" 60
wait_for "Update Complete" 10
keys Enter
wait_gone "Modem upgrade status" 10
[ "$(grep -c 'write image: received 40012 bytes' "$LOG")" = 1 ] ||
    fail "the image did not arrive exactly once"

# Esc during the image; Yes: the program ends with status 1. (No, the default, and the
# upgrade going on: run_guard_test.)
keys Enter
wait_lines "$LOG" "write tftpupdt.beg" 2 30
keys Escape
wait_for "Quit anyway?" 10
capture > "$WORK/question"
keys y
status=$(wait_status 10)
[ "$status" = 1 ] || fail "quitting during a run ended with status $status"
grep -q "A transfer to the modem is in progress." "$WORK/question" || fail "no question on screen"
tr -s ' \n' ' ' < "$WORK/question" | grep -qF "$QUESTION" || fail "the question's text differs"
# The modem is left in update mode: wait for it to give the transfer up before the next.
wait_lines "$LOG" "abandoned" 1 30

echo "tmux run at 80 x 24: the window behaved"

# Ctrl+C during the image ends the program at once (130); once the screen is restored it says
# what was cut short and that the modem may be left in update mode.
printf 'PackFile: samples/sample.pack\n' > "$WORK/setting.cfg"
start_window 120 40 "'$SPERROW' --port $PORT --server-port $SERVER_PORT -m 127.0.0.1 -p secret 2> stderr"
wait_for "Password:" 10
capture_escapes | grep -q "$ESC\[[0-9;]*4[0-7]m" || fail "no colours on a colour terminal"
begun=$(grep -c "write tftpupdt.beg" "$LOG")
keys M-d
wait_lines "$LOG" "write tftpupdt.beg" $((begun + 1)) 30
sleep 1  # the image takes some seconds with the modem's delay
keys C-c
status=$(wait_status 10)
[ "$status" = 130 ] || fail "Ctrl+C during a run ended with status $status"
grep -q "^Interrupted: sending the image, image: [0-9]* of 79 blocks.$" "$WORK/stderr" &&
    grep -qx "The modem may be left in update mode: run the upgrade again." "$WORK/stderr" ||
    fail "Ctrl+C did not say what it cut short: $(cat "$WORK/stderr")"
echo "tmux run: Ctrl+C during the image said what it interrupted"

# NO_COLOR: attributes only (reverse video for the caption); Esc then "x" presses "E&xit".
start_window 100 36 "NO_COLOR=1 '$SPERROW' --no-server -m 127.0.0.1"
wait_for "Password:" 10
capture_escapes | grep -q "$ESC\[[0-9;]*[34][0-7]m" && fail "colours drawn despite NO_COLOR"
capture_escapes | grep -q "$ESC\[[0-9;]*7m" || fail "no reverse video for the caption"
keys Escape x
status=$(wait_status 10)
[ "$status" = 0 ] || fail "Esc x ended the window with status $status"
echo "tmux run: without colours the window behaved"
