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
# Each row: the line hostsim must have printed, then what is typed after it ("" types nothing).
expected=("3" "6")
typed=("2*3" "")
failed=0
for i in "${!expected[@]}"; do
    if ! IFS= read -r -t 10 line <&"${session[0]}"; then
        echo "row $i: nothing read within 10 s; expected ${expected[$i]}"
        failed=1
        break
    fi
    if [ "$line" != "${expected[$i]}" ]; then
        echo "row $i: read '$line', expected '${expected[$i]}'"
        failed=1
    fi
    [ -n "${typed[$i]}" ] && echo "${typed[$i]}" >&"${session[1]}"
done
exec {session[1]}>&-
kill "$session_PID" 2>/dev/null
wait "$session_PID" 2>/dev/null
exit $failed
