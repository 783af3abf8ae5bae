#!/usr/bin/env python3
"""Writes the colouring-in pictures of the certificate (the `Bilderurkunde` folder): black outlines
on white, as WMF and EMF, record by record with the writers of tools/metafiles/make-records.

    tools/content/ausmalbilder.py [OUTPUT_FOLDER]     (default: demo/Bilderurkunde)

Each drawing is a list of shapes on a 400 x 300 grid; curves are flattened here, so both formats
hold only polygons, polylines and ellipses (WMF has no Bezier record). Closed shapes are filled
white, so a shape drawn later covers the lines of the ones below it.
"""
import importlib.machinery
import importlib.util
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
_loader = importlib.machinery.SourceFileLoader("make_records", os.path.join(HERE, "..", "metafiles", "make-records"))
_spec = importlib.util.spec_from_loader("make_records", _loader)
records = importlib.util.module_from_spec(_spec)
_loader.exec_module(records)

W, H = 400, 300
PEN = 3            # outline width on the grid
BLACK, WHITE = 0x000000, 0xFFFFFF


# ---------------------------------------------------------------- shapes

def bezier(p0, p1, p2, p3, steps=16):
    pts = []
    for i in range(steps + 1):
        t = i / steps
        a, b, c, d = (1 - t) ** 3, 3 * t * (1 - t) ** 2, 3 * t * t * (1 - t), t ** 3
        pts.append((a * p0[0] + b * p1[0] + c * p2[0] + d * p3[0], a * p0[1] + b * p1[1] + c * p2[1] + d * p3[1]))
    return pts


def path(start, *segments):
    """A run of cubic curves: each segment is (control 1, control 2, end)."""
    pts, cur = [start], start
    for c1, c2, end in segments:
        pts += bezier(cur, c1, c2, end)[1:]
        cur = end
    return pts


def circle_points(cx, cy, r, n=32, start=0.0, end=2 * math.pi):
    return [(cx + r * math.cos(start + (end - start) * i / n), cy + r * math.sin(start + (end - start) * i / n))
            for i in range(n + 1)]


def rect(x, y, w, h):
    return ("polygon", [(x, y), (x + w, y), (x + w, y + h), (x, y + h)])


def polygon(pts):
    return ("polygon", pts)


def line(pts):
    return ("polyline", pts)


def ellipse(cx, cy, rx, ry):
    return ("ellipse", (cx - rx, cy - ry, cx + rx, cy + ry))


# ---------------------------------------------------------------- drawings

def haus():
    s = [line([(10, 270), (390, 270)])]                                   # ground
    s.append(rect(255, 60, 26, 60))                                        # chimney
    s.append(polygon([(90, 140), (200, 45), (310, 140)]))                 # roof
    s.append(rect(105, 140, 190, 130))                                     # walls
    s.append(rect(175, 190, 50, 80))                                       # door
    s.append(ellipse(215, 232, 4, 4))
    for x in (120, 240):                                                   # windows with crosses
        s.append(rect(x, 160, 40, 40))
        s.append(line([(x + 20, 160), (x + 20, 200)]))
        s.append(line([(x, 180), (x + 40, 180)]))
    s.append(ellipse(200, 105, 14, 14))                                    # round attic window
    # a small tree beside the house
    s.append(rect(345, 200, 14, 70))
    s.append(polygon(path((352, 110), ((395, 120), (395, 205), (352, 205)), ((309, 205), (309, 120), (352, 110)))))
    # a cloud
    s.append(polygon(path((35, 75), ((15, 75), (15, 48), (38, 48)), ((38, 25), (72, 20), (80, 38)),
                          ((90, 20), (124, 24), (120, 48)), ((142, 48), (142, 75), (120, 75)))))
    return s


def sonne():
    cx, cy, r = 200, 150, 70
    s = []
    for i in range(12):                                                    # rays
        a = i * math.pi / 6
        tip = (cx + 135 * math.cos(a), cy + 135 * math.sin(a))
        left = (cx + (r + 5) * math.cos(a - 0.17), cy + (r + 5) * math.sin(a - 0.17))
        right = (cx + (r + 5) * math.cos(a + 0.17), cy + (r + 5) * math.sin(a + 0.17))
        s.append(polygon([left, tip, right]))
    s.append(ellipse(cx, cy, r, r))                                        # face
    s.append(ellipse(cx - 25, cy - 18, 9, 12))                             # eyes
    s.append(ellipse(cx + 25, cy - 18, 9, 12))
    s.append(ellipse(cx - 45, cy + 12, 10, 7))                             # cheeks
    s.append(ellipse(cx + 45, cy + 12, 10, 7))
    s.append(line(circle_points(cx, cy + 5, 35, 16, math.radians(25), math.radians(155))))  # smile
    return s


def fisch():
    s = []
    for x, y, r in ((330, 60, 10), (350, 30, 7), (318, 25, 5)):            # bubbles
        s.append(ellipse(x, y, r, r))
    s.append(polygon([(85, 150), (25, 95), (45, 150), (25, 205)]))        # tail
    s.append(polygon(path((170, 95), ((185, 40), (245, 40), (250, 90)), ((230, 92), (200, 92), (170, 95)))))  # top fin
    body = path((80, 150), ((140, 60), (260, 60), (320, 150)), ((260, 240), (140, 240), (80, 150)))
    s.append(polygon(body))
    s.append(polygon(path((175, 200), ((190, 245), (225, 250), (235, 215)), ((215, 210), (195, 205), (175, 200)))))  # fin
    s.append(ellipse(275, 130, 14, 14))                                    # eye
    s.append(ellipse(279, 130, 5, 5))
    s.append(line(path((305, 165), ((298, 172), (290, 172), (283, 168)))))  # mouth
    for x in (150, 185, 220):                                              # scales
        for y in (125, 165):
            s.append(line(circle_points(x, y, 18, 10, math.radians(-60), math.radians(60))))
    s.append(line([(0, 280), (40, 265), (80, 280), (120, 265), (160, 280), (200, 265), (240, 280),
                   (280, 265), (320, 280), (360, 265), (400, 280)]))       # water plants' ground
    return s


