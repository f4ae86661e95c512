#!/usr/bin/env bash
# tests/hostsim/shell/terminalCompletion.sh - Tab in a real terminal: hostsim under tmux, the
# screen read back after each key until what is expected shows, within a bound.
#
# usage: terminalCompletion.sh HOSTSIM MODULE WORKDIR
# Exits 77 (skipped) when tmux is not installed.
set -u
hostsim=$1 module=$2 work=$3
command -v tmux > /dev/null || { echo "skipped: tmux is missing (make test installs it)"; exit 77; }
mkdir -p "$work/state"
socket=$work/tmux.socket
tmuxAt() { tmux -S "$socket" "$@"; }
trap 'tmuxAt kill-server 2> /dev/null' EXIT
tmuxAt kill-server 2> /dev/null

screen() { tmuxAt capture-pane -p -N -t help; }  # -N: trailing blanks kept
# Waits until the screen has a line matching the pattern (grep -E), for at most 20 s.
waitFor() {
    for _ in $(seq 400); do
        screen | grep -qE -- "$1" && return 0
        sleep 0.05
    done
    echo "FAILED: never saw /$1/ on the screen:"
    screen
    exit 1
}
keys() { tmuxAt send-keys -t help "$@"; }

tmuxAt -f /dev/null new-session -d -s help -x 100 -y 40 \
    env LANG=C.UTF-8 XDG_STATE_HOME="$work/state" TERM=xterm INPUTRC=/dev/null \
    "$hostsim" --module "$module"
waitFor '^Command: $'

keys 'FUNC' Tab                        # a command name
waitFor '^Command: FUNCTIONS $'
keys C-u '(cal "GETVAR(PICK' Tab       # a system variable inside (cal "...
waitFor '^Command: \(cal "GETVAR\(PICKBOX$'
keys ')")' Enter
waitFor '^3$'
keys '(cal "ROU' Tab                   # the string stays open: the call's arguments follow
waitFor '^Command: \(cal "ROUND\($'
keys '2.5)")' Enter
waitFor '^3$'
touch "$work/plan.svg"
keys "SVG $work/pl" Tab                # a file name: readline's word starts after the last '/'
waitFor "^Command: SVG $work/plan\.svg\$"
keys C-u
keys '(setq distance 7)' Enter
waitFor '^7$'
keys 'CAL' Enter
waitFor '^>> Expression: $'
keys 'VE' Tab Tab                      # nothing in common to add: the second Tab lists
waitFor 'VEC +VEC1 +VEE +VEE1'
keys 'C([0,0,0],[dista' Tab            # a Quillet variable at the module's prompt
waitFor '^>> Expression: VEC\(\[0,0,0\],\[DISTANCE$'
keys ',0,0])' Enter
waitFor '^\(7\.0 0\.0 0\.0\)'
keys 'QUIT' Enter
for _ in $(seq 200); do
    tmuxAt has-session -t help 2> /dev/null || { echo "passed"; exit 0; }
    sleep 0.05
done
echo "FAILED: hostsim did not end after QUIT"
exit 1
