#!/usr/bin/python3
# tests/hostsim/drawing/makeTestDrawings.py - writes the DXF drawings of the drawing tests with
# ezdxf, a DXF writer independent of ours. The outputs are committed, so the tests need no
# Python; run this again (Debian python3-ezdxf) only to change them. Each is stripped of what the
# writer adds and the reader does not use (scripts/stripDxf.py).
import math
import os
import subprocess
import sys

import ezdxf
from ezdxf.enums import TextEntityAlignment
from ezdxf.entities import BoundaryPathType
from ezdxf.math import OCS, BSpline, ConstructionEllipse, Matrix44, Vec3, bulge_to_arc

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "dxf")
STRIP = os.path.join(HERE, "..", "..", "..", "..", "scripts", "stripDxf.py")


def save(doc, name):
    path = os.path.join(HERE, name)
    doc.saveas(path)
    subprocess.run([sys.executable, STRIP, path], check=True)


def add_blocks(doc):
    box = doc.blocks.new("BOX")  # base point (0,0)
    box.add_line((0, 0), (2, 0))
    box.add_circle((0, 0), 1)
    outer = doc.blocks.new("OUTER")
    outer.add_blockref("BOX", (10, 0))
    outer.add_line((0, 0), (0, 5))
    loop = doc.blocks.new("LOOP")  # inserts itself: must be drawn once, not forever
    loop.add_line((0, 0), (1, 1))
    loop.add_blockref("LOOP", (5, 0))


def objects_drawing():
    doc = ezdxf.new("R2000")
    add_blocks(doc)
    msp = doc.modelspace()
    msp.add_line((0, 0, 0), (10, 0, 0))
    # extrusion (0,0,-1): the own x axis is world -X, so this centre is world (20,0)
    msp.add_circle((-20, 0), 3, dxfattribs={"extrusion": (0, 0, -1)})
    msp.add_arc((40, 0), 3, 0, 90)
    lw = msp.add_lwpolyline([(0, 20, 0.5, 0.5, 0), (10, 20, 0, 0, 1), (10, 30, 0, 0, 0), (0, 30, 0, 0, 0)],
                            format="xyseb")
    lw.closed = True
    msp.add_polyline2d([(20, 20, 0), (30, 20, 0.5), (40, 20, 0)], format="xyb")
    msp.add_polyline3d([(50, 20, 0), (60, 20, 5), (60, 30, 5)])
    mesh = msp.add_polymesh(size=(2, 3))
    for m in range(2):
        for n in range(3):
            mesh.set_mesh_vertex((m, n), (70 + 5 * n, 20 + 5 * m, 0))
    face = msp.add_polyface()
    face.append_face([(90, 20, 0), (95, 20, 0), (95, 25, 0)])
    msp.add_point((0, 40))
    msp.add_text("ABC", dxfattribs={"insert": (10, 40), "height": 2})
    msp.add_mtext("kept, not drawn", dxfattribs={"insert": (30, 40)})
    msp.add_blockref("BOX", (100, 0), dxfattribs={"xscale": 2, "yscale": 2, "zscale": 2, "rotation": 90})
    msp.add_blockref("OUTER", (100, 40), dxfattribs={"xscale": 2, "yscale": 1, "zscale": 1, "rotation": 30})
    msp.add_blockref("LOOP", (150, 0))
    save(doc, "objects.dxf")


def r12_drawing():
    doc = ezdxf.new("R12")
    tag = doc.blocks.new("TAG")
    tag.add_circle((0, 0), 1)
    tag.add_attdef("NUMBER", (0, -2), dxfattribs={"height": 0.5})
    msp = doc.modelspace()
    msp.add_polyline2d([(0, 0), (10, 0), (10, 10)])
    ref = msp.add_blockref("TAG", (20, 0))
    ref.add_attrib("NUMBER", "7", (20, -2), dxfattribs={"height": 0.5})
    msp.add_line((0, 20), (10, 20))
    save(doc, "r12.dxf")


# ---- shapes.dxf and shapes.snaps: ellipses, solids and faces, with the snap points ezdxf gives ----

