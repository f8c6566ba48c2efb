#!/usr/bin/env python3
"""Writes the demo's music, an XM module, from a score and synthesised samples.

    compose.py [--score FILE] [-o OUT.xm] [--mute 0,2] [--report]

The output depends only on the score and on this program, so running it twice
gives the same bytes. --mute drops the notes of the listed channels (speed,
tempo and loop commands stay) to listen to the others alone. --report prints the
profile: sizes, effect use and song length.

Score format (one statement per line; '#' after a space or at the line start
begins a comment):

    title "name"                       module name, at most 20 characters
    speed 6 / bpm 138 / restart 0 / channels 4
    instrument NAME sample=S volume=V pan=P [env=x:y,x:y,... sustain=I]
                    [fadeout=F]        one instrument holding synthesised sample S
    text "words"                       an instrument without a sample (a credit line)
    alias NAME TOKEN                   a short name for a cell, e.g. `alias k C-4~kick`
    bar NAME TOKEN...                  a run of rows, one token per row
    pattern NAME                       starts a pattern; then one line per channel:
      CHANNEL ITEM...                  ITEM is a bar name, optionally transposed
                                       (`bassline-4`) or repeated (`beat*3`), or a
                                       bracketed run of tokens `[ A-4 . . ]`
    order NAME...                      the song, by pattern name

A token is `NOTE[~INSTRUMENT][:EFFECT]`. NOTE is `.` (none), `C-4`, `C#4`,
`off` (key off) or an alias. EFFECT is three hex digits (`A04`, `EC2`, `F8A`).
A note takes the channel line's instrument (`~name` as its first item) unless it
names its own; tone-portamento notes (effects 3 and 5) carry no instrument, so
that they slide without restarting the volume.
"""

import argparse
import os
import re
import shlex
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import synth  # noqa: E402

ROWS_PER_PATTERN = 64
# Effects this module may use: 3, 4, 5, 6, A, C, E6, E9, EC, F.
ALLOWED_EFFECTS = {0x3, 0x4, 0x5, 0x6, 0xA, 0xC, 0xF}
ALLOWED_EXTENDED = {0x6, 0x9, 0xC}
NOTE_NAMES = {"C-": 0, "C#": 1, "D-": 2, "D#": 3, "E-": 4, "F-": 5, "F#": 6,
              "G-": 7, "G#": 8, "A-": 9, "A#": 10, "B-": 11}
KEY_OFF = 97


class ScoreError(Exception):
    pass


class Cell:
    __slots__ = ("note", "instrument", "effect", "param")

    def __init__(self, note=0, instrument=0, effect=0, param=0):
        self.note, self.instrument, self.effect, self.param = note, instrument, effect, param

    def IsEmpty(self):
        return not (self.note or self.instrument or self.effect or self.param)


class Instrument:
    def __init__(self, name, sample=None, volume=64, pan=128, envelope=None, sustain=None,
                 fadeout=0):
        self.name = name
        self.sample = sample
        self.volume = volume
        self.pan = pan
        self.envelope = envelope or []
        self.sustain = sustain
        self.fadeout = fadeout


class Score:
    def __init__(self):
        self.title = ""
        self.speed = 6
        self.bpm = 125
        self.restart = 0
        self.channels = 4
        self.instruments = []        # Instrument, in file order (number = index + 1)
        self.aliases = {}            # name -> token text
        self.bars = {}               # name -> list of token texts
        self.patterns = {}           # name -> list of channels, each a list of Cell
        self.patternOrder = []       # pattern names in the order they were defined
        self.order = []              # pattern names


def ParseNote(text):
    m = re.fullmatch(r"([A-G][-#])([0-9])", text)
    if not m or m.group(1) not in NOTE_NAMES:
        return None
    return 1 + int(m.group(2)) * 12 + NOTE_NAMES[m.group(1)]


def InstrumentNumber(score, name, where):
    for i, inst in enumerate(score.instruments):
        if inst.name == name:
            return i + 1
    raise ScoreError(f"{where}: unknown instrument '{name}'")


