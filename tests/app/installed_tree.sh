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

# A write-protected installation keeps its players' data in the common documents folder.
chmod -R a-w "$work/usr/share/kalimo"
before=$(cd "$work/usr/share/kalimo" && find . -exec stat -c '%n %s %Y' {} + | sort)
timeout 6 "$work/usr/bin/kalimo" --player Standard --program 301 >/dev/null 2>&1
common="$work/common/MORWEN/kalimo"
for f in Optionen/Options-Standard.txt Optionen/Options-Anna.txt Protokoll TEMP; do
  [ -e "$common/$f" ] || { echo "not in the common documents folder: $f"; fail=1; }
done
[ -w "$common/Optionen/Options-Standard.txt" ] || { echo "the copied options file is not writable"; fail=1; }
after=$(cd "$work/usr/share/kalimo" && find . -exec stat -c '%n %s %Y' {} + | sort)
if [ "$before" != "$after" ]; then echo "the installation changed:"; diff <(echo "$before") <(echo "$after") | head; fail=1; fi
exit $fail
