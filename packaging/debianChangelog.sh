#!/bin/sh
# packaging/debianChangelog.sh - writes a package's changelog.gz, in Debian's changelog format,
# from CHANGELOG.md: each release's heading "## VERSION - YYYY-MM-DD" and its "- " items (a
# line indented by two blanks goes on with the item above).
#
# usage: debianChangelog.sh CHANGELOG.md PACKAGE MAINTAINER OUTPUT.gz
set -eu
source=$1 package=$2 maintainer=$3 output=$4

# The release lines: "VERSION DATE" for a heading, "* text" for an item, "+ text" for the rest
# of one; anything else in a release is refused, so that nothing the file says is lost.
releases=$(awk '
    /^## / {
        if (!match($0, /^## [0-9][^ ]* - [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$/)) {
            printf "%s:%d: a release heading is \"## VERSION - YYYY-MM-DD\"\n", FILENAME, NR \
                > "/dev/stderr"
            failed = 1; exit
        }
        print $2 " " $4; inRelease = 1; next
    }
    !inRelease || /^$/ { next }
    /^- / { print "* " substr($0, 3); next }
    /^  [^ ]/ { print "+ " substr($0, 3); next }
    {
        printf "%s:%d: a release lists its changes as \"- \" items\n", FILENAME, NR > "/dev/stderr"
        failed = 1; exit
    }
    END { exit failed }' "$source")
[ -n "$releases" ] || { echo "$source: no release heading" >&2; exit 1; }

# Debian's entries: the items wrapped within 80 columns, then the trailer with the date.
printf '%s\n' "$releases" | while read -r kind rest; do
    case $kind in
        '*'|'+') printf '%s %s\n' "$kind" "$rest" ;;
        *) printf '= %s %s\n' "$kind" "$(LC_ALL=C date -u -R -d "$rest 00:00")" ;;
    esac
done | awk -v package="$package" -v maintainer="$maintainer" '
    function flush() {
        if (item == "") return
        n = split(item, words, " "); line = "  *"
        for (i = 1; i <= n; i++) {
            if (length(line) + 1 + length(words[i]) > 78 && line != "  *" && line != "   ") {
                print line; line = "   "
            }
            line = line " " words[i]
        }
        print line; item = ""
    }
    function close_entry() { flush(); if (trailer != "") print "\n" trailer "\n"; trailer = "" }
    $1 == "=" {
        close_entry()
        date = $0; sub(/^= [^ ]+ /, "", date)
        print package " (" $2 ") unstable; urgency=medium\n"
        trailer = " -- " maintainer "  " date; next
    }
    $1 == "*" { flush(); item = substr($0, 3); next }
    $1 == "+" { item = item " " substr($0, 3) }
    END { close_entry() }' | sed '$d' | gzip -9 -n > "$output"
