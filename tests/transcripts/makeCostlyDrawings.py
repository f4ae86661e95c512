#!/usr/bin/python3
"""tests/transcripts/makeCostlyDrawings.py - writes small drawings whose geometry costs far more
than their files: splines copied through a block array, and a spline of high degree.

usage: makeCostlyDrawings.py FOLDER

Written as DXF text by this script alone, each time the tests run, so that no large or generated
file is kept in the repository. The drawings:
  splineArray.dxf   a 200-span cubic spline in a block, referenced as a 100 x 100 array (6 KB)
  fitArray.dxf      a spline through 500 fit points in a block, the same array (11 KB)
  highDegree.dxf    one spline of degree 30 over 2,000 control points (59 KB)
  slowPicks.dxf     a spline of degree 30 in a block, referenced as a 20 x 20 array: quick to
                    open, but a pick box over all of it measures 68,000 pieces of degree 30
  ellipseArray.dxf  an elliptic arc in a block, 2,000 copies 0.0001 apart: a pick box on them
                    holds all 2,000
"""
import math
import os
import sys

COLUMNS = ROWS = 100
COLUMN_SPACING, ROW_SPACING = 2.0, 1.0


def number(value):
    return f"{value:.4f}".rstrip("0").rstrip(".")


def groups(pairs):
    return "".join(f"{code}\n{value}\n" for code, value in pairs)


def point_groups(code, point):
    return [(code, number(point[0])), (code + 10, number(point[1]))]


def spline_groups(degree, control):
    """A clamped B-spline: its ends repeat degree + 1 times, the inner knots are 1, 2, ..."""
    spans = len(control) - degree
    knots = [0] * degree + list(range(spans + 1)) + [spans] * degree
    pairs = [(0, "SPLINE"), (70, 8), (71, degree), (72, len(knots)), (73, len(control))]
    pairs += [(40, number(k)) for k in knots]
    for p in control:
        pairs += point_groups(10, p)
    return pairs


def fit_spline_groups(fit):
    pairs = [(0, "SPLINE"), (70, 8), (71, 3), (74, len(fit))]
    for p in fit:
        pairs += point_groups(11, p)
    return pairs


def wave(count, width):
    """count points along x from 0 to width, up and down by 2 units."""
    return [(width * i / (count - 1), 2.0 * math.sin(i * 0.7) + (i % 3) * 0.3)
            for i in range(count)]


def drawing(blocks, entities):
    text = groups([(0, "SECTION"), (2, "BLOCKS")])
    for name, content in blocks:
        text += groups([(0, "BLOCK"), (2, name), (70, 0)] + point_groups(10, (0, 0)))
        text += groups(content)
        text += groups([(0, "ENDBLK")])
    text += groups([(0, "ENDSEC"), (0, "SECTION"), (2, "ENTITIES")])
    text += groups(entities)
    return text + groups([(0, "ENDSEC"), (0, "EOF")])


def array_of(block, columns=COLUMNS, rows=ROWS):
    return [(0, "INSERT"), (2, block)] + point_groups(10, (0, 0)) + [
        (70, columns), (71, rows), (44, number(COLUMN_SPACING)), (45, number(ROW_SPACING))]


def main():
    folder = sys.argv[1]
    elliptic_arc = [(0, "ELLIPSE")] + point_groups(10, (0, 0)) + point_groups(11, (10, 0)) + [
        (40, 0.5), (41, 0.3), (42, 6.0)]
    ellipse_copies = [(0, "INSERT"), (2, "ARC")] + point_groups(10, (0, 0)) + [
        (70, 1), (71, 2000), (45, 0.0001)]
    os.makedirs(folder, exist_ok=True)
    files = {
        "splineArray.dxf": drawing([("WAVE", spline_groups(3, wave(203, 20)))],
                                   array_of("WAVE")),
        "fitArray.dxf": drawing([("FIT", fit_spline_groups(wave(500, 20)))], array_of("FIT")),
        "highDegree.dxf": drawing([], spline_groups(30, wave(2000, 400))),
        "slowPicks.dxf": drawing([("HIGH", spline_groups(30, wave(200, 20)))],
                                 array_of("HIGH", 20, 20)),
        "ellipseArray.dxf": drawing([("ARC", elliptic_arc)], ellipse_copies),
    }
    for name, text in files.items():
        with open(os.path.join(folder, name), "w") as out:
            out.write(text)


if __name__ == "__main__":
    main()
