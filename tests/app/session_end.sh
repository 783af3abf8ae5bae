#!/bin/bash
# A logout or shutdown (SIGTERM, after the sound output was opened) ends a started program within two
# seconds with exit code 0: the answered task is in the protocol file and the player's lock is gone.
# usage: session_end.sh KALIMO DEMO        (exit 77: skipped where Xvfb or xdotool is missing)
set -u
kalimo=$1
demo=$2
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
xvfb=
kal=
cleanup() {
  [ -n "$kal" ] && kill -9 "$kal" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cp -r "$demo" "$work/inst"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "skipped: Xvfb did not start"; exit 77; }
export DISPLAY=":$(head -1 "$work/display")" SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb
protocol="$work/inst/Protokoll/Anna.prt"
holds_anna() { [ -f "$work/inst/Optionen/lock.txt" ] && tr -d '\r' <"$work/inst/Optionen/lock.txt" | grep -qx 'Anna'; }
history="$work/inst/Protokoll/Anna-Verlauf.csv"
# The protocol keeps only the newest runs; the history keeps every run, one line each.
before=$( [ -f "$history" ] && grep -c . "$history" || echo 0)
protocol_before=$( [ -f "$protocol" ] && md5sum <"$protocol" || echo none)

"$kalimo" --installation "$work/inst" --player Anna --program 203 --list "01 Hörreihen.txt" \
  >"$work/out" 2>&1 &
kal=$!
locked=0
for _ in $(seq 100); do
  holds_anna && { locked=1; break; }
  sleep 0.1
done
[ $locked = 1 ] || { echo "the player's lock was never taken"; cat "$work/out"; exit 1; }
sleep 2
xdotool search --sync --onlyvisible --pid "$kal" >/dev/null 2>&1
xdotool key h           # the series plays: the sound output is open
sleep 7
xdotool key Right Return  # an answer: this task now belongs to the protocol
sleep 1

kill -TERM "$kal"
rc=
# Within 1.5 s: the orderly end, not the watchdog's at 1.8 s.
for _ in $(seq 15); do
  if ! kill -0 "$kal" 2>/dev/null; then wait "$kal"; rc=$?; break; fi
  sleep 0.1
done
fail=0
if [ -z "$rc" ]; then echo "still running 1.5 s after SIGTERM"; fail=1; else kal=; fi
[ -n "$rc" ] && [ "$rc" != 0 ] && { echo "exit code $rc, want 0"; fail=1; }
if holds_anna; then echo "Anna is still in lock.txt"; fail=1; fi
after=$( [ -f "$history" ] && grep -c . "$history" || echo 0)
if [ "$after" -ne $((before + 1)) ]; then
  echo "history lines before $before, after $after (want one more run)"; fail=1
elif [ "$( [ -f "$protocol" ] && md5sum <"$protocol" || echo none)" = "$protocol_before" ]; then
  echo "the protocol file did not take the run"; fail=1
elif ! tail -n 30 "$protocol" | grep -q '^  Aufgabe  1: '; then
  echo "the answered task is not in the protocol:"; tail -n 15 "$protocol"; fail=1
fi
[ $fail = 0 ] || cat "$work/out"

# The main window, with its player choice answered, ends the same way.
"$kalimo" --installation "$work/inst" >"$work/out2" 2>&1 &
kal=$!
sleep 3
xdotool key Return
sleep 2
kill -TERM "$kal"
rc=
for _ in $(seq 15); do
  if ! kill -0 "$kal" 2>/dev/null; then wait "$kal"; rc=$?; break; fi
  sleep 0.1
done
if [ -z "$rc" ]; then echo "main window: still running 1.5 s after SIGTERM"; fail=1; cat "$work/out2"
else
  kal=
  [ "$rc" != 0 ] && { echo "main window: exit code $rc, want 0"; fail=1; }
fi
exit $fail
