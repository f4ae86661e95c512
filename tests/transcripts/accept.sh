#!/usr/bin/env bash
# tests/transcripts/accept.sh - runs transcripts and takes what hostsim prints now as what they
# expect: the differences are shown, then written to NAME.out (and NAME.err). For an output that
# changed on purpose, and for a new transcript (its NAME.in or NAME.args written, no NAME.out).
#
# usage: tests/transcripts/accept.sh NAME...   (from anywhere; the dev build in build/, or the
#        build folder named by VECTRIN_BUILD, built first)
# Exit status 1 when a name has no transcript, the build is missing, or a run ended with another
# exit status than NAME.status expects (that file is never written: it is a choice, not output).
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${VECTRIN_BUILD:-$root/build}
caseDir=$root/tests/transcripts
if [ $# -eq 0 ]; then
    echo "usage: $0 NAME..." >&2
    exit 1
fi
if [ ! -x "$build/bin/hostsim" ] || [ ! -f "$build/bin/vectrin.so" ]; then
    echo "$0: no hostsim in $build/bin: build first (cmake --build --preset dev)" >&2
    exit 1
fi
failed=0
for name in "$@"; do
    name=${name#transcript.}
    if [ ! -f "$caseDir/$name.in" ] && [ ! -f "$caseDir/$name.args" ]; then
        echo "$0: no transcript $name ($caseDir/$name.in or .args)" >&2
        failed=1
        continue
    fi
    ACCEPT=1 bash "$caseDir/runTranscript.sh" "$build/bin/hostsim" "$build/bin/vectrin.so" \
        "$caseDir" "$name" "$build/tests/hostsim/transcripts/$name" < /dev/null || failed=1
done
exit $failed