def ellipse_params(e):
    """Start and end parameter of a construction ellipse, the end past the start."""
    end = e.end_param if e.end_param > e.start_param else e.end_param + 2 * math.pi
    return e.start_param, end


def nearest_on_ellipse(e, pick):
    """The point of the drawn ellipse nearest pick in XY: the best of many samples, then
    bisection where the distance stops changing (the offset from pick along the curve is 0)."""
    start, end = ellipse_params(e)
    def at(t):
        return list(e.vertices([t]))[0]
    def dist(t):
        p = at(t)
        return math.hypot(p.x - pick[0], p.y - pick[1])
    def slope(t):
        p, d = at(t), at(t + 1e-7) - at(t - 1e-7)
        return (p.x - pick[0]) * d.x + (p.y - pick[1]) * d.y
    n = 2000
    best = min(range(n + 1), key=lambda i: dist(start + (end - start) * i / n))
    lo = start + (end - start) * max(best - 1, 0) / n
    hi = start + (end - start) * min(best + 1, n) / n
    for _ in range(100):
        mid = (lo + hi) / 2
        if (slope(mid) < 0) == (slope(lo) < 0):
            lo = mid
        else:
            hi = mid
    return at((lo + hi) / 2)


def line_crossings(e, p, q):
    """Where the segment p-q crosses the drawn ellipse: a quadratic in the ellipse's axes."""
    c, u, v = e.center, e.major_axis, e.minor_axis
    d = Vec3(q) - Vec3(p)
    w = Vec3(p) - c
    a1, b1 = d.dot(u) / u.magnitude_square, w.dot(u) / u.magnitude_square
    a2, b2 = d.dot(v) / v.magnitude_square, w.dot(v) / v.magnitude_square
    qa, qb, qc = a1 * a1 + a2 * a2, 2 * (a1 * b1 + a2 * b2), b1 * b1 + b2 * b2 - 1
    disc = qb * qb - 4 * qa * qc
    out = []
    start, end = ellipse_params(e)
    for sgn in (-1, 1):
        s = (-qb + sgn * math.sqrt(disc)) / (2 * qa)
        if 0 <= s <= 1:
            x = Vec3(p) + d * s
            t = math.atan2(a2 * s + b2, a1 * s + b1)
            if start <= t <= end or start <= t + 2 * math.pi <= end:
                out.append(x)
    return out


def length_middle(e):
    """The point halfway along an elliptic arc's length: Simpson's rule on the speed of ezdxf's
    axes, then bisection on the length from the start."""
    start, end = ellipse_params(e)
    speed = lambda t: (e.minor_axis * math.cos(t) - e.major_axis * math.sin(t)).magnitude
    def length(b, steps=2000):
        h = (b - start) / steps
        inner = sum((4 if i % 2 else 2) * speed(start + i * h) for i in range(1, steps))
        return (speed(start) + speed(b) + inner) * h / 3
    half, lo, hi = length(end) / 2, start, end
    for _ in range(60):
        mid = (lo + hi) / 2
        lo, hi = (mid, hi) if length(mid) < half else (lo, mid)
    return list(e.vertices([(lo + hi) / 2]))[0]


def ellipse_rows(e, name):
    """Snap rows for one ellipse in world coordinates: each pick lies 0.3 off the point."""
    rows = []
    start, end = ellipse_params(e)
    arc = end - start < 2 * math.pi - 1e-9
    off = Vec3(0.3, 0.2, 0)
    if arc:
        rows.append(("END", e.start_point + off, e.start_point, name + ": its start"))
        rows.append(("END", e.end_point + off, e.end_point, name + ": its end"))
        mid = length_middle(e)
        rows.append(("MID", mid + off, mid, name + ": halfway along its length"))
    on = list(e.vertices([start + 0.3 * (end - start)]))[0]
    rows.append(("CEN", on + off, e.center, name + ": picked on the curve"))
    for axis in (e.major_axis, -e.major_axis, e.minor_axis, -e.minor_axis):
        t = math.atan2(axis.dot(e.minor_axis) / e.minor_axis.magnitude_square,
                       axis.dot(e.major_axis) / e.major_axis.magnitude_square)
        if start <= t <= end or start <= t + 2 * math.pi <= end:
            rows.append(("QUA", e.center + axis + off, e.center + axis, name + ": an axis end"))
    pick = on + Vec3(0.6, -0.5, 0)
    rows.append(("NEA", pick, nearest_on_ellipse(e, pick), name + ": the nearest point"))
    return rows


