#!/usr/bin/python3
# tests/picks/makePickDrawings.py - writes the drawings that the picking transcripts pick from,
# with ezdxf, a DXF writer independent of ours. The outputs are committed, so the tests need no
# Python; run this again (Debian python3-ezdxf) only to change them. Each is stripped of what the
# writer adds and the reader does not use (scripts/stripDxf.py). handWritten.dxf and codePage.dxf
# are not written here: they hold what a DXF writer would not write, as their comments say.
#
# Every object sits apart from the others, so that a pick in the transcripts hits one object:
# the transcripts set VIEWSIZE to 80, which makes a pixel 0.1 units (SCREENSIZE is 800 high),
# PICKBOX 3 pixels 0.3 units and APERTURE 10 pixels 1 unit.
import os
import subprocess
import sys

import ezdxf
from ezdxf.math import OCS, Vec3

HERE = os.path.dirname(os.path.abspath(__file__))
STRIP = os.path.join(HERE, "..", "..", "scripts", "stripDxf.py")


def save(doc, name):
    path = os.path.join(HERE, name)
    doc.saveas(path)
    subprocess.run([sys.executable, STRIP, path], check=True)


def ocs_points(extrusion, points):
    """World points as the object coordinates of an object with this extrusion."""
    ocs = OCS(extrusion)
    return [tuple(ocs.from_wcs(p)) for p in points]


def radius_drawing():
    doc = ezdxf.new("R2000")
    ring = doc.blocks.new("RING")  # base point (0,0)
    ring.add_circle((0, 0), 5)
    msp = doc.modelspace()
    msp.add_circle((0, 0), 5)                                        # pick 5,0: 5
    msp.add_arc((20, 0), 3, 0, 180)                                  # pick 20,3: 3
    msp.add_blockref("RING", (40, 0), dxfattribs={"xscale": 2, "yscale": 2, "zscale": 2})  # 50,0: 10
    msp.add_blockref("RING", (70, 0), dxfattribs={"xscale": 1, "yscale": 1, "zscale": 2})  # 75,0
    # bulge 0.5 over a chord of 2 (radius 1.25, arc through 1,19.5), then a straight segment
    msp.add_polyline2d([(0, 20, 0.5), (2, 20, 0), (2, 24, 0)], format="xyb")
    # closed: the last vertex's segment is an arc of bulge 0.5 back to the first (through 9.5,21)
    msp.add_polyline2d([(10, 20, 0), (12, 22, 0), (10, 22, 0.5)], format="xyb", close=True)
    msp.add_polyline3d([(30, 20, 0), (35, 20, 5)])                    # pick 32.5,20
    mesh = msp.add_polymesh(size=(2, 2))                             # pick 42.5,20
    for m in range(2):
        for n in range(2):
            mesh.set_mesh_vertex((m, n), (40 + 5 * n, 20 + 5 * m, 0))
    msp.add_lwpolyline([(50, 20, 0), (55, 20, 0)], format="xyb")     # pick 52.5,20
    msp.add_line((60, 20), (65, 20))                                 # pick 62.5,20
    save(doc, "radius.dxf")


