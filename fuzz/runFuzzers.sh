#!/usr/bin/env bash
# fuzz/runFuzzers.sh - runs every fuzz target over its committed corpus, one worker each.
#
# usage: runFuzzers.sh BINDIR smoke [NAME]    a few thousand runs each: for `make test`
#        runFuzzers.sh BINDIR SECONDS [NAME]  a campaign of SECONDS each: for `make fuzz`
# NAME (expression, catalogue, drawing or commandLine) runs that target alone: ctest runs each
# target's smoke pass as a test of its own.
# New inputs go to BINDIR/../fuzz-corpus/<target>/, never into the committed corpus; a finding
# is written to BINDIR/../fuzz-findings/ and ends the script with a failure.
#
# Inputs are held to a size that still passes every buffer several times over: the module takes
# 131-character expressions (1 KB leaves room for many answer lines), command lines get 2 KB,
# and every pick and snap scans the whole drawing, so drawings get 4 KB: enough for every kind of
# object, small enough for thousands of runs a second. Left to itself libFuzzer grows inputs to
# 4 KB and more and the runs slow to a fraction.
set -u
bin=$1 length=$2
names=(expression catalogue drawing commandLine)
[ $# -ge 3 ] && names=("$3")
here=$(cd "$(dirname "$0")" && pwd)
work=$(cd "$bin/.." && pwd)
status=0

# A target's dictionary: NAME.dict, and for two targets the names the code lists already, so that
# a new one is fuzzed without a line of its own: for expression the name of every row of the
# function list, for drawing the object type of every row of the kinds table.
dictionaryOf() {
    case $1 in
        expression)
            withListedNames "$1" 's/^CALCULATOR_FUNCTION(\("[A-Z][A-Z0-9_]*"\),.*/\1/p' \
                "$here/../functions/functionList.h" ;;
        drawing)
            withListedNames "$1" 's/^ *{\("[A-Z0-9_]*"\), [A-Za-z_]*, KindAxes::.*/\1/p' \
                "$here"/../hostsim/kinds/*.cpp "$here"/../hostsim/kinds/*.h ;;
        *) echo "$here/$1.dict" ;;
    esac
}

# withListedNames NAME SEDSCRIPT FILE...: the names SEDSCRIPT prints from the files, then NAME.dict.
withListedNames() {
    local name=$1 script=$2
    shift 2
    sed -n "$script" "$@" > "$work/$name.dict"
    if [ ! -s "$work/$name.dict" ]; then
        echo "fuzz${name^}: no names found for its dictionary in $*"
        return 1
    fi
    cat "$here/$name.dict" >> "$work/$name.dict"
    echo "$work/$name.dict"
}

for name in "${names[@]}"; do
    target=fuzz${name^}
    found=$work/fuzz-corpus/$name
    findings=$work/fuzz-findings/$name
    mkdir -p "$found" "$findings"
    if [ "$length" = smoke ]; then
        limit=(-runs=2000 -max_total_time=15)
    else
        limit=(-max_total_time="$length")
    fi
    case $name in
        expression) limit+=(-max_len=1024) ;;
        commandLine) limit+=(-max_len=2048) ;;
        drawing) limit+=(-max_len=4096) ;;
    esac
    if ! dictionary=$(dictionaryOf "$name"); then
        echo "$dictionary"
        status=1
        continue
    fi
    echo "== $target ${limit[*]}"
    "$bin/$target" -dict="$dictionary" "${limit[@]}" -print_final_stats=1 \
        -artifact_prefix="$findings/" "$found" "$here/corpus/$name" > "$work/$target.log" 2>&1
    code=$?
    grep -E '^stat::number_of_executed_units|^Done|ERROR|SUMMARY' "$work/$target.log"
    if [ "$code" != 0 ]; then
        tail -40 "$work/$target.log"
        echo "$target: failed (exit $code); see $work/$target.log and $findings"
        status=1
    fi
done
[ "$status" = 0 ] && echo "fuzz: every target ran without a finding"
exit $status
