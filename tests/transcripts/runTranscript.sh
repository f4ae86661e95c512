#!/usr/bin/env bash
# tests/transcripts/runTranscript.sh - runs hostsim on one transcript and compares what it prints.
#
# usage: runTranscript.sh HOSTSIM MODULE CASEDIR NAME WORKDIR
# NAME.args  the arguments, one a line (optional); @MODULE@, @STRIPPED@ (the module without its
#            catalogue) and @WORK@ are replaced. --module MODULE always comes first.
# NAME.in    standard input (optional; else nothing), with the same replacements
# NAME.out   what hostsim must print, standard output and standard error together
# NAME.status  the exit status it must end with (optional; else 0)
set -u
hostsim=$1 module=$2 caseDir=$3 name=$4 work=$5
mkdir -p "$work"

# The module as it is before the catalogue is appended: cut at the length the trailer gives.
stripped=$work/stripped.so
size=$(stat -c %s "$module")
catalogueLength=$(tail -c 7 "$module" | head -c 4 | od -An -tu4 | tr -d ' ')
cp "$module" "$stripped"
truncate -s $((size - catalogueLength - 7)) "$stripped"

args=(--module "$module")
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

(cd "$caseDir" && "$hostsim" "${args[@]}") < "$input" > "$work/$name.actual" 2>&1
status=$?
# Paths vary with the build folder; transcripts show them as @MODULE@, @STRIPPED@ and @WORK@.
sed -i -e "s|$stripped|@STRIPPED@|g" -e "s|$module|@MODULE@|g" -e "s|$work|@WORK@|g" "$work/$name.actual"

failed=0
if ! diff -u "$caseDir/$name.out" "$work/$name.actual"; then
    echo "transcript $name: the output differs (above: - expected, + actual)"
    failed=1
fi
if [ "$status" != "$wantStatus" ]; then
    echo "transcript $name: exit status $status, expected $wantStatus"
    failed=1
fi
exit $failed
