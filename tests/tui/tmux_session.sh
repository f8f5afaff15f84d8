# Helpers for driving the interactive window under tmux; sourced by the scripts here and by
# scripts/capture_screens.sh. Every wait is bounded. `tui_session NAME` sets WORK (a scratch
# folder), SOCK (a tmux socket name of the caller's own) and the clean-up on exit, which also
# ends the modem whose pid the caller puts in MODEM_PID.
tui_session() {
    WORK=$(mktemp -d)
    SOCK=$1-$$
    MODEM_PID=
    trap tui_cleanup EXIT
}
tui_cleanup() {
    tmux -L "$SOCK" kill-server 2>/dev/null || true
    if [ -n "$MODEM_PID" ]; then kill "$MODEM_PID" 2>/dev/null || true; wait "$MODEM_PID" 2>/dev/null || true; fi
    rm -rf "$WORK"
}

capture() { tmux -L "$SOCK" capture-pane -p -t run; }
capture_escapes() { tmux -L "$SOCK" capture-pane -p -e -t run; }

# within SECONDS COMMAND...: until COMMAND succeeds, tried ten times a second.
within() {
    tries=$(($1 * 10))
    shift
    until "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}
shows() { capture 2>/dev/null | grep -qF -- "$1"; }
lacks_text() { ! shows "$1"; }
has_lines() { [ "$(grep -c -- "$2" "$1" 2>/dev/null)" -ge "$3" ]; }

# wait_for TEXT SECONDS, wait_gone TEXT SECONDS: until the pane shows TEXT, or no longer does;
# on a time-out the pane goes to stderr.
wait_for() { within "$2" shows "$1" || { pane_timeout "$1"; return 1; }; }
wait_gone() { within "$2" lacks_text "$1" || { pane_timeout "this to go: $1"; return 1; }; }
pane_timeout() { echo "timed out waiting for: $1" >&2; capture >&2 2>/dev/null || true; }

# wait_lines FILE PATTERN COUNT SECONDS: until FILE has at least COUNT lines with PATTERN.
wait_lines() {
    within "$4" has_lines "$1" "$2" "$3" ||
        { echo "timed out waiting for $3 lines of \"$2\" in $1" >&2; return 1; }
}

# wait_status SECONDS: until the program has ended; prints the exit status it left.
wait_status() {
    within "$1" test -s "$WORK/status" || { echo "the program did not end" >&2; return 1; }
    cat "$WORK/status"
}

# keys K...: send keys one at a time, as a person types them; text STRING: type it literally.
keys() {
    for k in "$@"; do
        tmux -L "$SOCK" send-keys -t run "$k"
        sleep 0.05
    done
}
text() {
    tmux -L "$SOCK" send-keys -t run -l "$1"
    sleep 0.1
}

# click TEXT: a left click on the first place the pane shows TEXT, as the terminal reports
# it (X10 mouse encoding; the window asks the terminal for mouse reports).
click() {
    line=$(capture | grep -n -m1 -F -- "$1") || { echo "nothing on screen reads: $1" >&2; return 1; }
    row=$((${line%%:*} - 1))
    rest=${line#*:}
    prefix=${rest%%"$1"*}
    col=$(printf %s "$prefix" | LC_ALL=C.UTF-8 wc -m)
    seq=$(printf '\033[M %b%b' "$(printf '\\%03o' $((col + 33)))" "$(printf '\\%03o' $((row + 33)))")
    tmux -L "$SOCK" send-keys -t run -l "$seq"
    sleep 0.1
}

# start_window WIDTH HEIGHT COMMAND: runs COMMAND (in $WORK) in a fresh pane of that size,
# on a tmux server of its own (a new one on the old socket could meet the old one exiting);
# its exit status lands in $WORK/status.
WINDOWS=0
start_window() {
    rm -f "$WORK/status"
    tmux -L "$SOCK" kill-server 2>/dev/null || true
    WINDOWS=$((WINDOWS + 1))
    SOCK=${SOCK%-w*}-w$WINDOWS
    tmux -L "$SOCK" -f /dev/null new-session -d -x "$1" -y "$2" -s run \
        "cd '$WORK' && $3; echo \$? > '$WORK/status'; sleep 60"
}
