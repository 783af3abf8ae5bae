#!/usr/bin/env python3
"""Checks demo/: every file the configuration, options and task lists name exists
(case-insensitive fallback as the program does), every WAV parses, every picture decodes."""
import os
import re
import struct
import subprocess
import sys
import wave

import shutil

import speech

if shutil.which("sox") is None:
    sys.exit("check.py needs sox (Debian package sox) to measure the spoken files")

HERE = os.path.dirname(os.path.abspath(__file__))
ARGS = [a for a in sys.argv[1:] if not a.startswith("--")]
DEMO = os.path.abspath(ARGS[0] if ARGS else os.path.join(HERE, "..", "..", "demo"))
errors = []
counts = {}


def err(msg):
    errors.append(msg)


# ---------------------------------------------------------------- spoken files

TONES = {"klick", "klick_klein", "meldung", "mischen", "austeilen", "paar_gefunden", "alle_gefunden", "blume", "auto",
         "schritt"}


def spoken_files():
    """Every WAV of demo/ that speaks: all but the pause files, the synthetic tones and the praise noises."""
    out = []
    for dirpath, _, files in os.walk(DEMO):
        rel = os.path.relpath(dirpath, DEMO).replace(os.sep, "/").lower()
        if rel.endswith("/pausen") or rel.endswith("lob/geräusch"):
            continue
        for f in sorted(files):
            if f.lower().endswith(".wav") and not (rel == "intern/sound" and f[:-4].lower() in TONES):
                out.append(os.path.join(dirpath, f))
    return sorted(out)


def vowel_pairs():
    """(short word's sound, long word's sound) of every task of the "Lang oder Kurz" vowel lists
    (element 1 holds the short vowel, element 2 the long one; the word-length lists are not about vowels)."""
    pairs = set()
    for dirpath, _, files in os.walk(os.path.join(DEMO, "Listen")):
        parts = os.path.relpath(dirpath, DEMO).split(os.sep)
        if not any(p.lower().endswith("lang oder kurz") for p in parts) or "wortlänge" in (p.lower() for p in parts):
            continue
        for f in files:
            if not f.lower().endswith(".txt"):
                continue
            lst = read_ini(os.path.join(dirpath, f))
            for sec, t in lst.items():
                if sec.startswith("aufgabe ") and "1" in t and "2" in t:
                    a, b = (t[k].split("|")[3] if t[k].count("|") >= 3 else "" for k in ("1", "2"))
                    if a and b and ";" not in a + b and "#" not in a + b:
                        pairs.add((a, b))
    return sorted(pairs)


def check_speech(verbose=False):
    """Every spoken file: 22050 Hz 16-bit mono, loudness, silence at both ends, no clipping;
    the long vowels of "Lang oder Kurz" audibly longer than their short partners."""
    files = spoken_files()
    if not files:
        err("no spoken files")
        return
    levels, peaks, edges = [], [], []
    for p in files:
        rel = os.path.relpath(p, DEMO)
        try:
            x, rate = speech.read_wav(p)
        except Exception as e:
            err(f"{rel}: WAV does not parse ({e})")
            continue
        if rate != speech.RATE:
            err(f"{rel}: {rate} Hz, not {speech.RATE}")
        lufs = speech.loudness(p)
        levels.append((lufs, rel))
        if abs(lufs - speech.TARGET_LUFS) > speech.LOUDNESS_TOLERANCE:
            err(f"{rel}: loudness {lufs:.1f} LUFS, want {speech.TARGET_LUFS:.0f} +/- {speech.LOUDNESS_TOLERANCE:.0f}")
        pk = speech.peak_dbfs(x)
        peaks.append((pk, rel))
        if pk > speech.PEAK_LIMIT_DBFS + 0.05:
            err(f"{rel}: peak {pk:.2f} dBFS (clipping risk; at most {speech.PEAK_LIMIT_DBFS} dBFS)")
        e = speech.edges_ms(x, rate)
        if e is None:
            err(f"{rel}: silent")
            continue
        edges.append(e)
        if any(abs(ms - speech.EDGE_MS) > 5 for ms in e):
            err(f"{rel}: silence at the ends {e[0]:.0f}/{e[1]:.0f} ms, want {speech.EDGE_MS} ms")
    S = D_SOUND()
    ratios = []
    for a, b in vowel_pairs():
        pa, pb = find(win(S, a)), find(win(S, b))
        if not pa or not pb:
            err(f"vowel pair {a}/{b}: sound missing")
            continue
        va, vb = speech.vowel_ms(pa), speech.vowel_ms(pb)
        r = vb / va if va else 0
        ratios.append((r, a, va, b, vb))
        if r < speech.VOWEL_RATIO:
            err(f"vowel pair {a} ({va:.0f} ms) / {b} ({vb:.0f} ms): long vowel only {r:.2f} x the short one")
    if levels:
        print(f"speech: {len(files)} files, loudness {min(levels)[0]:.2f} .. {max(levels)[0]:.2f} LUFS, "
              f"peak at most {max(peaks)[0]:.2f} dBFS, edges {min(min(e) for e in edges):.1f} .. "
              f"{max(max(e) for e in edges):.1f} ms")
    if ratios:
        print(f"vowel pairs: {len(ratios)}, long/short {min(ratios)[0]:.2f} .. {max(ratios)[0]:.2f}")
    if verbose:
        for r, a, va, b, vb in sorted(ratios, key=lambda t: t[1:]):
            print(f"  {a:22s} {va:4.0f} ms  {b:22s} {vb:4.0f} ms  {r:.2f}")


