#!/usr/bin/env bash
# tests/transcripts/resultsBeforeInput.sh - the results of -e lines reach a reader before hostsim
# waits for an answer on standard input: a program that drives hostsim through pipes reads a
# value, then writes the next answer.
#
# usage: resultsBeforeInput.sh HOSTSIM MODULE
set -u
hostsim=$1 module=$2
export LANG=C.UTF-8 LC_ALL=C.UTF-8
coproc session { "$hostsim" --module "$module" -e 1+2 -c CAL 2>/dev/null; }
# Once the coprocess has ended, bash closes its descriptors and unsets session and session_PID at
# a moment of its own: the rows work on copies taken at once, while hostsim still waits for CAL's
# answer, and bash's own descriptors are closed so that ours alone hold the pipes.
pid=$session_PID
exec {fromHostsim}<&"${session[0]}" {toHostsim}>&"${session[1]}"
exec {session[0]}<&- {session[1]}>&-
# Each row: the line hostsim must have printed, then what is typed after it ("" types nothing).
expected=("3" "6")
typed=("2*3" "")
failed=0
for i in "${!expected[@]}"; do
    if ! IFS= read -r -t 10 line <&"$fromHostsim"; then
        echo "row $i: nothing read within 10 s; expected ${expected[$i]}"
        failed=1
        break
    fi
    if [ "$line" != "${expected[$i]}" ]; then
        echo "row $i: read '$line', expected '${expected[$i]}'"
        failed=1
    fi
    [ -n "${typed[$i]}" ] && echo "${typed[$i]}" >&"$toHostsim"
done
# The end of input ends the session; a hostsim that hung would meet the test's time limit.
exec {toHostsim}>&- {fromHostsim}<&-
wait "$pid" 2>/dev/null
exit $failed
