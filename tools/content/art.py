"""Own SVG drawings for Kalimo's demo material (symbols, buttons, backgrounds, mouths...)."""

FONT = "Liberation Sans, DejaVu Sans, sans-serif"


def svg(w, h, body, bg=None):
    back = f'<rect width="{w}" height="{h}" fill="{bg}"/>' if bg else ""
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" '
            f'viewBox="0 0 {w} {h}">{back}{body}</svg>')


def text(x, y, s, size, fill="#000", weight="bold", anchor="middle"):
    s = s.replace("&", "&amp;").replace("<", "&lt;")
    return (f'<text x="{x}" y="{y}" font-family="{FONT}" font-size="{size}" '
            f'font-weight="{weight}" text-anchor="{anchor}" fill="{fill}">{s}</text>')


def tisch():
    return svg(256, 256,
               '<rect x="20" y="70" width="216" height="26" rx="6" fill="#b5651d"/>'
               '<rect x="34" y="96" width="22" height="130" fill="#8b4513"/>'
               '<rect x="200" y="96" width="22" height="130" fill="#8b4513"/>'
               '<rect x="70" y="96" width="14" height="90" fill="#a0522d"/>'
               '<rect x="172" y="96" width="14" height="90" fill="#a0522d"/>'
               '<ellipse cx="128" cy="62" rx="30" ry="8" fill="#4a90d9"/>')


def emoji_inner(emoji_svg):
    """The drawing inside a 36x36 Twemoji file, without its <svg> wrapper."""
    start = emoji_svg.index(">", emoji_svg.index("<svg")) + 1
    end = emoji_svg.rindex("</svg>")
    return emoji_svg[start:end]


def twice(emoji_svg):
    inner = emoji_inner(emoji_svg)
    return svg(256, 256,
               f'<g transform="translate(4,40) scale(3.4)">{inner}</g>'
               f'<g transform="translate(130,90) scale(3.4)">{inner}</g>')


def on_plate(emoji_svg, fill="#ffffff", stroke="#3a6ea5", label=None, size=256):
    """Emoji centred on a rounded plate (symbols and answer states)."""
    inner = emoji_inner(emoji_svg)
    s = size / 256
    body = (f'<rect x="{8*s}" y="{8*s}" width="{240*s}" height="{240*s}" rx="{40*s}" '
            f'fill="{fill}" stroke="{stroke}" stroke-width="{8*s}"/>')
    if label:
        body += f'<g transform="translate({56*s},{22*s}) scale({4*s})">{inner}</g>'
        body += text(128*s, 232*s, label, 40*s)
    else:
        body += f'<g transform="translate({38*s},{38*s}) scale({5*s})">{inner}</g>'
    return svg(size, size, body)


def plain_emoji(emoji_svg, size=256, pad=0):
    inner = emoji_inner(emoji_svg)
    k = (size - 2 * pad) / 36
    return svg(size, size, f'<g transform="translate({pad},{pad}) scale({k})">{inner}</g>')


def sign(kind, colour):
    """Big symbols: '=', '≠', check, cross, arrow, long, short."""
    c = colour
    shapes = {
        "gleich": f'<rect x="48" y="84" width="160" height="28" rx="10" fill="{c}"/>'
                  f'<rect x="48" y="144" width="160" height="28" rx="10" fill="{c}"/>',
        "nichtgleich": f'<rect x="48" y="84" width="160" height="28" rx="10" fill="{c}"/>'
                       f'<rect x="48" y="144" width="160" height="28" rx="10" fill="{c}"/>'
                       f'<rect x="116" y="40" width="26" height="176" rx="10" fill="{c}" transform="rotate(30 128 128)"/>',
        "haken": f'<path d="M40 136 L100 196 L216 64" fill="none" stroke="{c}" stroke-width="34" stroke-linecap="round" stroke-linejoin="round"/>',
        "kreuz": f'<path d="M60 60 L196 196 M196 60 L60 196" fill="none" stroke="{c}" stroke-width="34" stroke-linecap="round"/>',
        "pfeil": f'<path d="M30 108 H150 V60 L226 128 L150 196 V148 H30 Z" fill="{c}"/>',
        "lang": f'<rect x="20" y="108" width="216" height="40" rx="20" fill="{c}"/>',
        "kurz": f'<rect x="98" y="108" width="60" height="40" rx="20" fill="{c}"/>',
        "stop": f'<rect x="64" y="64" width="128" height="128" rx="12" fill="{c}"/>',
        "start": f'<path d="M80 48 L208 128 L80 208 Z" fill="{c}"/>',
        "nochmal": f'<path d="M200 128 A72 72 0 1 1 170 70" fill="none" stroke="{c}" stroke-width="28" stroke-linecap="round"/>'
                   f'<path d="M150 30 L214 62 L160 108 Z" fill="{c}"/>',
        "punkt": f'<circle cx="128" cy="128" r="80" fill="{c}"/>',
        "ring": f'<circle cx="128" cy="128" r="84" fill="none" stroke="{c}" stroke-width="26"/>',
    }
    return svg(256, 256, shapes[kind])


