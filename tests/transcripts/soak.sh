#!/usr/bin/env bash
# tests/transcripts/soak.sh - a thousand evaluations with the module unloaded and loaded again
# every hundred, under valgrind when it is given (a plain build always gives it), and every value
# checked.
#
# usage: soak.sh HOSTSIM MODULE WORKDIR [valgrind ...]
set -u
hostsim=$1 module=$2 work=$3
shift 3
# CMake passes VALGRIND-NOTFOUND when it found none: fail, never soak unchecked.
if [ $# -gt 0 ] && ! command -v "$1" > /dev/null; then
    echo "soak: $1: install valgrind (bash scripts/install-deps.sh), then configure again"
    exit 1
fi
mkdir -p "$work"
export LANG=C.UTF-8 LC_ALL=C.UTF-8 XDG_STATE_HOME=$work/state  # English, whatever the machine's
unset LANGUAGE
script=$work/soak.script
expected=$work/soak.expected
: > "$script"
: > "$expected"
for round in $(seq 0 9); do
    for i in $(seq 1 100); do
        n=$((round * 100 + i))
        case $((n % 4)) in
            0) echo "(cal \"V=$n+0.5\")" >> "$script"; echo "$n.5" >> "$expected" ;;
            1) echo "(cal \"[$n,1,2]*2\")" >> "$script"; echo "($((2 * n)).0 2.0 4.0)" >> "$expected" ;;
            2) echo "(cal \"V+1\")" >> "$script"; echo "$((n - 1)).5" >> "$expected"
               [ "$n" -lt 4 ] && sed -i '$ d' "$script" "$expected" ;;
            3) echo "(cal \"$n/0\")" >> "$script"; printf '\n*** vectrin error: Division by 0.\n\nnil\n' >> "$expected" ;;
        esac
    done
    echo "UNLOAD" >> "$script"
    echo "LOAD $module" >> "$script"
done
"$@" "$hostsim" --module "$module" "$script" > "$work/soak.actual" 2>&1 < /dev/null
status=$?
if [ "$status" != 0 ]; then
    tail -40 "$work/soak.actual"
    echo "soak: exit status $status"
    exit 1
fi
# valgrind's own lines start with ==PID==; the session's output must match line for line.
grep -v '^==[0-9]*==' "$work/soak.actual" > "$work/soak.session"
if ! diff -q "$expected" "$work/soak.session" > /dev/null; then
    diff -u "$expected" "$work/soak.session" | head -40
    echo "soak: the values differ"
    exit 1
fi
echo "soak: $(grep -c . "$script") command lines, every value as expected"
