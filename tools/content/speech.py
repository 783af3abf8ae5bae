"""Spoken material of the demo: the two voices, the finishing of every spoken file, and the measurements
the checks use (loudness, silence at the ends, peak, vowel length).

Needs only Python's standard library and sox; pico2wave and espeak-ng only to make new speech.
Every step is deterministic (no dither, no random numbers, no dates), so the same text gives the same bytes.
"""
import array
import math
import os
import shutil
import subprocess
import sys
import wave

RATE = 22050
TARGET_LUFS = -20.0     # integrated loudness of every spoken file
LOUDNESS_TOLERANCE = 1.0
EDGE_MS = 50            # silence before the first and after the last sound
SILENCE_DBFS = -50.0    # below this a sample counts as silence
PEAK_LIMIT_DBFS = -1.0  # no sample louder than this

PICO_HELP = """pico2wave (SVOX Pico, Debian package libttspico-utils) is missing.
It is in Debian's non-free archive. On the developer machine that makes the demo material:
  1. add "non-free" to the Components line of /etc/apt/sources.list.d/debian.sources
     (or to the "deb" line of /etc/apt/sources.list),
  2. apt-get update && apt-get install libttspico-utils
Only this generator needs it: building, testing and running Kalimo do not."""


def have_pico():
    return shutil.which("pico2wave") is not None


def require_pico():
    if not have_pico():
        sys.exit(PICO_HELP)


def _run(*cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kw).stdout


# ---------------------------------------------------------------- reading and writing

def to_float(path, *effects, rate=RATE):
    """Samples of path as floats in [-1, 1], mono, at rate, after the given sox effects."""
    raw = _run("sox", "-D", path, "-t", "raw", "-e", "floating-point", "-b", "32", "-c", "1", "-r", str(rate), "-",
               *effects)
    a = array.array("f")
    a.frombytes(raw)
    if sys.byteorder != "little":
        a.byteswap()
    return a


def read_wav(path):
    """16-bit mono samples as floats, read without sox (the checks of committed files)."""
    with wave.open(path) as w:
        if (w.getnchannels(), w.getsampwidth()) != (1, 2):
            raise ValueError(f"{path}: not 16-bit mono")
        a = array.array("h")
        a.frombytes(w.readframes(w.getnframes()))
        rate = w.getframerate()
    if sys.byteorder != "little":
        a.byteswap()
    return array.array("f", (s / 32768.0 for s in a)), rate


def write_wav(path, samples):
    """16-bit mono PCM, rounded, no dither; Python's wave module writes a plain header without dates."""
    pcm = array.array("h", (max(-32768, min(32767, round(s * 32768.0))) for s in samples))
    if sys.byteorder != "little":
        pcm.byteswap()
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(pcm.tobytes())


# ---------------------------------------------------------------- measurements

