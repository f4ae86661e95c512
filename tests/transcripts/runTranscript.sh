#!/usr/bin/env bash
# tests/transcripts/runTranscript.sh - runs hostsim on one transcript and compares what it prints.
#
# usage: runTranscript.sh HOSTSIM MODULE CASEDIR NAME WORKDIR
# NAME.args  the arguments, one a line (optional); @MODULE@, @STRIPPED@ (the module without its
#            catalogue) and @WORK@ are replaced. --module MODULE always comes first.
# NAME.in    standard input (optional; else nothing), with the same replacements
# NAME.out   what hostsim must print, standard output and standard error together, in order
# NAME.err   standard error alone (optional); NAME.out then holds standard output alone: the
#            values and listings, while NAME.err holds prompts, answers, the module's text, notices
# NAME.stdout  where standard output goes instead (optional): /dev/full, "closed" for none, or
#            "broken" for a pipe that no one reads any more; NAME.err then holds standard error,
#            and there is no NAME.out
# NAME.status  the exit status it must end with (optional; else 0)
# NAME.env   environment settings for the run, VAR=value a line (optional). A transcript with one
#            gets no --module: hostsim chooses its module by language, as without the option.
# A line "@CALCULATOR FUNCTIONS@" in NAME.out stands for the calculator's functions as HELP and
# FUNCTIONS list them, group by group under "Calculator functions:": that listing follows the
# function list (functions/functionList.h) and tests/functions/referenceTests.cpp checks it whole,
# so a new function changes no transcript.
# Every run starts from LANG=C with no other locale variable set, so the machine's locale (a
# German one, say) changes nothing.
# ACCEPT=1 in the environment (accept.sh sets it): a NAME.out or NAME.err that differs is shown,
# then replaced by what hostsim printed, and only the exit status can fail the run.
set -u
hostsim=$1 module=$2 caseDir=$3 name=$4 work=$5
mkdir -p "$work"

# The same run on every machine: English in UTF-8 whatever the user's locale, and a state folder
# (history) of the transcript's own.
export LANG=C.UTF-8 LC_ALL=C.UTF-8 XDG_STATE_HOME=$work/state
unset LANGUAGE
mkdir -p "$XDG_STATE_HOME"

# The module as it is before the catalogue is appended: cut at the length the trailer gives.
stripped=$work/stripped.so
size=$(stat -c %s "$module")
catalogueLength=$(tail -c 7 "$module" | head -c 4 | od -An -tu4 | tr -d ' ')
cp "$module" "$stripped"
truncate -s $((size - catalogueLength - 7)) "$stripped"

args=(--module "$module")
environment=(LANG=C)
if [ -f "$caseDir/$name.env" ]; then
    args=()
    while IFS= read -r line || [ -n "$line" ]; do environment+=("$line"); done < "$caseDir/$name.env"
fi
if [ -f "$caseDir/$name.args" ]; then
    while IFS= read -r line || [ -n "$line" ]; do
        line=${line//@MODULE@/$module}
        line=${line//@STRIPPED@/$stripped}
        line=${line//@WORK@/$work}
        args+=("$line")
    done < "$caseDir/$name.args"
fi
input=/dev/null
if [ -f "$caseDir/$name.in" ]; then
    input=$work/$name.in
    sed -e "s|@MODULE@|$module|g" -e "s|@STRIPPED@|$stripped|g" -e "s|@WORK@|$work|g" \
        "$caseDir/$name.in" > "$input"
fi
wantStatus=0
[ -f "$caseDir/$name.status" ] && wantStatus=$(cat "$caseDir/$name.status")

# The arguments, if any, are a command that runs hostsim for us.
runHostsim() {
    (cd "$caseDir" && env -u LC_ALL -u LC_MESSAGES -u LANGUAGE "${environment[@]}" \
        "$@" "$hostsim" "${args[@]}") < "$input"
}
# Runs its arguments with standard output a pipe whose reading end is closed, SIGPIPE as a shell
# leaves it; a status of death by a signal is told as a shell tells it (128 + the signal).
brokenPipe='import os, subprocess, sys
read, write = os.pipe()
os.close(read)
status = subprocess.call(sys.argv[1:], stdout=write)
sys.exit(128 - status if status < 0 else status)'

actual=$work/$name.actual actualErr=$work/$name.actualErr
rm -f "$actual" "$actualErr"
stdoutTo=
[ -f "$caseDir/$name.stdout" ] && stdoutTo=$(cat "$caseDir/$name.stdout")
if [ "$stdoutTo" = closed ]; then
    runHostsim >&- 2> "$actualErr"
elif [ "$stdoutTo" = broken ]; then
    runHostsim /usr/bin/python3 -c "$brokenPipe" 2> "$actualErr"
elif [ -n "$stdoutTo" ]; then
    runHostsim > "$stdoutTo" 2> "$actualErr"
elif [ -f "$caseDir/$name.err" ]; then
    runHostsim > "$actual" 2> "$actualErr"
else
    runHostsim > "$actual" 2>&1
fi
status=$?

failed=0
# The lines of group titles and names after each "Calculator functions:", as one line of the
# marker, indented as the listing is.
markFunctionListings() {
    awk '/Calculator functions:$/ { print; listing = 1; next }
         listing && /^ *[A-Z][A-Za-z -]*: +[A-Z]|^                    +[A-Z]/ {
             if (listing == 1) { match($0, /^ */); print substr($0, 1, RLENGTH) "@CALCULATOR FUNCTIONS@" }
             listing = 2; next }
         { listing = 0; print }' "$1" > "$1.marked" && mv "$1.marked" "$1"
}
# Paths vary with the build folder; transcripts show them as @MODULE@, @STRIPPED@ and @WORK@.
compareWith() {
    [ -f "$2" ] || return 0
    sed -i -e "s|$stripped|@STRIPPED@|g" -e "s|$module|@MODULE@|g" -e "s|$work|@WORK@|g" "$2"
    grep -qs "@CALCULATOR FUNCTIONS@" "$caseDir/$1" && markFunctionListings "$2"
    if ! diff -uN "$caseDir/$1" "$2"; then
        if [ "${ACCEPT:-0}" = 1 ]; then
            cp "$2" "$caseDir/$1"
            echo "transcript $name: $1 accepted (above: - old, + new)"
        else
            echo "transcript $name: $1 differs (above: - expected, + actual)"
            failed=1
        fi
    fi
}
compareWith "$name.out" "$actual"
compareWith "$name.err" "$actualErr"
if [ "$status" != "$wantStatus" ]; then
    echo "transcript $name: exit status $status, expected $wantStatus"
    failed=1
fi
exit $failed
