#!/bin/bash
# A program window waiting for the child's click uses no measurable CPU: one program of every window
# family is started from the command line and left alone; over 8 seconds each may use at most 3 %
# of one core (no polling timers while idle).
# usage: idle_cpu.sh KALIMO DEMO
set -u
kalimo=$1
demo=$2
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
programs=("101|01 Tiere.txt" "201|01 Hörreihen.txt" "301|Minimalpaare/01 Haus und Maus.txt"
          "303|Anlaut/01 B oder P.txt" "305|01 Gleiche Bilder.txt" "401|01 Wo hörst du das S.txt"
          "402|Anlaut/01 Anlaute.txt" "405|Anlaut/01 Anlaut tauschen.txt" "408|01 Reime suchen.txt")
for entry in "${programs[@]}"; do
  code=${entry%%|*}
  cp -r "$demo" "$work/$code"
  "$kalimo" --installation "$work/$code" --player Anna --program "$code" --list "${entry#*|}" \
    >"$work/$code.log" 2>&1 &
  pids+=($!)
  disown
done
sleep 8
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo -1; }
before=()
for p in "${pids[@]}"; do before+=("$(ticks "$p")"); done
sleep 8
hz=$(getconf CLK_TCK)
fail=0
for i in "${!pids[@]}"; do
  code=${programs[$i]%%|*}
  after=$(ticks "${pids[$i]}")
  if [ "${before[$i]}" = -1 ] || [ "$after" = -1 ]; then
    echo "$code: the program ended early"; cat "$work/$code.log"; fail=1; continue
  fi
  used=$((after - before[i]))
  echo "$code: $used ticks of $((8 * hz)) while idle"
  if [ $((used * 100)) -gt $((3 * 8 * hz)) ]; then echo "$code: busy while waiting"; fail=1; fi
done
exit $fail