def D_SOUND():
    return os.path.join(DEMO, "Material", "Sound")


def find(path):
    """Exact name first, then a case-insensitive match component by component."""
    if os.path.exists(path):
        return path
    rel = os.path.relpath(path, DEMO)
    cur = DEMO
    for part in rel.split(os.sep):
        if part in ("", "."):
            continue
        try:
            hit = next((e for e in os.listdir(cur) if e.lower() == part.lower()), None)
        except OSError:
            return None
        if hit is None:
            return None
        cur = os.path.join(cur, hit)
    return cur


def win(folder, name):
    return os.path.join(folder, *[p for p in name.split("\\") if p])


def need(folder, name, what):
    if not name:
        return None
    p = find(win(folder, name))
    if p is None:
        err(f"{what}: missing {name!r} in {os.path.relpath(folder, DEMO)}")
    return p


def read_ini(path):
    raw = open(path, "rb").read()
    if re.search(rb"(?<!\r)\n", raw):
        err(f"{os.path.relpath(path, DEMO)}: line end without CR")
    try:
        text = raw.decode("cp1252")
    except UnicodeDecodeError as e:
        err(f"{os.path.relpath(path, DEMO)}: not Windows-1252 ({e})")
        text = raw.decode("cp1252", "replace")
    secs, cur = {}, None
    for line in text.split("\r\n"):
        s = line.strip()
        if not s or s.startswith(";"):
            continue
        if s.startswith("[") and s.endswith("]"):
            cur = secs.setdefault(s[1:-1].strip().lower(), {})
            cur["__order__"] = cur.get("__order__", [])
        elif "=" in s and cur is not None:
            k, v = s.split("=", 1)
            cur[k.strip().lower()] = v.strip()
            cur["__order__"].append(k.strip())
    return secs


if "--speech" in sys.argv[1:]:
    check_speech("--verbose" in sys.argv[1:])
    for e in errors:
        print("ERROR", e)
    print("OK" if not errors else f"{len(errors)} errors")
    sys.exit(1 if errors else 0)

cfg_path = os.path.join(DEMO, "INTERN", "Kalimo.txt")
cfg = read_ini(cfg_path)
D = {}
for key in ["Hilfe", "Optionen", "Protokoll", "Spielerbilder", "Listen", "Material", "MaterialBilder",
            "MaterialSammelBilder", "MaterialSound", "INTERN", "Font", "Bilderurkunde", "INTERNBILDER",
            "INTERNRueckseite", "Hintergrundbilder", "LobAnimation", "Internsound", "Anleitungsound", "LobSound",
            "Fehlersound", "EndeSound", "Knopf", "Schalterknopf"]:
    v = cfg.get("pfade", {}).get(key.lower())
    if v is None:
        err(f"Pfade: key {key} missing")
        continue
    D[key] = find(win(DEMO, v)) or win(DEMO, v)
    if key not in ("Protokoll", "Font") and not os.path.isdir(D[key]):
        err(f"Pfade: folder {v} missing")

