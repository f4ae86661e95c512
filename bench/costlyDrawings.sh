#!/usr/bin/env bash
# bench/costlyDrawings.sh - what the drawings of tests/transcripts/makeCostlyDrawings.py cost:
# time, peak memory (/usr/bin/time) and the SVG's size, one line a case.
#
# usage: costlyDrawings.sh HOSTSIM MODULE [WORKDIR]
set -u
hostsim=$1 module=$2 work=${3:-$(mktemp -d)}
here=$(dirname "$0")
/usr/bin/python3 "$here/../tests/transcripts/makeCostlyDrawings.py" "$work" || exit 1

# measure NAME DRAWING INPUT [VAR=value]: runs hostsim on DRAWING with INPUT as standard input.
measure() {
    local name=$1 drawing=$2 input=$3
    shift 3
    rm -f "$work/view.svg"
    printf '%s' "$input" | env "$@" /usr/bin/time -f "%e %M" -o "$work/time" \
        "$hostsim" --module "$module" --drawing "$work/$drawing" > "$work/out" 2>&1
    local status=$? svg=-
    [ -f "$work/view.svg" ] && svg=$(stat -c %s "$work/view.svg")
    read -r seconds kilobytes < <(tail -n 1 "$work/time")
    local last
    last=$(grep -v '^Command: *$' "$work/out" | grep -v '^ *$' | tail -n 1 | cut -c 1-60)
    printf '%-34s %8s s %8d MB %12s bytes  status %d  %s\n' "$name" "$seconds" \
        $((kilobytes / 1024)) "$svg" "$status" "$last"
}

svg="SVG $work/view.svg"$'\n'
measure "200-span spline array: SVG" splineArray.dxf "$svg"
measure "500-fit-point spline array: SVG" fitArray.dxf "$svg"
measure "500-fit-point array: MID" fitArray.dxf $'(cal "MID")\n60,20\n'
measure "500-fit-point array, 20 MB limit" fitArray.dxf "" HOSTSIM_MAX_DRAWING_BYTES=20000000
measure "degree-30 spline: MID" highDegree.dxf $'(cal "MID")\n200,1\n'
measure "2,000 elliptic arcs: NEA" ellipseArray.dxf $'(cal "NEA")\n9.55,1.58\n'
measure "2,000 elliptic arcs: MID" ellipseArray.dxf $'(cal "MID")\n9.55,1.58\n'
measure "degree-30 spline: PER" highDegree.dxf $'(setvar "LASTPOINT" (list 200.0 -20.0))\n(cal "PER")\n200,1\n'