def ParseToken(score, text, transpose, defaultInstrument, where, depth=0):
    """One row token to a Cell."""
    m = re.fullmatch(r"([^~:]+)?(?:~([A-Za-z_]\w*))?(?::([0-9A-Fa-f]{3}))?", text)
    if not m:
        raise ScoreError(f"{where}: bad token '{text}'")
    head, instName, fx = m.groups()
    cell = Cell()
    if head in score.aliases:
        if depth > 4:
            raise ScoreError(f"{where}: alias loop at '{head}'")
        cell = ParseToken(score, score.aliases[head], transpose, None, where, depth + 1)
    elif head == "off":
        cell.note = KEY_OFF
    elif head not in (None, "."):
        note = ParseNote(head)
        if note is None:
            raise ScoreError(f"{where}: bad note '{head}'")
        note += transpose
        if not 1 <= note <= 96:
            raise ScoreError(f"{where}: note '{head}' transposed by {transpose} is out of range")
        cell.note = note
    if fx:
        cell.effect = int(fx[0], 16)
        cell.param = int(fx[1:], 16)
    if instName:
        cell.instrument = InstrumentNumber(score, instName, where)
    elif 1 <= cell.note <= 96 and not cell.instrument and defaultInstrument:
        if cell.effect not in (0x3, 0x5):
            cell.instrument = defaultInstrument
    return cell


def ParseItems(line):
    """Splits a channel line into items, keeping bracketed runs together."""
    items = []
    tokens = line.split()
    i = 0
    while i < len(tokens):
        if tokens[i] == "[":
            j = tokens.index("]", i)
            items.append(("inline", tokens[i + 1:j]))
            i = j + 1
        else:
            items.append(("bar", tokens[i]))
            i += 1
    return items


def ExpandChannel(score, line, where):
    cells = []
    default = None
    for kind, item in ParseItems(line):
        if kind == "inline":
            cells += [ParseToken(score, t, 0, default, where) for t in item]
            continue
        if item.startswith("~"):
            default = InstrumentNumber(score, item[1:], where)
            continue
        m = re.fullmatch(r"([A-Za-z_]\w*)([+-]\d+)?(?:\*(\d+))?", item)
        if not m or m.group(1) not in score.bars:
            raise ScoreError(f"{where}: unknown bar '{item}'")
        transpose = int(m.group(2) or 0)
        repeat = int(m.group(3) or 1)
        for _ in range(repeat):
            cells += [ParseToken(score, t, transpose, default, where)
                      for t in score.bars[m.group(1)]]
    return cells


def ParseKeyValues(words, where):
    out = {}
    for w in words:
        if "=" not in w:
            raise ScoreError(f"{where}: expected key=value, got '{w}'")
        k, v = w.split("=", 1)
        out[k] = v
    return out


def ParseScore(text):
    score = Score()
    current = None
    for number, raw in enumerate(text.splitlines(), 1):
        where = f"line {number}"
        line = re.sub(r"(^|\s)#.*", "", raw).strip()  # '#' inside a note name is no comment
        if not line:
            continue
        word, _, rest = line.partition(" ")
        rest = rest.strip()
        if word in ("title",):
            score.title = shlex.split(rest)[0]
        elif word in ("speed", "bpm", "restart", "channels"):
            setattr(score, word, int(rest))
        elif word == "instrument":
            parts = rest.split()
            kv = ParseKeyValues(parts[1:], where)
            env = []
            if "env" in kv:
                for point in kv["env"].split(","):
                    x, y = point.split(":")
                    env.append((int(x), int(y)))
            score.instruments.append(Instrument(
                parts[0], kv.get("sample", parts[0]), int(kv.get("volume", 64)),
                int(kv.get("pan", 128)), env,
                int(kv["sustain"]) if "sustain" in kv else None, int(kv.get("fadeout", 0))))
        elif word == "text":
            score.instruments.append(Instrument(shlex.split(rest)[0]))
        elif word == "alias":
            name, token = rest.split()
            score.aliases[name] = token
        elif word == "bar":
            name, *tokens = rest.split()
            score.bars[name] = tokens
        elif word == "pattern":
            current = rest
            if current in score.patterns:
                raise ScoreError(f"{where}: pattern '{current}' defined twice")
            score.patterns[current] = [None] * score.channels
            score.patternOrder.append(current)
        elif word == "order":
            score.order = rest.split()
        elif word.isdigit():
            if current is None:
                raise ScoreError(f"{where}: channel line outside a pattern")
            ch = int(word)
            if not 0 <= ch < score.channels:
                raise ScoreError(f"{where}: no channel {ch}")
            cells = ExpandChannel(score, rest, where)
            if len(cells) != ROWS_PER_PATTERN:
                raise ScoreError(f"{where}: channel {ch} of '{current}' has {len(cells)} rows")
            score.patterns[current][ch] = cells
        else:
            raise ScoreError(f"{where}: unknown statement '{word}'")
    for name, channels in score.patterns.items():
        for ch in range(score.channels):
            if channels[ch] is None:
                channels[ch] = [Cell() for _ in range(ROWS_PER_PATTERN)]
    for name in score.order:
        if name not in score.patterns:
            raise ScoreError(f"order: unknown pattern '{name}'")
    return score