def world_ellipses(doc, entity):
    """The construction ellipses an ELLIPSE or a reference to ellipses draws, in world."""
    if entity.dxftype() == "ELLIPSE":
        return [entity.construction_tool()]
    return [v.construction_tool() for v in entity.virtual_entities() if v.dxftype() == "ELLIPSE"]


def edge_rows(corners, order, hidden, name):
    """END and MID rows on the drawn edges, and a NEA row that finds nothing on a hidden one."""
    rows = []
    pts = [Vec3(corners[i]) for i in order]
    off = Vec3(0.3, 0.2, 0)
    for i in range(len(pts)):
        a, b = pts[i], pts[(i + 1) % len(pts)]
        mid = a.lerp(b)
        if hidden & (1 << i):
            rows.append(("NEA", mid, None, name + ": a hidden edge is not picked"))
        else:
            rows.append(("MID", mid + off, mid, name + ": edge %d" % (i + 1)))
    rows.append(("END", pts[0] + off, pts[0], name + ": its first corner"))
    return rows


def shapes_drawing():
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    rows = []
    whole = msp.add_ellipse((0, 0), major_axis=(8, 6), ratio=0.5)
    rows += ellipse_rows(whole.construction_tool(), "a whole ellipse, turned")
    across = msp.add_ellipse((40, 0), major_axis=(6, 8), ratio=0.4, start_param=5.0, end_param=1.2)
    rows += ellipse_rows(across.construction_tool(), "an arc across parameter 0")
    # extrusion (0,0,-1): the minor axis is extrusion x major, (0,-5,0), so this arc lies below
    under = msp.add_ellipse((80, 0), major_axis=(10, 0, 0), ratio=0.5, start_param=0.3,
                            end_param=2.0, dxfattribs={"extrusion": (0, 0, -1)})
    rows += ellipse_rows(under.construction_tool(), "an arc with extrusion (0,0,-1)")
    crossing = msp.add_line((75, -10), (85, 0))
    for x in line_crossings(under.construction_tool(), crossing.dxf.start, crossing.dxf.end):
        rows.append(("INT", x + Vec3(0.3, 0.2, 0), x, "a line across the arc below"))
    block = doc.blocks.new("SHAPES")  # base point (0,0)
    block.add_ellipse((0, 0), major_axis=(5, 0), ratio=0.6, start_param=5.5, end_param=1.0)
    block.add_3dface([(0, 10, 0), (6, 10, 0), (6, 16, 0), (0, 16, 0)], dxfattribs={"invisible": 2})
    ref = msp.add_blockref("SHAPES", (120, 0), dxfattribs={"xscale": 2, "yscale": 2, "zscale": 2,
                                                           "rotation": 30})
    for e in world_ellipses(doc, ref):
        rows += ellipse_rows(e, "an arc in a turned and scaled block")
    stretched = msp.add_blockref("SHAPES", (160, 0), dxfattribs={"xscale": 3, "yscale": 1,
                                                                 "rotation": 20})
    for e in world_ellipses(doc, stretched):
        rows += ellipse_rows(e, "an arc in a turned, unevenly scaled block")
    # two whole ellipses that cross, at four points
    first = msp.add_ellipse((0, -40), major_axis=(10, 0), ratio=0.4).construction_tool()
    msp.add_ellipse((0, -40), major_axis=(0, 10), ratio=0.4)
    for sx in (-1, 1):
        for sy in (-1, 1):
            x = 10 * 0.4 / math.sqrt(1 + 0.16)  # x^2/100 + y^2/16 = 1 with y = x, and its mirrors
            point = first.center + Vec3(sx * x, sy * x, 0)
            rows.append(("INT", point + Vec3(0.3, 0.2, 0), point, "two ellipses crossing"))
    for v in ref.virtual_entities():
        if v.dxftype() == "3DFACE":
            rows += edge_rows(list(v.wcs_vertices()), [0, 1, 2, 3], 2,
                              "a face in a turned and scaled block")
    solid = msp.add_solid([(0, 40), (10, 40), (0, 50), (10, 50)])
    # wcs_vertices gives the corners in the order they are drawn: 1, 2, 4, 3
    rows += edge_rows(list(solid.wcs_vertices()), [0, 1, 2, 3], 0, "a solid, corners 1 2 4 3")
    down = (0, 0, -1)  # own x is world -x: these corners lie at world x 30 to 40
    trace = msp.add_trace(ocs_points(down, [(30, 40, 2), (40, 40, 2), (30, 50, 2), (40, 46, 2)]),
                          dxfattribs={"extrusion": down})
    rows += edge_rows(list(trace.wcs_vertices()), [0, 1, 2, 3], 0, "a trace in its own system")
    face = msp.add_3dface([(60, 40, 0), (70, 40, 0), (70, 50, 3), (60, 50, 0)],
                          dxfattribs={"invisible": 1 | 4})
    rows += edge_rows(list(face.wcs_vertices()), [0, 1, 2, 3], 1 | 4, "a face, edges 1 and 3 hidden")
    triangle = msp.add_3dface([(90, 40, 0), (100, 40, 0), (95, 48, 0)])
    rows += edge_rows(list(triangle.wcs_vertices())[:3], [0, 1, 2], 0, "a three-cornered face")
    # an image 40 by 20 pixels over 20 by 10 units, turned 30 degrees, clipped to a triangle
    picture = doc.add_image_def("picture.png", size_in_pixel=(40, 20))
    clipped = msp.add_image(picture, insert=(0, 80), size_in_units=(20, 10), rotation=30)
    clipped.set_boundary_path([(0, 0), (40, 0), (20, 20)])
    rows += edge_rows(clipped.boundary_path_wcs()[:3], [0, 1, 2], 0, "an image clipped to a triangle")
    whole_image = msp.add_image(picture, insert=(40, 80), size_in_units=(20, 10))
    rows += edge_rows(whole_image.boundary_path_wcs()[:4], [0, 1, 2, 3], 0, "a whole image")
    unclipped = msp.add_image(picture, insert=(40, 100), size_in_units=(20, 10))
    rows += edge_rows(unclipped.boundary_path_wcs()[:4], [0, 1, 2, 3], 0,
                      "an image with a boundary but clipping off: whole")
    unclipped.set_boundary_path([(0, 0), (40, 0), (20, 20)])
    unclipped.dxf.clipping = 0
    wipeout = msp.add_wipeout([(80, 80), (95, 80), (95, 90), (85, 92)])
    rows += edge_rows(wipeout.boundary_path_wcs()[:4], [0, 1, 2, 3], 0, "a wipeout")
    save(doc, "shapes.dxf")
    with open(os.path.join(HERE, "shapes.snaps"), "w") as out:
        out.write("# written by makeTestDrawings.py: mode, pick x y, snap point x y z or none, why\n")
        for mode, pick, want, why in rows:
            where = "none" if want is None else "%.12g %.12g %.12g" % (want.x, want.y, want.z)
            out.write("%s %.12g %.12g %s # %s\n" % (mode, pick.x, pick.y, where, why))


