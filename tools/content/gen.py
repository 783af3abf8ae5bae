#!/usr/bin/env python3
"""Builds Kalimo's embedded demo installation (demo/) from words.tsv and the fixed texts here.

Run through ./generate (installs the tools first). Everything under demo/ except nothing is rebuilt.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import wave
from concurrent.futures import ThreadPoolExecutor

import art
import ausmalbilder
import history
import speech
from speech import RATE

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.abspath(os.path.join(HERE, "..", ".."))
DEMO = os.path.join(REPO, "demo")
WORK = os.path.join(HERE, "work")
EMOJI = os.path.join(HERE, "node_modules", "@twemoji", "svg")

# Folder keys of section "Pfade" (Windows form) and their place below demo/.
PFADE = [
    ("Hilfe", "Hilfe"), ("Optionen", "Optionen"), ("Protokoll", "Protokoll"),
    ("Spielerbilder", "Spielerbilder"), ("Listen", "Listen"), ("Material", "Material"),
    ("MaterialBilder", r"Material\Bilder"), ("MaterialSammelBilder", r"Material\Sammelbilder"),
    ("MaterialSound", r"Material\Sound"), ("INTERN", "INTERN"), ("Font", "Font"),
    ("Bilderurkunde", "Bilderurkunde"), ("INTERNBILDER", r"INTERN\Bilder"),
    ("INTERNRueckseite", r"INTERN\Rueckseite"), ("Hintergrundbilder", r"INTERN\Bilder\Hintergrund"),
    ("LobAnimation", r"INTERN\LobAnimation"), ("Internsound", r"INTERN\Sound"),
    ("Anleitungsound", r"INTERN\Anleitung"), ("LobSound", r"INTERN\Lob"),
    ("Fehlersound", r"INTERN\Fehler"), ("EndeSound", r"INTERN\Ende"), ("Knopf", r"INTERN\Knopf"),
    ("Schalterknopf", r"INTERN\Schalterknopf"),
]
DIR = {k: os.path.join(DEMO, *v.split("\\")) for k, v in PFADE}


# --speech: remake only the spoken files, in place; every other file of demo/ stays untouched
SPEECH_ONLY = "--speech" in sys.argv[1:]


def sh(*cmd, **kw):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)


def ensure(path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    return path


def write_win(path, text):
    """Windows-1252 with CR LF, as every stored Kalimo text file."""
    if SPEECH_ONLY:
        return
    ensure(path)
    data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp1252")
    with open(path, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------- pictures

_svg_count = [0]


def tmp_svg(text):
    _svg_count[0] += 1
    p = os.path.join(WORK, "svg", f"{_svg_count[0]:05d}.svg")
    ensure(p)
    with open(p, "w", encoding="utf-8") as f:
        f.write(text)
    return p


def emoji(code):
    with open(os.path.join(EMOJI, code + ".svg"), encoding="utf-8") as f:
        return f.read()


JOBS = []


def picture(svg_text, out, size=256, height=None):
    """Queue the conversion of an SVG text into out (format by extension)."""
    JOBS.append((tmp_svg(svg_text), out, size, height))


def convert_one(job):
    src, out, size, height = job
    ensure(out)
    ext = os.path.splitext(out)[1].lower()
    if ext in (".wmf", ".emf"):
        sh("inkscape", src, "--export-text-to-path", f"--export-filename={out}")
        if ext == ".wmf":
            fix_wmf_size(out)
        return
    png = out + ".tmp.png"
    args = ["rsvg-convert", "-w", str(size)]
    if height:
        args += ["-h", str(height)]
    sh(*args, "-o", png, src)
    if ext == ".gif":
        sh("convert", png, "-background", "white", "-alpha", "background", out)
    elif ext == ".bmp":
        # white background, white bottom-left pixel: Kalimo keys BMP transparency on that pixel
        sh("convert", png, "-background", "white", "-alpha", "remove", "-alpha", "off",
           "-fill", "white", "-draw", "point 0,%d" % ((height or size) - 1),
           "-type", "Palette", "BMP3:" + out)
    elif ext in (".jpg", ".jpeg"):
        sh("convert", png, "-background", "white", "-alpha", "remove", "-alpha", "off", "-quality", "85", out)
    elif ext == ".png":
        shutil.move(png, out)
        return
    os.remove(png)


def fix_wmf_size(path):
    """Inkscape counts the 22-byte placeable header into mtSize; the format wants the metafile alone."""
    with open(path, "r+b") as f:
        b = f.read()
        if b[:4] == b"\xd7\xcd\xc6\x9a":
            f.seek(22 + 6)
            f.write(struct.pack("<I", (len(b) - 22) // 2))


def run_picture_jobs():
    with ThreadPoolExecutor(max_workers=2) as ex:
        list(ex.map(convert_one, JOBS))
    JOBS.clear()


# ---------------------------------------------------------------- sounds

def speak(text, out, speed=100, pitch=100):
    """Everything spoken is SVOX Pico's German voice, finished by speech.finish (rate, loudness, edges)."""
    speech.pico(text, ensure(out), speed=speed, pitch=pitch)


def speak_sound(phonemes, out):
    """Isolated sounds ("mmm", "sss", "b@") are eSpeak NG phoneme strings: Pico reads letters, not sounds."""
    speech.espeak(f"[[{phonemes}]]", ensure(out), speed=100)


def silence(ms, out):
    if SPEECH_ONLY:
        return
    ensure(out)
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"\0\0" * round(RATE * ms / 1000))


def tone(out, *synth):
    if SPEECH_ONLY:
        return
    ensure(out)
    # -R: the same noise on every run, so regenerating leaves the file as it was
    sh("sox", "-R", "-n", "-r", str(RATE), "-c", "1", "-b", "16", out, *synth)


# ---------------------------------------------------------------- word table

class Word:
    def __init__(self, fields):
        self.file, self.word, self.article, self.syll, marks, self.fmt, self.pic = fields
        self.marks = [] if marks == "-" else marks.split(",")

    @property
    def picture(self):
        return f"{self.file}.{self.fmt}"

    @property
    def sound(self):
        return f"{self.file}.wav"