PIC, SND = D["INTERNBILDER"], D["Internsound"]

# menu
FORMS = {"formmerkfaehigkeit", "formwortreihe", "formdoppelgaenger", "formeinerpasstnicht", "formgleichnichtgleich",
         "formrichtigoderfalsch", "formwelcherlautpasst", "formlangoderkurz", "formmemory", "formlautpos",
         "formlautsuche", "formlautadd", "formlautweg", "formlautreplace", "formsilbenanzahl", "formlautmemory",
         "formpaarsuche"}
programs = []
n = 1
while cfg["hauptschalter"].get(str(n), "#") != "#":
    sec = cfg.get(f"schalter{n}", {})
    need(D["Schalterknopf"], sec.get("bildoben"), f"Schalter{n}")
    need(D["Schalterknopf"], sec.get("bildunten"), f"Schalter{n}")
    m = 1
    while sec.get(str(m), "#") != "#":
        sub = cfg.get(f"schalter{n * 100 + m}", {})
        if sub.get("formular", "").lower() not in FORMS:
            err(f"Schalter{n * 100 + m}: unknown formular {sub.get('formular')!r}")
        need(D["Schalterknopf"], sub.get("bildoben"), f"Schalter{n * 100 + m}")
        need(D["Schalterknopf"], sub.get("bildunten"), f"Schalter{n * 100 + m}")
        programs.append(sec[str(m)])
        m += 1
    n += 1
if len(programs) != 19 or n - 1 != 4:
    err(f"menu: {n - 1} groups, {len(programs)} programs (want 4 groups, all 19 catalogue programs)")
for cap in ("Doppelgänger - Bild", "Doppelgänger - Text", "Einer passt nicht - Bild", "Einer passt nicht - Text",
            "Merkfähigkeit - Bild", "Merkfähigkeit - Text"):
    if cap not in programs:
        err(f"menu: caption {cap!r} missing")

hf = cfg["hauptformular"]
need(PIC, hf.get("startbild1"), "Startbild1")
need(PIC, hf.get("startbild2"), "Startbild2")
need(SND, hf.get("schaltersound"), "Schaltersound")
need(SND, hf.get("uschaltersound"), "USchaltersound")
for k, v in cfg["bilder"].items():
    if k != "__order__":
        need(PIC, v, f"Bilder {k}")
need(SND, cfg["toene"].get("tonmeldung"), "TonMeldung")
for k in ("tonreihenfolgefalsch", "tonkartenfalsch"):
    need(SND, cfg["fehlersounds"].get(k), k)

PICTURE_KEYS = {"lobbild1", "lobbild2", "lobtext1", "lobtext2", "symbolsehen", "symbolprüfen", "symbolweiter",
                "symbolhören", "symbolnochmal", "markerbild", "tastaturmarkerbild", "tonbild", "startbild", "stopbild",
                "lobgleich", "lobungleich", "fehlergleich", "fehlerungleich", "symbolgleich", "symbolnichtgleich",
                "symbolrichtig", "symbolfalsch", "lobrichtig", "lobfalsch", "fehlerrichtig", "fehlerfalsch", "ohrknopf",
                "symbollang", "symbolkurz", "loblang", "lobkurz", "fehlerlang", "fehlerkurz", "bild", "bildvorne",
                "bildmitte", "bildhinten", "fehlerbild", "fragebild", "lob", "fehler", "symbolknopf", "symbolpfeil",
                "enable", "disable"}
SOUND_KEYS = {"sounderfolgtextrechts", "sounderfolgtextlinks", "sounderfolgbild", "fehlersound1", "fehlersound2",
              "fehlersound", "soundinlaut", "soundanlaut", "soundauslaut", "tonautosweg", "tonmischen", "tonausteilen",
              "tonpaargefunden", "tonallegefunden", "tonblumeerscheint", "tonvorne", "tonmitte", "tonhinten",
              "soundaus", "soundwird"}
