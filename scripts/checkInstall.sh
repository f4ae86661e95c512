#!/usr/bin/env bash
# scripts/checkInstall.sh - installs a build into a fresh temporary prefix and runs the installed
# hostsim from another folder: it must find the installed module by its own location, with the
# catalogue still appended, the demo drawing must open, and `man hostsim` must show its page.
#
# usage: checkInstall.sh BUILDDIR
set -u
exec < /dev/null  # the checks answer no prompt from the terminal of whoever runs them
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failed=0
expect() {  # expect WHAT WANTED GOT
    if [ "$2" != "$3" ]; then
        echo "install check: $1: expected '$2', got '$3'"
        failed=1
    fi
}

if ! cmake --install "$build" --prefix "$prefix" > "$prefix/install.log" 2>&1; then
    cat "$prefix/install.log"
    echo "install check: cmake --install failed"
    exit 1
fi
hostsim=$prefix/bin/hostsim
expect "-e 1+2" 3 "$(cd / && "$hostsim" -e 1+2 2>&1)"
expect "a catalogue text" 1 "$(cd / && "$hostsim" -e 1/0 2>&1 | grep -c 'Division by 0')"
expect "the German module" 1 "$(cd / && "$hostsim" --language de -e 1/0 2>&1 | grep -c 'Division durch 0')"
demo=$prefix/share/vectrin/demo.dxf
expect "RAD on the installed demo drawing" 5.0 \
    "$(cd / && echo 35,10 | "$hostsim" --drawing "$demo" -e RAD 2>&1 | tail -n 1)"
# man finds the page under the prefix as it finds every installed one; troff has nothing to say
manual=$(cd / && MANPATH=$prefix/share/man MANWIDTH=100 man hostsim 2>&1)
expect "man hostsim: the --precision option" 1 "$(grep -c -- '^ *--precision N$' <<< "$manual")"
expect "troff's warnings on the page" "" \
    "$(zcat "$prefix/share/man/man1/hostsim.1.gz" | groff -man -ww -z 2>&1)"
for doc in share/doc/vectrin/README.md; do
    [ -f "$prefix/$doc" ] || { echo "install check: $doc is not installed"; failed=1; }
done
[ "$failed" = 0 ] && echo "install check: the installed hostsim runs ($prefix)"
exit $failed
