"""A few weeks of runs for the demo players Anna and Ben, so the "Verlauf" view and the protocol
viewer have something to show: each player's history (Protokoll/<name>-Verlauf.csv) and protocol
file (Protokoll/<name>.prt, the newest nine runs, as the closing dialog keeps them).

Deterministic: the same files on every run of the generator. Written as the program writes them:
Windows-1252, CR LF; the history ";" separated with its header line.
"""
import datetime
import os
import random

HEADER = ("Datum;Startzeit;Programmnummer;Programm;Liste;Aufgaben;Beim ersten Versuch gelöst;"
          "Mit Fehlern;Arbeitszeit in Sekunden")

# code, name as the protocol names it, list folder below Listen, the sub-folder the lists are taken
# from, share solved at first try at the start and at the end of the weeks
PROGRAMS = {
    301: ("Gleich/Nicht gleich?", "3_Differenzierung\\1_Gleich oder Nichtgleich\\", "Allgemein\\", 0.45, 0.9),
    302: ("Richtig oder Falsch?", "3_Differenzierung\\2_Richtig oder Falsch\\", "Allgemein\\", 0.5, 0.85),
    303: ("Welcher Laut passt?", "3_Differenzierung\\3_Welcher Laut passt\\", "Anlaut\\", 0.35, 0.8),
    304: ("Lang Oder Kurz?", "3_Differenzierung\\4_Lang oder Kurz\\", "Vokale\\", 0.3, 0.7),
}

# player, first day, days, programs, lists per program, seed
PLAYERS = [
    ("Anna", datetime.date(2026, 10, 19), 50, (301, 302, 303, 304), 2, 2026),
    ("Ben", datetime.date(2026, 11, 23), 17, (301, 304), 2, 1977),
]


def task_count(path):
    with open(path, "rb") as f:
        for line in f.read().decode("cp1252").splitlines():
            if line.lower().startswith("aufgabencount="):
                return int(line.split("=", 1)[1])
    return 0


def work_time_text(seconds):
    parts = []
    if seconds // 60:
        parts.append(f"{seconds // 60} Minuten")
    if seconds % 60:
        parts.append(f"{seconds % 60} Sekunden ")
    return ", ".join(parts)


def protocol_block(player, run):
    """The protocol lines of one run, as the closing dialog appends them."""
    code, name, start, list_rel, answered, first_try, seconds = run
    lines = [f"P {code // 100}.{code % 100}. {name}", f"N {player}", "D " + start.strftime("%d.%m.%Y"), " ",
             "F " + list_rel, "O "]
    rnd = random.Random(start.toordinal() * 1000 + code)
    wrong = set(rnd.sample(range(answered), answered - first_try))
    for i in range(answered):
        errors = 1 + (rnd.random() < 0.3) if i in wrong else 0
        ms = rnd.randrange(2500, 9000)
        duration = f"{ms // 60000:02d}:{ms // 1000 % 60:02d}:{ms % 1000:03d}"
        lines.append(f"  Aufgabe {i + 1:2d}:  {errors:2d} Fehler  ({duration}) ")
    end = start + datetime.timedelta(seconds=seconds)
    lines += ["Z " + work_time_text(seconds), "S " + start.strftime("%H:%M"), "E " + end.strftime("%H:%M"), "*"]
    return lines


def player_runs(listen_dir, first, days, codes, per_program, seed):
    rnd = random.Random(seed)
    chosen = {}
    for code in codes:
        name, folder, sub, low, high = PROGRAMS[code]
        here = os.path.join(listen_dir, *(folder + sub).strip("\\").split("\\"))
        lists = sorted(f for f in os.listdir(here) if f.lower().endswith(".txt"))
        chosen[code] = [(sub + f, task_count(os.path.join(here, f))) for f in rnd.sample(lists, per_program)]
    runs = []
    for d in range(days):
        day = first + datetime.timedelta(days=d)
        if day.weekday() >= 5 or rnd.random() < 0.35:
            continue  # weekends and some weekdays without practice
        progress = d / max(1, days - 1)
        start = datetime.datetime.combine(day, datetime.time(15, 0)) + datetime.timedelta(minutes=rnd.randrange(0, 90))
        for code in rnd.sample(codes, k=min(len(codes), rnd.choice((1, 2)))):
            name, folder, sub, low, high = PROGRAMS[code]
            list_rel, tasks = rnd.choice(chosen[code])
            # Now and then a run is broken off after a task or two.
            answered = rnd.choice((1, 2)) if rnd.random() < 0.08 else tasks
            share = low + (high - low) * progress + rnd.uniform(-0.12, 0.12)
            first_try = max(0, min(answered, round(answered * share)))
            seconds = answered * rnd.randrange(12, 30)
            runs.append((code, name, start, list_rel, answered, first_try, seconds))
            start += datetime.timedelta(seconds=seconds + 60)
    return runs


def write_player(protokoll_dir, listen_dir, player, first, days, codes, per_program, seed):
    runs = player_runs(listen_dir, first, days, codes, per_program, seed)
    lines = [HEADER]
    for code, name, start, list_rel, answered, first_try, seconds in runs:
        lines.append(";".join([start.strftime("%d.%m.%Y"), start.strftime("%H:%M"), str(code), name,
                               PROGRAMS[code][1] + list_rel, str(answered), str(first_try),
                               str(answered - first_try), str(seconds)]))
    history = os.path.join(protokoll_dir, player + "-Verlauf.csv")
    with open(history, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp1252"))
    protocol = []
    for run in runs[-9:]:
        protocol += protocol_block(player, run)
    with open(os.path.join(protokoll_dir, player + ".prt"), "wb") as f:
        f.write(("\r\n".join(protocol) + "\r\n").encode("cp1252"))
    return history


def write_history(protokoll_dir, listen_dir):
    return [write_player(protokoll_dir, listen_dir, *p) for p in PLAYERS]


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    demo = os.path.join(here, "..", "..", "demo")
    print(write_history(os.path.join(demo, "Protokoll"), os.path.join(demo, "Listen")))