TEXT_KEYS = {"titel", "listenpfad", "hoerentext", "lobschriftfarbe", "lobschrift", "xdiff", "ydiff", "animationbild",
             "pfaderfolgsmotiv", "black", "white", "whiteblack", "blackwhite", "mundbildendung", "silben"}
PROG_SECTIONS = ["progmerkfaehigkeit", "progwortreihe", "proggleichnichtgleich", "progrichtigoderfalsch",
                 "progwelcherlautpasst", "proglangoderkurz", "progmemory", "proglautmemory", "proglautpos",
                 "proglautsuche", "proglautadd", "proglautweg", "proglautreplace", "progsilbenanzahl", "progpaarsuche"]
listfolders = {}
for s in PROG_SECTIONS:
    sec = cfg.get(s)
    if sec is None:
        err(f"section {s} missing")
        continue
    for k, v in sec.items():
        if k == "__order__":
            continue
        if k in PICTURE_KEYS:
            need(PIC, v, f"{s}.{k}")
        elif k in SOUND_KEYS:
            need(SND, v, f"{s}.{k}")
        elif k not in TEXT_KEYS:
            err(f"{s}: unexpected key {k}")
    lf = win(D["Listen"], sec.get("listenpfad", ""))
    listfolders[s] = lf
    if not find(lf):
        err(f"{s}: list folder missing")
    if "animationbild" in sec:
        for i in (1, 2, 3):
            need(PIC, f"{sec['animationbild']}{i}.wmf", f"{s} animation")
    if "pfaderfolgsmotiv" in sec:
        root = find(win(PIC, sec["pfaderfolgsmotiv"]))
        for sub in os.listdir(root) if root else []:
            for k in ("black", "white", "whiteblack", "blackwhite"):
                need(os.path.join(root, sub), sub + sec[k], f"{s} motif")
    if "mundbildendung" in sec:
        need(PIC, "Mundbilder\\0" + sec["mundbildendung"], f"{s} mouth")
    if "silben" in sec:
        for c in range(1, 5):
            need(PIC, f"{sec['silben']}\\{c}{sec['silben']}.jpg", "count picture")
            need(PIC, f"{sec['silben']}\\{c}gedrückt.jpg", "count picture")
for i in range(1, 5):
    need(PIC, f"RichtigoderFalsch\\nicken{i}.wmf", "nicken")
    need(PIC, f"RichtigoderFalsch\\schütteln{i}.wmf", "schütteln")
info = cfg.get("info", {})
if not any("internet" in k.lower() for k in info.get("__order__", [])):
    err("Info: no Internet line")

# sounds by folder convention
for ms in (0, 200, 500, 750, 1000, 1250, 1500, 1750, 2000, 2500, 3000, 3500, 4000, 4500):
    p = need(SND, f"Pausen\\{ms:04d}.wav", "pause")
    if p:
        with wave.open(p) as w:
            got = w.getnframes() * 1000 / w.getframerate()
            if abs(got - ms) > 0.5:
                err(f"pause {ms}: {got:.1f} ms")
for a in ("der", "die", "das", "ein", "eine"):
    need(D["MaterialSound"], a + ".wav", "article")
for folder in (D["LobSound"], os.path.join(D["LobSound"], "Zufall"), D["Fehlersound"],
               os.path.join(D["Fehlersound"], "Zufall"), D["EndeSound"]):
    if not [f for f in os.listdir(folder) if f.lower().endswith(".wav")]:
        err(f"no wav in {os.path.relpath(folder, DEMO)}")
knopf = sorted(f for f in os.listdir(D["Knopf"]) if f.lower()[-4:] in (".wmf", ".emf"))
if len(knopf) < 7:
    err("Knopf: fewer than 7 metafiles")
for f in ("Bilderrahmen.gif", "Anna.gif", "Ben.bmp"):
    need(D["Spielerbilder"], f, "player picture")
need(D["Hilfe"], "index.html", "help")
need(DEMO, "Anleitung-Kalimo.pdf", "manual")


