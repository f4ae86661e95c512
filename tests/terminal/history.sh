#!/usr/bin/env bash
# tests/terminal/history.sh - lines typed at a terminal come back in the next session, the file
# stays capped and private, input that is not a terminal never writes it, and a history that
# cannot be read or written never stops the program.
#
# usage: history.sh HOSTSIM MODULE WORKDIR
set -u
hostsim=$1 module=$2 work=$3
session=$(dirname "$0")/tmuxSession.sh
rm -rf "$work" && mkdir -p "$work" || exit 1
export LANG=C.UTF-8 HOME=$work/home XDG_STATE_HOME=$work/state INPUTRC=/dev/null
history=$work/state/vectrin/history
run=0
trap '"$session" vectrinHistory$$-$run stop' EXIT

fail() {
    echo "history: $1"
    exit 1
}

# One session on a terminal: the steps in turn (tmux actions, as in interrupts.sh), then Ctrl-D,
# which must end it with status 0.
runSession() {
    "$session" vectrinHistory$$-$run stop
    run=$((run + 1))
    local name=vectrinHistory$$-$run step action argument
    "$session" $name start "$hostsim" --module "${sessionModule:-$module}" \
        ${sessionServe:+--serve} || fail "session $run did not start"
    for step in "waitForLast ^Command:$" "$@" "keys C-d"; do
        read -r action argument <<< "$step"
        "$session" $name "$action" "$argument" || fail "session $run: the step \"$step\" failed"
    done
    local status
    status=$("$session" $name waitExit) || fail "session $run did not end"
    [ "$status" = 0 ] || fail "session $run ended with status $status: $("$session" $name screen)"
}

# Two sessions: the second finds the first one's lines with Up, newest first.
runSession "type (setq H 7)" "keys Enter" "waitFor ^7$" "waitForLast ^Command:$" \
           "type CAL H*6" "keys Enter" "waitFor ^42$" "waitForLast ^Command:$"
[ "$(cat "$history")" = $'(setq H 7)\nCAL H*6' ] || fail "after one session: $(cat "$history")"
[ "$(stat -c %a "$history")" = 600 ] || fail "the file is not private to the user"
runSession "keys Up" "waitForLast ^Command: CAL H\*6$" \
           "keys Up" "waitForLast ^Command: \(setq H 7\)$" \
           "keys Enter" "waitForLast ^Command:$"
[ "$(wc -l < "$history")" = 3 ] || fail "the second session did not add its line: $(cat "$history")"

# At an interactive start one line says where help is. An empty Enter runs the last command
# again; Up at Command: walks the command lines, at the calculator's prompt the expressions, and
# the answers to picks are in neither, nor in the file.
runSession "waitFor ^Type HELP for help, HELP CAL for the expressions; QUIT or Ctrl-D quits.$" \
           "type CAL 1+1" "keys Enter" "waitFor ^2$" "waitForLast ^Command:$" \
           "keys Enter" "waitFor ^CAL$" "waitForLast Expression:$" \
           "type 2+3" "keys Enter" "waitFor ^5$" "waitForLast ^Command:$" \
           "type (cal \"RAD\")" "keys Enter" "waitForLast radius:$" \
           "type 35,10" "keys Enter" "waitFor ^5.0$" "waitForLast ^Command:$" \
           "keys Up" "waitForLast ^Command: \(cal \"RAD\"\)$" "keys C-u" \
           "type CAL" "keys Enter" "waitForLast Expression:$" \
           "keys Up" "waitForLast Expression: 2\+3$" "keys C-u" "type *cancel*" "keys Enter" \
           "waitForLast ^Command:$"
[ "$(tail -n 3 "$history")" = $'CAL 1+1\n(cal "RAD")\nCAL' ] || fail "the file after Enter and a pick: $(cat "$history")"

# A German module's prompts keep their umlauts; a refused pick (a block not scaled uniformly)
# is asked again at a terminal, and answered.
sessionModule=${module%.so}.de.so runSession \
    "type CAL" "keys Enter" "waitForLast ^>> Ausdruck:$" "type RAD" "keys Enter" \
    "waitFor ^>> Wählen Sie einen Kreis, .* für den$" "type 46,55" "keys Enter" \
    "waitFor gleichmäßig skaliert" "waitForLast ^Radius:$" "type 35,10" "keys Enter" \
    "waitFor ^5.0$" "waitForLast ^Command:$"

# Beside a served page the terminal edits as the plain one does: Up walks the lines of the
# prompt's kind, Tab completes, and a line typed shows once.
sessionServe=yes runSession \
    "type (setq H 8)" "keys Enter" "waitFor ^8$" "waitForLast ^Command:$" \
    "keys Up" "waitForLast ^Command: \(setq H 8\)$" "keys C-u" \
    "type FUNC" "keys Tab" "waitForLast ^Command: FUNCTIONS$" "keys C-u" \
    "type CAL" "keys Enter" "waitForLast Expression:$" "type H*5" "keys Enter" "waitFor ^40$" \
    "type CAL" "keys Enter" "waitForLast Expression:$" "keys Up" "waitForLast Expression: H\*5$" \
    "keys Enter" "waitFor ^40$" "waitForLast ^Command:$"
[ "$("$session" vectrinHistory$$-$run screen | grep -c '(setq H 8)$')" = 1 ] ||
    fail "the served terminal showed a line typed twice: $("$session" vectrinHistory$$-$run screen)"

# Capped: a file of 1005 lines keeps the newest 1000 once a line is added.
seq -f '(setq N %g)' 1 1005 > "$history"
runSession "keys Up" "waitForLast ^Command: \(setq N 1005\)$" "keys C-u" \
           "type !N" "keys Enter" "waitFor ^nil$" "waitForLast ^Command:$"
[ "$(wc -l < "$history")" = 1000 ] || fail "the file holds $(wc -l < "$history") lines, not 1000"
[ "$(head -n 1 "$history")" = "(setq N 7)" ] || fail "the oldest lines were not the ones dropped"
[ "$(tail -n 1 "$history")" = "!N" ] || fail "the newest line is not the last one"

# Input that is not a terminal leaves the file alone.
before=$(cksum < "$history")
echo '(setq P 1)' | "$hostsim" --module "$module" > /dev/null 2>&1 || fail "piped input failed"
[ "$(cksum < "$history")" = "$before" ] || fail "piped input changed the history"

# A history that cannot be read (a folder) or written (under a file) costs a notice, no more.
mkdir -p "$work/unreadable/vectrin/history"
touch "$work/notAFolder"
for stateHome in "$work/unreadable" "$work/notAFolder"; do
    export XDG_STATE_HOME=$stateHome
    runSession "waitFor ^hostsim: the history cannot be kept in " \
               "type (cal \"2+2\")" "keys Enter" \
               "waitFor ^4$" "waitForLast ^Command:$"
done

# With a relative XDG_STATE_HOME, which does not count, the file is in ~/.local/state.
export XDG_STATE_HOME=relative/state
runSession "type (setq R 1)" "keys Enter" "waitFor ^1$" "waitForLast ^Command:$"
[ "$(cat "$HOME/.local/state/vectrin/history")" = "(setq R 1)" ] || fail "none in ~/.local/state"
