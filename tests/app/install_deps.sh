#!/bin/bash
# On a machine where the build's packages are installed, scripts/install-deps (the first step of
# `make run` and `make test`) ends at once: it runs no apt-get and no sudo, so a second `make run`
# never asks for a password.
# usage: install_deps.sh INSTALL_DEPS_SCRIPT     (exit 77: skipped)
set -u
script=$1
if ! command -v dpkg-query >/dev/null; then echo "SKIP: no dpkg on this system"; exit 77; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
for tool in apt-get apt sudo; do
  printf '#!/bin/sh\necho "%s $*" >>"%s/calls"\nexit 0\n' "$tool" "$work" >"$work/bin/$tool"
  chmod +x "$work/bin/$tool"
done
PATH="$work/bin:$PATH" bash "$script" </dev/null >"$work/out" 2>&1
rc=$?
fail=0
if [ -s "$work/calls" ]; then
  echo "install-deps called package tools on a set-up machine:"; cat "$work/calls"; cat "$work/out"; fail=1
fi
if [ $rc != 0 ]; then echo "install-deps ended with $rc"; cat "$work/out"; fail=1; fi
if [ -s "$work/out" ]; then echo "install-deps printed:"; cat "$work/out"; fail=1; fi
exit $fail
