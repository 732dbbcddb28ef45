#!/usr/bin/env python3
"""Replays an asciicast's output into this terminal and asks the terminal for
its colours 0-7 (OSC 4) before the recording, while it runs (before its last
event, which gives the palette back) and after it. Writes the answers as JSON
to the file named second. Each question is followed by a device-attributes
question, whose answer marks that no colour answer is coming."""
import json
import os
import select
import sys
import termios
import tty

cast_path, answers_path = sys.argv[1], sys.argv[2]
fd_in, fd_out = sys.stdin.fileno(), sys.stdout.fileno()


def read_until_attributes():
    got = b""
    while not (b"\x1b[?" in got and got.endswith(b"c")):
        ready, _, _ = select.select([fd_in], [], [], 2.0)
        if not ready:
            return None  # no answer at all
        got += os.read(fd_in, 256)
    return got


def ask_colours():
    found = {}
    for i in range(8):
        os.write(fd_out, b"\x1b]4;%d;?\x07\x1b[c" % i)
        got = read_until_attributes()
        if got is None:
            return {"error": "the terminal did not answer"}
        start = got.find(b"rgb:")
        if start >= 0:
            end = min(e for e in (got.find(b"\x07", start), got.find(b"\x1b", start)) if e >= 0)
            found[str(i)] = got[start:end].decode()
    return found


events = []
with open(cast_path, encoding="utf-8") as f:
    next(f, None)  # the header (an empty file: nothing to replay, only questions)
    for line in f:
        time, kind, data = json.loads(line)
        if kind == "o":
            events.append(data.encode("utf-8"))

saved = termios.tcgetattr(fd_in)
tty.setraw(fd_in)
try:
    answers = {"before": ask_colours()}
    give_back = events[-1] if events and b"\x1b]104" in events[-1] else None  # the ending gives the palette back
    for data in events[:-1] if give_back else events:
        os.write(fd_out, data)
    answers["during"] = ask_colours()
    if give_back:
        os.write(fd_out, give_back)
    answers["after"] = ask_colours()
finally:
    termios.tcsetattr(fd_in, termios.TCSADRAIN, saved)
tmp = answers_path + ".part"
with open(tmp, "w") as f:
    json.dump(answers, f)
os.rename(tmp, answers_path)