def marker(colour, ring):
    return svg(128, 128, f'<circle cx="64" cy="64" r="56" fill="{colour}" stroke="{ring}" stroke-width="10"/>'
                         f'<circle cx="64" cy="64" r="18" fill="#ffffff"/>')


def positions(active):
    """Three boxes front / middle / end; the active one highlighted (-1: none)."""
    body = ""
    for i in range(3):
        fill = "#ffd23f" if i == active else "#e8eef7"
        body += f'<rect x="{12 + i*80}" y="88" width="72" height="80" rx="10" fill="{fill}" stroke="#3a6ea5" stroke-width="6"/>'
    return svg(256, 256, body)


def pacman(opening):
    import math
    a = math.radians(opening)
    x1, y1 = 128 + 100 * math.cos(a), 128 - 100 * math.sin(a)
    x2, y2 = 128 + 100 * math.cos(a), 128 + 100 * math.sin(a)
    return svg(256, 256, f'<path d="M128 128 L{x1:.1f} {y1:.1f} A100 100 0 1 0 {x2:.1f} {y2:.1f} Z" fill="#ffd000" stroke="#a07800" stroke-width="4"/>'
                         f'<circle cx="128" cy="72" r="12" fill="#222"/>')


def face(angle, dx, mouth):
    """A simple head for the nodding / shaking animation of Richtig oder Falsch."""
    m = ('<path d="M98 170 Q128 200 158 170" fill="none" stroke="#6b3a12" stroke-width="8" stroke-linecap="round"/>'
         if mouth == "smile" else
         '<path d="M98 184 Q128 160 158 184" fill="none" stroke="#6b3a12" stroke-width="8" stroke-linecap="round"/>')
    return svg(256, 256,
               f'<g transform="translate({dx},0) rotate({angle} 128 220)">'
               '<circle cx="128" cy="128" r="96" fill="#ffcc4d" stroke="#c98f00" stroke-width="6"/>'
               '<circle cx="94" cy="110" r="12" fill="#664500"/><circle cx="162" cy="110" r="12" fill="#664500"/>'
               f'{m}</g>')


MOUTH_CLASS = {}
for _s in "a ä ah".split():
    MOUTH_CLASS[_s] = "offen"
for _s in "o u ö ü au oh uh sch".split():
    MOUTH_CLASS[_s] = "rund"
for _s in "e i ei ie eh eu".split():
    MOUTH_CLASS[_s] = "breit"
for _s in "m b p pf".split():
    MOUTH_CLASS[_s] = "zu"
for _s in "f w v".split():
    MOUTH_CLASS[_s] = "lippe"
for _s in "s z t d n l st sp ß".split():
    MOUTH_CLASS[_s] = "zaehne"


def mouth(sound, active):
    kind = MOUTH_CLASS.get(sound.lower(), "hinten")
    glow = '<rect width="256" height="256" rx="24" fill="#fff3a0"/>' if active else '<rect width="256" height="256" rx="24" fill="#fdebd3"/>'
    lips = "#d9534f"
    shapes = {
        "offen": f'<ellipse cx="128" cy="128" rx="70" ry="62" fill="{lips}"/><ellipse cx="128" cy="132" rx="50" ry="42" fill="#5a1010"/>'
                 '<rect x="90" y="90" width="76" height="14" fill="#fff"/>',
        "rund": f'<circle cx="128" cy="128" r="48" fill="{lips}"/><circle cx="128" cy="128" r="22" fill="#5a1010"/>',
        "breit": f'<ellipse cx="128" cy="128" rx="92" ry="34" fill="{lips}"/><ellipse cx="128" cy="128" rx="72" ry="16" fill="#5a1010"/>'
                 '<rect x="70" y="114" width="116" height="10" fill="#fff"/>',
        "zu": f'<ellipse cx="128" cy="128" rx="80" ry="26" fill="{lips}"/><path d="M52 128 H204" stroke="#7a2020" stroke-width="6"/>',
        "lippe": f'<ellipse cx="128" cy="128" rx="80" ry="34" fill="{lips}"/><rect x="84" y="104" width="88" height="22" fill="#fff"/>'
                 '<path d="M84 126 H172" stroke="#ccc" stroke-width="3"/>',
        "zaehne": f'<ellipse cx="128" cy="128" rx="84" ry="36" fill="{lips}"/><rect x="66" y="112" width="124" height="32" rx="6" fill="#fff"/>'
                  '<path d="M66 128 H190" stroke="#bbb" stroke-width="3"/>',
        "hinten": f'<ellipse cx="128" cy="128" rx="74" ry="46" fill="{lips}"/><ellipse cx="128" cy="134" rx="54" ry="28" fill="#5a1010"/>'
                  '<ellipse cx="128" cy="150" rx="30" ry="12" fill="#e07070"/>',
    }
    return svg(256, 256, glow + shapes[kind])


