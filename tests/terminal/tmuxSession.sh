#!/usr/bin/env bash
# tests/terminal/tmuxSession.sh - drives a program on a terminal of its own, through tmux.
#
# usage: tmuxSession.sh NAME start COMMAND [ARG]...     starts COMMAND on an 80x24 terminal
#        tmuxSession.sh NAME type TEXT                   types TEXT as it stands (no Enter)
#        tmuxSession.sh NAME keys KEY...                 presses keys named as tmux does: C-c, Up
#        tmuxSession.sh NAME waitFor REGEX [SECONDS]     waits until a line matches REGEX (grep -E)
#        tmuxSession.sh NAME waitForLast REGEX [SECONDS] the same for the last line not blank
#        tmuxSession.sh NAME waitExit [SECONDS]          waits until COMMAND ends; prints its status
#        tmuxSession.sh NAME screen                      prints the screen, with lines scrolled off
#        tmuxSession.sh NAME stop                        ends the terminal and its tmux server
#
# NAME picks a tmux server of its own, so tests run side by side: make it unique to the test run.
# COMMAND gets the caller's environment (set LANG, HOME, XDG_STATE_HOME, INPUTRC before start)
# with TERM=screen. Lines are read without their trailing blanks: the prompt "Command: " reads
# "Command:". The waits poll every 50 ms for at most SECONDS (default 10); one that runs out
# prints why and the screen on standard error, and fails. The terminal stays after COMMAND ends;
# stop removes it.
set -u
command -v tmux > /dev/null || { echo "tmuxSession: tmux is not installed" >&2; exit 2; }
name=$1 action=$2
shift 2
tmuxCommand() { tmux -L "$name" -f /dev/null "$@"; }
statusFile=${TMPDIR:-/tmp}/tmuxSession.$name.status

screenText() { tmuxCommand capture-pane -p -S - -t "$name"; }  # with the lines scrolled off
lastLine() { screenText | grep -v '^ *$' | tail -n 1; }

# Calls the test named in $1 every 50 ms until it succeeds or $2 seconds pass.
pollUntil() {
    local test=$1 seconds=$2 tries
    tries=$((seconds * 20))
    while ((tries-- > 0)); do
        "$test" && return 0
        sleep 0.05
    done
    return 1
}

# pollUntil, and on failure the reason and the screen on standard error, and status 1.
waitUntil() {
    pollUntil "$1" "$2" && return 0
    { echo "tmuxSession: $3 in $2 s; the screen:"; screenText; } >&2
    exit 1
}

case $action in
start)
    # The command gets the caller's environment, but for the terminal's own variables: tmux's
    # server, once started, would otherwise lend it the environment it was started with.
    envArgs=(TERM=screen)
    while IFS= read -r -d '' variable; do
        case $variable in TERM=* | TMUX=* | TMUX_PANE=*) ;; *) envArgs+=("$variable") ;; esac
    done < <(env -0)
    rm -f "$statusFile"
    # A shell around the command writes its status: tmux, when busy, may leave a finished
    # command unreaped for seconds. The shell catches Ctrl-C (a caught signal is reset for the
    # command it starts, an ignored one would not be), so the command alone decides about it.
    tmuxCommand set-option -g remain-on-exit on \; \
        new-session -d -s "$name" -x 80 -y 24 env -i "${envArgs[@]}" \
        sh -c 'trap : INT QUIT; "$@"; echo $? > "$0"' "$statusFile" "$@" || exit 1
    ;;
type)
    tmuxCommand send-keys -t "$name" -l "$1"
    ;;
keys)
    tmuxCommand send-keys -t "$name" "$@"
    ;;
waitFor)
    pattern=$1
    screenMatches() { screenText | grep -Eq -- "$pattern"; }
    waitUntil screenMatches "${2:-10}" "no screen line matched /$pattern/"
    ;;
waitForLast)
    pattern=$1
    lastMatches() { lastLine | grep -Eq -- "$pattern"; }
    waitUntil lastMatches "${2:-10}" "the last line did not match /$pattern/"
    ;;
waitExit)
    exited() { [ -s "$statusFile" ]; }
    waitUntil exited "${1:-10}" "the program still runs"
    cat "$statusFile"
    ;;
screen)
    screenText
    ;;
stop)
    tmuxCommand kill-server 2> /dev/null
    rm -f "$statusFile"
    ;;
*)
    echo "tmuxSession: unknown action $action" >&2
    exit 2
    ;;
esac