def normal_drawing():
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    msp.add_line((0, 0), (5, 0))                                     # pick 2.5,0: refused
    down = (0, 0, -1)                                                # world centre (20,0)
    msp.add_circle(ocs_points(down, [(20, 0, 0)])[0], 2, dxfattribs={"extrusion": down})
    side = (0, 1, 0)                                                 # world centre (40,0,0)
    msp.add_circle(ocs_points(side, [(40, 0, 0)])[0], 2, dxfattribs={"extrusion": side})
    # standing in the world XZ plane: seen in plan, segments along y = 0 from x = 60 to 66
    corners = ocs_points(side, [(60, 0, 0), (62, 0, 0), (64, 0, 0), (66, 0, 0)])
    msp.add_lwpolyline([(x, y, 0) for x, y, _ in corners], format="xyb",
                       dxfattribs={"extrusion": side, "elevation": corners[0][2]})
    # closed, the closing segment an arc of bulge 0.5 from (0,14) to (0,10), through (-1,12)
    square = msp.add_lwpolyline([(0, 10, 0), (4, 10, 0), (4, 14, 0), (0, 14, 0.5)], format="xyb")
    square.closed = True
    msp.add_circle((20, 12), 2)                                      # pick 22,12
    msp.add_polyline2d([(30, 10), (34, 10)])                         # pick 32,10
    msp.add_polyline3d([(40, 10, 0), (44, 10, 4)])                   # pick 42,10: refused
    # a block reference standing upright: its circle lies in the world XZ plane (pick 84,0)
    ring = doc.blocks.new("RING")
    ring.add_circle((0, 0), 5)
    msp.add_blockref("RING", ocs_points(side, [(80, 0, 0)])[0], dxfattribs={"extrusion": side})
    # a half circle of bulge 1 from (0,0) through (2,-2) to (4,0), then a straight segment; the
    # reference is upside down, so in the drawing the arc turns the other way (pick 18,38)
    bend = doc.blocks.new("BEND")
    bend.add_lwpolyline([(0, 0, 1), (4, 0, 0), (4, 4, 0)], format="xyb")
    msp.add_blockref("BEND", ocs_points(down, [(20, 40, 0)])[0], dxfattribs={"extrusion": down})
    # objects tilted inside blocks whose references stretch z by 2: the planes' normal (0,1,1)
    # becomes (0,2,1)/sqrt(5), not the stretched (0,1,2)/sqrt(5). Seen in plan, the circle
    # reaches (38,40) and the polyline's arc has its midpoint at about (58,41.414).
    tilt = (0, 1, 1)
    tilted_circle = doc.blocks.new("TILTCIRCLE")
    tilted_circle.add_circle((0, 0), 2, dxfattribs={"extrusion": tilt})
    tilted_polyline = doc.blocks.new("TILTPOLYLINE")
    tilted_polyline.add_lwpolyline([(0, 0, 1), (4, 0, 0)], format="xyb",
                                   dxfattribs={"extrusion": tilt})
    stretched = {"xscale": 1, "yscale": 1, "zscale": 2}
    msp.add_blockref("TILTCIRCLE", (40, 40), dxfattribs=stretched)
    msp.add_blockref("TILTPOLYLINE", (60, 40), dxfattribs=stretched)
    save(doc, "normal.dxf")


def snaps_drawing():
    doc = ezdxf.new("R2000")
    flag = doc.blocks.new("FLAG")  # base point (0,0)
    flag.add_line((0, 0), (0, 3))
    msp = doc.modelspace()
    msp.add_line((0, 0), (10, 0))
    msp.add_line((5, -5), (5, 5))          # crosses the first at (5,0)
    msp.add_circle((30, 0), 5)
    msp.add_point((50, 0))
    msp.add_blockref("FLAG", (60, 0))      # its line runs from (60,0) to (60,3)
    msp.add_text("Snap", dxfattribs={"insert": (70, 0), "height": 5})  # picked inside: 76,2.5
    save(doc, "snaps.dxf")


def shortcuts_drawing():
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    msp.add_line((0, 0, 0), (2, 4, 6))     # MEE [1,2,3], DEE sqrt(56)
    msp.add_line((10, 0), (11, 0))         # NEE [0,1,0] one way, [0,-1,0] the other
    msp.add_line((0, 10), (4, 10))         # ILLE: parallel to the next, crossed by the last
    msp.add_line((0, 12), (4, 12))
    msp.add_line((2, 14), (2, 15))
    save(doc, "shortcuts.dxf")


# ---- splines: the drawing, and the points ezdxf's own evaluation gives for its snaps ----

def spline_entity(layout, control, degree, knots, weights=None, closed=False):
    spline = layout.add_spline(degree=degree)
    spline.control_points = control
    spline.knots = knots
    if weights:
        spline.weights = weights
    spline.closed = closed
    return spline


