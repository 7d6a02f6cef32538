#!/usr/bin/env python3
"""Checks a set file and everything it names the way the player will meet them.

Usage: check_sample.py PROGRAM_DIR SET_FILE
PROGRAM_DIR is the folder the player runs in: paths in the files are relative to it.
Exits 1 and lists every fault found; prints a short summary of each question file otherwise.
"""
import math
import os
import struct
import sys

LINE_MAX = 2047
PATH_MAX = 259
QUESTION_KEYS = {"n", "q", "h", "f", "u", "s", "r", "j", "a", "l", "o", "sndst", "sndmx",
                 "sndmd", "sndmn", "snded", "sndbk", "queswall", "roundup", "srange",
                 "qrtext", "qrdefault", "qrplace"}
QR_PLACEHOLDERS = (b"{title}", b"{total}", b"{date}", b"{kiosk}", b"{code}")
SET_KEYS = {"t", "b", "q", "a", "g", "saveroff", "1", "3", "6", "5", "7", "8", "9", "0",
            "setwall", "sndst", "sndmx", "sndmd", "sndmn", "snded", "sndbk", "offtimer"}
SOUND_KEYS = {"sndst", "sndmx", "sndmd", "sndmn", "snded", "sndbk"}
ESC_BREAK = b"~_#$"
ESC_COMMA = b"~_#%"

faults = []


def fault(where, text):
    faults.append(f"{where}: {text}")


def read_lines(path):
    """The file's lines as bytes, after checking encoding and CR LF line ends."""
    data = open(path, "rb").read()
    try:
        data.decode("cp932")
    except UnicodeDecodeError as e:
        fault(path, f"not Shift-JIS at byte {e.start}")
    if not data.endswith(b"\r\n"):
        fault(path, "last line has no CR LF")
    lines = data.split(b"\r\n")
    if lines and lines[-1] == b"":
        lines.pop()
    for n, line in enumerate(lines, 1):
        if b"\n" in line or b"\r" in line:
            fault(f"{path}:{n}", "bare CR or LF inside a line")
        if len(line) > LINE_MAX:
            fault(f"{path}:{n}", f"line of {len(line)} bytes")
    return lines


def trail_tilde_before_escape(text):
    """True when a double-byte character ends in 0x7E right before "_#": it would read as an escape."""
    i = 0
    while i < len(text):
        b = text[i]
        if (0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC) and i + 1 < len(text):
            if text[i + 1] == 0x7E and text[i + 2:i + 4] == b"_#":
                return True
            i += 2
        else:
            i += 1
    return False


def check_text(where, raw, limit, name):
    if len(raw) > limit:
        fault(where, f"{name} is {len(raw)} bytes as stored, limit {limit}")
    if trail_tilde_before_escape(raw):
        fault(where, f"{name}: a character ending in 0x7E runs into an escape")


def number(where, raw, name):
    try:
        return int(raw.decode("ascii"))
    except ValueError:
        fault(where, f"{name} {raw!r} is not a decimal number")
        return 0


def check_path(where, program_dir, raw, kinds):
    if not raw:
        return None
    if len(raw) > PATH_MAX:
        fault(where, f"path of {len(raw)} bytes")
    path = raw.decode("cp932", "replace")
    if "," in path:
        fault(where, "path contains a comma")
    if ":" in path or path.startswith("\\"):
        fault(where, f"path {path} is not relative")
    # As the player looks: beside the file that names it first, then the program folder.
    naming_dir = os.path.dirname(where.rsplit(":", 1)[0])
    local = os.path.join(naming_dir, *path.split("\\"))
    if not os.path.isfile(local):
        local = os.path.join(program_dir, *path.split("\\"))
    ext = os.path.splitext(path)[1].lower()
    if ext not in kinds:
        fault(where, f"{path}: extension {ext} is not one of {sorted(kinds)}")
    if not os.path.isfile(local):
        fault(where, f"{path} does not exist beside {naming_dir} or under {program_dir}")
        return None
    check_media(where, local, ext)
    return local


def check_media(where, local, ext):
    data = open(local, "rb").read()
    if ext == ".bmp":
        if data[:2] != b"BM" or len(data) < 54:
            fault(where, f"{local}: not a BMP")
            return
        header, width, height, planes, bits, compression = struct.unpack("<IiiHHI", data[14:34])
        if header != 40 or bits != 24 or compression != 0:
            fault(where, f"{local}: want a plain 24-bit BMP, got header {header}, {bits} bits, compression {compression}")
    elif ext in (".jpg", ".jpeg"):
        i = 2
        if data[:2] != b"\xff\xd8":
            fault(where, f"{local}: not a JPEG")
            return
        while i + 4 <= len(data):
            marker, length = data[i + 1], struct.unpack(">H", data[i + 2:i + 4])[0]
            if marker in (0xC0, 0xC1, 0xC2):
                if marker == 0xC2:
                    fault(where, f"{local}: progressive JPEG")
                if data[i + 9] != 3:
                    fault(where, f"{local}: {data[i + 9]} colour components, want 3")
                return
            i += 2 + length
        fault(where, f"{local}: no frame header")
    elif ext == ".wav":
        if data[:4] != b"RIFF" or data[8:16] != b"WAVEfmt " or struct.unpack("<H", data[20:22])[0] != 1:
            fault(where, f"{local}: not a PCM wave file")
    elif ext in (".mid", ".rmi"):
        if data[:4] not in (b"MThd", b"RIFF"):
            fault(where, f"{local}: not a MIDI file")


