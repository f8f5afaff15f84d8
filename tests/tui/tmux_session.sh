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

# wait_for TEXT SECONDS: until the pane shows TEXT; fails with the pane on stderr.
wait_for() {
    text=$1
    tries=$(($2 * 10))
    while [ "$tries" -gt 0 ]; do
        if tmux -L "$SOCK" capture-pane -p -t run 2>/dev/null | grep -qF -- "$text"; then
            return 0
        fi
        sleep 0.1
        tries=$((tries - 1))
    done
    echo "timed out waiting for: $text" >&2
    tmux -L "$SOCK" capture-pane -p -t run >&2 2>/dev/null || true
    return 1
}

# wait_gone TEXT SECONDS: until the pane no longer shows TEXT.
wait_gone() {
    text=$1
    tries=$(($2 * 10))
    while [ "$tries" -gt 0 ]; do
        if ! tmux -L "$SOCK" capture-pane -p -t run 2>/dev/null | grep -qF -- "$text"; then
            return 0
        fi
        sleep 0.1
        tries=$((tries - 1))
    done
    echo "timed out waiting for this to go: $text" >&2
    tmux -L "$SOCK" capture-pane -p -t run >&2 2>/dev/null || true
    return 1
}

# keys K...: send keys one at a time, as a person types them.
keys() {
    for k in "$@"; do
        tmux -L "$SOCK" send-keys -t run "$k"
        sleep 0.05
    done
}

# text STRING: type a string literally.
text() {
    tmux -L "$SOCK" send-keys -t run -l "$1"
    sleep 0.1
}

# wait_status SECONDS: until the program has ended and left its exit status in $WORK/status.
wait_status() {
    tries=$(($1 * 10))
    while [ "$tries" -gt 0 ]; do
        if [ -s "$WORK/status" ]; then
            cat "$WORK/status"
            return 0
        fi
        sleep 0.1
        tries=$((tries - 1))
    done
    echo "the program did not end" >&2
    return 1
}

capture() { tmux -L "$SOCK" capture-pane -p -t run; }
capture_escapes() { tmux -L "$SOCK" capture-pane -p -e -t run; }

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

# wait_lines FILE PATTERN COUNT SECONDS: until FILE has at least COUNT lines with PATTERN.
wait_lines() {
    tries=$(($4 * 10))
    while [ "$tries" -gt 0 ]; do
        [ "$(grep -c -- "$2" "$1" 2>/dev/null)" -ge "$3" ] && return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    echo "timed out waiting for $3 lines of \"$2\" in $1" >&2
    return 1
}