def ocs_points(extrusion, points):
    """World points as the object coordinates of an object with this extrusion."""
    ocs = OCS(extrusion)
    return [tuple(ocs.from_wcs(p)) for p in points]


def ellipses_drawing():
    """Only ellipses, as some real drawings hold. The extents are x 6..33, y -1..11."""
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    msp.add_ellipse((10, 5), major_axis=(4, 0), ratio=0.5)                 # x 6..14, y 3..7
    msp.add_ellipse((30, 5), major_axis=(0, 6), ratio=0.5)                 # x 27..33, y -1..11
    msp.add_ellipse((20, 5), major_axis=(3, 0), ratio=0.5, start_param=0,  # the upper half
                    end_param=math.pi)
    save(doc, "ellipses.dxf")


# ---- texts.dxf and texts.snaps: the boxes of MTEXT and TEXT, by their corners ----
# The host has no fonts: a character is 0.6 heights wide, MTEXT lines lie 5/3 heights apart.
CHARACTER = 0.6
LINE_SPACING = 5 / 3


def box_rows(corners, anchor, name):
    """Near each corner, just past it along an edge, INS gives the anchor; diagonally 3 units
    out it finds nothing (APERTURE 2); at the middle, far from every edge, the box is hit."""
    rows = [("INS", (corners[0] + corners[2]) / 2, anchor, name + ": its middle")]
    for i, corner in enumerate(corners):
        along = (corner - corners[(i + 1) % 4]).normalize()
        across = (corner - corners[(i + 3) % 4]).normalize()
        rows.append(("INS", corner + along * 1.5, anchor, name + ": corner %d" % (i + 1)))
        rows.append(("INS", corner + (along + across).normalize(3), None,
                     name + ": outside corner %d" % (i + 1)))
    return rows