def blume():
    cx, cy = 200, 95
    s = [polygon([(150, 225), (250, 225), (235, 290), (165, 290)])]      # pot
    s.append(rect(140, 215, 120, 16))
    s.append(polygon(path((198, 215), ((192, 180), (206, 150), (200, 120)), ((206, 150), (200, 180), (204, 215)))))  # stem
    s.append(polygon(path((200, 185), ((170, 150), (130, 160), (120, 175)), ((140, 195), (175, 195), (200, 185)))))  # leaves
    s.append(polygon(path((202, 170), ((235, 135), (270, 145), (282, 160)), ((262, 180), (228, 182), (202, 170)))))
    for i in range(8):                                                     # petals
        a = i * math.pi / 4
        px, py = cx + 42 * math.cos(a), cy + 42 * math.sin(a)
        tip = (cx + 75 * math.cos(a), cy + 75 * math.sin(a))
        n = (-math.sin(a), math.cos(a))
        petal = path((cx + 20 * math.cos(a), cy + 20 * math.sin(a)),
                     ((px + 26 * n[0], py + 26 * n[1]), (tip[0] + 10 * n[0], tip[1] + 10 * n[1]), tip),
                     ((tip[0] - 10 * n[0], tip[1] - 10 * n[1]), (px - 26 * n[0], py - 26 * n[1]),
                      (cx + 20 * math.cos(a), cy + 20 * math.sin(a))))
        s.append(polygon(petal))
    s.append(ellipse(cx, cy, 28, 28))                                      # centre
    # a butterfly
    bx, by = 335, 60
    for side in (-1, 1):
        s.append(polygon(path((bx, by - 4), ((bx + side * 20, by - 45), (bx + side * 50, by - 30), (bx + side * 38, by - 5)),
                              ((bx + side * 30, by + 5), (bx + side * 10, by + 2), (bx, by - 4)))))
        s.append(polygon(path((bx, by + 2), ((bx + side * 30, by + 5), (bx + side * 35, by + 30), (bx + side * 18, by + 32)),
                              ((bx + side * 8, by + 32), (bx + side * 2, by + 15), (bx, by + 2)))))
        s.append(line(path((bx, by - 14), ((bx + side * 2, by - 25), (bx + side * 8, by - 32), (bx + side * 14, by - 34)))))
    s.append(ellipse(bx, by + 6, 4, 20))
    return s


# ---------------------------------------------------------------- writers

def _int_points(pts):
    return [(int(round(x)), int(round(y))) for x, y in pts]


def emf_bytes(shapes):
    e = records.Emf(W, H)
    e.recd(38, 1, 0, PEN, 0, BLACK).recd(37, 1)                           # CREATEPEN, SELECTOBJECT
    e.recd(39, 2, 0, WHITE, 0).recd(37, 2)                                 # CREATEBRUSHINDIRECT white
    for kind, data in shapes:
        if kind == "ellipse":
            (l, t), (r, b) = _int_points([data[:2], data[2:]])
            e.recd(42, l, t, r, b)                                         # ELLIPSE
            continue
        pts = _int_points(data)
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]
        payload = records.dwords(min(xs), min(ys), max(xs), max(ys), len(pts))
        payload += b"".join(struct.pack("<hh", x, y) for x, y in pts)
        e.rec(86 if kind == "polygon" else 87, payload)                   # POLYGON16 / POLYLINE16
    return e.bytes(handles=3)


def wmf_bytes(shapes):
    w = records.Wmf(box=(0, 0, W, H), inch=96)
    w.rec(0x0103, 8)                                                       # SETMAPMODE anisotropic
    w.rec(0x020B, 0, 0)                                                    # SETWINDOWORG
    w.rec(0x020C, H, W)                                                    # SETWINDOWEXT
    w.select(w.pen(0, PEN, BLACK))
    w.select(w.brush(WHITE))
    for kind, data in shapes:
        if kind == "ellipse":
            (l, t), (r, b) = _int_points([data[:2], data[2:]])
            w.rec(0x0418, b, r, t, l)                                      # ELLIPSE
            continue
        pts = _int_points(data)
        words = [len(pts)] + [c for p in pts for c in p]
        w.rec(0x0324 if kind == "polygon" else 0x0325, *words)            # POLYGON / POLYLINE
    return w.bytes()


PICTURES = {
    "Haus.wmf": (haus, wmf_bytes),
    "Sonne.emf": (sonne, emf_bytes),
    "Fisch.emf": (fisch, emf_bytes),
    "Blume.wmf": (blume, wmf_bytes),
}


def write_all(folder):
    os.makedirs(folder, exist_ok=True)
    for name, (draw, write) in PICTURES.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(write(draw()))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "..", "demo", "Bilderurkunde")
    write_all(out)
    for name in PICTURES:
        print(name, os.path.getsize(os.path.join(out, name)))


if __name__ == "__main__":
    main()