def check_font(where, raw):
    fields = raw.split(b",")
    if len(fields) != 14:
        fault(where, f"font line has {len(fields)} fields, want 14")
        return
    for k, f in enumerate(fields[:13]):
        v = number(where, f, f"font field {k + 1}")
        if k >= 5 and not 0 <= v <= 255:
            fault(where, f"font field {k + 1} is {v}, want 0 to 255")
    if not fields[13] or len(fields[13]) > 31:
        fault(where, f"face name of {len(fields[13])} bytes")


def split_key(line):
    key, _, value = line.partition(b",")
    return key.decode("ascii", "replace").lower(), value


def check_qr_text(where, value):
    """The player fills only the known placeholders and takes no control characters."""
    check_text(where, value, 255, "QR text")
    if any(c < 0x20 for c in value):
        fault(where, "control character in a QR text")
    rest = value.replace(b"{{", b"")
    for name in QR_PLACEHOLDERS:
        rest = rest.replace(name, b"")
    if b"{" in rest:
        fault(where, "unknown placeholder in a QR text")


def check_result(where, value, program_dir):
    fields = value.split(b",")
    if not 1 <= len(fields) <= 5 or len(fields) in (3, 4):
        fault(where, f"result line has {len(fields)} fields")
    title = fields[0]
    if not title:
        fault(where, "result without title ends the result rows")
    check_text(where, title, 127, "result title")
    if len(fields) > 1:
        check_text(where, fields[1], 511, "comment")
    if len(fields) == 5:
        check_path(where, program_dir, fields[2], {".bmp", ".jpg", ".jpeg"})
        number(where, fields[3], "picture x")
        number(where, fields[4], "picture y")
    return title


def check_question_file(path, program_dir):
    lines = read_lines(path)
    questions, results, top, bottom, round_up, title = [], [], None, None, False, b""
    ranges = {}  # "S" row number from 1 -> (from, to)
    qr_pending, qr_default = None, None
    for n, line in enumerate(lines, 1):
        where = f"{path}:{n}"
        if not line:
            continue
        key, value = split_key(line)
        if key not in QUESTION_KEYS:
            fault(where, f"unknown key {key}")
        elif key == "q":
            fields = value.split(b",")
            if len(fields) not in (11, 15):
                fault(where, f"question line has {len(fields)} fields, want 11 or 15")
                continue
            if not fields[0]:
                fault(where, "question without text ends the questions")
            check_text(where, fields[0], 255, "question text")
            points = []
            for a in range(5):
                answer = fields[1 + 2 * a]
                if ESC_BREAK in answer:
                    fault(where, f"answer {a + 1} holds a line-break escape")
                check_text(where, answer, 127, f"answer {a + 1}")
                p = number(where, fields[2 + 2 * a], f"points {a + 1}") if fields[2 + 2 * a] else 0
                points.append((answer, p))
            if len(fields) == 15:
                check_path(where, program_dir, fields[11], {".bmp", ".jpg", ".jpeg"})
                for k in (12, 13, 14):
                    number(where, fields[k], "picture number")
            if not any(a for a, _ in points):
                fault(where, "question without answers")
            questions.append(points)
        elif key in ("qrtext", "qrdefault"):
            check_qr_text(where, value)
            if key == "qrtext":
                qr_pending = value
            else:
                qr_default = value
        elif key in ("n", "h", "f"):
            check_text(where, value, 127, key.upper())
            if key == "n":
                title = value
        elif key in ("s", "u", "r") and qr_pending is None and qr_default is None:
            fault(where, "result row without a QR text: the demo's result screen would show no code")
        if key in ("s", "u", "r"):
            qr_pending = None
        if key == "s":
            results.append(check_result(where, value, program_dir))
        elif key == "u":
            top = check_result(where, value, program_dir)
        elif key == "r":
            bottom = check_result(where, value, program_dir)
        elif key in ("j", "a", "l", "o"):
            check_font(where, value)
        elif key in SOUND_KEYS:
            check_path(where, program_dir, value, {".wav"})
        elif key == "queswall":
            check_path(where, program_dir, value, {".bmp", ".jpg", ".jpeg"})
        elif key == "roundup":
            round_up = True
        elif key == "srange":
            fields = value.split(b",")
            try:
                row, first, last = (int(f) for f in fields)
            except ValueError:
                fault(where, "range line wants three numbers")
                continue
            if row < 1 or first > last or not -2**31 <= first <= last < 2**31:
                fault(where, "range out of order or out of int32")
            ranges[row] = (first, last)
    if not title:
        fault(path, "no title: the start screen would offer an empty choice")
    if not questions:
        fault(path, "no questions")
    if not results:
        fault(path, "no banded results")
    if questions and results:
        reachable(path, questions, results, top, bottom, round_up, ranges)
    return title