def mtext_rows(mtext, name):
    """The box from ezdxf's own view of the text: its plain lines, its text direction, its
    attachment point; width from the text's width or estimated."""
    ucs = mtext.ucs()
    lines = mtext.plain_text(split=True)
    height = mtext.dxf.char_height
    width = mtext.dxf.get("width", 0) or CHARACTER * height * max(len(line) for line in lines)
    tall = height * (1 + (len(lines) - 1) * LINE_SPACING * mtext.dxf.get("line_spacing_factor", 1))
    point = mtext.dxf.attachment_point
    column, row = (point - 1) % 3, (point - 1) // 3
    left, bottom = -width * column / 2, -tall * (2 - row) / 2
    local = [Vec3(left, bottom), Vec3(left + width, bottom), Vec3(left + width, bottom + tall),
             Vec3(left, bottom + tall)]
    return box_rows(list(ucs.points_to_wcs(local)), Vec3(mtext.dxf.insert), name)


def text_rows(text, name):
    """A TEXT's box from ezdxf's placement: the alignment point and the run of aligned and fit
    texts; the middle of a vertical alignment is half the height, bottom the baseline."""
    align, p1, p2 = text.get_placement()
    ocs = text.ocs()
    height = text.dxf.height
    width = CHARACTER * height * len(text.dxf.text) * text.dxf.get("width", 1)
    angle = math.radians(text.dxf.rotation)
    left = bottom = 0
    if align.name in ("ALIGNED", "FIT"):
        run = Vec3(p2.x - p1.x, p2.y - p1.y)
        angle = run.angle
        if align.name == "ALIGNED":
            height *= run.magnitude / width
        width = run.magnitude
    else:
        horizontal, vertical = text.dxf.halign, text.dxf.valign
        left = {1: -width / 2, 2: -width, 4: -width / 2}.get(horizontal, 0)
        bottom = {2: -height / 2, 3: -height}.get(vertical, -height / 2 if horizontal == 4 else 0)
    along, up = Vec3.from_angle(angle), Vec3.from_angle(angle + math.pi / 2)
    start = p1 + along * left + up * bottom
    local = [start, start + along * width, start + along * width + up * height, start + up * height]
    return box_rows(list(ocs.points_to_wcs(local)), ocs.to_wcs(p1), name)