def mouth_rest():
    return svg(256, 256, '<rect width="256" height="256" rx="24" fill="#fdebd3"/>'
                         '<path d="M60 128 Q128 150 196 128" fill="none" stroke="#d9534f" stroke-width="16" stroke-linecap="round"/>')


def count_card(n, pressed):
    bg = "#ffd23f" if pressed else "#ffffff"
    dots = "".join(f'<circle cx="{128 + (i - (n - 1) / 2) * 40:.0f}" cy="180" r="14" fill="#3a6ea5"/>' for i in range(n))
    return svg(256, 256, f'<rect width="256" height="256" fill="{bg}"/>' + text(128, 130, str(n), 120, "#c0392b") + dots)


def background(kind, light):
    if kind == "Wiese":
        sky, ground = ("#d8efff", "#c8f0c0") if light else ("#7ec8f5", "#5cbf4a")
        body = (f'<rect width="800" height="600" fill="{sky}"/><path d="M0 380 Q200 330 400 380 T800 370 V600 H0 Z" fill="{ground}"/>'
                f'<circle cx="680" cy="110" r="60" fill="{"#fff6c0" if light else "#ffd23f"}"/>')
    elif kind == "Himmel":
        a, b = ("#eef6ff", "#ffffff") if light else ("#4a90d9", "#bfe0ff")
        body = (f'<defs><linearGradient id="g" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="{a}"/>'
                f'<stop offset="1" stop-color="{b}"/></linearGradient></defs><rect width="800" height="600" fill="url(#g)"/>'
                + "".join(f'<ellipse cx="{x}" cy="{y}" rx="90" ry="34" fill="#ffffff" opacity="0.8"/>'
                          for x, y in ((150, 120), (520, 200), (680, 420), (260, 460))))
    else:  # Holz
        body = '<rect width="800" height="600" fill="#d9a066"/>' + "".join(
            f'<path d="M0 {y} Q400 {y + 18} 800 {y}" stroke="#b07a42" stroke-width="6" fill="none"/>' for y in range(30, 600, 60))
    return svg(800, 600, body)


def card_back(kind):
    if kind == "Sterne":
        body = '<rect width="240" height="180" fill="#27408b"/>' + "".join(
            f'<path d="M{x} {y - 14} L{x + 4} {y - 4} L{x + 14} {y - 4} L{x + 6} {y + 3} L{x + 9} {y + 14} L{x} {y + 7} L{x - 9} {y + 14} L{x - 6} {y + 3} L{x - 14} {y - 4} L{x - 4} {y - 4} Z" fill="#ffd23f"/>'
            for x, y in ((40, 40), (120, 60), (200, 40), (60, 130), (150, 140), (210, 120)))
    elif kind == "Karo":
        body = '<rect width="240" height="180" fill="#ffffff"/>' + "".join(
            f'<rect x="{x}" y="{y}" width="30" height="30" fill="#e74c3c"/>'
            for x in range(0, 240, 60) for y in range(0, 180, 60)) + "".join(
            f'<rect x="{x + 30}" y="{y + 30}" width="30" height="30" fill="#e74c3c"/>'
            for x in range(0, 240, 60) for y in range(0, 180, 60))
    else:
        body = '<rect width="240" height="180" fill="#2e8b57"/>' + "".join(
            f'<circle cx="{x}" cy="{y}" r="12" fill="#a8e6cf"/>' for x in range(20, 240, 50) for y in range(20, 180, 50))
    return svg(240, 180, body)


