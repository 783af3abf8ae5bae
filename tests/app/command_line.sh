#!/bin/bash
# The start of one program from the command line: an unknown player, program or list ends with exit
# code 2 and a German message, and writes nothing into the installation.
# usage: command_line.sh KALIMO DEMO
set -u
kalimo=$1
demo=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$demo" "$work/inst"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
before=$(cd "$work/inst" && find . -type f -exec md5sum {} + | sort)

run() {  # name, expected message part, arguments...
  local name=$1 expect=$2; shift 2
  "$kalimo" --installation "$work/inst" "$@" >"$work/$name.out" 2>"$work/$name.err"
  echo $? >"$work/$name.rc"
  echo "$expect" >"$work/$name.expect"
}
# The message box closes itself after a few seconds; the three cases run side by side.
run player 'Den Spieler "Niemand" gibt es nicht.' --player Niemand --program 301 &
run program 'Das Programm "999" gibt es nicht.' --player Anna --program 999 &
run list 'Die Aufgabenliste "fehlt.txt" gibt es nicht.' --player Anna --program 301 --list fehlt.txt &
wait

fail=0
for name in player program list; do
  rc=$(cat "$work/$name.rc")
  if [ "$rc" != 2 ]; then echo "$name: exit code $rc, want 2"; fail=1; fi
  if ! grep -qF "$(cat "$work/$name.expect")" "$work/$name.err"; then
    echo "$name: message missing; stderr was:"; cat "$work/$name.err"; fail=1
  fi
done
after=$(cd "$work/inst" && find . -type f -exec md5sum {} + | sort)
if [ "$before" != "$after" ]; then
  echo "the installation changed:"; diff <(echo "$before") <(echo "$after") | head; fail=1
fi
exit $fail
