#!/usr/bin/python3
"""scripts/stripDxf.py - keeps of a DXF file only what hostsim's reader uses.

usage: stripDxf.py [--rename-by-hash] FILE...

A DXF writer adds much that is not ours: header variables, classes, tables with their entries
(layers, application IDs, styles...), objects, and the empty layout blocks (*Model_Space,
*Paper_Space, and $Model_Space with the writer's extended data in R12 files). This keeps the
ENTITIES and BLOCKS sections byte for byte (less those empty layout blocks), of the HEADER only
$DWGCODEPAGE, comments (999) outside the sections, and EOF. Files are rewritten in place;
running it again changes nothing.

The reader stops at EOF and at the first line that is not a group code, so nothing after either
is kept; a section that such a line cuts short is kept as it stands, so that a malformed fuzz
input fails in the same way. --rename-by-hash names each file after the SHA-1 of its new
content, as libFuzzer names its corpus, so that inputs that become equal become one file.
"""
import hashlib
import os
import re
import sys

KEPT_SECTIONS = (b"ENTITIES", b"BLOCKS")
KEPT_HEADER_VARIABLES = (b"$DWGCODEPAGE",)
R12_LAYOUT_BLOCKS = (b"$MODEL_SPACE", b"$PAPER_SPACE")  # later versions name them *Model_Space...
GROUP_CODE = re.compile(rb"[ \t]*[+-]?[0-9]+[ \t]*")  # as the reader parses one
HIGHEST_GROUP_CODE = 1071


def split_lines(data):
    """The lines of data, each with its line end, as the reader splits them (on LF only)."""
    lines = data.split(b"\n")
    last = lines.pop()
    result = [line + b"\n" for line in lines]
    if last:
        result.append(last)
    return result


def value_of(line):
    return line.rstrip(b"\r\n")


def pairs_of(lines):
    """(code, value, first line index) of each pair, up to the first line that is no group code."""
    pairs = []
    for i in range(0, len(lines) - 1, 2):
        text = value_of(lines[i])
        if not GROUP_CODE.fullmatch(text) or not 0 <= int(text) <= HIGHEST_GROUP_CODE:
            break
        pairs.append((int(text), value_of(lines[i + 1]), i))
    return pairs


def section_end(pairs, start):
    """The index of the ENDSEC pair that closes the section opened at pairs[start]; None if none."""
    for k in range(start + 1, len(pairs)):
        code, value, _ = pairs[k]
        if code == 0 and value == b"ENDSEC":
            return k
    return None


def header_lines(lines, pairs, start, end):
    """The kept header variables, each with its value groups, inside SECTION/HEADER/ENDSEC."""
    kept = []
    keeping = False
    for code, value, i in pairs[start + 2:end]:
        if code == 9:
            keeping = value.strip() in KEPT_HEADER_VARIABLES
        if keeping:
            kept += lines[i:i + 2]
    if not kept:
        return []
    _, _, first = pairs[start]
    _, _, last = pairs[end]
    return lines[first:first + 4] + kept + lines[last:last + 2]


def blocks_lines(lines, pairs, start, end):
    """The BLOCKS section less empty layout blocks."""
    out = []
    _, _, first = pairs[start]
    out += lines[first:first + 4]
    k = start + 2
    while k < end:
        code, value, i = pairs[k]
        if code == 0 and value == b"BLOCK":
            m = k + 1
            name = b""
            while m < end and pairs[m][0] != 0:
                if pairs[m][0] == 2:
                    name = pairs[m][1].strip()
                m += 1
            layout = name.startswith(b"*") or name.upper() in R12_LAYOUT_BLOCKS
            if layout and m < end and pairs[m][1] == b"ENDBLK":
                m += 1
                while m < end and pairs[m][0] != 0:
                    m += 1
                k = m  # the whole empty layout block, its ENDBLK's groups included
                continue
        out += lines[i:i + 2]
        k += 1
    _, _, last = pairs[end]
    return out + lines[last:last + 2]


def strip(data):
    lines = split_lines(data)
    pairs = pairs_of(lines)
    out = []
    k = 0
    while k < len(pairs):
        code, value, i = pairs[k]
        name = pairs[k + 1][1].strip() if k + 1 < len(pairs) and pairs[k + 1][0] == 2 else None
        end = section_end(pairs, k) if code == 0 and value == b"SECTION" and name else None
        if end is None:
            out += lines[i:i + 2]
            k += 1
            if code == 0 and value == b"EOF":
                return b"".join(out)
            continue
        if name == b"HEADER":
            out += header_lines(lines, pairs, k, end)
        elif name == b"BLOCKS":
            out += blocks_lines(lines, pairs, k, end)
        elif name in KEPT_SECTIONS:
            out += lines[i:pairs[end][2] + 2]
        k = end + 1
    parsed = 2 * len(pairs)
    return b"".join(out + lines[parsed:parsed + 1])  # the line the reader stops at, if any


def main(arguments):
    rename = "--rename-by-hash" in arguments
    files = [a for a in arguments if a != "--rename-by-hash"]
    if not files:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    for path in files:
        with open(path, "rb") as f:
            data = f.read()
        stripped = strip(data)
        target = path
        if rename:
            target = os.path.join(os.path.dirname(path), hashlib.sha1(stripped).hexdigest())
        if target != path:
            os.remove(path)
        if target != path or stripped != data:
            with open(target, "wb") as f:
                f.write(stripped)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