def menu_button(caption, emoji_svg, colour, highlighted, w=360, h=96):
    inner = emoji_inner(emoji_svg)
    fill = "#fff4b0" if highlighted else colour
    stroke = "#e67e22" if highlighted else "#3a6ea5"
    body = (f'<rect x="4" y="4" width="{w - 8}" height="{h - 8}" rx="22" fill="{fill}" stroke="{stroke}" stroke-width="6"/>'
            f'<g transform="translate(16,{(h - 64) / 2}) scale({64 / 36})">{inner}</g>')
    size = 30 if len(caption) < 18 else 24 if len(caption) < 24 else 20
    body += text(92, h / 2 + size / 3, caption, size, "#1b2a49", anchor="start")
    return svg(w, h, body)


def program_button(emoji_svg, colour, highlighted, w=600, h=80):
    """A program inside a group: the program writes its number and caption over the left part,
    so the picture carries no text, only its symbol at the right end."""
    inner = emoji_inner(emoji_svg)
    fill = "#fff4b0" if highlighted else colour
    stroke = "#e67e22" if highlighted else "#3a6ea5"
    icon = h - 20
    return svg(w, h, f'<rect x="3" y="3" width="{w - 6}" height="{h - 6}" rx="{h // 3}" fill="{fill}" stroke="{stroke}" stroke-width="5"/>'
                     f'<g transform="translate({w - icon - 18},10) scale({icon / 36})">{inner}</g>')


def start_picture(emoji_ear, big):
    inner = emoji_inner(emoji_ear)
    bg = "#fff4b0" if big else "#ffffff"
    return svg(400, 254, f'<rect x="4" y="4" width="392" height="246" rx="30" fill="{bg}" stroke="#3a6ea5" stroke-width="8"/>'
                         f'<g transform="translate(24,50) scale(4.2)">{inner}</g>'
                         + text(270, 140, "Kalimo", 64, "#c0392b") + text(270, 190, "Hörtraining", 30, "#1b2a49"))


def frame_picture():
    return svg(256, 256, '<rect x="12" y="12" width="232" height="232" rx="18" fill="#ffffff" stroke="#b07a42" stroke-width="20"/>'
                         '<circle cx="128" cy="104" r="40" fill="#d0d0d0"/><path d="M58 212 Q128 130 198 212 Z" fill="#d0d0d0"/>')


def tafel():
    # The question stands in the top band, above the area where the placed cards lie.
    return svg(400, 300, '<rect x="10" y="10" width="380" height="280" rx="16" fill="#2f4f3f" stroke="#8b5a2b" stroke-width="18"/>'
                         + text(200, 44, "Was hast du gehört?", 24, "#ffffff", weight="normal"))


def motif_layer(kind):
    """Flower masks: black shape on white ('schwarz') or the inverse ('weiss')."""
    petals = "".join(f'<ellipse cx="128" cy="64" rx="34" ry="58" transform="rotate({a} 128 128)"/>' for a in range(0, 360, 60))
    if kind == "schwarz":
        return svg(128, 128, f'<rect width="256" height="256" fill="#fff" transform="scale(0.5)"/><g transform="scale(0.5)" fill="#000">{petals}<circle cx="128" cy="128" r="34"/></g>')
    if kind == "weiss":
        return svg(128, 128, f'<rect width="128" height="128" fill="#000"/><g transform="scale(0.5)" fill="#fff">{petals}<circle cx="128" cy="128" r="34"/></g>')
    if kind == "schwarzweiss":
        return svg(128, 128, f'<rect width="128" height="128" fill="#fff"/><g transform="scale(0.5)" fill="#000"><circle cx="128" cy="128" r="34"/></g>')
    return svg(128, 128, f'<rect width="128" height="128" fill="#000"/><g transform="scale(0.5)" fill="#fff"><circle cx="128" cy="128" r="34"/></g>')


def result_symbol(i):
    colours = ["#e74c3c", "#f39c12", "#f1c40f", "#2ecc71", "#3498db"]
    c = colours[i]
    return svg(128, 128, f'<path d="M64 8 L80 46 L122 48 L90 74 L100 116 L64 92 L28 116 L38 74 L6 48 L48 46 Z" fill="{c}" stroke="#7a4a00" stroke-width="3"/>')


def page(lines, title):
    """One A4 page of the manual (595x842 pt)."""
    body = '<rect width="595" height="842" fill="#ffffff"/>' + text(60, 80, title, 26, "#c0392b", anchor="start")
    y = 120
    for ln in lines:
        if ln.startswith("## "):
            y += 10
            body += text(60, y, ln[3:], 17, "#1b2a49", anchor="start")
            y += 26
        else:
            body += text(60, y, ln, 12, "#222", weight="normal", anchor="start")
            y += 18
    return svg(595, 842, body)
