#!/bin/bash
# scripts/sync-demo (run by `make run` and `make test`) copies demo/ into the build tree without
# ever overwriting what the program wrote there: an edited list, a grown options file or history,
# a new recording stay; files new or changed in the repository arrive where the copy is untouched.
# usage: sync_demo.sh SYNC_DEMO_SCRIPT
set -u
script=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p demo/Listen/Memory demo/Optionen demo/Font
printf 'list v1\r\n' >demo/Listen/Memory/Tiere.txt
printf 'list v1\r\n' >demo/Listen/Memory/Obst.txt
printf 'opts v1\r\n' >demo/Optionen/Options-Anna.txt
printf 'opts v1\r\n' >demo/Optionen/Options-Ben.txt
touch demo/Font/.gitkeep
bash "$script" build >/dev/null || { echo "first copy failed"; exit 1; }
fail=0
expect() {  # file, content, what
  if [ "$(cat "$1" 2>/dev/null)" != "$(printf "$2")" ]; then echo "$3: $1 holds '$(cat "$1" 2>/dev/null)'"; fail=1; fi
}
expect build/demo/Listen/Memory/Tiere.txt 'list v1\r' "first copy"
[ -d build/demo/Font ] || { echo "the empty Font folder was not made"; fail=1; }

# The program writes into its copy; the repository changes too.
printf 'edited by the editor\r\n' >build/demo/Listen/Memory/Tiere.txt
printf 'opts grown\r\n' >build/demo/Optionen/Options-Anna.txt
printf 'protocol\r\n' >build/demo/Optionen/Options-Tom.txt
rm build/demo/Optionen/Options-Ben.txt  # the player was deleted
printf 'list v2\r\n' >demo/Listen/Memory/Tiere.txt
printf 'list v2\r\n' >demo/Listen/Memory/Obst.txt
printf 'new\r\n' >demo/Listen/Memory/Neu.txt
bash "$script" build >"$work/out" 2>&1 || { echo "second copy failed"; cat "$work/out"; exit 1; }
expect build/demo/Listen/Memory/Tiere.txt 'edited by the editor\r' "an edited list was overwritten"
expect build/demo/Optionen/Options-Anna.txt 'opts grown\r' "a player's options were overwritten"
expect build/demo/Optionen/Options-Tom.txt 'protocol\r' "a file only the program made"
expect build/demo/Listen/Memory/Obst.txt 'list v2\r' "an untouched copy did not follow the repository"
expect build/demo/Listen/Memory/Neu.txt 'new\r' "a new repository file was not copied"
[ ! -e build/demo/Optionen/Options-Ben.txt ] || { echo "a deleted player came back"; fail=1; }
grep -q "Listen/Memory/Tiere.txt" "$work/out" || { echo "the kept list was not named:"; cat "$work/out"; fail=1; }

# A third run with nothing new copies nothing and says nothing.
bash "$script" build >"$work/out3" 2>&1
[ ! -s "$work/out3" ] || { echo "a run with nothing new printed:"; cat "$work/out3"; fail=1; }
expect build/demo/Listen/Memory/Tiere.txt 'edited by the editor\r' "third run"
exit $fail
