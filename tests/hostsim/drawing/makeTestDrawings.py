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


if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    objects_drawing()
    r12_drawing()
