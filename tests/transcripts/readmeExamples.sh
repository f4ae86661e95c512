#!/usr/bin/env bash
# tests/transcripts/readmeExamples.sh - runs the README's examples through hostsim and compares
# what they print with what the README shows.
#
# usage: readmeExamples.sh HOSTSIM MODULE README WORKDIR
# An HTML comment marks each example; the block or table right after it is the example:
#   <!-- example: table -->   a table whose first column's `code` spans are expressions and whose
#                             second column's are their values, in the same order (a row with no
#                             value shows none and is passed over)
#   <!-- example: stdin       the lines up to "-->" are typed at hostsim's Command: prompt; the
#   ... -->                   fenced block after it is the session, both streams together
#   <!-- example: shell -->   a fenced block of "$ command" lines and what they print; the commands
#                             run in bash, build/bin/hostsim being the hostsim under test
#   <!-- example: file NAME --> a fenced block saved as NAME for the shell examples after it
# A fenced block that shows hostsim at work, or a "You type" table, without a mark fails the
# test: it would go stale.
set -u
hostsim=$1 module=$2 readme=$3 work=$4
rm -rf "$work"
mkdir -p "$work/run/build/bin"
export LANG=C.UTF-8 LC_ALL=C.UTF-8 XDG_STATE_HOME=$work/state
unset LANGUAGE
mkdir -p "$XDG_STATE_HOME"
# The module under test, unless the example chooses a language (whose module is found beside the
# hostsim under test) or a module of its own.
printf '#!/bin/sh\ncase " $* " in *" --language "*|*" --module "*) exec "%s" "$@";; esac\nexec "%s" --module "%s" "$@"\n' \
    "$hostsim" "$hostsim" "$module" > "$work/run/build/bin/hostsim"
chmod +x "$work/run/build/bin/hostsim"

# Splits the README into work/example-N.{kind,input,text}; prints the unmarked blocks it saw.
awk -v dir="$work" '
    function start(kind) { n++; pending = 1; printf "%s\n", kind > (dir "/example-" n ".kind") }
    function save(text)  { printf "%s\n", text > (dir "/example-" n ".text") }
    inInput  { if ($0 == "-->") inInput = 0; else print > (dir "/example-" n ".input"); next }
    inBlock  { if ($0 ~ /^```/) inBlock = 0; else if (!unmarked) save($0)
               else if ($0 ~ /^Command: |build\/bin\/hostsim /) seen = 1
               if (!inBlock && unmarked && seen) print "unmarked example at line " blockLine
               next }
    inTable  { if ($0 ~ /^\|/) { save($0); next } inTable = 0 }
    /^<!-- example: stdin$/          { start("stdin"); inInput = 1; next }
    /^<!-- example: [a-z]+.* -->$/   { kind = $0; sub(/^<!-- example: /, "", kind); sub(/ -->$/, "", kind)
                                       start(kind); next }
    /^```/   { inBlock = 1; unmarked = !pending; seen = 0; blockLine = NR
               if (pending) { printf "" > (dir "/example-" n ".text"); pending = 0 }
               next }
    /^\|/ && pending { inTable = 1; pending = 0; save($0); next }
    /^\| You type/    { print "unmarked table of examples at line " NR }
' "$readme" > "$work/unmarked"

failed=0
report() { echo "README example $1 ($2): $3"; failed=1; }
compare() {  # compare N KIND EXPECTED ACTUAL
    diff -u "$3" "$4" > "$work/diff" && return 0
    cat "$work/diff"
    report "$1" "$2" "differs (above: - README, + hostsim)"
}

# Each row's expressions go to one hostsim as -e options: one line of standard output apiece.
runTable() {
    local n=$1 row expressions values i
    local args=() want=$work/example-$n.want got=$work/example-$n.got
    : > "$want"
    tail -n +3 "$work/example-$n.text" | while IFS= read -r row; do
        mapfile -t expressions < <(cut -d'|' -f2 <<< "$row" | grep -o '`[^`]*`' | tr -d '`')
        mapfile -t values < <(cut -d'|' -f3 <<< "$row" | grep -o '`[^`]*`' | tr -d '`')
        [ ${#values[@]} -eq 0 ] && continue
        if [ ${#values[@]} -ne ${#expressions[@]} ]; then
            echo "${#expressions[@]} expressions, ${#values[@]} values: $row" >> "$work/mismatched"
            continue
        fi
        for i in "${!expressions[@]}"; do printf '%s\t%s\n' "${expressions[$i]}" "${values[$i]}"; done
    done >> "$want"
    mapfile -t expressions < <(cut -f1 "$want")
    for row in "${expressions[@]}"; do args+=(-e "$row"); done
    "$hostsim" --module "$module" "${args[@]}" < /dev/null 2> /dev/null | paste <(cut -f1 "$want") - > "$got"
    compare "$n" table "$want" "$got"
    [ -s "$work/mismatched" ] && report "$n" table "$(cat "$work/mismatched")"
    rm -f "$work/mismatched"
}

runSession() {
    local n=$1
    (cd "$work/run" && build/bin/hostsim < "$work/example-$n.input" > "$work/example-$n.got" 2>&1)
    compare "$n" stdin "$work/example-$n.text" "$work/example-$n.got"
}

# Prints each command as the README shows it, then what it printed on either stream.
runShell() {
    local n=$1 line
    while IFS= read -r line; do
        [[ $line == '$ '* ]] || continue
        printf '%s\n' "$line"
        (cd "$work/run" && bash -c "${line#\$ }" 2>&1)
    done < "$work/example-$n.text" > "$work/example-$n.got"
    compare "$n" shell "$work/example-$n.text" "$work/example-$n.got"
}

[ -s "$work/unmarked" ] && { cat "$work/unmarked"; failed=1; }
count=0
n=1
while [ -f "$work/example-$n.kind" ]; do  # in README order: a file comes before its use
    read -r kind name < "$work/example-$n.kind"
    if [ ! -f "$work/example-$n.text" ]; then
        report "$n" "$kind" "no block or table after the mark"
        n=$((n + 1))
        continue
    fi
    count=$((count + 1))
    case $kind in
        table) runTable "$n" ;;
        stdin) runSession "$n" ;;
        shell) runShell "$n" ;;
        file)  cp "$work/example-$n.text" "$work/run/$name" ;;
        *)     report "$n" "$kind" "unknown kind of example" ;;
    esac
    n=$((n + 1))
done
[ "$count" -gt 0 ] || report 0 none "no marked example found"
exit $failed
