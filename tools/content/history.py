"""A few weeks of run history for the demo player Anna, so the "Verlauf" view has something to show.

Deterministic: the same file on every run of the generator. Written as the program writes it:
";" separated, Windows-1252, CR LF, with its header line.
"""
import datetime
import os
import random

HEADER = ("Datum;Startzeit;Programmnummer;Programm;Liste;Aufgaben;Beim ersten Versuch gelöst;"
          "Mit Fehlern;Arbeitszeit in Sekunden")

# code, name as the protocol names it, lists below Listen, tasks per run, share solved at first
# try at the start and at the end of the weeks
PROGRAMS = [
    (301, "Gleich/Nicht gleich?", "3_Differenzierung\\1_Gleich oder Nichtgleich\\Allgemein\\", 10, 0.45, 0.9),
    (302, "Richtig oder Falsch?", "3_Differenzierung\\2_Richtig oder Falsch\\Allgemein\\", 10, 0.5, 0.85),
    (303, "Welcher Laut passt?", "3_Differenzierung\\3_Welcher Laut passt\\Anlaut\\", 12, 0.35, 0.8),
    (304, "Lang Oder Kurz?", "3_Differenzierung\\4_Lang oder Kurz\\Vokale\\", 10, 0.3, 0.7),
]


def write_history(protokoll_dir, listen_dir, player="Anna"):
    rnd = random.Random(2026)
    first = datetime.date(2026, 10, 19)
    days = 50
    lines = [HEADER]
    for d in range(days):
        day = first + datetime.timedelta(days=d)
        if day.weekday() >= 5 or rnd.random() < 0.35:
            continue  # weekends and some weekdays without practice
        progress = d / (days - 1)
        start = datetime.datetime.combine(day, datetime.time(15, 0)) + datetime.timedelta(minutes=rnd.randrange(0, 90))
        for code, name, folder, tasks, low, high in rnd.sample(PROGRAMS, k=rnd.choice((1, 2))):
            lists = sorted(f for f in os.listdir(os.path.join(listen_dir, *folder.strip("\\").split("\\")))
                           if f.lower().endswith(".txt"))
            share = low + (high - low) * progress + rnd.uniform(-0.12, 0.12)
            first_try = max(0, min(tasks, round(tasks * share)))
            seconds = tasks * rnd.randrange(12, 30)
            lines.append(";".join([start.strftime("%d.%m.%Y"), start.strftime("%H:%M"), str(code), name,
                                   folder + rnd.choice(lists), str(tasks), str(first_try),
                                   str(tasks - first_try), str(seconds)]))
            start += datetime.timedelta(seconds=seconds + 60)
    path = os.path.join(protokoll_dir, player + "-Verlauf.csv")
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp1252"))
    return path


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    demo = os.path.join(here, "..", "..", "demo")
    print(write_history(os.path.join(demo, "Protokoll"), os.path.join(demo, "Listen")))