def nearest_parameter(curve, low, high, x, y):
    """The parameter of the curve's point nearest (x, y): dense samples, then Newton's method."""
    count = 2000
    best = min((low + (high - low) * i / count for i in range(count + 1)),
               key=lambda t: (curve.point(t).x - x) ** 2 + (curve.point(t).y - y) ** 2)
    t = best
    for _ in range(50):
        p, d1, d2 = curve.derivative(t, n=2)
        f = (p.x - x) * d1.x + (p.y - y) * d1.y
        df = d1.x * d1.x + d1.y * d1.y + (p.x - x) * d2.x + (p.y - y) * d2.y
        t = min(max(t - f / df, low), high)
    return t


def curve_length(curve, low, high, steps=2000):
    """Composite Simpson on the speed ezdxf gives, knot span by knot span: the speed bends at
    the knots, where Simpson's rule loses its accuracy."""
    cuts = sorted({low, high} | {k for k in curve.knots() if low < k < high})
    total = 0.0
    for a, b in zip(cuts, cuts[1:]):
        h = (b - a) / steps
        speed = lambda t: curve.derivative(t, n=1)[1].magnitude
        part = speed(a) + speed(b)
        for i in range(1, steps):
            part += (4 if i % 2 else 2) * speed(a + i * h)
        total += part * h / 3
    return total


def middle_point(curve, low, high):
    half = curve_length(curve, low, high) / 2
    a, b = low, high
    for _ in range(60):
        m = (a + b) / 2
        a, b = (m, b) if curve_length(curve, low, m) < half else (a, m)
    return curve.point((a + b) / 2)


def line_crossing(curve, low, high, start, end):
    """Where the curve crosses the line from start to end: a sign change, then bisection."""
    side = lambda t: ((end[0] - start[0]) * (curve.point(t).y - start[1]) -
                      (end[1] - start[1]) * (curve.point(t).x - start[0]))
    count = 400
    ts = [low + (high - low) * i / count for i in range(count + 1)]
    for a, b in zip(ts, ts[1:]):
        if (side(a) < 0) != (side(b) < 0):
            for _ in range(80):
                m = (a + b) / 2
                a, b = (m, b) if (side(m) < 0) == (side(a) < 0) else (a, m)
            return curve.point((a + b) / 2)
    raise ValueError("no crossing")


def circle_crossing(curve, low, high, centre, radius):
    """Where the curve crosses the circle: a sign change of the distance, then bisection."""
    side = lambda t: (curve.point(t) - Vec3(centre)).magnitude - radius
    count = 400
    ts = [low + (high - low) * i / count for i in range(count + 1)]
    for a, b in zip(ts, ts[1:]):
        if (side(a) < 0) != (side(b) < 0):
            for _ in range(80):
                m = (a + b) / 2
                a, b = (m, b) if (side(m) < 0) == (side(a) < 0) else (a, m)
            return curve.point((a + b) / 2)
    raise ValueError("no crossing")


def curves_crossing(first, second):
    """Where two curves cross: their closest samples, then Newton's method."""
    count = 200
    def samples(curve):
        low, high = curve.knots()[curve.degree], curve.knots()[curve.count]
        return [(low + (high - low) * i / count, curve.point(low + (high - low) * i / count))
                for i in range(count + 1)]
    _, s, t = min(((p - q).magnitude, a, b) for a, p in samples(first) for b, q in samples(second))
    for _ in range(60):
        p, dp = first.derivative(s, n=1)
        q, dq = second.derivative(t, n=1)
        fx, fy = p.x - q.x, p.y - q.y
        det = -dp.x * dq.y + dp.y * dq.x
        s -= (-fx * dq.y + fy * dq.x) / det
        t -= (dp.x * fy - dp.y * fx) / det
    return first.point(s)


def feet(curve, low, high, origin, tangent):
    """Where the line from origin meets the curve at a right angle (PER), or where the curve's
    tangent passes through origin in the view (TAN): sign changes on dense samples, bisection."""
    def f(t):
        p, d = curve.derivative(t, n=1)
        x, y, z = p.x - origin[0], p.y - origin[1], p.z - origin[2]
        return x * d.y - y * d.x if tangent else x * d.x + y * d.y + z * d.z
    count = 4000
    ts = [low + (high - low) * i / count for i in range(count + 1)]
    roots = []
    for a, b in zip(ts, ts[1:]):
        if (f(a) < 0) != (f(b) < 0):
            for _ in range(100):
                m = (a + b) / 2
                a, b = (m, b) if (f(m) < 0) == (f(a) < 0) else (a, m)
            roots.append(curve.point((a + b) / 2))
    return roots


