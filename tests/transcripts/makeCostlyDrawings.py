#!/usr/bin/python3
"""tests/transcripts/makeCostlyDrawings.py - writes small drawings whose geometry costs far more
than their files: splines copied through a block array, and a spline of high degree.

usage: makeCostlyDrawings.py FOLDER

Written as DXF text by this script alone, each time the tests run, so that no large or generated
file is kept in the repository. The drawings:
  splineArray.dxf   a 200-span cubic spline in a block, referenced as a 100 x 100 array (6 KB)
  fitArray.dxf      a spline through 500 fit points in a block, the same array (11 KB)
  highDegree.dxf    one spline of degree 30 over 2,000 control points (59 KB)
  slowPicks.dxf     a spline of degree 30 in a block, referenced as a 20 x 20 array whose copies
                    lie over each other, each a few pixels from the next: quick to open, but a
                    snap from afar with an aperture over all of it measures 68,000 pieces of
                    degree 30, each of which may hold the nearest point
  ellipseArray.dxf  an elliptic arc in a block, 2,000 copies 0.0001 apart: a pick box on them
                    holds all 2,000
and piles: arrays whose copies are each as large as the drawing, yet offset from each other by
less than a pixel of the view a drawing opens with (SCREENSIZE 1280 x 800):
  widePile.dxf      a closed 96-vertex polyline, a circle, an arc and an ellipse in a block, as a
                    100 x 100 array 0.0005 apart: a million pieces (3 KB)
  nestedPile.dxf    a circle, a line, an arc and a polyline, 10 x 10 arrays of 10 x 10 arrays
                    of 10 x 10 arrays (a million copies, of which the budget builds a part; 1 KB)
  splinePile.dxf    a 400-point cubic spline in a block, a 50 x 50 array: a million pieces (9 KB)
  textPile.dxf      100 lines of text and a paragraph in a block, a 100 x 100 array (8 KB)
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


def array_of(block, columns=COLUMNS, rows=ROWS, spacing=(COLUMN_SPACING, ROW_SPACING)):
    return [(0, "INSERT"), (2, block)] + point_groups(10, (0, 0)) + [
        (70, columns), (71, rows), (44, number(spacing[0])), (45, number(spacing[1]))]


def pile_of(block, columns, rows, spacing):
    """An array of copies spacing apart, far less than a pixel of a drawing 100 units wide."""
    return [(0, "INSERT"), (2, block)] + point_groups(10, (0, 0)) + [
        (70, columns), (71, rows), (44, repr(spacing)), (45, repr(spacing))]


def polyline_groups(points, closed):
    pairs = [(0, "LWPOLYLINE"), (90, len(points)), (70, 1 if closed else 0)]
    for p in points:
        pairs += point_groups(10, p)
    return pairs


def piles():
    zigzag = [(100 * i / 47, 60 + 4 * (i % 2)) for i in range(48)]
    zigzag += [(100 - 100 * i / 47, 4 * (i % 2)) for i in range(48)]
    wide = polyline_groups(zigzag, True)
    wide += [(0, "CIRCLE")] + point_groups(10, (50, 32)) + [(40, 30)]
    wide += [(0, "ARC")] + point_groups(10, (50, 32)) + [(40, 20), (50, 10), (51, 170)]
    wide += [(0, "ELLIPSE")] + point_groups(10, (50, 32)) + point_groups(11, (45, 0)) + [
        (40, 0.5)]
    leaf = [(0, "CIRCLE")] + point_groups(10, (50, 50)) + [(40, 45)]
    leaf += [(0, "LINE")] + point_groups(10, (0, 0)) + point_groups(11, (100, 100))
    leaf += [(0, "ARC")] + point_groups(10, (50, 50)) + [(40, 30), (50, 200), (51, 340)]
    leaf += polyline_groups([(0, 100), (100, 0), (100, 100)], False)
    words = "the quick brown fox jumps over the lazy dog "
    label = []
    for i in range(100):
        label += [(0, "TEXT")] + point_groups(10, (0, i)) + [(40, 0.8), (1, (words * 2)[:60])]
    label += [(0, "MTEXT")] + point_groups(10, (0, 110)) + [(40, 2), (41, 100),
                                                             (1, "\\P".join([words] * 10))]
    return {
        "widePile.dxf": drawing([("WIDE", wide)], pile_of("WIDE", 100, 100, 0.0005)),
        "nestedPile.dxf": drawing([("LEAF", leaf), ("TEN", pile_of("LEAF", 10, 10, 0.0001)),
                                   ("HUNDRED", pile_of("TEN", 10, 10, 0.001))],
                                  pile_of("HUNDRED", 10, 10, 0.005)),
        "splinePile.dxf": drawing([("CURVE", spline_groups(3, wave(400, 100)))],
                                  pile_of("CURVE", 50, 50, 0.0005)),
        "textPile.dxf": drawing([("LABEL", label)], pile_of("LABEL", 100, 100, 0.0005)),
    }


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
                                 array_of("HIGH", 20, 20, (0.2, 0.1))),
        "ellipseArray.dxf": drawing([("ARC", elliptic_arc)], ellipse_copies),
    }
    files.update(piles())
    for name, text in files.items():
        with open(os.path.join(folder, name), "w") as out:
            out.write(text)


if __name__ == "__main__":
    main()