def texts_drawing():
    doc = ezdxf.new("R2000")
    rows = []
    msp = doc.modelspace()
    for point in range(1, 10):  # each attachment point, two lines with formatting codes
        m = msp.add_mtext("{\\fArial|b1;Hello}\\Pworld, 12", dxfattribs={
            "insert": (100 * point, 0), "char_height": 5, "attachment_point": point})
        rows += mtext_rows(m, "MTEXT attachment %d" % point)
    wide = msp.add_mtext("given width", dxfattribs={"insert": (0, 100), "char_height": 4,
                                                   "width": 60, "attachment_point": 5,
                                                   "text_direction": (1, 1, 0)})
    rows += mtext_rows(wide, "MTEXT of a given width, turned 45 degrees")
    down = msp.add_mtext("three\\Pshort\\Plines", dxfattribs={
        "insert": (100, 100, 3), "char_height": 5, "attachment_point": 9, "extrusion": (0, 0, -1),
        "rotation": 30, "line_spacing_factor": 1.5})
    rows += mtext_rows(down, "MTEXT with extrusion (0,0,-1), spacing 1.5")
    text = msp.add_text("Z\xfcrich 25\xb0C \xb12", dxfattribs={"height": 5})  # one byte a character
    text.set_placement((200, 100))
    rows += text_rows(text, "TEXT left, accented")
    for k, (align, name) in enumerate([(TextEntityAlignment.TOP_RIGHT, "top right"),
                                       (TextEntityAlignment.MIDDLE_CENTER, "middle center"),
                                       (TextEntityAlignment.MIDDLE, "middle"),
                                       (TextEntityAlignment.BOTTOM_LEFT, "bottom left")]):
        t = msp.add_text("Align", dxfattribs={"height": 5, "rotation": 20})
        t.set_placement((300 + 100 * k, 100), align=align)
        rows += text_rows(t, "TEXT " + name)
    aligned = msp.add_text("Aligned", dxfattribs={"height": 5})
    aligned.set_placement((0, 200), (60, 230), align=TextEntityAlignment.ALIGNED)
    rows += text_rows(aligned, "TEXT aligned")
    fit = msp.add_text("Fit", dxfattribs={"height": 5, "extrusion": (0, 0, -1)})
    fit.set_placement((-100, 200), (-150, 210), align=TextEntityAlignment.FIT)
    rows += text_rows(fit, "TEXT fit, extrusion (0,0,-1)")
    block = doc.blocks.new("LABELS")
    block.add_mtext("in a\\Pblock", dxfattribs={"insert": (0, 0), "char_height": 5,
                                                  "attachment_point": 6})
    inner = block.add_text("Centered", dxfattribs={"height": 5})
    inner.set_placement((0, 40), align=TextEntityAlignment.BOTTOM_CENTER)
    ref = msp.add_blockref("LABELS", (300, 300), dxfattribs={"xscale": 2, "yscale": 2,
                                                              "zscale": 2, "rotation": 30})
    for v in ref.virtual_entities():  # INS on what a reference shows gives its insertion point
        kind = v.dxftype()
        inside = (mtext_rows if kind == "MTEXT" else text_rows)(v, kind + " in a turned and scaled block")
        rows += [(mode, pick, want and Vec3(ref.dxf.insert), why) for mode, pick, want, why in inside]
    save(doc, "texts.dxf")
    with open(os.path.join(HERE, "texts.snaps"), "w") as out:
        out.write("# written by makeTestDrawings.py: mode, pick x y, snap point x y z or none, why\n")
        for mode, pick, want, why in rows:
            where = "none" if want is None else "%.12g %.12g %.12g" % (want.x, want.y, want.z)
            out.write("%s %.12g %.12g %s # %s\n" % (mode, pick.x, pick.y, where, why))


# ---- hatches.dxf and hatches.snaps: the edges of hatch boundaries ----

