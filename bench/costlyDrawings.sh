#!/usr/bin/env bash
# bench/costlyDrawings.sh - what the drawings of tests/transcripts/makeCostlyDrawings.py cost:
# time (clock, and CPU), peak memory (/usr/bin/time) and the SVG's size, one line a case; for the
# piles of copies, a whole session (open, picks and snaps, LIST, SVG), and the page's GET
# /drawing.
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
    printf '%s' "$input" | env "$@" /usr/bin/time -f "%e %U %S %M" -o "$work/time" \
        "$hostsim" --module "$module" --drawing "$work/$drawing" > "$work/out" 2>&1
    local status=$? svg=-
    [ -f "$work/view.svg" ] && svg=$(stat -c %s "$work/view.svg")
    read -r seconds user system kilobytes < <(tail -n 1 "$work/time")
    local last cpu
    last=$(grep -v '^Command: *$' "$work/out" | grep -v '^ *$' | tail -n 1 | cut -c 1-60)
    cpu=$(echo "$user + $system" | bc)
    printf '%-34s %8s s (CPU %6s s) %6d MB %12s bytes  status %d  %s\n' "$name" "$seconds" \
        "$cpu" $((kilobytes / 1024)) "$svg" "$status" "$last"
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

# serveDrawing NAME DRAWING: the size and time of GET /drawing from hostsim --serve on DRAWING.
serveDrawing() {
    local name=$1 drawing=$2 url="" pid
    rm -f "$work/serve.out"
    "$hostsim" --module "$module" --serve=127.0.0.1:0 --drawing "$work/$drawing" \
        < /dev/null > "$work/serve.out" 2>&1 &
    pid=$!
    for _ in $(seq 1 100); do
        url=$(grep -o 'http://[^ ]*' "$work/serve.out" | head -n 1)
        [ -n "$url" ] && break
        sleep 0.1
    done
    local place=${url#http://} token=${url##*token=}
    place=${place%%/*}
    local timing
    timing=$(curl -s -o "$work/drawing.json" -w '%{time_total}' \
        -H "X-Vectrin-Token: $token" "http://$place/drawing")
    printf '%-34s %8s s %12s bytes of JSON\n' "$name" "$timing" \
        "$(stat -c %s "$work/drawing.json" 2>/dev/null || echo -)"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

# A session on a pile: snaps and picks as a user tries them (MODE POINT ..., each a mode the
# pile's objects have there), LIST at the last point, and the SVG.
session() {
    while [ $# -gt 1 ]; do
        printf '(cal "%s")\n%s\n' "$1" "$2"
        [ $# -eq 2 ] && printf 'LIST\n%s\n' "$2"
        shift 2
    done
    printf 'SVG %s\n' "$work/view.svg"
}
measure "pile: wide array, session" widePile.dxf \
    "$(session CEN 80,32 QUA 80,32 NEA 80,32 INT 80,32 END 50,2 MID 50,2 RAD 80,32)"
measure "pile: nested arrays, session" nestedPile.dxf \
    "$(session CEN 95,50 QUA 95,50 NEA 30,30 INT 30,30 END 30,30 MID 30,30 RAD 95,50)"
measure "pile: spline array, session" splinePile.dxf \
    "$(session NEA 50,1 END 1,1 MID 50,1 NEA 30,1.5 END 99,0.5 NEA 70,1)"
measure "pile: text array, session" textPile.dxf \
    "$(session INS 10,50.3 INS 30,110 INS 10,20.3 INS 40,80.3)"
serveDrawing "pile: wide array, GET /drawing" widePile.dxf
serveDrawing "pile: nested arrays, GET /drawing" nestedPile.dxf
serveDrawing "pile: spline array, GET /drawing" splinePile.dxf
serveDrawing "pile: text array, GET /drawing" textPile.dxf