def CheckEffects(score):
    """Refuses effects outside the module's set."""
    for name, channels in score.patterns.items():
        for ch, cells in enumerate(channels):
            for row, c in enumerate(cells):
                if not (c.effect or c.param):
                    continue
                ok = c.effect in ALLOWED_EFFECTS or (c.effect == 0xE and (c.param >> 4) in ALLOWED_EXTENDED)
                if not ok:
                    raise ScoreError(f"pattern '{name}' channel {ch} row {row}: effect "
                                     f"{c.effect:X}{c.param:02X} is not in the module's set")


def MuteChannels(score, muted):
    """Drops notes and instruments of the muted channels; keeps commands that
    steer the song (speed, tempo, pattern loop) so the timing stays the same."""
    for channels in score.patterns.values():
        for ch in muted:
            for c in channels[ch]:
                keep = c.effect == 0xF or (c.effect == 0xE and c.param >> 4 == 0x6)
                c.note = c.instrument = 0
                if not keep:
                    c.effect = c.param = 0


# --- XM writing ---------------------------------------------------------------

def Text(s, size):
    b = s.encode("ascii")[:size]
    return b + b"\0" * (size - len(b))


def PackCell(c):
    fields = [c.note, c.instrument, 0, c.effect, c.param]
    if all(f != 0 for f in (c.note, c.instrument)) and (c.effect or c.param):
        return bytes(fields)  # all five fields: no mask byte needed
    mask = 0x80
    out = bytearray()
    for bit, value in enumerate(fields):
        if value:
            mask |= 1 << bit
            out.append(value)
    return bytes([mask]) + bytes(out)


def WritePattern(score, channels):
    data = bytearray()
    for row in range(ROWS_PER_PATTERN):
        for ch in range(score.channels):
            data += PackCell(channels[ch][row])
    if len(data) > 0xFFFF:
        raise ScoreError("pattern too large")
    return struct.pack("<IBHH", 9, 0, ROWS_PER_PATTERN, len(data)) + data


INSTRUMENT_HEADER_SIZE = 263
SAMPLE_HEADER_SIZE = 40