def range_row(ranges, n, total):
    """The row of a total by the rows' own ranges: the holding one, else the nearest (earlier of two)."""
    best, distance = 0, None
    for row in range(n):
        first, last = ranges[row + 1]
        d = first - total if total < first else total - last if total > last else 0
        if distance is None or d < distance:
            best, distance = row, d
    return best, distance


def reachable(path, questions, results, top, bottom, round_up, ranges):
    """Runs every possible total through the result choice and reports rows nobody can reach;
    with ranges, also overlaps, gaps and ordinary rows predicted outside 10 % to 40 %."""
    high = sum(max(0, max(p for _, p in q)) for q in questions)
    low = sum(min(0, min(p for _, p in q)) for q in questions)
    counts = {0: 1}
    for q in questions:
        nxt = {}
        for t, c in counts.items():
            for a, p in q:
                if a:
                    nxt[t + p] = nxt.get(t + p, 0) + c
        counts = nxt
    totals = set(counts)
    n = len(results)
    width = (high - low) // n
    if ranges and sorted(ranges) != list(range(1, n + 1)):
        fault(path, f"range lines for rows {sorted(ranges)} of {n}")
        ranges = {}
    spans = sorted(ranges.values())
    for a, b in zip(spans, spans[1:]):
        if b[0] <= a[1]:
            fault(path, f"ranges {a} and {b} overlap")
    shown = {}
    for total in sorted(totals):
        if total == high and top:
            row = "U"
        elif total == low and bottom:
            row = "R"
        elif ranges:
            row, distance = range_row(ranges, n, total)
            if distance:
                fault(path, f"total {total} lies in no range")
        elif width == 0:
            fault(path, f"band width 0 ({n} rows for a span of {high - low})")
            return
        else:
            v = total / width
            v = math.ceil(v) if round_up else int(v)
            v = max(0, min(v, n - 1))
            row = n - 1 - v
        shown.setdefault(row, []).append(total)
    for row in range(n):
        if row not in shown:
            fault(path, f"result row {row + 1} ({results[row].decode('cp932')}) is never shown")
    for special, name in ((top, "U"), (bottom, "R")):
        if special and name not in shown:
            fault(path, f"the {name} row is never shown")
    whole = sum(counts.values())
    shares = {k: sum(counts[t] for t in v) / whole for k, v in shown.items()}
    if ranges:
        for row in range(n):
            if not 0.10 <= shares.get(row, 0) <= 0.40:
                fault(path, f"result row {row + 1} predicted at {shares.get(row, 0):.1%}, want 10 % to 40 %")
    text = ", ".join(f"{k}: {min(v)}-{max(v)} {shares[k]:.1%}" for k, v in sorted(shown.items(), key=lambda kv: str(kv[0])))
    print(f"{path}: {len(questions)} questions, totals {low}..{high}, "
          f"{'own ranges' if ranges else f'band width {width}'}, rows {text}")


def check_set(program_dir, path):
    lines = read_lines(path)
    colours = {}
    files = []
    for n, line in enumerate(lines, 1):
        where = f"{path}:{n}"
        if not line:
            continue
        key, value = split_key(line)
        if key not in SET_KEYS:
            fault(where, f"unknown key {key}")
        elif key == "t":
            check_text(where, value, 255, "title")
        elif key == "q":
            local = check_path(where, program_dir, value, {".qst"})
            if local:
                files.append(local)
        elif key == "b":
            check_path(where, program_dir, value, {".mid", ".rmi"})
        elif key in ("7", "setwall"):
            check_path(where, program_dir, value, {".bmp", ".jpg", ".jpeg"})
        elif key in ("1", "3"):
            check_font(where, value)
        elif key in ("5", "6"):
            colours[key] = number(where, value, "colour")
        elif key in ("8", "9", "0", "offtimer"):
            number(where, value, key)
        elif key in SOUND_KEYS:
            check_path(where, program_dir, value, {".wav"})
    if len(files) > 5:
        fault(path, f"{len(files)} question files, at most 5 load")
    if colours.get("5") is not None and colours.get("5") == colours.get("6"):
        fault(path, "text colour equals the background colour: all text would vanish")
    for f in files:
        check_question_file(f, program_dir)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: check_sample.py PROGRAM_DIR SET_FILE")
    check_set(sys.argv[1], sys.argv[2])
    for f in faults:
        print(f"FAULT {f}", file=sys.stderr)
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
