#!/bin/bash
# A wrong installation is refused with exit code 2 and a German message, and nothing is written; the
# installation check names exactly the pictures, sounds and lists that are missing or broken.
# usage: installation.sh KALIMO DEMO
set -u
kalimo=$1
demo=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy KALIMO_COMMON_DOCUMENTS="$work/common" HOME="$work/home"
mkdir -p "$work/home" "$work/empty"
fail=0
expect_rc() {  # name, want, got
  if [ "$3" != "$2" ]; then echo "$1: exit code $3, want $2"; fail=1; fi
}
expect_err() {  # name, text, file
  if ! grep -qF "$2" "$3"; then echo "$1: message missing; stderr was:"; cat "$3"; fail=1; fi
}

# Wrong installations, for a start, a start of one program and the check.
"$kalimo" --installation "$work/fehlt" 2>"$work/missing.err" >/dev/null
expect_rc missing 2 $?
expect_err missing "Den Installationsordner \"$work/fehlt\" gibt es nicht." "$work/missing.err"
"$kalimo" --installation "$work/empty" --player Anna --program 301 2>"$work/empty.err" >/dev/null
expect_rc empty 2 $?
expect_err empty "ist keine Kalimo-Installation" "$work/empty.err"
"$kalimo" --check --installation "$work/empty" 2>"$work/emptycheck.err" >/dev/null
expect_rc emptycheck 2 $?
if [ -e "$work/fehlt" ] || [ -n "$(ls -A "$work/empty")" ] || [ -e "$work/common" ] || [ -n "$(ls -A "$work/home")" ]; then
  echo "a wrong installation wrote something:"; find "$work/fehlt" "$work/empty" "$work/common" "$work/home" 2>/dev/null; fail=1
fi

# The check on a sound copy finds nothing and writes nothing.
cp -r "$demo" "$work/inst"
folder="$work/inst/Listen/3_Differenzierung/2_Richtig oder Falsch/Allgemein"
mat="$work/inst/Material"
cp "$mat/Bilder/Apfel.bmp" "$mat/Bilder/Pruefbild1.bmp"
cp "$mat/Bilder/Apfel.bmp" "$mat/Bilder/Pruefbild2.bmp"
cp "$mat/Sound/Apfel.wav" "$mat/Sound/Pruefton.wav"
printf '[Allgemein]\r\nAufgabencount=2\r\n\r\n[Aufgabe 1]\r\nErfolgssound=\r\n0=||\r\n1=Pruefbild1.bmp|100|Apfel|Pruefton.wav\r\n2=Birne.gif|100|Birne|Birne.wav\r\n\r\n[Aufgabe 2]\r\nErfolgssound=\r\n0=||\r\n1=Apfel.bmp|100|Apfel|Apfel.wav\r\n2=Pruefbild2.bmp|100|Birne|Birne.wav\r\n' >"$folder/99 Prüfliste.txt"
before=$(cd "$work/inst" && find . -exec stat -c '%n %s %Y' {} + | sort)
"$kalimo" --check --installation "$work/inst" >"$work/ok.out" 2>"$work/ok.err"
expect_rc check-ok 0 $?
if ! grep -q "nichts fehlt" "$work/ok.out"; then echo "check-ok: output was:"; cat "$work/ok.out"; fail=1; fi
after=$(cd "$work/inst" && find . -exec stat -c '%n %s %Y' {} + | sort)
if [ "$before" != "$after" ]; then echo "the check wrote:"; diff <(echo "$before") <(echo "$after") | head; fail=1; fi

# Two pictures and one sound removed, one list broken: exactly those four findings.
rm "$mat/Bilder/Pruefbild1.bmp" "$mat/Bilder/Pruefbild2.bmp" "$mat/Sound/Pruefton.wav"
head -c 3000 /dev/urandom >"$work/inst/Listen/3_Differenzierung/5_Memory/kaputt.txt"
before=$(cd "$work/inst" && find . -exec stat -c '%n %s %Y' {} + | sort)
"$kalimo" --check --installation "$work/inst" >"$work/bad.out" 2>"$work/bad.err"
expect_rc check-bad 1 $?
want=$(cat <<WANT
Liste "Listen/3_Differenzierung/2_Richtig oder Falsch/Allgemein/99 Prüfliste.txt", Aufgabe 1: Bild "Pruefbild1.bmp" nicht gefunden
Liste "Listen/3_Differenzierung/2_Richtig oder Falsch/Allgemein/99 Prüfliste.txt", Aufgabe 1: Ton "Pruefton.wav" nicht gefunden
Liste "Listen/3_Differenzierung/2_Richtig oder Falsch/Allgemein/99 Prüfliste.txt", Aufgabe 2: Bild "Pruefbild2.bmp" nicht gefunden
Liste "Listen/3_Differenzierung/5_Memory/kaputt.txt": lässt sich nicht laden (keine gültige Aufgabe)
WANT
)
got=$(grep '^Liste ' "$work/bad.out" | sort)
if [ "$got" != "$(echo "$want" | sort)" ]; then
  echo "check-bad: findings differ:"; diff <(echo "$want" | sort) <(echo "$got"); fail=1
fi
if ! tail -1 "$work/bad.out" | grep -q "2 Bilder fehlen, 1 Ton fehlt, 1 Liste lässt sich nicht laden."; then
  echo "check-bad: summary was:"; tail -1 "$work/bad.out"; fail=1
fi
after=$(cd "$work/inst" && find . -exec stat -c '%n %s %Y' {} + | sort)
if [ "$before" != "$after" ]; then echo "the check wrote:"; diff <(echo "$before") <(echo "$after") | head; fail=1; fi
if [ -e "$work/common" ]; then echo "the check wrote into the common documents folder"; fail=1; fi
exit $fail
