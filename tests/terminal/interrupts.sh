#!/usr/bin/env bash
# tests/terminal/interrupts.sh - Ctrl-C cancels the prompt it meets, or a long pick under way, on
# a terminal and on a pipe, and never the session; Ctrl-D at an empty Command: ends it with
# status 0.
#
# usage: interrupts.sh HOSTSIM MODULE WORKDIR
set -u
hostsim=$1 module=$2 work=$3
session=$(dirname "$0")/tmuxSession.sh
rm -rf "$work" && mkdir -p "$work" || exit 1
# slowPicks.dxf: a pick box over all of it takes seconds (10 at most); Ctrl-C must end it at once
/usr/bin/python3 "$(dirname "$0")/../transcripts/makeCostlyDrawings.py" "$work" || exit 1
slowPick=('(setvar "APERTURE" 5000)' '(cal "NEA")' '20,10')
quickly=3  # seconds from Ctrl-C to the prompt: a fraction of one on an idle machine
export LANG=C.UTF-8 HOME=$work XDG_STATE_HOME=$work/state INPUTRC=/dev/null
name=vectrinInterrupts$$
trap '"$session" $name stop' EXIT

# On a terminal, plain and beside a served page: each row is a tmux action; the session must pass
# every wait in turn. A key is pressed only once the screen shows what came before it, as a
# person would see it.
steps=(
    "waitForLast ^Command:$"
    # the result first: until the line is read, the prompt before it also ends the screen
    "type (setq B 4242)" "keys Enter" "waitFor ^4242$" "waitForLast ^Command:$"
    # at Command: the line typed is dropped and the prompt comes again
    "type A=1" "waitForLast ^Command: A=1$" "keys C-c" "waitFor ^Command: A=1\^C$"
    "waitForLast ^Command:$"
    # at the expression prompt: as *cancel*, back to Command:
    "type CAL" "keys Enter" "waitForLast Expression:$" "type 1+" "waitForLast Expression: 1\+$"
    "keys C-c" "waitForLast ^Command:$"
    # at a pick and at a point prompt: the function gives nil
    "type (cal \"RAD\")" "keys Enter" "waitForLast radius:$" "keys C-c" "waitForLast ^Command:$"
    "type (cal \"CUR\")" "keys Enter" "waitForLast point:$" "keys C-c" "waitForLast ^Command:$"
    # during a long pick: the pick stops, the function gives nil
    "type ${slowPick[0]}" "keys Enter" "waitForLast ^Command:$"
    "type ${slowPick[1]}" "keys Enter" "waitForLast NEA:$" "type ${slowPick[2]}" "keys Enter"
    "waitForLast NEA: ${slowPick[2]}$" "pause 0.5" "keys C-c" "waitForLast ^Command:$ $quickly"
    "waitFor ^nil$"
    # the variable, the module and its state are all still there
    "type (cal \"B*2\")" "keys Enter" "waitFor ^8484$" "waitForLast ^Command:$"
    "keys C-d"
)
history=$work/state/vectrin/history
for mode in plain --serve; do
    rm -f "$history"
    "$session" $name stop
    "$session" $name start "$hostsim" --module "$module" --drawing "$work/slowPicks.dxf" \
        ${mode#plain} || exit 1
    for step in "${steps[@]}"; do
        read -r action argument <<< "$step"
        if [ "$action" = pause ]; then
            sleep "$argument"
            continue
        fi
        seconds=()  # a wait's time limit, when the step ends with one
        if [[ $action == wait* && $argument =~ ^(.*)\ ([0-9]+)$ ]]; then
            argument=${BASH_REMATCH[1]} seconds=("${BASH_REMATCH[2]}")
        fi
        if ! "$session" $name "$action" "$argument" "${seconds[@]}"; then
            echo "interrupts: on a terminal ($mode), the step \"$step\" failed"
            exit 1
        fi
    done
    status=$("$session" $name waitExit) || exit 1
    [ "$status" = 0 ] || { echo "interrupts: Ctrl-D ($mode) ended it with status $status"; exit 1; }
    if [ "$(wc -l < "$history")" != 7 ]; then
        echo "interrupts: ($mode) the history should hold the 7 command lines not cancelled" \
             "(no pick's answer), not:"
        cat "$history"
        exit 1
    fi
done

# On a pipe: Ctrl-C from the terminal reaches hostsim as SIGINT while it waits for a line, and
# while a pick runs. (set -m: a script's background job would otherwise start with SIGINT
# ignored, as it should stay)
mkfifo "$work/in" || exit 1
set -m
"$hostsim" --module "$module" --drawing "$work/slowPicks.dxf" < "$work/in" > "$work/out" 2>&1 &
pid=$!
exec 3> "$work/in"
# Waits until COUNT lines of the output match REGEX.
waitForOutput() {
    local tries=200
    while ((tries-- > 0)); do
        [ "$(grep -Ec -- "$1" "$work/out")" -ge "$2" ] && return 0
        sleep 0.05
    done
    echo "interrupts: on a pipe, fewer than $2 lines match /$1/; the output:"
    cat "$work/out"
    exit 1
}
printf '(setq B 4242)\nCAL\n' >&3
waitForOutput "^>> Expression: $" 1
kill -INT $pid
waitForOutput "^Command: $" 1
kill -INT $pid
waitForOutput "^Command: \^C$" 1
printf '%s\n' "${slowPick[@]}" >&3
waitForOutput "NEA: ${slowPick[2]}$" 1
sleep 0.5
interrupted=$(date +%s%N)
kill -INT $pid
waitForOutput "^nil$" 1
elapsed=$((($(date +%s%N) - interrupted) / 1000000))
if ((elapsed > quickly * 1000)); then
    echo "interrupts: on a pipe, the pick ended $elapsed ms after Ctrl-C"
    exit 1
fi
printf '(cal "B*2")\n' >&3
waitForOutput "^8484$" 1
# while a command runs outside a read and a pick: LOAD waits to open a FIFO
mkfifo "$work/fifo.so" || exit 1
printf 'LOAD %s\n' "$work/fifo.so" >&3
tries=200
until [ "$(cat /proc/$pid/wchan 2> /dev/null)" = wait_for_partner ] || ((tries-- == 0)); do
    sleep 0.05
done
kill -INT $pid
waitForOutput "Interrupted system call$" 1
printf '!B\n' >&3
exec 3>&-
wait $pid
status=$?
expected='Command: (setq B 4242)
4242
Command: CAL

>> Expression: ^C
Command: ^C
Command: (setvar "APERTURE" 5000)
5000
Command: (cal "NEA")

>> Select an object for the snap mode NEA: 20,10
^C
nil
Command: (cal "B*2")
8484
Command: LOAD '"$work"'/fifo.so
hostsim: cannot load module '"$work/fifo.so: $work"'/fifo.so: cannot open shared object file: Interrupted system call
Command: !B
4242
Command: '
if [ "$status" != 0 ] || [ "$(cat "$work/out")" != "$expected" ]; then
    echo "interrupts: on a pipe, status $status and the output:"
    cat "$work/out"
    exit 1
fi