def hatch_curves(hatch):
    """The edges of a hatch in world: ("line", start, end), ("curve", construction ellipse) or
    ("spline", B-spline over the control points taken to world)."""
    ocs = hatch.ocs()
    to_world = Matrix44.ucs(ocs.ux, ocs.uy, ocs.uz)
    z = hatch.dxf.elevation.z
    def at(p):
        return ocs.to_wcs(Vec3(p.x, p.y, z))
    def curve(e):
        e = ConstructionEllipse(Vec3(e.center.x, e.center.y, z), e.major_axis, Vec3(0, 0, 1),
                                e.ratio, e.start_param, e.end_param)
        e.transform(to_world)
        return ("curve", e)
    out = []
    for path in hatch.paths:
        if path.type == BoundaryPathType.POLYLINE:
            v = [Vec3(x, y, 0) for x, y, *_ in path.vertices]
            bulges = [b for *_, b in path.vertices]
            n = len(v) if path.is_closed else len(v) - 1
            for i in range(n):
                p, q = v[i], v[(i + 1) % len(v)]
                if bulges[i] == 0:
                    out.append(("line", at(p), at(q)))
                    continue
                centre, start, end, radius = bulge_to_arc(p, q, bulges[i])
                out.append(curve(ConstructionEllipse.from_arc(centre, radius, (0, 0, 1),
                                                              math.degrees(start), math.degrees(end))))
            continue
        for edge in path.edges:
            kind = edge.type.name
            if kind == "LINE":
                out.append(("line", at(edge.start), at(edge.end)))
            elif kind == "ARC":
                out.append(curve(ConstructionEllipse.from_arc(
                    Vec3(edge.center), edge.radius, (0, 0, 1), edge.start_angle, edge.end_angle)))
            elif kind == "ELLIPSE":
                out.append(curve(edge.construction_tool()))
            elif kind == "SPLINE":
                out.append(("spline", BSpline([at(p) for p in edge.control_points],
                                              order=edge.degree + 1, knots=edge.knot_values,
                                              weights=edge.weights or None)))
    return out


def nearest_on_spline(curve, pick):
    """The point of a B-spline nearest pick in XY: the best of many samples, then bisection where
    the offset from pick turns square to the curve (ezdxf's own derivative)."""
    low, high = curve.knots()[curve.order - 1], curve.knots()[-curve.order]
    def dist(t):
        p = curve.point(t)
        return math.hypot(p.x - pick.x, p.y - pick.y)
    def slope(t):
        p, d = curve.derivative(t, n=1)
        return (p.x - pick.x) * d.x + (p.y - pick.y) * d.y
    n = 4000
    best = min(range(n + 1), key=lambda i: dist(low + (high - low) * i / n))
    lo, hi = low + (high - low) * max(best - 1, 0) / n, low + (high - low) * min(best + 1, n) / n
    for _ in range(100):
        mid = (lo + hi) / 2
        if (slope(mid) < 0) == (slope(lo) < 0):
            lo = mid
        else:
            hi = mid
    return curve.point((lo + hi) / 2)


def hatch_rows(hatch, name):
    """END, MID and NEA rows on each drawn edge of a hatch; no CEN on its arcs."""
    rows = []
    off = Vec3(0.3, 0.2, 0)
    for i, item in enumerate(hatch_curves(hatch)):
        what = name + ": edge %d" % (i + 1)
        if item[0] == "spline":
            curve = item[1]
            start, end = curve.point(curve.knots()[0]), curve.point(curve.knots()[-1])
            rows.append(("END", start + off, start, what + ", a spline's start"))
            rows.append(("END", end + off, end, what + ", a spline's end"))
            pick = curve.point(0.3) + Vec3(0.5, 0.4, 0)
            rows.append(("NEA", pick, nearest_on_spline(curve, pick), what + ", the nearest point"))
            continue
        if item[0] == "line":
            a, b = item[1], item[2]
            rows.append(("MID", a.lerp(b) + off, a.lerp(b), what + ", its middle"))
            rows.append(("END", a.lerp(b, 0.1), a, what + ", its start"))
            continue
        e = item[1]
        start, end = ellipse_params(e)
        middle = list(e.vertices([(start + end) / 2]))[0]
        rows.append(("END", e.start_point + off, e.start_point, what + ", its start"))
        rows.append(("MID", middle + off, middle, what + ", the middle parameter"))
        pick = list(e.vertices([start + 0.3 * (end - start)]))[0] + Vec3(0.6, -0.5, 0)
        if math.isclose(e.ratio, 1):  # a circular arc: the nearest point exactly
            nearest = e.center + (pick - e.center).replace(z=0).normalize(e.major_axis.magnitude)
        else:
            nearest = nearest_on_ellipse(e, pick)
        rows.append(("NEA", pick, nearest, what + ", the nearest point"))
        rows.append(("CEN", middle + off, None, what + ": no centre"))
    return rows