def _kweight_effects(rate):
    """The two K-weighting filters of ITU-R BS.1770 (pre-filter shelf and RLB high-pass) for any sample rate,
    as sox biquads (coefficients derived as libebur128 does)."""
    f0, gain, q = 1681.974450955533, 3.999843853973347, 0.7071752369554196
    k = math.tan(math.pi * f0 / rate)
    vh = 10 ** (gain / 20)
    vb = vh ** 0.4996667741545416
    a0 = 1 + k / q + k * k
    shelf = [(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
             1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0]
    f0, q = 38.13547087602444, 0.5003270373238773
    k = math.tan(math.pi * f0 / rate)
    d = 1 + k / q + k * k
    high = [1, -2, 1, 1, 2 * (k * k - 1) / d, (1 - k / q + k * k) / d]
    return ["biquad", *map(repr, shelf), "biquad", *map(repr, high)]


def loudness(path):
    """Integrated loudness (LUFS) after ITU-R BS.1770-4: K-weighting, 400 ms blocks overlapping by 75 %,
    absolute gate -70 LUFS, relative gate -10 LU. A file shorter than one block is measured as one block."""
    rate = int(_run("sox", "--i", "-r", path))
    return _gated_loudness(to_float(path, *_kweight_effects(rate), rate=rate), rate)


def loudness_of(samples, rate=RATE):
    """loudness() of float samples."""
    raw = _run("sox", "-D", "-t", "raw", "-e", "floating-point", "-b", "32", "-c", "1", "-r", str(rate), "-",
               "-t", "raw", "-", *_kweight_effects(rate), input=_le_bytes(samples))
    a = array.array("f")
    a.frombytes(raw)
    if sys.byteorder != "little":
        a.byteswap()
    return _gated_loudness(a, rate)


def _le_bytes(samples):
    a = array.array("f", samples)
    if sys.byteorder != "little":
        a.byteswap()
    return a.tobytes()


def _gated_loudness(x, rate):
    step = int(0.1 * rate)
    n = len(x)
    if n == 0:
        return -math.inf
    # sums of squares per 100 ms step, then 400 ms blocks of four steps
    sums = [math.fsum(v * v for v in x[i:i + step]) for i in range(0, n, step)]
    block = 4 * step
    if n < block:
        z = [math.fsum(sums) / n]
    else:
        z = [math.fsum(sums[j:j + 4]) / block for j in range(0, n // step - 3)]
    lk = lambda m: -0.691 + 10 * math.log10(m) if m > 0 else -math.inf
    above = [m for m in z if lk(m) > -70]
    if not above:
        return -math.inf
    rel = lk(sum(above) / len(above)) - 10
    gated = [m for m in above if lk(m) > rel]
    return lk(sum(gated) / len(gated))


def peak_dbfs(samples):
    p = max((abs(min(samples)), abs(max(samples)))) if len(samples) else 0
    return 20 * math.log10(p) if p > 0 else -math.inf


def edges_ms(samples, rate=RATE):
    """Milliseconds of silence (below SILENCE_DBFS) before the first and after the last sound."""
    thr = 10 ** (SILENCE_DBFS / 20)
    first = next((i for i, s in enumerate(samples) if abs(s) >= thr), None)
    if first is None:
        return None
    last = next(i for i in range(len(samples) - 1, -1, -1) if abs(samples[i]) >= thr)
    return first * 1000 / rate, (len(samples) - 1 - last) * 1000 / rate


def vowel_ms(path):
    """Duration of the stressed vowel of a spoken word, in ms (energy and voicing segmentation).

    Energies in 20 ms windows every 10 ms in three bands: 300-2500 Hz (the vowels' formants), 80-400 Hz
    (voicing) and 3000-8000 Hz (frication). A window is voiced when its 80-400 Hz energy is within 20 dB of the
    word's maximum and above its 3000-8000 Hz energy. The demo's words are stressed on their first vowel: its
    peak is the first voiced window within FIRST_DB of the loudest voiced one, moved up to the top of its
    stretch, and the vowel is the run of voiced windows around that peak whose energy stays within VOWEL_DB.
    A voiced consonant next to the vowel (n, m, l, vocalised r) falls inside the run when it is as loud."""
    with wave.open(path) as w:
        rate = w.getframerate()
    e, low, fric = (_window_db(to_float(path, "sinc", band, rate=rate), rate)
                    for band in ("300-2500", "80-400", "3000-8000"))
    if not e:
        return 0.0
    ml = max(low)
    voiced = [low[i] >= ml - 20 and low[i] >= fric[i] for i in range(len(e))]
    cand = [i for i in range(len(e)) if voiced[i]]
    if not cand:
        return 0.0
    loudest = max(e[i] for i in cand)
    top = next(i for i in cand if e[i] >= loudest - FIRST_DB)
    while top + 1 < len(e) and voiced[top + 1] and e[top + 1] >= e[top]:
        top += 1
    inside = lambda i: voiced[i] and e[i] >= e[top] - VOWEL_DB
    lo = hi = top
    while lo > 0 and inside(lo - 1):
        lo -= 1
    while hi < len(e) - 1 and inside(hi + 1):
        hi += 1
    return (hi - lo + 1) * 10.0


def _window_db(x, rate):
    hop, win = int(0.01 * rate), int(0.02 * rate)
    return [10 * math.log10(max(1e-12, math.fsum(v * v for v in x[i:i + win])))
            for i in range(0, max(1, len(x) - win + 1), hop)]


VOWEL_DB = 6.0
FIRST_DB = 10.0
VOWEL_RATIO = 1.3


# ---------------------------------------------------------------- making spoken files

def finish(raw, out):
    """raw speech file (any rate) -> out: 22050 Hz 16-bit mono, EDGE_MS of silence at both ends,
    integrated loudness TARGET_LUFS, peak at most PEAK_LIMIT_DBFS."""
    x = to_float(raw, "highpass", "40")
    edge = array.array("f", [0.0] * int(RATE * EDGE_MS / 1000))
    thr = 10 ** (SILENCE_DBFS / 20)
    gain, trimmed = 1.0, x
    for _ in range(4):  # trimming depends on the final level, the level a little on the trimming
        cut = thr / gain  # the silence threshold at the final level
        first = next((i for i, s in enumerate(x) if abs(s) >= cut), 0)
        last = next((i for i in range(len(x) - 1, -1, -1) if abs(x[i]) >= cut), len(x) - 1)
        trimmed = x[first:last + 1]
        lufs = loudness_of(edge + trimmed + edge)
        if lufs == -math.inf:
            break
        new = 10 ** ((TARGET_LUFS - lufs) / 20)
        settled = abs(20 * math.log10(new / gain)) < 0.01
        gain = new
        if settled:
            break
    y = array.array("f", (v * gain for v in trimmed))
    limit = 10 ** (PEAK_LIMIT_DBFS / 20)
    if max(abs(min(y)), abs(max(y))) > limit:
        y = _limit(y, limit)
    write_wav(out, edge + y + edge)


def _limit(x, limit):
    """Soft knee above 2/3 of the limit: keeps single bursts below the limit without touching the rest."""
    knee = limit * 2 / 3
    room = limit - knee
    def f(v):
        a = abs(v)
        if a <= knee:
            return v
        a = knee + room * math.tanh((a - knee) / room)
        return a if v > 0 else -a
    return array.array("f", map(f, x))


def pico(text, out, speed=100, pitch=100):
    """SVOX Pico, German; speed and pitch in per cent of the voice's own."""
    raw = out + ".pico.wav"
    markup = text
    if pitch != 100:
        markup = f"<pitch level='{pitch}'>{markup}</pitch>"
    if speed != 100:
        markup = f"<speed level='{speed}'>{markup}</speed>"
    _run("pico2wave", "-l", "de-DE", "-w", raw, markup)
    finish(raw, out)
    os.remove(raw)


def espeak(text, out, speed=120, pitch=55):
    """eSpeak NG, German: only for what Pico cannot say (isolated sounds given as phonemes)."""
    raw = out + ".espeak.wav"
    _run("espeak-ng", "-v", "de", "-s", str(speed), "-p", str(pitch), "-w", raw, text)
    finish(raw, out)
    os.remove(raw)
