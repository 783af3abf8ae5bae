#!/bin/bash
# Two user accounts share one installed Kalimo: the package's postinst makes the common data folder
# (group, setgid, 2775); each account creates a player, saves options, plays runs and writes
# protocols, edits the same own list and records a word, first one after the other, then both at the
# same time; every file is readable and writable by both, and `kalimo --check` of either sees the
# own list and recordings beside the shipped ones.
# usage: shared_accounts.sh BUILD_DIR ACCOUNT_WORKER POSTINST     (exit 77: skipped)
set -u
build=$1
worker=$2
postinst=$3
if [ "$(id -u)" != 0 ]; then echo "SKIP: creating two user accounts needs root"; exit 77; fi
for tool in useradd userdel groupdel runuser; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d /tmp/kalimo-accounts.XXXXXX)
chmod 755 "$work"
grp=kt$$g
ua=kt$$a
ub=kt$$b
cleanup() {
  userdel "$ua" 2>/dev/null; userdel "$ub" 2>/dev/null; groupdel "$grp" 2>/dev/null
  chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"
}
trap cleanup EXIT
fail=0
cmake --install "$build" --prefix "$work/usr" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
cp "$worker" "$work/worker"
chmod -R a-w "$work/usr/share/kalimo"

# The package's own postinst, with this test's folder and group.
sed -e "s|/var/lib/kalimo|$work/common|g" -e "s|^KALIMO_GROUP=kalimo$|KALIMO_GROUP=$grp|" "$postinst" >"$work/postinst"
for try in 1 2 3 4 5; do sh "$work/postinst" configure 2>"$work/postinst.err" && break; sleep 1; done
getent group "$grp" >/dev/null || { echo "postinst failed:"; cat "$work/postinst.err"; exit 1; }
[ "$(stat -c '%a %G' "$work/common")" = "2775 $grp" ] || { echo "common folder: $(stat -c '%a %G' "$work/common")"; fail=1; }
for u in "$ua" "$ub"; do
  # Another test may hold the password files' lock for a moment.
  for try in 1 2 3 4 5; do useradd -M -d "$work/home-$u" -s /bin/sh -G "$grp" "$u" 2>"$work/useradd.err" && break; sleep 1; done
  id "$u" >/dev/null 2>&1 || { echo "useradd $u failed:"; cat "$work/useradd.err"; exit 1; }
  mkdir -p "$work/home-$u"; chown "$u" "$work/home-$u"
done

as() {  # user, worker arguments...
  local u=$1; shift
  runuser -u "$u" -- env -i PATH=/usr/bin:/bin HOME="$work/home-$u" QT_QPA_PLATFORM=offscreen \
    SDL_AUDIODRIVER=dummy KALIMO_COMMON_DOCUMENTS="$work/common" "$@"
}
step() {  # name, user, worker arguments...
  local name=$1; shift
  if ! as "$@" >"$work/$name.out" 2>&1 || ! grep -q '^OK$' "$work/$name.out"; then
    echo "$name failed:"; cat "$work/$name.out"; fail=1
  fi
}
checks() {  # user: prints the summary line of the installation check
  as "$1" "$work/usr/bin/kalimo" --check 2>&1 | tail -1
}
before=$(checks "$ua")

# One after the other: each creates a player, plays, edits the same own list and records a word.
step a1 "$ua" "$work/worker" "$work/usr/bin/kalimo" Tom 2 "Eigene Listen/Meine Tiere.txt" Kalimowort-Tom
step b1 "$ub" "$work/worker" "$work/usr/bin/kalimo" Lea 2 "Eigene Listen/Meine Tiere.txt" Kalimowort-Lea
# Each plays the other's player.
step a2 "$ua" "$work/worker" "$work/usr/bin/kalimo" Lea 1
step b2 "$ub" "$work/worker" "$work/usr/bin/kalimo" Tom 1
# At the same time.
as "$ua" "$work/worker" "$work/usr/bin/kalimo" Tom 15 >"$work/a3.out" 2>&1 &
as "$ub" "$work/worker" "$work/usr/bin/kalimo" Lea 15 >"$work/b3.out" 2>&1 &
wait
for s in a3 b3; do grep -q '^OK$' "$work/$s.out" || { echo "$s (at the same time) failed:"; cat "$work/$s.out"; fail=1; }; done

data="$work/common/MORWEN/kalimo"
for f in Optionen/Options-Tom.txt Optionen/Options-Lea.txt Optionen/lock.txt Optionen/LetzterNutzer.txt \
         Protokoll/Tom.prt Protokoll/Lea.prt Protokoll/Tom-Verlauf.csv Protokoll/Lea-Verlauf.csv; do
  [ -f "$data/$f" ] || { echo "missing: $f"; fail=1; }
done
for p in Tom Lea; do  # 2 + 1 + 15 runs each, one history line per run
  n=$(grep -c . "$data/Protokoll/$p-Verlauf.csv" 2>/dev/null)
  [ "$n" = 19 ] || { echo "$p's history holds $n lines, want 18 runs and the header"; fail=1; }
done
list=$(find "$data/Listen" -name "Meine Tiere.txt")
[ -n "$list" ] && [ "$(grep -c '^\[Aufgabe' "$list")" = 2 ] || { echo "the own list does not hold both accounts' tasks: $list"; fail=1; }
for w in Kalimowort-Tom Kalimowort-Lea; do
  [ -n "$(find "$data/Material" -name "$w.wav")" ] || { echo "recording $w.wav is not in the common folder"; fail=1; }
done

# Everything Kalimo made there belongs to the group and is writable by it; folders pass the group on.
bad=$(find "$work/common" \( ! -group "$grp" -o ! -perm -g=rw \) -printf '%M %g %P\n')
[ -z "$bad" ] || { echo "not shared with the group:"; echo "$bad" | head; fail=1; }
bad=$(find "$work/common" -type d ! -perm -g+s -printf '%M %P\n')
[ -z "$bad" ] || { echo "folders without the setgid bit:"; echo "$bad" | head; fail=1; }
for u in "$ua" "$ub"; do
  for f in Optionen/Options-Tom.txt Optionen/Options-Lea.txt Protokoll/Tom.prt Protokoll/Lea.prt; do
    runuser -u "$u" -- test -r "$data/$f" -a -w "$data/$f" || { echo "$u cannot read and write $f"; fail=1; }
  done
done

# The check of either account sees the own list (one list more) and its recordings (nothing missing).
after=$(checks "$ub")
count() { echo "$1" | sed -n 's/^\([0-9]*\) Listen.*/\1/p'; }
if [ "$(count "$after")" != $(( $(count "$before") + 1 )) ] || ! echo "$after" | grep -q "nichts fehlt"; then
  echo "check before: $before"; echo "check after:  $after"; fail=1
fi
# The installation itself stays untouched.
[ -z "$(find "$work/usr/share/kalimo" -newer "$work/install.log" -print -quit)" ] || { echo "the installation changed"; fail=1; }
exit $fail