def edge_hatch(layout, at, spline=False, dxfattribs=None):
    """A boundary of a line, an arc, an elliptic arc written clockwise and a closing line, around
    a hatch whose corner is at; a spline edge replaces the closing line when asked."""
    hatch = layout.add_hatch(dxfattribs=dxfattribs or {})
    path = hatch.paths.add_edge_path()
    x, y = at
    path.add_line((x, y), (x + 30, y))
    path.add_arc((x + 30, y + 10), 10, -90, 90)
    path.add_ellipse((x + 15, y + 20), major_axis=(15, 0), ratio=0.5, start_angle=0,
                     end_angle=180, ccw=False)
    if spline:
        path.add_spline(control_points=[(x, y + 20), (x - 8, y + 14), (x - 8, y + 6), (x, y)],
                        knot_values=[0, 0, 0, 0, 1, 1, 1, 1], degree=3)
    else:
        path.add_line((x, y + 20), (x, y))
    return hatch


def hatches_drawing():
    doc = ezdxf.new("R2000")
    rows = []
    msp = doc.modelspace()
    bulged = msp.add_hatch()
    bulged.paths.add_polyline_path([(0, 0, 0), (40, 0, 0.5), (40, 30, 0), (0, 30, -0.3)],
                                   is_closed=True)
    rows += hatch_rows(bulged, "a polyline path with bulges")
    down = msp.add_hatch(dxfattribs={"extrusion": (0, 0, -1), "elevation": (0, 0, 2)})
    down.paths.add_polyline_path([(-100, 0, 0.4), (-140, 0, 0), (-140, 30, 0)], is_closed=True)
    rows += hatch_rows(down, "a polyline path with extrusion (0,0,-1) and elevation 2")
    edges = edge_hatch(msp, (0, 100))
    rows += hatch_rows(edges, "line, arc and elliptic arc edges")
    crossing = msp.add_line((10, 95), (10, 110))  # crosses the first line edge at (10, 100)
    rows.append(("INT", Vec3(10.4, 100.3), Vec3(10, 100), "a line across a hatch edge"))
    assert crossing.dxf.start.x == 10
    with_spline = edge_hatch(msp, (100, 100), spline=True)
    rows += hatch_rows(with_spline, "with a spline edge")
    block = doc.blocks.new("HATCHED")
    edge_hatch(block, (0, 0), spline=True)
    ref = msp.add_blockref("HATCHED", (300, 0), dxfattribs={"xscale": 2, "yscale": 2, "zscale": 2,
                                                             "rotation": 30})
    for v in ref.virtual_entities():
        rows += hatch_rows(v, "in a turned and scaled block")
    # two spline edges of different shapes in one path: each is drawn as itself
    twice = msp.add_hatch()
    path = twice.paths.add_edge_path()
    path.add_line((0, 200), (30, 200))
    path.add_spline(control_points=[(30, 200), (40, 205), (36, 215), (30, 220)],
                    knot_values=[0, 0, 0, 0, 1, 1, 1, 1], degree=3)
    path.add_line((30, 220), (0, 220))
    path.add_spline(control_points=[(0, 220), (-5, 214), (-9, 204), (-4, 202), (0, 200)],
                    knot_values=[0, 0, 0, 0, 0.4, 1, 1, 1, 1], degree=3)
    rows += hatch_rows(twice, "two spline edges")
    save(doc, "hatches.dxf")
    with open(os.path.join(HERE, "hatches.snaps"), "w") as out:
        out.write("# written by makeTestDrawings.py: mode, pick x y, snap point x y z or none, why\n")
        for mode, pick, want, why in rows:
            where = "none" if want is None else "%.15g %.15g %.15g" % (want.x, want.y, want.z)
            out.write("%s %.15g %.15g %s # %s\n" % (mode, pick.x, pick.y, where, why))


if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    objects_drawing()
    r12_drawing()
    shapes_drawing()
    ellipses_drawing()
    texts_drawing()
    hatches_drawing()
