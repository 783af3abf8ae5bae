#!/usr/bin/env python3
"""Suggests Pico rates for the words of the "Lang oder Kurz" vowel lists so that every long vowel lasts at
least speech.VOWEL_RATIO times its short partner (as check.py measures it). Starts from gen.SPEED and
gen.SPELLING, slows the long word or speeds up the short one of each failing pair a step at a time, and
prints the table to paste into gen.py. Needs pico2wave; writes only to a scratch folder.

    python3 tune_vowels.py           # from the table in gen.py
    python3 tune_vowels.py --fresh   # from the voice's own rate for every word
"""
import glob
import json
import os
import sys
import tempfile

FRESH = "--fresh" in sys.argv
sys.argv = sys.argv[:1]  # gen reads its own options
import gen
import speech

STEPS = [("long", 90), ("short", 110), ("long", 80), ("short", 120), ("long", 70), ("short", 130), ("long", 60),
         ("short", 140), ("short", 150)]


def pairs():
    """(short word, long word) of every task of the vowel lists of demo/ (elements 1 and 2)."""
    by_file = {w.sound: w.word for w in gen.load_words().values()}
    out = set()
    root = os.path.join(gen.DEMO, "Listen", "3_Differenzierung", "4_Lang oder Kurz")
    for path in glob.glob(os.path.join(root, "*", "*.txt")):
        if "Wortlänge" in path:
            continue
        task = {}
        for line in open(path, encoding="cp1252").read().splitlines() + ["["]:
            if line.startswith("["):
                if "1" in task and "2" in task:
                    out.add((by_file[task["1"]], by_file[task["2"]]))
                task = {}
            elif line[:2] in ("1=", "2="):
                task[line[0]] = line.split("|")[3]
    return sorted(out)


def main():
    speech.require_pico()
    scratch = tempfile.mkdtemp(prefix="kalimo-vowels-")
    speed = {} if FRESH else dict(gen.SPEED)
    cache = {}

    def vowel(word):
        key = (word, speed.get(word, 100))
        if key not in cache:
            p = os.path.join(scratch, f"{len(cache)}.wav")
            speech.pico(gen.SPELLING.get(word, word), p, speed=key[1])
            cache[key] = speech.vowel_ms(p)
        return cache[key]

    todo = pairs()
    for _ in range(30):
        bad = [(a, b) for a, b in todo if vowel(b) < speech.VOWEL_RATIO * vowel(a)]
        print(len(bad), "failing:", ", ".join(f"{a} {vowel(a):.0f} / {b} {vowel(b):.0f}" for a, b in bad))
        if not bad:
            break
        changed = set()
        for a, b in bad:
            if a in changed or b in changed:
                continue
            for side, limit in STEPS:
                w = b if side == "long" else a
                cur = speed.get(w, 100)
                if (side == "long" and cur > limit) or (side == "short" and cur < limit):
                    speed[w] = cur - 10 if side == "long" else cur + 10
                    changed.add(w)
                    break
        if not changed:
            break
    print("SPEED =", json.dumps(dict(sorted(speed.items())), ensure_ascii=False))


if __name__ == "__main__":
    main()