def nearest_foot(roots, pick):
    return min(roots, key=lambda p: (p.x - pick[0]) ** 2 + (p.y - pick[1]) ** 2)


def spline_drawing():
    """splines.dxf, and splineSnaps.txt: per row a mode, a pick point and the expected point; and
    splinePoints.txt: per row the spline's index among the drawing's SPLINEs, a parameter and
    ezdxf's point there."""
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    curves = []  # (construction tool in world, low, high) per SPLINE, in file order
    # rational, clamped, degree 2
    curves.append(spline_entity(msp, [(0, 0), (4, 8), (10, 10), (16, 2), (20, 6)], 2,
                                [0, 0, 0, 1, 2, 3, 3, 3], weights=[1, 3, 0.5, 2, 1]))
    # clamped, degree 3, uneven knots
    curves.append(spline_entity(msp, [(30, 0), (32, 9), (38, 10), (42, -2), (47, 4), (50, 8)], 3,
                                [0, 0, 0, 0, 1, 3, 4, 4, 4, 4]))
    # unclamped (uniform knots), degree 3: the curve runs over knots 3 to 6
    curves.append(spline_entity(msp, [(60, 0), (62, 8), (68, 9), (71, 0), (76, 3), (80, 9)], 3,
                                list(range(10))))
    # closed, degree 3: its first three control points repeat at the end
    loop = [(90, 0), (96, 0), (98, 6), (92, 9), (88, 5)]
    curves.append(spline_entity(msp, loop + loop[:3], 3, list(range(12)), closed=True))
    # given only by fit points: the cubic through them, end tangents estimated; and one through
    # two points, which without end tangents has none (ezdxf's construction fails): not drawn
    curves.append(msp.add_spline(fit_points=[(0, 30), (5, 35), (10, 31), (14, 36), (20, 30)]))
    msp.add_spline(fit_points=[(0, 50), (10, 50)])
    # inside a reference turned by 30 degrees and scaled 2 by 1.5
    curl = doc.blocks.new("CURL")
    spline_entity(curl, [(0, 0), (2, 5), (6, 6), (9, 1), (12, 4)], 3, [0, 0, 0, 0, 0.5, 1, 1, 1, 1])
    reference = msp.add_blockref("CURL", (110, 20),
                                 dxfattribs={"xscale": 2, "yscale": 1.5, "rotation": 30})
    # the same block again, mirrored and turned the other way: one SPLINE shown twice
    again = msp.add_blockref("CURL", (150, 0),
                             dxfattribs={"xscale": -1, "yscale": 3, "rotation": -45})
    msp.add_line((30, 5), (50, 5))                   # crosses the clamped spline
    msp.add_line((60, 4), (80, 4))                   # crosses the unclamped spline
    msp.add_circle((64, 8), 2)                       # crosses the unclamped spline
    # degree 2, crossing the rational spline
    curves.append(spline_entity(msp, [(2, 12), (8, 4), (14, 6), (19, -1)], 2,
                                [0, 0, 0, 1, 2, 2, 2]))
    # fit points with their end tangents (groups 12 and 13)
    tangent = msp.add_spline(fit_points=[(30, 30), (36, 36), (41, 31), (50, 34)])
    tangent.dxf.start_tangent = (0, 1, 0)
    tangent.dxf.end_tangent = (1, -1, 0)
    curves.append(tangent)
    # fit points spaced unevenly, without end tangents: its middle depends on the chord
    # parameters and on both estimated tangents
    uneven = msp.add_spline(fit_points=[(0, 60), (1, 61), (8, 62), (9, 66), (20, 60)])
    save(doc, "splines.dxf")

    tools = [c.construction_tool() for c in curves]
    tools.insert(5, curl.query("SPLINE")[0].construction_tool().transform(reference.matrix44()))
    tools.append(curl.query("SPLINE")[0].construction_tool().transform(again.matrix44()))
    domains = [(t.knots()[t.degree], t.knots()[t.count]) for t in tools]
    with open(os.path.join(HERE, "splinePoints.txt"), "w") as out:
        out.write("# spline parameter x y z, by ezdxf (makePickDrawings.py)\n")
        for index in (0, 1, 2, 3, 4, 7):
            low, high = domains[index]
            for k in range(5):
                t = low + (high - low) * k / 4 + (0.1 if 0 < k < 4 else 0)
                p = tools[index].point(t)
                out.write(f"{index} {t!r} {p.x!r} {p.y!r} {p.z!r}\n")
    rows = []
    def row(mode, pick, point, origin=None):
        text = f"{mode} {pick[0]!r} {pick[1]!r} {point[0]!r} {point[1]!r} {point[2]!r}"
        rows.append(text + (f" {origin[0]!r} {origin[1]!r} {origin[2]!r}" if origin else ""))
    for index in (0, 1, 2, 5, 8, 4, 7):
        tool, (low, high) = tools[index], domains[index]
        for t in (low, high):
            p = tool.point(t)
            row("END", (p.x + 0.3, p.y + 0.2), p)
        inner = tool.point(low + (high - low) * 0.37)
        pick = (inner.x + 0.4, inner.y - 0.3)
        row("NEA", pick, tool.point(nearest_parameter(tool, low, high, *pick)))
        m = middle_point(tool, low, high)
        row("MID", (m.x + 0.3, m.y + 0.3), m)
        # the whole curve's ends and middle, picked where the curve passes far from them
        inner = tool.point(low + (high - low) * 0.8)
        row("END", (inner.x + 0.3, inner.y + 0.2), nearest_foot([tool.point(low), tool.point(high)],
                                                                 (inner.x, inner.y)))
        inner = tool.point(low + (high - low) * 0.05)
        row("MID", (inner.x + 0.2, inner.y - 0.3), m)
        # PER and TAN from a point beside the curve (LASTPOINT): picked near one of the points,
        # then near an end, where the point nearest the pick lies outside the aperture
        start, end = tool.point(low), tool.point(high)
        middle = ((start.x + end.x) / 2, (start.y + end.y) / 2)
        for mode, tangent in (("PER", False), ("TAN", True)):
            for dx, dy in ((1.5, -7.5), (-2.5, 8.5), (6.5, 2.5)):  # the first with such points
                origin = (middle[0] + dx, middle[1] + dy, 0.0)
                roots = feet(tool, low, high, origin, tangent)
                if roots:
                    break
            pick = (roots[0].x + 0.3, roots[0].y - 0.2)
            row(mode, pick, nearest_foot(roots, pick), origin)
            pick = (end.x + 0.2, end.y + 0.3)
            row(mode, pick, nearest_foot(roots, pick), origin)
    for index, line in ((1, ((30, 5), (50, 5))), (2, ((60, 4), (80, 4)))):
        low, high = domains[index]
        p = line_crossing(tools[index], low, high, *line)
        row("INT", (p.x + 0.3, p.y + 0.3), p)
    p = circle_crossing(tools[2], *domains[2], (64, 8), 2)
    row("INT", (p.x + 0.3, p.y - 0.3), p)
    p = curves_crossing(tools[0], tools[6])
    row("INT", (p.x + 0.3, p.y + 0.3), p)
    tool = uneven.construction_tool()
    m = middle_point(tool, tool.knots()[tool.degree], tool.knots()[tool.count])
    row("MID", (m.x + 0.3, m.y + 0.3), m)
    with open(os.path.join(HERE, "splineSnaps.txt"), "w") as out:
        out.write("# mode pickX pickY x y z, by ezdxf (makePickDrawings.py)\n")
        out.write("\n".join(rows) + "\n")


if __name__ == "__main__":
    radius_drawing()
    normal_drawing()
    snaps_drawing()
    shortcuts_drawing()
    spline_drawing()
