#!/usr/bin/env python3
"""Compares a tmux capture (capture-pane -e -N -p) with a snapshot's cells:
characters, and colours as the colour choice sends them. For "palette", also
the terminal's colours 0-7 (answers from replay_cast.py): the show's while
the recording ran, the terminal's own before and after it; for 16 and 24,
untouched. Usage: compare_screen.py CELLS SCREEN 16|24|palette ANSWERS"""
import json
import re
import struct
import sys

cells_path, screen_path, choice, answers_path = sys.argv[1:5]
width = int(sys.argv[5]) if len(sys.argv) > 5 else 1
PALETTE = [0x000000, 0x0000A0, 0x00A000, 0x00A0A0, 0xA00000, 0xA000A0, 0xA0A000, 0xC0C0C0,
           0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF]
LOW = [0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
       0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
       0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC]


def ansi(c):  # console order has blue in bit 0, ANSI red
    return (c & 8) | (c & 1) << 2 | (c & 2) | (c & 4) >> 2


def glyph(c):
    if c < 32:
        return chr(LOW[c])
    if c == 127:
        return "\u2302"
    return bytes([c]).decode("cp437")


def parse_screen(text):
    """Rows of (character, fg, bg); a colour is ('rgb', 0xRRGGBB), ('ansi', n) or None (default)."""
    rows = []
    fg = bg = None
    for line in text.split("\n")[:50]:
        row = []
        for m in re.finditer(r"\x1b\[([0-9;]*)m|(.)", line):
            if m.group(2) is not None:
                row.append((m.group(2), fg, bg))
                continue
            p = [int(x) if x else 0 for x in m.group(1).split(";")]
            i = 0
            while i < len(p):
                v = p[i]
                if v == 0:
                    fg = bg = None
                elif 30 <= v <= 37 or 90 <= v <= 97:
                    fg = ("ansi", v - 30 if v < 90 else v - 90 + 8)
                elif 40 <= v <= 47 or 100 <= v <= 107:
                    bg = ("ansi", v - 40 if v < 100 else v - 100 + 8)
                elif v in (38, 48) and i + 4 < len(p) and p[i + 1] == 2:
                    colour = ("rgb", p[i + 2] << 16 | p[i + 3] << 8 | p[i + 4])
                    fg, bg = (colour, bg) if v == 38 else (fg, colour)
                    i += 4
                elif v in (38, 48) and i + 2 < len(p) and p[i + 1] == 5:
                    colour = ("ansi", p[i + 2])
                    fg, bg = (colour, bg) if v == 38 else (fg, colour)
                    i += 2
                elif v == 39:
                    fg = None
                elif v == 49:
                    bg = None
                i += 1
        rows.append(row)
    return rows


def expected_colour(console):
    return ("rgb", PALETTE[console]) if choice == "24" else ("ansi", ansi(console))


def nearest(rgb):
    def distance(c):
        return sum((((rgb >> s) & 255) - ((c >> s) & 255)) ** 2 for s in (16, 8, 0))
    return min(range(16), key=lambda i: (distance(PALETTE[i]), i))


def halved(win):
    """The window picture (bottom row first) at half size, top row first, each channel's mean rounded down."""
    pixel = lambda x, y: struct.unpack_from("<I", win, 4 * ((199 - y) * 320 + x))[0]
    out = []
    for y in range(100):
        row = []
        for x in range(160):
            quad = [pixel(2 * x + dx, 2 * y + dy) for dy in (0, 1) for dx in (0, 1)]
            row.append(sum(((sum((p >> s) & 255 for p in quad) >> 2) << s) for s in (16, 8, 0)))
        out.append(row)
    return out


def pixel_colour(rgb):
    return ("ansi", ansi(nearest(rgb))) if choice == "16" else ("rgb", rgb)


data = open(cells_path, "rb").read()
rows = parse_screen(open(screen_path, encoding="utf-8").read())
expected = []  # rows of (character, fg, bg) as the terminal should show them
if cells_path.endswith(".win"):
    picture = halved(data)
    for y in range(50):
        expected.append([("\u2580", pixel_colour(picture[2 * y][x]), pixel_colour(picture[2 * y + 1][x]))
                         for x in range(160)])
else:
    for y in range(50):
        row = []
        for x in range(80):
            cell = struct.unpack_from("<I", data, 4 * (y * 80 + x))[0]
            row += [(glyph(cell & 0xFF), expected_colour(cell >> 16 & 15), expected_colour(cell >> 20 & 15))] * width
        expected.append(row)
bad = []
for y, row in enumerate(expected):
    for x, want in enumerate(row):
        got = rows[y][x] if y < len(rows) and x < len(rows[y]) else None
        if got != want:
            bad.append((x, y, want, got))
problems = ["%d differing cells; the first: %s" % (len(bad), bad[:3])] if bad else []

if answers_path != "/dev/null":
    answers = json.load(open(answers_path))
    if "error" in answers["during"]:
        problems.append("the terminal did not answer")
    elif choice == "palette":
        lent = {str(i): PALETTE[ansi(i)] for i in range(8)}
        during = {k: int("".join(c[:2] for c in v[4:].split("/")), 16) for k, v in answers["during"].items()}
        if during != lent:
            problems.append("colours while it ran %s, not the show's %s" % (answers["during"], lent))
        if answers["after"] != answers["before"]:
            problems.append("colours after %s, not the terminal's own %s" % (answers["after"], answers["before"]))
    elif not (answers["before"] == answers["during"] == answers["after"]):
        problems.append("the palette was touched: %s" % answers)

print("\n".join(problems) or "the same characters and colours")
sys.exit(1 if problems else 0)