def letter_sound(s):
    for cand in (f"ABC\\LAUTE\\{s}.wav", f"ABC\\Silben\\{s}.wav", f"ABC\\Silben\\{s}-.wav",
                 "ABC\\LAUTE\\" + re.sub(r"\d", "", s) + ".wav"):
        if find(win(SND, cand)):
            return True
    err(f"letter sound {s!r} missing")


def mouth(s):
    if not find(win(SND, f"ABC\\LAUTE\\{s}.wav")):
        return  # syllables have no mouth pictures; the program shows the sound symbol instead
    for end in ("-ohne Buchstabe.wmf", ".jpg"):
        for k in (1, 2):
            need(PIC, f"Mundbilder\\{s}{k}{end}", "mouth")


# task lists
LIST_PROG = {}
for s, lf in listfolders.items():
    for dirpath, _, files in os.walk(find(lf) or lf):
        for f in files:
            if f.lower().endswith(".txt"):
                LIST_PROG[os.path.join(dirpath, f)] = s
lists_per = {}
for path, prog in sorted(LIST_PROG.items()):
    rel = os.path.relpath(path, DEMO)
    lst = read_ini(path)
    lists_per[prog] = lists_per.get(prog, 0) + 1
    n = int(lst.get("allgemein", {}).get("aufgabencount", "0"))
    lay = lst.get("layout", {})
    if lay.get("hintergrundbild"):
        need(PIC, lay["hintergrundbild"], rel)
    if lay.get("rueckseite"):
        need(D["INTERNRueckseite"], lay["rueckseite"], rel)
    if lay.get("bildanleitung"):
        need(PIC, lay["bildanleitung"], rel)
    if lay.get("animation") and not find(win(D["LobAnimation"], lay["animation"])):
        err(f"{rel}: animation folder {lay['animation']} missing")
    for hs in filter(None, lay.get("überschriftsound", "").split(";")):
        need(D["Anleitungsound"], hs, rel)
    if n < 1:
        err(f"{rel}: no tasks")
    for k in range(1, n + 1):
        t = lst.get(f"aufgabe {k}")
        if t is None:
            err(f"{rel}: Aufgabe {k} missing")
            continue
        for snd in filter(None, t.get("erfolgssound", "").split(";")):
            need(SND, snd, rel)
        keys = sorted((int(x) for x in t if x.isdigit()))
        for i in keys:
            e = t[str(i)]
            if e == "||":
                continue
            f = (e.split("|") + ["", "", "", ""])[:4]
            pic, size, text, snds = f
            if pic:
                folder = D["MaterialSammelBilder"] if (i == 0 and prog == "progmerkfaehigkeit") else D["MaterialBilder"]
                need(folder, pic, f"{rel} [{k}] {i}")
            for sn in filter(None, re.split(r"[;#]", snds)):
                need(D["MaterialSound"], sn, f"{rel} [{k}] {i}")
            if prog == "proglautsuche" and i == 1:
                for s in text.split(",")[1:]:
                    letter_sound(s)
                    mouth(s)
            if prog in ("proglautreplace",) and i == 2:
                for s in text.split(",")[1:] + [re.sub(r"^.*?(\d)(.*)$", lambda m: m.group(2)[:int(m.group(1))], text.split(",")[0])]:
                    letter_sound(s)
                    mouth(s)
            if prog == "proglautadd" and i == 2:
                a, _, b = text.partition("+")
                offered = a if "anlaut" in rel.lower() else b
                for s in offered.split(","):
                    letter_sound(s.lower() if len(s) == 1 else s)
                    mouth(s.lower())
            if prog == "progwelcherlautpasst" and i == 1 and "," in text:
                for c in text.split(",")[1:]:
                    letters = c.replace("-", "").lower()
                    # "-ss" and "-ff" sound as one letter
                    letter_sound(letters[0] if len(letters) == 2 and letters[0] == letters[1] else letters)

