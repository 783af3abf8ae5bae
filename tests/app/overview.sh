#!/bin/bash
# `kalimo --overview` opens the class overview of an installation on its own, reads every history,
# writes nothing into the installation and ends with exit code 0 when closed; a wrong installation
# is refused as ever.
# usage: overview.sh KALIMO DEMO
set -u
kalimo=$1
demo=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$demo" "$work/inst"
# A player of its own with a half-written history beside the demo's.
cp "$work/inst/Optionen/Options-Ben.txt" "$work/inst/Optionen/Options-Jörg Müller.txt"
printf 'Datum;Startzeit\r\n01.12.2026;10:00;301;Gleich oder Nichtgleich;a.txt;10;7;3;60\r\n02.12.2026;10:' \
  >"$work/inst/Protokoll/Jörg Müller-Verlauf.csv"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
before=$(cd "$work/inst" && find . -type f -exec md5sum {} + | sort)
fail=0

# The window closes itself after its first paint.
start=$(python3 -c 'import time; print(time.monotonic_ns())')
KALIMO_QUIT_AFTER_FIRST_PAINT=$start timeout 60 "$kalimo" --installation "$work/inst" --overview \
  >"$work/out" 2>"$work/err"
rc=$?
if [ "$rc" != 0 ]; then echo "exit code $rc, want 0"; cat "$work/err"; fail=1; fi
if ! grep -q '^first-paint-ms ' "$work/out"; then echo "the overview was not shown"; cat "$work/out"; fail=1; fi

timeout 60 "$kalimo" --installation "$work/nirgends" --overview >"$work/out2" 2>"$work/err2"
rc=$?
if [ "$rc" != 2 ]; then echo "wrong installation: exit code $rc, want 2"; fail=1; fi
if ! grep -qF 'gibt es nicht' "$work/err2"; then echo "wrong installation: no message"; cat "$work/err2"; fail=1; fi

after=$(cd "$work/inst" && find . -type f -exec md5sum {} + | sort)
if [ "$before" != "$after" ]; then
  echo "the installation changed:"; diff <(echo "$before") <(echo "$after") | head; fail=1
fi
exit $fail
