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
from ezdxf.math import OCS

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


if __name__ == "__main__":
    radius_drawing()
    normal_drawing()
    snaps_drawing()
    shortcuts_drawing()