# options files
for f in os.listdir(D["Optionen"]):
    if not f.lower().startswith("options-"):
        continue
    opt = read_ini(os.path.join(D["Optionen"], f))
    for name, val in opt.get("ereignis", {}).items():
        if name == "__order__":
            continue
        p = val[:-1].strip() if val[-1:] in "01" else val
        need(DEMO, p, f"{f} EREIGNIS {name}")
    for sec, data in opt.items():
        if sec.startswith("programm: ") and data.get("datei"):
            base = {"merkfähigkeit-bild": "progmerkfaehigkeit\\Bild", "merkfähigkeit-text": "progmerkfaehigkeit\\Text",
                    "doppelgänger-bild": "progwortreihe\\1_Doppelgänger-Bild",
                    "doppelgänger-text": "progwortreihe\\2_Doppelgänger-Text",
                    "einer passt nicht-bild": "progwortreihe\\3_Einer passt nicht-Bild",
                    "einer passt nicht-text": "progwortreihe\\4_Einer passt nicht-Text",
                    "gleich oder nichtgleich": "proggleichnichtgleich", "richtig oder falsch": "progrichtigoderfalsch",
                    "welcher laut passt": "progwelcherlautpasst", "lang oder kurz": "proglangoderkurz",
                    "memory": "progmemory", "laut positionieren": "proglautpos", "laut-/silbensuche": "proglautsuche",
                    "laute hinzufügen": "proglautadd", "laute weglassen": "proglautweg",
                    "laute ersetzen": "proglautreplace", "silbenanzahl": "progsilbenanzahl",
                    "laut-/silbenmemory": "proglautmemory", "paare suchen": "progpaarsuche"}[sec[10:]]
            s, _, sub = base.partition("\\")
            need(win(listfolders[s], sub), data["datei"], f"{f} [{sec}] Datei")

# every media file decodes
for dirpath, _, files in os.walk(DEMO):
    for f in files:
        p = os.path.join(dirpath, f)
        ext = f.lower().rsplit(".", 1)[-1]
        counts[ext] = counts.get(ext, 0) + 1
        if ext == "wav":
            try:
                with wave.open(p) as w:
                    if (w.getnchannels(), w.getsampwidth(), w.getframerate()) != (1, 2, 22050):
                        err(f"{p}: not 16-bit mono 22050 Hz")
            except Exception as e:
                err(f"{p}: WAV does not parse ({e})")
        elif ext in ("gif", "bmp", "jpg", "jpeg"):
            r = subprocess.run(["identify", "-regard-warnings", p], capture_output=True)
            if r.returncode:
                err(f"{p}: does not decode")
            elif ext == "bmp":
                px = subprocess.run(["convert", p + "[0]", "-gravity", "SouthWest", "-crop", "1x1+0+0", "txt:-"],
                                    capture_output=True, text=True).stdout
                if "#FFFFFF" not in px.upper():
                    err(f"{p}: bottom-left pixel not white")
        elif ext == "wmf":
            b = open(p, "rb").read()
            off = 22 if b[:4] == b"\xd7\xcd\xc6\x9a" else 0
            ok = len(b) > off + 18 and struct.unpack_from("<H", b, off)[0] in (1, 2) \
                and struct.unpack_from("<I", b, off + 6)[0] * 2 == len(b) - off
            o = off + 18
            while ok and o + 6 <= len(b):  # records up to META_EOF
                size, fn = struct.unpack_from("<IH", b, o)
                if fn == 0 or size < 3:
                    break
                o += size * 2
            ok = ok and o + 6 == len(b)
            if not ok:
                err(f"{p}: not a WMF")
        elif ext == "emf":
            b = open(p, "rb").read()
            ok = len(b) > 88 and struct.unpack_from("<I", b, 0)[0] == 1 and b[40:44] == b" EMF" \
                and struct.unpack_from("<I", b, 48)[0] == len(b)
            if not ok:
                err(f"{p}: not an EMF")

check_speech()
print("files:", ", ".join(f"{k} {v}" for k, v in sorted(counts.items())))
print("lists:", ", ".join(f"{k[4:]} {v}" for k, v in sorted(lists_per.items())))
for e in errors:
    print("ERROR", e)
print("OK" if not errors else f"{len(errors)} errors")
sys.exit(1 if errors else 0)