def WriteInstrument(inst, sample):
    if sample is None:
        head = struct.pack("<I", INSTRUMENT_HEADER_SIZE) + Text(inst.name, 22) + struct.pack("<BH", 0, 0)
        return head + b"\0" * (INSTRUMENT_HEADER_SIZE - len(head))
    head = struct.pack("<I", INSTRUMENT_HEADER_SIZE) + Text(inst.name, 22) + struct.pack("<BH", 0, 1)
    head += struct.pack("<I", SAMPLE_HEADER_SIZE)
    head += bytes(96)  # every note plays sample 0
    points = inst.envelope[:12]
    env = b"".join(struct.pack("<HH", x, y) for x, y in points) + bytes(4 * (12 - len(points)))
    head += env + bytes(48)  # volume envelope, empty panning envelope
    volType = 0
    if len(points) >= 2:
        volType = 1 | (2 if inst.sustain is not None else 0)
    head += struct.pack("<BBBBBBBBBBBBBB", len(points), 0, inst.sustain or 0, 0, 0, 0, 0, 0,
                        volType, 0, 0, 0, 0, 0)
    head += struct.pack("<H", inst.fadeout)
    head += b"\0" * (INSTRUMENT_HEADER_SIZE - len(head))
    assert len(head) == INSTRUMENT_HEADER_SIZE

    length = len(sample.data)
    loopType = {synth.LOOP_NONE: 0, synth.LOOP_FORWARD: 1, synth.LOOP_PINGPONG: 2}[sample.loopKind]
    loopStart = sample.loopStart if loopType else 0
    loopLength = sample.loopLength if loopType else 0
    if loopStart + loopLength > length:
        raise ScoreError(f"sample '{sample.name}': loop beyond its end")
    sh = struct.pack("<IIIBbBBbB", length, loopStart, loopLength, inst.volume, sample.finetune,
                     loopType, inst.pan, sample.relativeNote, 0) + Text(sample.name, 22)
    assert len(sh) == SAMPLE_HEADER_SIZE
    deltas = bytearray()
    previous = 0
    for v in sample.data:
        deltas.append((v - previous) & 0xFF)
        previous = v
    return head + sh + bytes(deltas)


def WriteModule(score, samples):
    CheckEffects(score)
    patternIndex = {name: i for i, name in enumerate(score.patternOrder)}
    order = [patternIndex[n] for n in score.order]
    out = bytearray()
    out += b"Extended Module: " + Text(score.title, 20) + b"\x1a" + Text("quorvantile compose", 20)
    out += struct.pack("<H", 0x0104)
    out += struct.pack("<IHHHHHHHH", 20 + 256, len(order), score.restart, score.channels,
                       len(score.patternOrder), len(score.instruments), 0, score.speed, score.bpm)
    out += bytes(order) + bytes(256 - len(order))
    for name in score.patternOrder:
        out += WritePattern(score, score.patterns[name])
    for inst in score.instruments:
        sample = samples[inst.sample] if inst.sample else None
        if inst.sample and sample is None:
            raise ScoreError(f"instrument '{inst.name}': no sample '{inst.sample}'")
        out += WriteInstrument(inst, sample)
    return bytes(out)


def Report(score, module):
    used = set()
    for channels in score.patterns.values():
        for cells in channels:
            for c in cells:
                if c.effect == 0xE:
                    used.add(f"E{c.param >> 4:X}")
                elif c.effect or c.param:
                    used.add(f"{c.effect:X}")
    rows = len(score.order) * ROWS_PER_PATTERN
    seconds = rows * score.speed * 2.5 / score.bpm
    print(f"bytes {len(module)}  patterns {len(score.patternOrder)}  orders {len(score.order)}  "
          f"instruments {len(score.instruments)}  about {seconds:.1f} s without loops")
    print("effects " + " ".join(sorted(used, key=lambda e: (len(e), e))))


def Main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Writes the demo's XM module.")
    parser.add_argument("--score", default=os.path.join(here, "score.txt"))
    parser.add_argument("-o", "--output", default=os.path.join(here, "..", "..", "content", "module.xm"))
    parser.add_argument("--mute", default="", help="comma-separated channels to silence")
    parser.add_argument("--report", action="store_true")
    args = parser.parse_args(argv)
    with open(args.score, encoding="utf-8") as f:
        text = f.read()
    try:
        score = ParseScore(text)
        if args.mute:
            MuteChannels(score, [int(c) for c in args.mute.split(",")])
        module = WriteModule(score, synth.BuildSamples())
    except ScoreError as e:
        print(f"{args.score}: {e}", file=sys.stderr)
        return 1
    with open(args.output, "wb") as f:
        f.write(module)
    if args.report:
        Report(score, module)
    return 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv[1:]))
