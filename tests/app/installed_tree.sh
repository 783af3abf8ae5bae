#!/bin/bash
# `cmake --install` into a fresh prefix: the program started from there finds the installed default
# installation without --installation, the check finds nothing missing, the noise helper and the
# desktop files are in place, and the installation itself stays read-only data.
# usage: installed_tree.sh BUILD_DIR
set -u
build=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy KALIMO_COMMON_DOCUMENTS="$work/common"
fail=0
cmake --install "$build" --prefix "$work/usr" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
for f in bin/kalimo libexec/kalimo/noise share/kalimo/INTERN/Kalimo.txt share/applications/de.kalimo.Kalimo.desktop \
         share/metainfo/de.kalimo.Kalimo.metainfo.xml share/icons/hicolor/scalable/apps/de.kalimo.Kalimo.svg \
         share/man/man1/kalimo.1.gz share/doc/kalimo/copyright; do
  [ -e "$work/usr/$f" ] || { echo "not installed: $f"; fail=1; }
done
"$work/usr/bin/kalimo" --check >"$work/check.out" 2>&1
rc=$?
if [ $rc != 0 ] || ! grep -q "nichts fehlt" "$work/check.out"; then
  echo "check of the installed tree: exit $rc"; tail -5 "$work/check.out"; fail=1
fi
exit $fail