def load_words():
    words = {}
    with open(os.path.join(HERE, "words.tsv"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            w = Word(line.rstrip("\n").split("\t"))
            words[w.word] = w
    return words


def word_svg(w):
    kind, _, arg = w.pic.partition(":")
    if kind == "twemoji":
        return art.plain_emoji(emoji(arg), pad=10)
    if kind == "twice":
        return art.twice(emoji(arg))
    return getattr(art, arg)()


# ---------------------------------------------------------------- letters, syllables

# espeak-ng phoneme spellings for the isolated sounds ("lautieren", not letter names)
LAUTE = {
    "a": "a:", "e": "e:", "i": "i:", "o": "o:", "u": "u:", "ä": "E:", "ö": "Y:", "ü": "y:",
    "ei": "aI", "au": "aU", "eu": "OY", "ie": "i:",
    "b": "b@", "p": "p@", "d": "d@", "t": "t@", "g": "g@", "k": "k@", "ck": "k@",
    "f": "fff", "w": "vvv", "v": "fff", "s": "sss", "z": "ts@", "sch": "SSS", "ch": "CCC",
    "l": "lll", "m": "mmm", "n": "nnn", "r": "R@", "h": "h@", "j": "j@", "ß": "sss",
    "ai": "aI", "chs": "kss", "st": "Sd@", "sp": "Sb@", "pf": "pf@", "y": "y:",
}
SILBEN = ["ba", "na", "ne", "to", "ma", "te", "ro", "se", "ha", "ka", "mi", "li", "bu", "sa",
          "ri", "ze", "tor", "kro", "ge", "so", "ra"]


# ---------------------------------------------------------------- task lists

def element(w, text=None, sounds=None, size=100, pic=True):
    return "|".join([w.picture if pic else "", str(size), w.word if text is None else text,
                     w.sound if sounds is None else sounds])


def with_article(w):
    return element(w, text=f"{w.article} {w.word}", sounds=f"{w.article}.wav;{w.sound}")


def task_list(path, tasks, heading="", heading_sound="", background="", colour=8585090,
              back="", animation="Sterne", elements=None, font="Arial", font_size=48,
              instruction=""):
    """tasks: list of (success sounds, head element, [elements])."""
    lines = ["[Allgemein]", f"Aufgabencount={len(tasks)}"]
    if elements is not None:
        lines.append(f"Elementanzahl={elements}")
    lines += ["", "[Layout]", f"Hintergrundfarbe={colour}", f"Hintergrundbild={background}",
              "Bilderhintergrundfarbe=16777215", "Knopffarbe=14745599", "Bildgröße=100",
              f"Schriftname={font}", f"Schriftgröße={font_size}", "Schriftfarbe=0",
              "BstPaarFarbe=8388608", "BstMarkFarbe=255", f"Animation={animation}",
              f"Rueckseite={back}", f"Überschrift={heading}"]
    if instruction:
        lines.append(f"BildAnleitung={instruction}")
    lines += [f"Überschriftsound={heading_sound}", "", "[Info]", "Aufgabennummer=Bild|Text|Soundliste"]
    for k, (succ, head, els) in enumerate(tasks, 1):
        lines += ["", f"[Aufgabe {k}]", f"Erfolgssound={succ}", f"0={head}"]
        for i, e in enumerate(els, 1):
            lines.append(f"{i}={e}")
    write_win(path, "\n".join(lines) + "\n")


LISTEN_PFAD = {
    "merk": "1_Merkfähigkeit",
    "wort": "2_Wortreihen",
    "gleich": r"3_Differenzierung\1_Gleich oder Nichtgleich",
    "richtig": r"3_Differenzierung\2_Richtig oder Falsch",
    "welcher": r"3_Differenzierung\3_Welcher Laut passt",
    "langkurz": r"3_Differenzierung\4_Lang oder Kurz",
    "memory": r"3_Differenzierung\5_Memory",
    "lautpos": r"4_Laut-Silben-Analyse\1_Laut positionieren",
    "lautsuche": r"4_Laut-Silben-Analyse\2_Laut-Silbensuche",
    "lautadd": r"4_Laut-Silben-Analyse\3_Laute hinzufügen",
    "lautweg": r"4_Laut-Silben-Analyse\4_Laute weglassen",
    "lautreplace": r"4_Laut-Silben-Analyse\5_Laute ersetzen",
    "silben": r"4_Laut-Silben-Analyse\6_Silbenanzahl",
    "lautmemory": r"4_Laut-Silben-Analyse\7_Laut-Silbenmemory",
    "paare": r"4_Laut-Silben-Analyse\8_Paare suchen",
}


def listdir(key, *sub):
    return os.path.join(DIR["Listen"], *LISTEN_PFAD[key].split("\\"), *sub)


LISTS = {}  # program key -> default "Datei"
NEED_SILBEN = set()  # words spoken in syllables (Silbenanzahl)
NEED_PARTS = set()   # words recorded syllable by syllable (multi-sound tasks)
# syllables espeak would otherwise read in English ("to") or with the wrong vowel length
PART_SPEECH = {"to": "toh", "To": "Toh", "Schmet": "Schmett", "bürs": "bürss"}
# "Lang oder Kurz": Pico's rate (per cent) and spelling per word, chosen so that every long vowel of the
# lists' pairs lasts at least 1.3 times its short partner as check.py measures it: Pico's own durations keep
# long and short vowels too close. tune_vowels.py suggests the rates; a spelling or an X-SAMPA phoneme string
# where a rate alone is not enough.
SPEED = {"Besen": 70, "Biene": 70, "Blitz": 140, "Brief": 60, "Brille": 130, "Bücher": 70, "Dose": 70,
         "Fahrrad": 80, "Fisch": 110, "Fliege": 80, "Frosch": 110, "Hase": 60, "Hose": 90, "Hüte": 90, "Igel": 80,
         "Kanne": 130, "Kirche": 110, "Krone": 80, "Kuh": 80, "Käse": 80, "Küken": 70, "Löffel": 120, "Löwe": 70,
         "Messer": 130, "Milch": 120, "Mund": 130, "Mücke": 120, "Mütze": 130, "Nest": 120, "Nuss": 120,
         "Pfanne": 120, "Pilz": 120, "Pinsel": 140, "Ring": 120, "Rose": 70, "Schere": 70, "Schuh": 70,
         "Sonne": 120, "Spiegel": 70, "Stiefel": 60, "Stuhl": 90, "Tiger": 90, "Tisch": 110, "Uhr": 90, "Wal": 90,
         "Welle": 130, "Wolke": 120, "Ziege": 70, "Zug": 60, "Zwiebel": 60}
SPELLING = {"Tiger": "Tieger", "Brief": "Brihf", "Igel": "<phoneme alphabet='xsampa' ph=\"'?i:.g@l\"/>"}


def build_lists(W):
    def w(name):
        return W[name]

    BG = [r"Hintergrund\Wiese.jpg", r"Hintergrund\Himmel.jpg", r"Hintergrund\Holz.bmp"]
    pair = lambda a, b: ("", "||", [element(w(a)), element(w(b))])

    # Gleich oder Nichtgleich: two words per task; a word paired with itself is a "gleich" task in every card
    # arrangement. "Minimalpaare" differ in one sound, "Inlaut" in the middle of the word, "Allgemein" share a topic.
    g = {
        ("Minimalpaare", "01 Haus und Maus.txt"): [("Haus", "Maus"), ("Tisch", "Fisch"), ("Kanne", "Tanne"), ("Haus", "Haus"),
                                                   ("Nase", "Hase"), ("Rose", "Hose"), ("Mund", "Hund"), ("Zahn", "Hahn"),
                                                   ("Fisch", "Fisch"), ("Eis", "Reis"), ("Bus", "Nuss"), ("Tonne", "Sonne")],
        ("Minimalpaare", "02 Schal und Schaf.txt"): [("Schal", "Schaf"), ("Kuh", "Schuh"), ("Wurm", "Turm"), ("Brille", "Grille"),
                                                     ("Schal", "Schal"), ("Tasse", "Tasche"), ("Stein", "Schwein"), ("Hose", "Dose"),
                                                     ("Wal", "Schal"), ("Kuh", "Kuh"), ("Reis", "Mais"), ("Junge", "Zunge")],
        ("Allgemein", "01 Tiere.txt"): [("Hund", "Katze"), ("Maus", "Hase"), ("Affe", "Löwe"), ("Ente", "Eule"),
                                        ("Hund", "Hund"), ("Frosch", "Fisch"), ("Biene", "Fliege"), ("Elefant", "Giraffe"),
                                        ("Pinguin", "Krokodil"), ("Eule", "Eule"), ("Schaf", "Kuh"), ("Igel", "Fuchs")],
        ("Allgemein", "02 Obst und Gemüse.txt"): [("Apfel", "Birne"), ("Banane", "Zitrone"), ("Tomate", "Möhre"),
                                                  ("Kirsche", "Erdbeere"), ("Apfel", "Apfel"), ("Mais", "Reis"),
                                                  ("Trauben", "Kirsche"), ("Kürbis", "Tomate"), ("Bohne", "Mais"),
                                                  ("Banane", "Banane"), ("Zitrone", "Apfel"), ("Erdbeere", "Banane")],
        ("Inlaut", "01 Vokale in der Mitte.txt"): [("Hase", "Hose"), ("Mais", "Maus"), ("Hund", "Hand"), ("Mond", "Mund"),
                                                   ("Hase", "Hase"), ("Hahn", "Huhn"), ("Bett", "Boot"), ("Schaf", "Schiff"),
                                                   ("Tanne", "Tonne"), ("Mond", "Mond"), ("Hammer", "Hummer"),
                                                   ("Fliege", "Flagge")],
        ("Inlaut", "02 Konsonanten in der Mitte.txt"): [("Tasse", "Tasche"), ("Kanne", "Katze"), ("Mütze", "Mücke"),
                                                        ("Kirsche", "Kirche"), ("Tasse", "Tasse"), ("Flasche", "Flagge"),
                                                        ("Socke", "Sonne"), ("Tanne", "Tasse"), ("Wolke", "Wolle"),
                                                        ("Katze", "Katze"), ("Schüssel", "Schlüssel"), ("Biene", "Birne")],
        ("Minimalpaare", "03 Kanne und Wanne.txt"): [("Wanne", "Kanne"), ("Pfanne", "Tanne"), ("Vase", "Nase"), ("Ohr", "Uhr"),
                                                     ("Wanne", "Wanne"), ("Brot", "Boot"), ("Ei", "Hai"), ("Tor", "Ohr"),
                                                     ("Rose", "Dose"), ("Uhr", "Uhr"), ("Hase", "Vase"), ("Wanne", "Tanne")],
        ("Allgemein", "03 Fahrzeuge.txt"): [("Auto", "Bus"), ("Zug", "Flugzeug"), ("Schiff", "Boot"), ("Rakete", "Flugzeug"),
                                            ("Auto", "Auto"), ("Traktor", "Auto"), ("Fahrrad", "Roller"),
                                            ("Hubschrauber", "Flugzeug"), ("Feuerwehrauto", "Bus"), ("Boot", "Boot"),
                                            ("Zug", "Bus"), ("Fahrrad", "Traktor")],
        ("Allgemein", "04 Kleidung.txt"): [("Hose", "Jacke"), ("Socke", "Schuh"), ("Hut", "Mütze"), ("Kleid", "Hose"),
                                           ("Hut", "Hut"), ("Schal", "Jacke"), ("Schuh", "Hut"), ("Socke", "Schal"),
                                           ("Kleid", "Mütze"), ("Jacke", "Jacke"), ("Hose", "Schuh"), ("Jacke", "Socke")],
        ("Inlaut", "03 Gemischt.txt"): [("Nadel", "Nudel"), ("Becher", "Bücher"), ("Biene", "Bohne"), ("Wolle", "Welle"),
                                        ("Nadel", "Nadel"), ("Apfel", "Ampel"), ("Kerze", "Katze"), ("Stern", "Stein"),
                                        ("Seife", "Säge"), ("Stern", "Stern"), ("Fuchs", "Fuß"), ("Kuchen", "Küken")],
    }
    for i, ((sub, name), pairs) in enumerate(g.items()):
        task_list(listdir("gleich", sub, name), [pair(a, b) for a, b in pairs],
                  heading="Gleich oder nicht gleich?", heading_sound="gleich.wav",
                  background=BG[i % 2], back=r"Sterne.gif" if i % 2 else "Karo.bmp")
    LISTS["gleich"] = r"Minimalpaare\01 Haus und Maus.txt"

    # Richtig oder Falsch: card 1 shown, card 2 heard; a word paired with itself always "passt".
    # "Allgemein" pairs words of one topic, "Minimalpaare" words differing in one sound, "Weitere" similar
    # sounding words and words heard with their article.
    RF_HEAD = dict(heading="Passt das Wort zum Bild?", heading_sound="richtig_falsch.wav")
    rf = [("Haus", "Maus"), ("Tisch", "Fisch"), ("Nase", "Hase"), ("Rose", "Hose"), ("Mund", "Hund"),
          ("Kuh", "Schuh"), ("Zahn", "Hahn"), ("Schal", "Schaf")]
    task_list(listdir("richtig", "Minimalpaare", "01 Minimalpaare.txt"), [pair(a, b) for a, b in rf],
              background=BG[0], **RF_HEAD)
    task_list(listdir("richtig", "Allgemein", "02 Tiere.txt"), [pair(a, b) for a, b in
              [("Hund", "Katze"), ("Maus", "Hase"), ("Ziege", "Fliege"), ("Wal", "Schal"), ("Bär", "Igel")]],
              background=BG[1], **RF_HEAD)
    article_pair = lambda a, b: ("", "||", [with_article(w(a)), with_article(w(b))])
    rf_more = {
        ("Allgemein", "01 Essen und Trinken.txt"): [("Apfel", "Birne"), ("Banane", "Zitrone"), ("Käse", "Brot"),
                                                    ("Milch", "Kuchen"), ("Apfel", "Apfel"), ("Tomate", "Möhre"),
                                                    ("Kirsche", "Erdbeere"), ("Trauben", "Banane"), ("Ei", "Käse"),
                                                    ("Brot", "Brot"), ("Mais", "Kürbis"), ("Zwiebel", "Tomate")],
        ("Allgemein", "03 Zu Hause.txt"): [("Tisch", "Stuhl"), ("Bett", "Uhr"), ("Tasse", "Löffel"), ("Schere", "Messer"),
                                           ("Buch", "Brief"), ("Tisch", "Tisch"), ("Kerze", "Glocke"), ("Schlüssel", "Besen"),
                                           ("Spiegel", "Fenster"), ("Uhr", "Uhr"), ("Telefon", "Zeitung"),
                                           ("Seife", "Zahnbürste")],
        ("Minimalpaare", "02 Anlaute.txt"): [("Kanne", "Tanne"), ("Tonne", "Sonne"), ("Wurm", "Turm"), ("Brille", "Grille"),
                                             ("Hose", "Dose"), ("Kanne", "Kanne"), ("Eis", "Reis"), ("Bus", "Nuss"),
                                             ("Junge", "Zunge"), ("Wanne", "Pfanne"), ("Turm", "Turm"), ("Vase", "Nase")],
        ("Minimalpaare", "03 Mitte und Ende.txt"): [("Brot", "Boot"), ("Fuß", "Fuchs"), ("Tasse", "Tasche"), ("Mais", "Maus"),
                                                    ("Brot", "Brot"), ("Hahn", "Huhn"), ("Hütte", "Hüte"), ("Hase", "Hose"),
                                                    ("Mond", "Mund"), ("Hüte", "Hüte"), ("Tanne", "Tonne"), ("Hund", "Hand")],
        ("Weitere", "01 Ähnliche Wörter.txt"): [("Kanne", "Katze"), ("Mütze", "Mücke"), ("Kirsche", "Kirche"),
                                               ("Flasche", "Flagge"), ("Tasse", "Tasse"), ("Schüssel", "Schlüssel"),
                                               ("Biene", "Birne"), ("Apfel", "Ampel"), ("Stern", "Stein"), ("Kirche", "Kirche"),
                                               ("Kuchen", "Küken"), ("Seife", "Säge")],
    }
    for i, ((sub, name), pairs) in enumerate(rf_more.items()):
        task_list(listdir("richtig", sub, name), [pair(a, b) for a, b in pairs], background=BG[i % 2],
                  back="Karo.bmp" if i % 2 else "Sterne.gif", **RF_HEAD)
    task_list(listdir("richtig", "Weitere", "02 Mit Artikel.txt"),
              [article_pair(a, b) for a, b in
               [("Haus", "Maus"), ("Tisch", "Fisch"), ("Rose", "Hose"), ("Hund", "Mund"), ("Haus", "Haus"), ("Eis", "Reis"),
                ("Wurm", "Turm"), ("Kuh", "Schuh"), ("Nase", "Hase"), ("Hund", "Hund"), ("Tonne", "Sonne"), ("Robbe", "Tonne")]],
              background=BG[2], **RF_HEAD)
    LISTS["richtig"] = r"Minimalpaare\01 Minimalpaare.txt"

    # Welcher Laut passt: element 1 = word; the choices are derived from the word and the list's folder
    # (Anlaut, Inlaut, Auslaut) or given after it (",-o-,-a-"). Words whose spelling misleads the ear
    # ("Pferd", "Stern", "Biene", "Giraffe") are left out of derived lists.
    def wl(name, given=""):
        x = w(name)
        return ("", "||", [element(x, text=x.word + given)])
    WL_HEAD = dict(heading="Welcher Laut passt?", heading_sound="welcher_laut.wav")
    welcher = {
        ("Anlaut", "01 B oder P.txt"): ["Banane", "Bär", "Birne", "Pilz", "Bus", "Papagei", "Baum", "Pinguin",
                                        "Bett", "Pinsel", "Buch", "Boot"],
        ("Anlaut", "02 Gemischt.txt"): ["Tasse", "Dose", "Fisch", "Wal", "Geige", "Katze", "Mund", "Nase",
                                        "Schal", "Sonne", "Gitarre", "Tomate"],
        ("Anlaut", "03 Sch oder S.txt"): ["Schaf", "Sonne", "Schiff", "Seife", "Schere", "Socke", "Schnecke",
                                          "Säge", "Schwein", "Schlange", "Schloss", "Schal"],
        ("Anlaut", "04 Noch mehr Anlaute.txt"): ["Drache", "Tisch", "Fuchs", "Wurm", "Geige", "Kamel", "Mond",
                                                 "Nest", "Frosch", "Wolke", "Koffer", "Nadel"],
        ("Inlaut", "02 o oder u.txt"): ["Hut", "Mond", "Hund", "Rose", "Kuchen", "Sonne", "Wurm", "Dose",
                                        "Fuchs", "Tonne", "Huhn", "Mund"],
        ("Inlaut", "03 Gemischt.txt"): ["Igel", "Nudel", "Robbe", "Raupe", "Löwe", "Bücher", "Tiger", "Zebra",
                                        "Küken", "Möhre", "Fisch", "Nest"],
        ("Auslaut", "01 m oder n.txt"): ["Baum", "Turm", "Wurm", "Zahn", "Hahn", "Stern", "Schwein", "Fisch",
                                         "Haus", "Bein", "Huhn", "Regenschirm"],
        ("Auslaut", "02 s oder sch.txt"): ["Bus", "Tisch", "Haus", "Fisch", "Eis", "Frosch", "Maus",
                                           ("Nuss", ",-ss,-sch"), "Kaktus", "Reis", "Kürbis", "Mais"],
        ("Auslaut", "03 Weitere Auslaute.txt"): [("Ball", ",-l,-n"), ("Stuhl", ",-l,-n"), ("Igel", ",-l,-n"),
                                                 ("Tor", ",-r,-l"), ("Uhr", ",-r,-l"), ("Brot", ",-t,-d"),
                                                 ("Boot", ",-t,-d"), ("Schaf", ",-f,-s"), ("Schiff", ",-ff,-s"),
                                                 ("Kamel", ",-l,-n"), ("Hut", ",-t,-d"), ("Ohr", ",-r,-l")],
        ("Inlaut", "01 Vokale.txt"): [("Hose", ",-o-,-a-"), ("Hase", ",-a-,-o-"), ("Hund", ",-u-,-a-"),
                                      ("Hand", ",-a-,-u-"), ("Mais", ",-ai-,-au-"), ("Maus", ",-au-,-ai-"),
                                      ("Kanne", ",-a-,-o-"), ("Tonne", ",-o-,-a-"), ("Mond", ",-o-,-u-"),
                                      ("Mund", ",-u-,-o-"), ("Tasse", ",-a-,-u-"), ("Nuss", ",-u-,-a-")],
    }
    for i, ((sub, name), words) in enumerate(welcher.items()):
        tasks = [wl(*x) if isinstance(x, tuple) else wl(x) for x in words]
        extra = dict(back="Punkte.wmf") if sub == "Anlaut" else {}
        task_list(listdir("welcher", sub, name), tasks, **WL_HEAD, **extra)
    LISTS["welcher"] = r"Anlaut\01 B oder P.txt"

    # Lang oder Kurz: element 1 short, element 2 long
    lk = [("Kanne", "Hase"), ("Fisch", "Biene"), ("Sonne", "Rose"), ("Hund", "Hut"), ("Bett", "Besen"),
          ("Ring", "Igel"), ("Blatt", "Schal"), ("Socke", "Mond")]
    task_list(listdir("langkurz", "Vokale", "01 Kurz und lang.txt"), [pair(a, b) for a, b in lk],
              heading="Hörst du den Vokal lang oder kurz?", heading_sound="lang_kurz.wav", back="Sterne.gif")
    task_list(listdir("langkurz", "Vokale", "02 a und u.txt"),
              [pair(a, b) for a, b in [("Hammer", "Zahn"), ("Katze", "Wal"), ("Bus", "Kuh"), ("Nuss", "Schuh"), ("Mund", "Zug")]],
              heading="Hörst du den Vokal lang oder kurz?", heading_sound="lang_kurz.wav")
    def syl(x):
        NEED_PARTS.add(x.word)
        return ";".join(f"{x.file}_{i}.wav" for i in range(len(x.syll.split("-"))))
    task_list(listdir("langkurz", "Wortlänge", "01 Kurzes und langes Wort.txt"),
              [("", "||", [element(w(a), sounds=syl(w(a))), element(w(b), sounds=syl(w(b)))]) for a, b in
               [("Ei", "Eichhörnchen"), ("Ball" if "Ball" in W else "Bus", "Luftballon"), ("Schiff", "Schildkröte"),
                ("Hut", "Regenschirm"), ("Zug", "Flugzeug")]],
              heading="Welches Wort ist lang?", heading_sound="lang_kurz.wav")
    task_list(listdir("langkurz", "Zusätzliches", "01 Doppelte Buchstaben.txt"),
              [pair(a, b) for a, b in [("Schiff", "Schaf"), ("Koffer", "Ofen" if "Ofen" in W else "Brot"), ("Affe", "Nase")]],
              heading="Hörst du den Vokal lang oder kurz?", heading_sound="lang_kurz.wav")

    # Lang oder Kurz, further lists. Element 1 is always the word with the short sound, element 2 the one with the
    # long sound; the program draws the sides. The marker digit marks the vowel (with its lengthening "h" or "e").
    def lkm(ta, tb):
        word = lambda t: w(re.sub(r"[1-9]", "", t))
        return ("", "||", [element(word(ta), text=ta), element(word(tb), text=tb)])
    LK_HEAD = dict(heading="Hörst du den Vokal lang oder kurz?", heading_sound="lang_kurz.wav")
    lk_more = {
        ("Vokale", "03 ü, ö und e.txt"): [
            ("H1ütte", "H1üte"), ("M1ütze", "K1üken"), ("M1ücke", "B1ücher"), ("Schl1üssel", "H1üte"),
            ("L1öffel", "L1öwe"), ("Sch1üssel", "M2öhre"), ("1Ente", "1Esel"), ("M1esser", "B1esen"),
            ("W1elle", "Sch1ere"), ("B1ett", "K1äfer"), ("N1est", "K1äse"), ("B1echer", "S1äge")],
        ("Vokale", "04 o und i.txt"): [
            ("S1onne", "R1ose"), ("T1onne", "H1ose"), ("W1olke", "D1ose"), ("K1offer", "Br1ot"), ("R1oller", "B2oot"),
            ("Fr1osch", "Kr1one"), ("R1obbe", "B2ohne"), ("Gl1ocke", "2Ohr"), ("F1isch", "1Igel"), ("T1isch", "T1iger"),
            ("P1ilz", "Z2iege"), ("Bl1itz", "Fl2iege")],
        ("Zusätzliches", "02 Dehnungs-h.txt"): [
            ("K1anne", "Z2ahn"), ("H1und", "H2uhn"), ("S1onne", "B2ohne"), ("T1onne", "2Ohr"), ("H1ummer", "St2uhl"),
            ("1Affe", "H2ahn"), ("W1olle", "M2öhre"), ("Pf1anne", "F2ahrrad"), ("M1ütze", "2Uhr"),
            ("T1asse", "Z2ahnbürste"), ("N1uss", "K2uh"), ("B1us", "Sch2uh")],
        ("Zusätzliches", "03 i oder ie.txt"): [
            ("F1isch", "B2iene"), ("T1isch", "Z2iege"), ("R1ing", "Fl2iege"), ("P1ilz", "Sp2iegel"), ("Bl1itz", "Br2ief"),
            ("Sp1inne", "St2iefel"), ("St1ift", "Zw2iebel"), ("M1ilch", "B2iene"), ("K1irche", "Fl2iege"),
            ("Sch1iff", "Sp2iegel"), ("P1insel", "St2iefel"), ("Br1ille", "Zw2iebel")],
    }
    for i, ((sub, name), pairs) in enumerate(lk_more.items()):
        task_list(listdir("langkurz", sub, name),
                  [lkm(a, b) for a, b in pairs],
                  back="Sterne.gif" if i % 2 == 0 else "Karo.bmp", background=BG[i % 2] if i >= 2 else "", **LK_HEAD)
    WL_HEAD = dict(heading="Welches Wort ist kurz, welches ist lang?", heading_sound="wort_lang_kurz.wav")
    task_list(listdir("langkurz", "Wortlänge", "02 Einsilbig und mehrsilbig.txt"),
              [pair(a, b) for a, b in
               [("Fisch", "Schmetterling"), ("Maus", "Elefant"), ("Hund", "Krokodil"), ("Kuh", "Känguru"),
                ("Hahn", "Papagei"), ("Schaf", "Schildkröte"), ("Wal", "Pinguin"), ("Bär", "Giraffe"), ("Eis", "Erdbeere"),
                ("Brot", "Banane"), ("Stuhl", "Telefon"), ("Bus", "Feuerwehrauto")]],
              back="Punkte.wmf", **WL_HEAD)
    task_list(listdir("langkurz", "Wortlänge", "03 In Silben gesprochen.txt"),
              [("", "||", [element(w(a), sounds=syl(w(a))), element(w(b), sounds=syl(w(b)))]) for a, b in
               [("Mond", "Rakete"), ("Stern", "Blumenstrauß"), ("Hand", "Zahnbürste"), ("Tisch", "Gitarre"),
                ("Buch", "Zitrone"), ("Haus", "Tomate"), ("Bett", "Regenschirm"), ("Baum", "Hubschrauber"),
                ("Nest", "Krokodil"), ("Ring", "Schmetterling"), ("Zug", "Feuerwehrauto"), ("Uhr", "Telefon")]],
              background=BG[1], **WL_HEAD)
    LISTS["langkurz"] = r"Vokale\01 Kurz und lang.txt"

    # Memory: pairs of equal cards, and rhyme pairs
    same = ["Haus", "Maus", "Hund", "Katze", "Apfel", "Birne", "Auto", "Zug", "Sonne", "Mond", "Stern", "Blume"]
    task_list(listdir("memory", "01 Gleiche Bilder.txt"),
              [("paar_gefunden.wav", "||", [element(w(n)), element(w(n))]) for n in same],
              heading="Finde die Paare!", heading_sound="memory.wav", back="Sterne.gif", instruction="anleitung_memory.gif")
    rhyme = [("Haus", "Maus"), ("Tisch", "Fisch"), ("Rose", "Hose"), ("Kanne", "Tanne"), ("Nase", "Hase"),
             ("Mund", "Hund"), ("Zahn", "Hahn"), ("Eis", "Reis"), ("Wurm", "Turm"), ("Kuh", "Schuh"),
             ("Brille", "Grille"), ("Ziege", "Fliege")]
    task_list(listdir("memory", "02 Reimpaare.txt"), [pair(a, b) for a, b in rhyme],
              heading="Finde die Reime!", heading_sound="memory.wav", back="Karo.bmp", instruction="anleitung_memory.gif")
    animals = ["Hund", "Katze", "Pferd", "Frosch", "Affe", "Löwe", "Wal", "Ente", "Igel", "Elefant", "Giraffe", "Pinguin"]
    task_list(listdir("memory", "03 Tiere.txt"),
              [("paar_gefunden.wav", "||", [element(w(n)), element(w(n))]) for n in animals],
              heading="Finde die Paare!", heading_sound="memory.wav", back="Sterne.gif", instruction="anleitung_memory.gif")
    onset = [("Ball", "Banane"), ("Fisch", "Feuer"), ("Mond", "Maus"), ("Tisch", "Tasse"), ("Sonne", "Seife"),
             ("Kuh", "Kamel"), ("Nase", "Nest"), ("Rose", "Ring"), ("Hund", "Hut"), ("Wal", "Wurm"), ("Zug", "Zebra"),
             ("Löwe", "Löffel")]
    task_list(listdir("memory", "04 Gleicher Anfang.txt"), [pair(a, b) for a, b in onset],
              heading="Finde Wörter mit gleichem Anfang!", heading_sound="memory.wav", back="Karo.bmp",
              instruction="anleitung_memory.gif")
    LISTS["memory"] = "01 Gleiche Bilder.txt"

    # Laut-/Silbenmemory: words with the same first sound, marked
    def mk(x, n):
        return element(x, text=f"{n}{x.word}")
    lm = [("Haus", "Hose", 1), ("Maus", "Mond", 1), ("Schal", "Schaf", 3), ("Tisch", "Tanne", 1),
          ("Fisch", "Feuer", 1), ("Sonne", "Seife", 1), ("Rose", "Rakete", 1), ("Eis", "Eule", 2)]
    task_list(listdir("lautmemory", "01 Gleicher Anfang.txt"),
              [("", "||", [mk(w(a), n), mk(w(b), n if n != 2 else 2)]) for a, b, n in lm],
              heading="Finde Wörter mit gleichem Anfang!", heading_sound="laut_memory.wav", back="Punkte.wmf",
              instruction="anleitung_memory.gif")
    # the marked end, and the marked first syllable
    def mkend(x, n):
        return element(x, text=f"{x.word[:-n]}{n}{x.word[-n:]}")
    ends = [("Haus", 1, "Eis", 1), ("Pilz", 1, "Herz", 1), ("Fisch", 3, "Tisch", 3), ("Ball", 2, "Stuhl", 1),
            ("Baum", 1, "Turm", 1), ("Hut", 1, "Boot", 1), ("Zahn", 1, "Stein", 1), ("Uhr", 1, "Tor", 1),
            ("Buch", 2, "Milch", 2), ("Schiff", 2, "Schaf", 1), ("Kuh", 2, "Schuh", 2), ("Sonne", 1, "Hose", 1)]
    task_list(listdir("lautmemory", "02 Gleiches Ende.txt"),
              [("", "||", [mkend(w(a), na), mkend(w(b), nb)]) for a, na, b, nb in ends],
              heading="Finde Wörter mit gleichem Ende!", heading_sound="laut_memory.wav", back="Sterne.gif",
              instruction="anleitung_memory.gif")
    first = [("Nase", "Nadel", 2), ("Feuer", "Feuerwehrauto", 3), ("Kirsche", "Kirche", 3), ("Käse", "Käfer", 2),
             ("Gitarre", "Giraffe", 2), ("Krone", "Krokodil", 3), ("Elefant", "Esel", 1), ("Pinguin", "Pinsel", 3),
             ("Blume", "Blumenstrauß", 3), ("Wolke", "Wolle", 3), ("Besen", "Becher", 2)]
    task_list(listdir("lautmemory", "03 Gleiche erste Silbe.txt"),
              [("", "||", [mk(w(a), n), mk(w(b), n)]) for a, b, n in first],
              heading="Finde Wörter mit gleicher erster Silbe!", heading_sound="laut_memory.wav", back="Karo.bmp",
              instruction="anleitung_memory.gif")
    LISTS["lautmemory"] = "01 Gleicher Anfang.txt"

    # Paare suchen: choice card element 1, target element 2 (rhymes)
    ps = rhyme
    task_list(listdir("paare", "01 Reime suchen.txt"), [pair(b, a) for a, b in ps],
              heading="Such das Reimwort!", heading_sound="paare.wav", instruction="anleitung_paare.gif")
    task_list(listdir("paare", "02 Gleiche Wörter.txt"), [("", "||", [element(w(n)), element(w(n))]) for n in same],
              heading="Such das gleiche Wort!", heading_sound="paare.wav", instruction="anleitung_paare.gif")
    # the found pair shows its shared beginning, end or first syllable in the pair colour
    task_list(listdir("paare", "03 Gleicher Anfang.txt"), [("", "||", [mk(w(b), 1), mk(w(a), 1)]) for a, b in onset],
              heading="Such das Wort mit dem gleichen Anfang!", heading_sound="paare.wav", background=BG[0],
              instruction="anleitung_paare.gif")
    task_list(listdir("paare", "04 Gleiches Ende.txt"),
              [("", "||", [mkend(w(b), nb), mkend(w(a), na)]) for a, na, b, nb in ends],
              heading="Such das Wort mit dem gleichen Ende!", heading_sound="paare.wav", instruction="anleitung_paare.gif")
    task_list(listdir("paare", "05 Gleiche erste Silbe.txt"), [("", "||", [mk(w(b), n), mk(w(a), n)]) for a, b, n in first],
              heading="Such das Wort mit der gleichen ersten Silbe!", heading_sound="paare.wav",
              instruction="anleitung_paare.gif")
    LISTS["paare"] = "01 Reime suchen.txt"

    # Laut positionieren: text = word with marker digit before the sound
    def pos(name, marked):
        x = w(name)
        return ("", "||", [element(x, text=marked)])
    task_list(listdir("lautpos", "01 Wo hörst du das S.txt"),
              [pos("Sonne", "1Sonne"), pos("Nase", "Na1se"), pos("Bus", "Bu1s"), pos("Seife", "1Seife"),
               pos("Hase", "Ha1se"), pos("Eis", "Ei1s"), pos("Käse", "Kä1se"), pos("Mais", "Mai1s"),
               pos("Rose", "Ro1se"), pos("Nuss", "Nu1ss"), pos("Spinne", "1Spinne"), pos("Vase", "Va1se")],
              heading="Wo hörst du das S?", heading_sound="laut_pos_s.wav")
    task_list(listdir("lautpos", "02 Wo hörst du das Sch.txt"),
              [pos("Schal", "3Schal"), pos("Tasche", "Ta3sche"), pos("Fisch", "Fi3sch"), pos("Schuh", "3Schuh"),
               pos("Kirsche", "Kir3sche"), pos("Frosch", "Fro3sch"), pos("Flasche", "Fla3sche"),
               pos("Schaf", "3Schaf"), pos("Schiff", "3Schiff"), pos("Schnecke", "3Schnecke"), pos("Schere", "3Schere")],
              heading="Wo hörst du das Sch?", heading_sound="laut_pos_sch.wav")
    task_list(listdir("lautpos", "03 Wo hörst du das M.txt"),
              [pos("Maus", "1Maus"), pos("Hammer", "Ha1mmer"), pos("Baum", "Bau1m"), pos("Mond", "1Mond"),
               pos("Blume", "Blu1me"), pos("Wurm", "Wur1m"), pos("Kamel", "Ka1mel"), pos("Turm", "Tur1m"),
               pos("Milch", "1Milch"), pos("Ampel", "A1mpel")],
              heading="Wo hörst du das M?", heading_sound="laut_pos_m.wav")
    LISTS["lautpos"] = "01 Wo hörst du das S.txt"

    # Laut-/Silbensuche: "marked word,target,others..."
    def ls(name, marked, target, others, heading_sound=None):
        x = w(name)
        return ("", "||", [element(x, text=",".join([marked, target] + others))])
    ans = [ls("Haus", "1Haus", "h", ["m", "t", "l", "r"]), ls("Maus", "1Maus", "m", ["h", "n", "l", "r"]),
           ls("Sonne", "1Sonne", "s", ["t", "m", "f", "l"]), ls("Fisch", "1Fisch", "f", ["w", "t", "s", "m"]),
           ls("Tanne", "1Tanne", "t", ["k", "d", "m", "n"]), ls("Schal", "3Schal", "sch", ["s", "ch", "f", "m"]),
           ls("Eis", "2Eis", "ei", ["au", "eu", "a", "i"]), ls("Auto", "2Auto", "au", ["ei", "eu", "o", "u"]),
           ls("Nase", "1Nase", "n", ["m", "h", "l", "r"]), ls("Rose", "1Rose", "r", ["l", "h", "m", "n"])]
    task_list(listdir("lautsuche", "Anlaut", "01 Anlaute.txt"), ans,
              heading="Welchen Laut hörst du am Anfang?", heading_sound="anlaut.wav", back="Sterne.gif")
    task_list(listdir("lautsuche", "Anlaut", "02 Silben am Anfang.txt"),
              [ls("Banane", "2Banane", "ba", ["to", "mi", "ro"]), ls("Tomate", "2Tomate", "to", ["ba", "ma", "li"]),
               ls("Rakete", "2Rakete", "ra", ["ba", "ri", "se"]), ls("Hase", "2Hase", "ha", ["ka", "sa", "ma"]),
               ls("Rose", "2Rose", "ro", ["ra", "to", "so"]), ls("Kamel", "2Kamel", "ka", ["ma", "ha", "na"]),
               ls("Krokodil", "3Krokodil", "kro", ["ro", "ka", "to"]), ls("Zebra", "2Zebra", "ze", ["se", "ba", "to"]),
               ls("Nase", "2Nase", "na", ["ma", "ne", "ra"]), ls("Robbe", "2Robbe", "ro", ["ra", "to", "so"])],
              heading="Welche Silbe hörst du am Anfang?", heading_sound="anlaut_silbe.wav")
    task_list(listdir("lautsuche", "zweiter Laut", "01 Zweiter Laut.txt"),
              [ls("Hase", "H1ase", "a", ["o", "u", "i"]), ls("Hose", "H1ose", "o", ["a", "u", "e"]),
               ls("Mund", "M1und", "u", ["a", "o", "i"]), ls("Tisch", "T1isch", "i", ["e", "a", "u"]),
               ls("Nase", "N1ase", "a", ["e", "o", "u"]), ls("Maus", "M2aus", "au", ["ei", "eu", "a"]),
               ls("Sonne", "S1onne", "o", ["a", "u", "i"]), ls("Kuh", "K1uh", "u", ["o", "a", "i"]),
               ls("Dose", "D1ose", "o", ["a", "u", "e"]), ls("Rose", "R1ose", "o", ["a", "u", "i"])],
              heading="Welchen Laut hörst du als zweiten?", heading_sound="zweiter_laut.wav")
    task_list(listdir("lautsuche", "Auslaut", "01 Auslaute.txt"),
              [ls("Baum", "Bau1m", "m", ["n", "l", "s"]), ls("Fisch", "Fi3sch", "sch", ["s", "ch", "f"]),
               ls("Bus", "Bu1s", "s", ["sch", "z", "f"]), ls("Schal", "Scha1l", "l", ["f", "n", "m"]),
               ls("Zahn", "Zah1n", "n", ["m", "l", "r"]), ls("Schaf", "Scha1f", "f", ["l", "s", "w"]),
               ls("Bär", "Bä1r", "r", ["l", "n", "m"]), ls("Zug", "Zu1g", "g", ["k", "d", "b"]),
               ls("Hut", "Hu1t", "t", ["d", "k", "p"]), ls("Mond", "Mon1d", "d", ["t", "n", "m"])],
              heading="Welchen Laut hörst du am Ende?", heading_sound="auslaut.wav")
    LISTS["lautsuche"] = r"Anlaut\01 Anlaute.txt"

    # Laute hinzufügen: element 2 text "offered+rest" (Anlaut) or "rest+offered" (Auslaut)
    def add(a, b, t):
        return ("", "||", [element(w(a)), element(w(b), text=t)])
    task_list(listdir("lautadd", "Anlaut", "01 Laut vorne dazu.txt"),
              [add("Eis", "Reis", "m,l,R+eis"), add("Eule", "Keule", "b,m,K+eule"), add("Ei", "Hai", "m,r,H+ai"),
               add("Ohr", "Tor", "h,m,T+or")],
              heading="Welcher Laut kommt vorne dazu?", heading_sound="add_vorne.wav")
    task_list(listdir("lautadd", "Auslaut", "01 Laut hinten dazu.txt"),
              [add("Ei", "Eis", "Ei+s,n,l"), add("Rose", "Rosen", "Rose+n,m,l"), add("Ente", "Enten", "Ente+n,r,m"),
               add("Kerze", "Kerzen", "Kerze+n,m,s")],
              heading="Welcher Laut kommt hinten dazu?", heading_sound="add_hinten.wav")
    task_list(listdir("lautadd", "Auslaut", "02 Aus eins mach viele.txt"),
              [add(a, a + "n", a + "+n," + o) for a, o in
               [("Tasse", "m,r"), ("Birne", "l,s"), ("Biene", "m,r"), ("Tomate", "s,l"), ("Katze", "r,m"),
                ("Ziege", "l,s"), ("Blume", "r,l"), ("Socke", "m,s"), ("Rose", "r,s"), ("Ente", "l,m"),
                ("Kerze", "l,r")]],
              heading="Welcher Laut kommt hinten dazu?", heading_sound="add_hinten.wav")
    LISTS["lautadd"] = r"Anlaut\01 Laut vorne dazu.txt"

    # Laute weglassen: head = word; elements 1-4 alternatives (1 is right)
    def weg(head, alts):
        h = w(head)
        els = []
        for i, a in enumerate(alts):
            if a in W:
                els.append(element(w(a), pic=(i == 0)))
            else:
                els.append("|100|" + a + "|" + "weg_" + a.lower() + ".wav")
        return ("", f"{h.picture}|100|{h.word}|{h.sound}", els)
    task_list(listdir("lautweg", "Anlaut", "01 Vorne weg.txt"),
              [weg("Reis", ["Eis", "Reise", "Ei", "Rei"]), weg("Keule", ["Eule", "Kule", "Keul", "Eile"]),
               weg("Hai", ["Ei", "Ha", "Hei", "Au"]), weg("Tor", ["Ohr", "To", "Rohr", "Or"])],
              heading="Was bleibt, wenn der erste Laut weg ist?", heading_sound="weg_vorne.wav", elements=4)
    task_list(listdir("lautweg", "Auslaut", "01 Hinten weg.txt"),
              [weg("Eis", ["Ei", "Ais", "Es", "Eisch"]), weg("Rosen", ["Rose", "Roten", "Rosel", "Ose"]),
               weg("Enten", ["Ente", "Ende", "Enter", "Nente"]), weg("Kerzen", ["Kerze", "Kerne", "Herzen", "Kerzel"])],
              heading="Was bleibt, wenn der letzte Laut weg ist?", heading_sound="weg_hinten.wav", elements=4)
    task_list(listdir("lautweg", "Auslaut", "02 Aus viele mach eins.txt"),
              [weg(p, [p[:-1], p[:-2], p[1:].capitalize()]) for p in
               ["Tassen", "Birnen", "Bienen", "Tomaten", "Katzen", "Ziegen", "Blumen", "Socken"]] +
              [weg("Rosen", ["Rose", "Rosel", "Ose"]), weg("Enten", ["Ente", "Enter", "Nente"])],
              heading="Was bleibt, wenn der letzte Laut weg ist?", heading_sound="weg_hinten.wav", elements=4)
    LISTS["lautweg"] = r"Anlaut\01 Vorne weg.txt"

    # Laute ersetzen: element 1 "marked first word", element 2 "marked second word,others"
    def rep(a, ma, b, mb, others):
        return ("", "||", [element(w(a), text=ma), element(w(b), text=",".join([mb] + others))])
    task_list(listdir("lautreplace", "Anlaut", "01 Anlaut tauschen.txt"),
              [rep("Haus", "1Haus", "Maus", "1Maus", ["r", "l", "k"]), rep("Tisch", "1Tisch", "Fisch", "1Fisch", ["w", "m", "b"]),
               rep("Kanne", "1Kanne", "Tanne", "1Tanne", ["w", "p"]), rep("Nase", "1Nase", "Hase", "1Hase", ["d", "f"]),
               rep("Rose", "1Rose", "Hose", "1Hose", ["d", "l"]), rep("Mund", "1Mund", "Hund", "1Hund", ["b", "r"]),
               rep("Kuh", "1Kuh", "Schuh", "3Schuh", ["m", "r"]), rep("Wurm", "1Wurm", "Turm", "1Turm", ["d", "h"])],
              heading="Tausche den ersten Laut!", heading_sound="ersetzen_vorne.wav")
    task_list(listdir("lautreplace", "Inlaut", "01 Laut in der Mitte.txt"),
              [rep("Hose", "H1ose", "Hase", "H1ase", ["u", "e"]), rep("Mais", "M2ais", "Maus", "M2aus", ["ei", "eu"]),
               rep("Hund", "H1und", "Hand", "H1and", ["i", "o"])],
              heading="Tausche den Laut in der Mitte!", heading_sound="ersetzen_mitte.wav")
    task_list(listdir("lautreplace", "Auslaut", "01 Auslaut tauschen.txt"),
              [rep("Schaf", "Scha1f", "Schal", "Scha1l", ["m", "n"]), rep("Bus", "Bu1s", "Buch", "Bu2ch", ["t", "m"]),
               rep("Fuß", "Fu1ß", "Fuchs", "Fu3chs", ["t", "r"])],
              heading="Tausche den letzten Laut!", heading_sound="ersetzen_hinten.wav")
    task_list(listdir("lautreplace", "Anlaut", "02 Neue Anfänge.txt"),
              [rep("Hose", "1Hose", "Dose", "1Dose", ["r", "n", "l"]), rep("Hahn", "1Hahn", "Zahn", "1Zahn", ["k", "b", "w"]),
               rep("Tonne", "1Tonne", "Sonne", "1Sonne", ["k", "w", "n"]), rep("Zunge", "1Zunge", "Junge", "1Junge", ["l", "d", "s"]),
               rep("Nase", "1Nase", "Vase", "1Vase", ["h", "r", "b"]), rep("Tanne", "1Tanne", "Wanne", "1Wanne", ["k", "p", "r"]),
               rep("Kanne", "1Kanne", "Pfanne", "2Pfanne", ["w", "t", "z"]), rep("Bein", "1Bein", "Stein", "2Stein", ["sch", "p", "l"]),
               rep("Maus", "1Maus", "Haus", "1Haus", ["l", "r", "k"]), rep("Hund", "1Hund", "Mund", "1Mund", ["b", "r", "w"])],
              heading="Tausche den ersten Laut!", heading_sound="ersetzen_vorne.wav")
    task_list(listdir("lautreplace", "Inlaut", "02 Mitte tauschen.txt"),
              [rep("Nadel", "N1adel", "Nudel", "N1udel", ["i", "o"]), rep("Tonne", "T1onne", "Tanne", "T1anne", ["u", "i"]),
               rep("Hammer", "H1ammer", "Hummer", "H1ummer", ["o", "i"]), rep("Welle", "W1elle", "Wolle", "W1olle", ["a", "u"]),
               rep("Hahn", "H1ahn", "Huhn", "H1uhn", ["o", "e"]), rep("Hund", "H1und", "Hand", "H1and", ["o", "i"]),
               rep("Maus", "M2aus", "Mais", "M2ais", ["ei", "eu"]), rep("Hase", "H1ase", "Hose", "H1ose", ["u", "i"]),
               rep("Tanne", "T1anne", "Tonne", "T1onne", ["u", "e"]), rep("Wolle", "W1olle", "Welle", "W1elle", ["a", "i"])],
              heading="Tausche den Laut in der Mitte!", heading_sound="ersetzen_mitte.wav")
    task_list(listdir("lautreplace", "Auslaut", "02 Ende tauschen.txt"),
              [rep("Schal", "Scha1l", "Schaf", "Scha1f", ["s", "n"]), rep("Buch", "Bu2ch", "Bus", "Bu1s", ["t", "m"]),
               rep("Fuchs", "Fu3chs", "Fuß", "Fu1ß", ["t", "r"])],
              heading="Tausche den letzten Laut!", heading_sound="ersetzen_hinten.wav")
    LISTS["lautreplace"] = r"Anlaut\01 Anlaut tauschen.txt"

    # Silbenanzahl: text "Syl-la-bles;count;offered..."; sounds "word#syllables"
    def sa(name):
        x = w(name)
        NEED_SILBEN.add(x.word)
        n = len(x.syll.split("-"))
        offered = [str(n)] + [str(c) for c in range(1, 5) if c != n]
        return ("", "||", [element(x, text=";".join([x.syll] + offered), sounds=f"{x.sound}#{x.file}_silben.wav")])
    task_list(listdir("silben", "01 Eine bis drei Silben.txt"),
              [sa(n) for n in ("Haus", "Banane", "Hase", "Tisch", "Tomate", "Sonne", "Krokodil", "Ball" if "Ball" in W else "Bus", "Rakete", "Kamel")],
              heading="Wie viele Silben hörst du?", heading_sound="silben.wav", background=BG[2])
    task_list(listdir("silben", "02 Tiere.txt"),
              [sa(n) for n in ("Elefant", "Hund", "Giraffe", "Katze", "Schmetterling", "Igel", "Pinguin", "Wal", "Schildkröte")],
              heading="Wie viele Silben hörst du?", heading_sound="silben.wav")
    task_list(listdir("silben", "03 Essen.txt"),
              [sa(n) for n in ("Apfel", "Erdbeere", "Kirsche", "Zitrone", "Möhre", "Brot", "Käse", "Milch", "Kuchen",
                               "Tomate")],
              heading="Wie viele Silben hörst du?", heading_sound="silben.wav")
    LISTS["silben"] = "01 Eine bis drei Silben.txt"

    # Merkfähigkeit: only the first task; 12 elements with articles
    sets = {
        "01 Tiere.txt": ["Hund", "Katze", "Maus", "Hase", "Fisch", "Schaf", "Kuh", "Pferd", "Ente", "Frosch", "Affe", "Löwe"],
        "02 Essen.txt": ["Apfel", "Birne", "Banane", "Brot", "Käse", "Ei", "Milch", "Kuchen", "Tomate", "Möhre", "Eis", "Kirsche"],
        "03 Dinge.txt": ["Ball" if "Ball" in W else "Fußball", "Buch", "Stuhl", "Tisch", "Bett", "Uhr", "Schere", "Stift",
                         "Schlüssel", "Tasse", "Löffel", "Brille"],
        "04 Kleidung.txt": ["Hose", "Schuh", "Hut", "Schal", "Socke", "Jacke", "Kleid", "Mütze", "Stiefel", "Ring",
                            "Koffer", "Tasche"],
        "05 Draußen.txt": ["Baum", "Blume", "Blatt", "Pilz", "Sonne", "Mond", "Stern", "Wolke", "Blitz", "Schneemann",
                           "Nest", "Regenschirm"],
        "06 Fahrzeuge.txt": ["Auto", "Bus", "Zug", "Schiff", "Boot", "Flugzeug", "Rakete", "Traktor", "Fahrrad", "Roller",
                             "Hubschrauber", "Feuerwehrauto"],
        "07 Noch mehr Tiere.txt": ["Elefant", "Giraffe", "Krokodil", "Pinguin", "Igel", "Schnecke", "Biene", "Spinne",
                                   "Tiger", "Zebra", "Kamel", "Fuchs"],
    }
    for variant in ("Bild", "Text"):
        for name, items in sets.items():
            task_list(os.path.join(listdir("merk"), variant, name),
                      [("erfolg_merk.wav", "Tafel.gif|100||", [with_article(w(n)) for n in items])],
                      heading="Merk dir die Wörter!", heading_sound="merken.wav", background=BG[1] if variant == "Bild" else "",
                      elements=12, animation="Sterne" if name.startswith("01") else "Ballon")
    LISTS["merk"] = "01 Tiere.txt"

    # Wortreihen: 6 words; Einer passt nicht: element 1 is the odd one
    dg = [["Haus", "Maus", "Hose", "Rose", "Nase", "Hase"], ["Tisch", "Fisch", "Kanne", "Tanne", "Mund", "Hund"],
          ["Schal", "Schaf", "Kuh", "Schuh", "Zahn", "Hahn"], ["Eis", "Reis", "Mais", "Ei", "Hai", "Stein"]]
    ep = [["Mond", "Hase", "Hund", "Haus", "Hose", "Hut"], ["Fisch", "Maus", "Mond", "Mund", "Mais", "Milch"],
          ["Sonne", "Schal", "Schaf", "Schuh", "Schere", "Schiff"], ["Tanne", "Rose", "Rakete", "Reis", "Ring", "Raupe"],
          ["Banane", "Kanne", "Katze", "Kuh", "Käse", "Krone"]]
    for sub, groups, head in (("1_Doppelgänger-Bild", dg, "Welches Wort hörst du zweimal?"),
                              ("2_Doppelgänger-Text", dg, "Welches Wort hörst du zweimal?"),
                              ("3_Einer passt nicht-Bild", ep, "Welches Wort fängt anders an?"),
                              ("4_Einer passt nicht-Text", ep, "Welches Wort fängt anders an?")):
        task_list(os.path.join(listdir("wort"), sub, "01 Hörreihen.txt"),
                  [("", "||", [element(w(n)) for n in grp]) for grp in groups],
                  heading=head, heading_sound="doppelgaenger.wav" if "Doppel" in sub else "einer_passt_nicht.wav",
                  elements=6)
    # More lists: Doppelgänger groups of six; Einer passt nicht with element 1 the odd one (3 to 6 words).
    more_dg = {
        "02 Reimwörter.txt": [
            ["Kanne", "Tanne", "Wanne", "Pfanne", "Tonne", "Sonne"], ["Hund", "Mund", "Hand", "Stein", "Schwein", "Bein"],
            ["Eule", "Keule", "Feuer", "Seife", "Eis", "Reis"], ["Kuh", "Schuh", "Huhn", "Zug", "Uhr", "Ohr"],
            ["Rose", "Hose", "Dose", "Vase", "Nase", "Hase"], ["Kerze", "Herz", "Ziege", "Fliege", "Biene", "Birne"],
            ["Nadel", "Nudel", "Becher", "Bücher", "Wolle", "Welle"], ["Hütte", "Hüte", "Mütze", "Mücke", "Kirche", "Schüssel"],
            ["Zunge", "Junge", "Wurm", "Turm", "Baum", "Blume"], ["Bohne", "Krone", "Tonne", "Sonne", "Mond", "Boot"],
            ["Grille", "Brille", "Socke", "Jacke", "Kleid", "Besen"], ["Brot", "Boot", "Bett", "Bär", "Ball", "Bus"]],
        "03 Tiere.txt": [
            ["Hund", "Katze", "Maus", "Hase", "Schaf", "Kuh"], ["Pferd", "Frosch", "Affe", "Löwe", "Wal", "Ente"],
            ["Igel", "Krokodil", "Elefant", "Giraffe", "Pinguin", "Papagei"], ["Zebra", "Kamel", "Tiger", "Robbe", "Esel", "Fuchs"],
            ["Schnecke", "Raupe", "Spinne", "Schlange", "Wurm", "Käfer"], ["Biene", "Fliege", "Mücke", "Grille", "Schmetterling", "Ziege"],
            ["Huhn", "Hahn", "Küken", "Ente", "Hummer", "Fisch"], ["Bär", "Fuchs", "Igel", "Eichhörnchen", "Schildkröte", "Känguru"],
            ["Fisch", "Wal", "Hai", "Robbe", "Pinguin", "Krokodil"], ["Katze", "Ziege", "Kamel", "Affe", "Zebra", "Tiger"]],
        "04 Dinge.txt": [
            ["Tisch", "Stuhl", "Bett", "Uhr", "Spiegel", "Fenster"], ["Löffel", "Messer", "Tasse", "Becher", "Flasche", "Pfanne"],
            ["Buch", "Brief", "Stift", "Schere", "Zeitung", "Pinsel"], ["Auto", "Zug", "Bus", "Boot", "Schiff", "Flugzeug"],
            ["Rakete", "Traktor", "Fahrrad", "Roller", "Hubschrauber", "Feuerwehrauto"],
            ["Ball", "Trommel", "Gitarre", "Geige", "Fußball", "Drache"], ["Hut", "Mütze", "Socke", "Jacke", "Kleid", "Stiefel"],
            ["Besen", "Hammer", "Säge", "Schlüssel", "Seife", "Zahnbürste"], ["Apfel", "Banane", "Birne", "Kirsche", "Zitrone", "Tomate"],
            ["Brot", "Käse", "Milch", "Kuchen", "Wurst", "Eis"], ["Baum", "Blume", "Blatt", "Pilz", "Kaktus", "Nest"]],
    }
    more_ep = {
        "02 Reime.txt": ("Welches Wort reimt sich nicht?", [
            ["Fisch", "Hose", "Rose", "Dose"], ["Sonne", "Kanne", "Tanne", "Wanne", "Pfanne"], ["Mond", "Nase", "Hase", "Vase"],
            ["Baum", "Hund", "Mund"], ["Zug", "Eis", "Reis", "Mais"], ["Boot", "Kuh", "Schuh"], ["Hand", "Stein", "Schwein", "Bein"],
            ["Hut", "Eule", "Keule"], ["Ball", "Zahn", "Hahn"], ["Uhr", "Junge", "Zunge"], ["Kuh", "Wurm", "Turm"],
            ["Tasse", "Grille", "Brille"], ["Bus", "Ei", "Hai", "Papagei"], ["Hose", "Tonne", "Sonne"]]),
        "03 Anlaut.txt": ("Welches Wort fängt anders an?", [
            ["Tisch", "Banane", "Ball", "Boot", "Buch", "Bus"], ["Ball", "Kamel", "Koffer", "Kuchen", "Kerze", "Käfer"],
            ["Hut", "Fisch", "Fuß", "Fuchs", "Feuer", "Fenster"], ["Maus", "Pilz", "Pinsel", "Pinguin", "Papagei"],
            ["Nase", "Zahn", "Zug", "Zebra", "Ziege", "Zitrone"], ["Wal", "Gitarre", "Geige", "Glocke", "Geschenk"],
            ["Sonne", "Wolke", "Wurm", "Wurst", "Wal", "Welle"], ["Ring", "Löffel", "Löwe", "Luftballon"],
            ["Dose", "Tasse", "Tasche", "Tomate", "Tonne", "Tor"], ["Ente", "Stein", "Stern", "Stuhl", "Stift", "Stiefel"],
            ["Kuh", "Messer", "Milch", "Möhre", "Mütze", "Mücke"], ["Hand", "Nadel", "Nest", "Nudel", "Nuss", "Nase"]]),
        "04 Auslaut.txt": ("Welches Wort hört anders auf?", [
            ["Hase", "Stuhl", "Ball", "Schal", "Wal", "Igel"], ["Hut", "Uhr", "Tor", "Ohr", "Bär"],
            ["Ball", "Hut", "Boot", "Brot", "Blatt", "Nest"], ["Mond", "Haus", "Maus", "Eis", "Reis", "Mais"],
            ["Fisch", "Baum", "Turm", "Wurm"], ["Hut", "Tisch", "Fisch"], ["Eis", "Zahn", "Hahn", "Huhn", "Stein", "Schwein"],
            ["Buch", "Kuh", "Schuh"], ["Stern", "Kanne", "Tanne", "Sonne", "Tonne", "Wanne"],
            ["Zug", "Hase", "Nase", "Rose", "Hose", "Dose"], ["Bus", "Katze", "Mütze", "Ziege", "Biene", "Birne"]]),
    }
    for sub in ("1_Doppelgänger-Bild", "2_Doppelgänger-Text"):
        for name, groups in more_dg.items():
            task_list(os.path.join(listdir("wort"), sub, name), [("", "||", [element(w(n)) for n in grp]) for grp in groups],
                      heading="Welches Wort hörst du zweimal?", heading_sound="doppelgaenger.wav", elements=6)
    for sub in ("3_Einer passt nicht-Bild", "4_Einer passt nicht-Text"):
        for name, (head, groups) in more_ep.items():
            task_list(os.path.join(listdir("wort"), sub, name), [("", "||", [element(w(n)) for n in grp]) for grp in groups],
                      heading=head, heading_sound="einer_passt_nicht.wav", elements=6)
    LISTS["wort"] = "01 Hörreihen.txt"


# Non-words spoken for "Laute weglassen" alternatives
WEG_WORDS = ["Reise", "Rei", "Kule", "Keul", "Eile", "Ha", "Hei", "Au", "Ais", "Es", "Eisch", "Roten", "Rosel", "Ose",
             "Ende", "Enter", "Nente", "Kerne", "Herzen", "Kerzel"]
# Those of the further lists: "Tor" without its first sound, the plurals without their last.
WEG_WORDS += ["To", "Rohr", "Or"] + [w for p in ["Tassen", "Birnen", "Bienen", "Tomaten", "Katzen", "Ziegen", "Blumen",
                                                 "Socken"] for w in (p[:-2], p[1:].capitalize())]


# ---------------------------------------------------------------- internal material

PROGRAMS = [  # code, caption, icon
    (101, "Merkfähigkeit - Bild", "1f9e0"), (102, "Merkfähigkeit - Text", "1f4dd"),
    (201, "Doppelgänger - Bild", "1f46f"), (202, "Doppelgänger - Text", "1f520"),
    (203, "Einer passt nicht - Bild", "1f648"), (204, "Einer passt nicht - Text", "1f524"),
    (301, "Gleich oder Nichtgleich", "2696"), (302, "Richtig oder Falsch", "2705"),
    (303, "Welcher Laut passt", "1f442"), (304, "Lang oder Kurz", "1f4cf"), (305, "Memory", "1f0cf"),
    (401, "Laut positionieren", "1f4cd"), (402, "Laut-/Silbensuche", "1f50d"), (403, "Laute hinzufügen", "2795"),
    (404, "Laute weglassen", "2796"), (405, "Laute ersetzen", "1f504"), (406, "Silbenanzahl", "1f44f"),
    (407, "Laut-/Silbenmemory", "1f3b4"), (408, "Paare suchen", "1f9e9"),
]
GROUPS = [("Merkfähigkeit", "1f9e0", "#d6eaff"), ("Wortreihen", "1f4da", "#dff5d8"),
          ("Differenzierung", "1f442", "#ffe3d6"), ("Laut-Silben-Analyse", "1f524", "#efe0ff")]


def internal_pictures():
    B = DIR["INTERNBILDER"]
    P = lambda *p: os.path.join(B, *p)
    # symbols of buttons
    # a dark plate with room below the ear: the listen button writes its caption there in white
    picture(art.on_plate(emoji("1f442"), fill="#2e5d8f", stroke="#1d3d5f", label=" "), P("hoeren.gif"))
    picture(art.sign("pfeil", "#2e86de"), P("weiter.gif"))
    picture(art.sign("haken", "#27ae60"), P("pruefen.gif"))
    picture(art.sign("start", "#27ae60"), P("start.gif"))
    picture(art.sign("stop", "#c0392b"), P("stop.gif"))
    picture(art.on_plate(emoji("1f3b2")), P("neues_spiel.gif"))
    picture(art.on_plate(emoji("1f50a"), label="alle"), P("alle_hoeren.gif"))
    picture(art.on_plate(emoji("1f50a")), P("tonbild.gif"))
    picture(art.on_plate(emoji("1f50a")), P("tonbild.wmf"))
    picture(art.on_plate(emoji("1f50a")), P("lautsprecher.gif"))
    picture(art.on_plate(emoji("1f441")), P("sehen.gif"))
    picture(art.sign("nochmal", "#8e44ad"), P("nochmal.gif"))
    picture(art.plain_emoji(emoji("1f442")), P("ohr.gif"))
    picture(art.sign("gleich", "#27ae60"), P("gleich.gif"))
    picture(art.sign("nichtgleich", "#c0392b"), P("nichtgleich.gif"))
    picture(art.plain_emoji(emoji("1f44d")), P("richtig.gif"))
    picture(art.plain_emoji(emoji("1f44e")), P("falsch.gif"))
    picture(art.sign("lang", "#2e86de"), P("lang.wmf"))
    picture(art.sign("kurz", "#e67e22"), P("kurz.wmf"))
    picture(art.sign("pfeil", "#e67e22"), P("pfeil.wmf"))
    picture(art.marker("#ffd23f", "#e67e22"), P("marker.gif"), size=128)
    picture(art.marker("#7fdbff", "#2e86de"), P("marker_tastatur.gif"), size=128)
    picture(art.plain_emoji(emoji("2753")), P("frage.gif"))
    picture(art.sign("kreuz", "#c0392b"), P("fehlerbild.gif"))
    picture(art.plain_emoji(emoji("1f5bc")), P("bild.bmp"))
    picture(art.plain_emoji(emoji("1f5bc")).replace("<svg ", '<svg style="filter:grayscale(1)" ', 1), P("bildsw.bmp"))
    # answer states of the task strips
    picture(art.sign("haken", "#27ae60"), P("lob.wmf"))
    picture(art.sign("kreuz", "#c0392b"), P("fehler.wmf"))
    for name, kind, col in (("lob_gleich", "gleich", "#27ae60"), ("lob_ungleich", "nichtgleich", "#27ae60"),
                            ("fehler_gleich", "gleich", "#c0392b"), ("fehler_ungleich", "nichtgleich", "#c0392b"),
                            ("lob_richtig", "haken", "#27ae60"), ("lob_falsch", "kreuz", "#27ae60"),
                            ("fehler_richtig", "haken", "#c0392b"), ("fehler_falsch", "kreuz", "#c0392b"),
                            ("lob_lang", "lang", "#27ae60"), ("lob_kurz", "kurz", "#27ae60"),
                            ("fehler_lang", "lang", "#c0392b"), ("fehler_kurz", "kurz", "#c0392b")):
        picture(art.sign(kind, col), P(name + ".wmf"))
    # praise pictures of Merkfähigkeit
    picture(art.plain_emoji(emoji("1f3c6")), P("lob_pokal.emf"))
    picture(art.plain_emoji(emoji("1f31f")), P("lob_stern.gif"))
    picture(art.plain_emoji(emoji("1f389")), P("lob_text1.wmf"))
    picture(art.plain_emoji(emoji("1f973")), P("lob_text2.gif"))
    # Laut positionieren: boxes
    picture(art.positions(-1), P("positionen.gif"))
    for i, n in enumerate(("vorne", "mitte", "hinten")):
        picture(art.positions(i), P(f"pos_{n}.gif"))
    # Pacman frames (Welcher Laut passt)
    for i, a in enumerate((40, 20, 4), 1):
        picture(art.pacman(a), P(f"Pacman{i}.wmf"))
    # nodding and shaking heads (Richtig oder Falsch)
    for i, (ang, dx) in enumerate(((0, 0), (8, 0), (16, 0), (8, 0)), 1):
        picture(art.face(ang, 0, "smile"), P("RichtigoderFalsch", f"nicken{i}.wmf"))
    for i, dx in enumerate((0, -18, 0, 18), 1):
        picture(art.face(0, dx, "sad"), P("RichtigoderFalsch", f"schütteln{i}.wmf"))
    # syllable count cards
    for n in range(1, 7):
        picture(art.count_card(n, False), P("Silben", f"{n}Silben.jpg"))
        picture(art.count_card(n, True), P("Silben", f"{n}gedrückt.jpg"))
    # success motif layers (Memory)
    for kind in ("schwarz", "weiss", "schwarzweiss", "weissschwarz"):
        picture(art.motif_layer(kind), P("Erfolgsmotiv", "Blume", f"Blume_{kind}.bmp"), size=128)
    # mouth pictures
    picture(art.mouth_rest(), P("Mundbilder", "0-ohne Buchstabe.wmf"))
    picture(art.mouth_rest(), P("Mundbilder", "0.jpg"), size=160)
    for s in LAUTE:
        for k in (1, 2):
            picture(art.mouth(s, k == 2), P("Mundbilder", f"{s}{k}-ohne Buchstabe.wmf"))
            picture(art.mouth(s, k == 2), P("Mundbilder", f"{s}{k}.jpg"), size=160)
    # start pictures, instruction pictures
    picture(art.start_picture(emoji("1f442"), False), P("start1.emf"), size=400, height=254)
    picture(art.start_picture(emoji("1f442"), True), P("start2.emf"), size=400, height=254)
    picture(art.on_plate(emoji("1f0cf"), label="Paare finden"), P("anleitung_memory.gif"))
    picture(art.on_plate(emoji("1f9e9"), label="Paare suchen"), P("anleitung_paare.gif"))
    # backgrounds with light variants
    H = DIR["Hintergrundbilder"]
    picture(art.background("Wiese", False), os.path.join(H, "Wiese.jpg"), size=800, height=600)
    picture(art.background("Wiese", True), os.path.join(H, "hell", "Wiese.jpg"), size=800, height=600)
    picture(art.background("Himmel", False), os.path.join(H, "Himmel.jpg"), size=800, height=600)
    picture(art.background("Himmel", True), os.path.join(H, "hell", "Himmel.jpg"), size=800, height=600)
    picture(art.background("Holz", False), os.path.join(H, "Holz.bmp"), size=800, height=600)
    # card backs
    R = DIR["INTERNRueckseite"]
    picture(art.card_back("Sterne"), os.path.join(R, "Sterne.gif"), size=240, height=180)
    picture(art.card_back("Karo"), os.path.join(R, "Karo.bmp"), size=240, height=180)
    picture(art.card_back("Punkte"), os.path.join(R, "Punkte.wmf"), size=240, height=180)
    # results strip symbols: five right-answer symbols, wrong, collected (directory order)
    K = DIR["Knopf"]
    for i in range(5):
        picture(art.result_symbol(i), os.path.join(K, f"0{i + 1}_richtig.wmf"), size=128)
    picture(art.sign("kreuz", "#c0392b"), os.path.join(K, "06_falsch.wmf"))
    picture(art.plain_emoji(emoji("1f381")), os.path.join(K, "07_gesammelt.emf"))
    # menu buttons
    S = DIR["Schalterknopf"]
    for g, (cap, icon, col) in enumerate(GROUPS, 1):
        picture(art.menu_button(cap, emoji(icon), col, False), os.path.join(S, f"Gruppe{g}.gif"), size=360, height=96)
        picture(art.menu_button(cap, emoji(icon), col, True), os.path.join(S, f"Gruppe{g}_hell.gif"), size=360, height=96)
    for code, cap, icon in PROGRAMS + [(406, None, None)][:0]:
        col = GROUPS[code // 100 - 1][2]
        picture(art.program_button(emoji(icon), col, False), os.path.join(S, f"P{code}.gif"), size=600, height=80)
        picture(art.program_button(emoji(icon), col, True), os.path.join(S, f"P{code}_hell.gif"), size=600, height=80)
    # success animations: frames of two folders
    A = DIR["LobAnimation"]
    for i, sc in enumerate((0.6, 0.8, 1.0, 0.8), 1):
        inner = art.emoji_inner(emoji("2b50"))
        picture(art.svg(256, 256, f'<g transform="translate({128 - 18 * 7 * sc},{128 - 18 * 7 * sc}) scale({7 * sc})">{inner}</g>'),
                os.path.join(A, "Sterne", f"Stern{i}.gif"))
    for i, y in enumerate((150, 100, 50), 1):
        inner = art.emoji_inner(emoji("1f388"))
        picture(art.svg(256, 256, f'<g transform="translate(64,{y - 40}) scale(4)">{inner}</g>'),
                os.path.join(A, "Ballon", f"Ballon{i}.wmf"))
    # certificates: colouring pictures, our own outline drawings written record by record
    ausmalbilder.write_all(DIR["Bilderurkunde"])
    # players
    SP = DIR["Spielerbilder"]
    picture(art.frame_picture(), os.path.join(SP, "Bilderrahmen.gif"))
    picture(art.plain_emoji(emoji("1f467"), pad=10), os.path.join(SP, "Anna.gif"))
    picture(art.plain_emoji(emoji("1f466"), pad=10), os.path.join(SP, "Ben.bmp"))
    # answer card of Merkfähigkeit (collection pictures)
    picture(art.tafel(), os.path.join(DIR["MaterialSammelBilder"], "Tafel.gif"), size=400, height=300)
    picture(art.plain_emoji(emoji("1f9fa")), os.path.join(DIR["MaterialSammelBilder"], "Korb.emf"))


SPEECH = {  # Internsound folder
    "reihenfolge_falsch.wav": "Die Reihenfolge stimmt noch nicht.",
    "karten_falsch.wav": "Das sind noch nicht die richtigen Karten.",
    "erfolg_rechts.wav": "Richtig!", "erfolg_links.wav": "Gut gemacht!", "erfolg_bild.wav": "Super!",
    "fehler_ton1.wav": "Nein, hör noch einmal hin.", "fehler_ton2.wav": "Das passt nicht.",
    "hoert_man_in.wav": "hört man in", "faengt_an_mit.wav": "fängt an mit", "hoert_auf_mit.wav": "hört auf mit",
    "vorne.wav": "vorne", "mitte.wav": "in der Mitte", "hinten.wav": "hinten",
    "aus.wav": "aus", "wird.wav": "wird",
    "erfolg_merk.wav": "Das hast du dir toll gemerkt!",
}
ANLEITUNG = {
    "gleich.wav": "Hör gut zu. Sind die beiden Wörter gleich oder nicht gleich?",
    "richtig_falsch.wav": "Hör gut zu. Passt das Wort zum Bild?",
    "welcher_laut.wav": "Welcher Laut passt zum Wort?",
    "lang_kurz.wav": "Hörst du den Vokal lang oder kurz?",
    "wort_lang_kurz.wav": "Welches Wort ist kurz, welches ist lang?",
    "memory.wav": "Dreh zwei Karten um und finde die Paare.",
    "laut_memory.wav": "Finde zwei Wörter, die gleich anfangen.",
    "paare.wav": "Such zu jedem Wort oben das passende Wort.",
    "laut_pos_s.wav": "Wo hörst du das S? Vorne, in der Mitte oder hinten?",
    "laut_pos_sch.wav": "Wo hörst du das Sch? Vorne, in der Mitte oder hinten?",
    "laut_pos_m.wav": "Wo hörst du das M? Vorne, in der Mitte oder hinten?",
    "anlaut.wav": "Welchen Laut hörst du am Anfang?",
    "anlaut_silbe.wav": "Welche Silbe hörst du am Anfang?",
    "zweiter_laut.wav": "Welchen Laut hörst du als zweiten?",
    "auslaut.wav": "Welchen Laut hörst du am Ende?",
    "add_vorne.wav": "Welcher Laut kommt vorne dazu?",
    "add_hinten.wav": "Welcher Laut kommt hinten dazu?",
    "weg_vorne.wav": "Was bleibt, wenn der erste Laut weg ist?",
    "weg_hinten.wav": "Was bleibt, wenn der letzte Laut weg ist?",
    "ersetzen_vorne.wav": "Tausche den ersten Laut.",
    "ersetzen_mitte.wav": "Tausche den Laut in der Mitte.",
    "ersetzen_hinten.wav": "Tausche den letzten Laut.",
    "silben.wav": "Wie viele Silben hörst du? Klatsch mit!",
    "merken.wav": "Hör gut zu und merk dir die Wörter.",
    "doppelgaenger.wav": "Welches Wort hörst du zweimal?",
    "einer_passt_nicht.wav": "Welches Wort fängt anders an?",
}
LOB = {"super.wav": "Super!", "toll_gemacht.wav": "Toll gemacht!", "prima.wav": "Prima!",
       "klasse.wav": "Klasse!", "sehr_gut.wav": "Sehr gut!"}
LOB_ZUFALL = {"super.wav": "Super!", "toll_gemacht.wav": "Toll gemacht!", "prima.wav": "Prima!",
              "richtig.wav": "Richtig!", "spitze.wav": "Spitze!"}
FEHLER = {"versuch_es_noch_einmal.wav": "Versuch es noch einmal!", "hoer_genau_hin.wav": "Hör genau hin!",
          "schade.wav": "Schade, das war nicht richtig."}
FEHLER_ZUFALL = {"versuch_es_noch_einmal.wav": "Versuch es noch einmal!", "hoer_genau_hin.wav": "Hör genau hin!",
                 "noch_nicht.wav": "Das war noch nicht richtig.", "nochmal.wav": "Probier es noch mal!"}
ENDE = {"alles_geschafft.wav": "Du hast alles geschafft!", "toll_gemacht_ende.wav": "Das hast du toll gemacht!"}
PAUSEN = [0, 200, 500, 750, 1000, 1250, 1500, 1750, 2000, 2500, 3000, 3500, 4000, 4500]


def internal_sounds():
    I = DIR["Internsound"]
    for name, t in SPEECH.items():
        speak(t, os.path.join(I, name))
    for ms in PAUSEN:
        silence(ms, os.path.join(I, "Pausen", f"{ms:04d}.wav"))
    tone(os.path.join(I, "klick.wav"), "synth", "0.06", "sine", "1200", "fade", "0", "0.06", "0.05", "vol", "0.6")
    tone(os.path.join(I, "klick_klein.wav"), "synth", "0.04", "sine", "1800", "fade", "0", "0.04", "0.03", "vol", "0.5")
    tone(os.path.join(I, "meldung.wav"), "synth", "0.35", "sine", "880", "sine", "1320", "fade", "0", "0.35", "0.3", "vol", "0.5")
    tone(os.path.join(I, "mischen.wav"), "synth", "0.8", "pinknoise", "fade", "0.1", "0.8", "0.3", "vol", "0.4")
    tone(os.path.join(I, "austeilen.wav"), "synth", "0.08", "brownnoise", "fade", "0", "0.08", "0.06", "vol", "0.7")
    tone(os.path.join(I, "paar_gefunden.wav"), "synth", "0.15", "sine", "660", ":", "synth", "0.2", "sine", "990",
         "fade", "0", "0", "0.05", "vol", "0.6")
    tone(os.path.join(I, "alle_gefunden.wav"), "synth", "0.15", "sine", "523", ":", "synth", "0.15", "sine", "659", ":",
         "synth", "0.15", "sine", "784", ":", "synth", "0.4", "sine", "1047", "fade", "0", "0", "0.1", "vol", "0.6")
    tone(os.path.join(I, "blume.wav"), "synth", "0.25", "sine", "1500-2500", "fade", "0", "0.25", "0.1", "vol", "0.5")
    tone(os.path.join(I, "auto.wav"), "synth", "1.2", "sawtooth", "120-60", "lowpass", "800", "fade", "0", "1.2", "0.8", "vol", "0.5")
    tone(os.path.join(I, "schritt.wav"), "synth", "0.1", "brownnoise", "lowpass", "400", "fade", "0", "0.1", "0.08", "vol", "0.8")
    for s, ph in LAUTE.items():
        speak_sound(ph, os.path.join(I, "ABC", "LAUTE", f"{s}.wav"))
    for s in SILBEN:
        speak(PART_SPEECH.get(s, s), os.path.join(I, "ABC", "Silben", f"{s}.wav"), speed=90)
    for name, t in ANLEITUNG.items():
        speak(t, os.path.join(DIR["Anleitungsound"], name), speed=90)
    for name, t in LOB.items():
        speak(t, os.path.join(DIR["LobSound"], name), pitch=115)
    for name, t in LOB_ZUFALL.items():
        speak(t, os.path.join(DIR["LobSound"], "Zufall", name), pitch=115)
    for name, t in (("super.wav", "Super!"), ("genau.wav", "Genau!")):
        speak(t, os.path.join(DIR["LobSound"], "Wort", name), pitch=115)
    tone(os.path.join(DIR["LobSound"], "Geräusch", "fanfare.wav"), "synth", "0.12", "square", "523", ":", "synth", "0.12",
         "square", "659", ":", "synth", "0.3", "square", "784", "vol", "0.3")
    tone(os.path.join(DIR["LobSound"], "Geräusch", "glocke.wav"), "synth", "0.8", "sine", "1568", "fade", "0", "0.8", "0.7", "vol", "0.5")
    for name, t in FEHLER.items():
        speak(t, os.path.join(DIR["Fehlersound"], name), speed=95)
    for name, t in FEHLER_ZUFALL.items():
        speak(t, os.path.join(DIR["Fehlersound"], "Zufall", name), speed=95)
    for name, t in ENDE.items():
        speak(t, os.path.join(DIR["EndeSound"], name), pitch=115)
    speak("Tschüss, bis zum nächsten Mal!", os.path.join(I, "tschuess.wav"))


def material(W):
    for w in W.values() if not SPEECH_ONLY else ():
        picture(word_svg(w), os.path.join(DIR["MaterialBilder"], w.picture))
    S = DIR["MaterialSound"]
    with ThreadPoolExecutor(max_workers=2) as ex:
        jobs = []
        for w in W.values():
            jobs.append(ex.submit(speak, SPELLING.get(w.word, w.word), os.path.join(S, w.sound),
                                  SPEED.get(w.word, 100)))
            sylls = w.syll.split("-")
            if w.word in NEED_SILBEN:
                text = "<break time='450ms'/>".join(PART_SPEECH.get(s, s) for s in sylls)
                jobs.append(ex.submit(speak, text, os.path.join(S, f"{w.file}_silben.wav"), 90))
            if w.word in NEED_PARTS:
                for i, s in enumerate(sylls):
                    jobs.append(ex.submit(speak, PART_SPEECH.get(s, s), os.path.join(S, f"{w.file}_{i}.wav"), 90))
        for a in ("der", "die", "das", "ein", "eine"):
            jobs.append(ex.submit(speak, a, os.path.join(S, f"{a}.wav")))
        for x in WEG_WORDS:
            jobs.append(ex.submit(speak, x, os.path.join(S, f"weg_{x.lower()}.wav")))
        for j in jobs:
            j.result()


# ---------------------------------------------------------------- configuration, options, help

def kalimo_txt():
    with open(os.path.join(HERE, "Kalimo.ini"), encoding="utf-8") as f:
        t = f.read()
    t = "".join(ln for ln in t.splitlines(True) if not ln.startswith(";"))
    t = t.replace("@PFADE@", "\n".join(f"{k}={v}" for k, v in PFADE))
    t = re.sub(r"@(\w+)@", lambda m: LISTEN_PFAD[m.group(1)], t)
    write_win(os.path.join(DIR["INTERN"], "Kalimo.txt"), t)


def options_txt():
    with open(os.path.join(HERE, "Options-Standard.ini"), encoding="utf-8") as f:
        t = f.read()
    t = re.sub(r"@(\w+)@", lambda m: LISTS[m.group(1)], t)
    for who in ("Standard", "Anna", "Ben"):
        write_win(os.path.join(DIR["Optionen"], f"Options-{who}.txt"), t)


def help_and_manual():
    import shutil as _s
    ensure(os.path.join(DIR["Hilfe"], "x"))
    for page in ("index.html", "thema5.html", "thema100.html"):
        _s.copy(os.path.join(HERE, "hilfe", page), os.path.join(DIR["Hilfe"], page))
    with open(os.path.join(HERE, "hilfe", "anleitung.txt"), encoding="utf-8") as f:
        pages = f.read().split("\f")
    svgs = []
    for i, pg in enumerate(pages):
        lines = pg.strip("\n").split("\n")
        svgs.append(tmp_svg(art.page(lines[1:], lines[0])))
    # a fixed creation date: the same text gives the same PDF
    sh("rsvg-convert", "-f", "pdf", "-o", os.path.join(DEMO, "Anleitung-Kalimo.pdf"), *svgs,
       env=dict(os.environ, SOURCE_DATE_EPOCH="1767225600"))


def main():
    speech.require_pico()
    if SPEECH_ONLY:
        W = load_words()
        # the words spoken in syllables: those whose syllable files the tree already has
        for w in W.values():
            if os.path.exists(os.path.join(DIR["MaterialSound"], f"{w.file}_silben.wav")):
                NEED_SILBEN.add(w.word)
            if os.path.exists(os.path.join(DIR["MaterialSound"], f"{w.file}_0.wav")):
                NEED_PARTS.add(w.word)
        material(W)
        internal_sounds()
        print("spoken files of demo/ written")
        return
    if os.path.isdir(DEMO):
        shutil.rmtree(DEMO)
    if os.path.isdir(WORK):
        shutil.rmtree(WORK)
    os.makedirs(WORK)
    W = load_words()
    build_lists(W)
    kalimo_txt()
    options_txt()
    material(W)
    internal_pictures()
    internal_sounds()
    print(f"converting {len(JOBS)} pictures ...", flush=True)
    run_picture_jobs()
    help_and_manual()
    for keep in ("Font", "Protokoll"):
        ensure(os.path.join(DIR[keep], ".gitkeep"))
        open(os.path.join(DIR[keep], ".gitkeep"), "w").close()
    history.write_history(DIR["Protokoll"], DIR["Listen"])
    with open(os.path.join(HERE, "QUELLEN.txt"), encoding="utf-8") as f:
        write_win(os.path.join(DEMO, "QUELLEN.txt"), f.read())
    shutil.rmtree(WORK)
    print("demo/ written")


if __name__ == "__main__":
    main()
