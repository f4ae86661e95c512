#!/usr/bin/python3
# tests/hostsim/view/svgView.py - SVG FILE on the demo drawing after point results and a pick,
# read back with an XML parser: what it draws, the marks and their labels, where they stand.
#
# usage: svgView.py HOSTSIM MODULE WORKDIR
import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

hostsim, module, work = sys.argv[1:4]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
svgPath = os.path.join(work, "view.svg")
NS = {"svg": "http://www.w3.org/2000/svg"}
failures = []
checks = [0]


def check(what, want, got):
    checks[0] += 1
    if want != got:
        failures.append("%s: want %r, got %r" % (what, want, got))


# The UCS moved to (10,0) and turned a quarter: results and picks come in it, marks stand in world.
session = "\n".join([
    "CAL P1=[33,16]",
    '(cal "[1,2]+[3,4]")',
    '(cal "DIST([0,0],[3,4])")',              # not a point: no mark
    '(cal "[1,1]+[1,1]+[1,1]+[1,1]+[1,1]+[1,1]+[1,1]+[1,1]+[1,1]")',
    "UCS", "10,0", "10,1", "9,0",
    "CAL Q=[1,2]",
    '(cal "END")', "0.1,7",                   # world (3,0.1): the first line's end at (0,0)
    "SVG " + svgPath,
    "SVG " + svgPath,                         # replaces the file
    "",
])
run = subprocess.run([hostsim, "--module", module], input=session, capture_output=True,
                     text=True, timeout=60)
check("exit status", 0, run.returncode)
check("files left in the folder", ["view.svg"], sorted(os.listdir(work)))

root = ElementTree.parse(svgPath).getroot()
check("root", "{%s}svg" % NS["svg"], root.tag)


def group(name):
    found = root.find("svg:g[@id='%s']" % name, NS)
    if found is None:
        failures.append("no group " + name)
        return ElementTree.Element("g")
    return found


def count(parent, tag):
    return len(parent.findall("svg:" + tag, NS))


# The demo drawing: 2 lines and 6 straight polyline and block segments, 6 circles and arcs (the
# blocks' circles among them), 3 nodes (the point and the two insertion points), 1 text.
drawing = group("drawing")
counts = [("line", count(drawing, "line"), 8), ("path", count(drawing, "path"), 6),
          ("polyline", count(drawing, "polyline"), 0), ("node", count(group("nodes"), "path"), 3),
          ("text", count(group("texts"), "text"), 1), ("pick", count(group("picks"), "circle"), 1),
          ("snap", count(group("snaps"), "rect"), 1)]
for name, got, want in counts:
    check(name + " elements", want, got)
check("the text", "vectrin demo", group("texts").find("svg:text", NS).text)

# SVG's y runs down: a world point (x, y) is drawn at (x, -y).
results = []
for mark in group("results").findall("svg:g", NS):
    circle, label = mark.find("svg:circle", NS), mark.find("svg:text", NS)
    results.append((label.text, float(circle.get("cx")), float(circle.get("cy"))))
wanted = [
    ("P1 = (33.0 16.0 0.0)", 33.0, -16.0),
    ("[1,2]+[3,4] = (4.0 6.0 0.0)", 4.0, -6.0),
    ("[1,1]+[1,1]+[1,1]+[1,1]+[1,1]+[1,1]+[... = (9.0 9.0 0.0)", 9.0, -9.0),  # cut at 40
    ("Q = (1.0 2.0 0.0)", 8.0, -1.0),       # UCS (1,2): world (10-2, 0+1)
    ("END = (0.0 10.0 0.0)", 0.0, 0.0),     # snapped to world (0,0): UCS (0,10)
]
check("result count", len(wanted), len(results))
for want, got in zip(wanted, results):
    check("result " + want[0], want[0], got[0])
    check("marker of " + want[0], (want[1], want[2]), (round(got[1], 9), round(got[2], 9)))
pick = group("picks").find("svg:circle", NS)
check("pick", (3.0, -0.1), (float(pick.get("cx")), float(pick.get("cy"))))

# A drawing's name is a file name, in UTF-8 already: the title shows it once encoded.
named = os.path.join(work, "Zeichnung-\u00e4.dxf")
shutil.copy(os.path.join(os.path.dirname(__file__), "..", "..", "picks", "codePage.dxf"), named)
titled = os.path.join(work, "titled.svg")
subprocess.run([hostsim, "--module", module, "--drawing", named, "-c", "SVG " + titled],
               capture_output=True, timeout=60)
check("title", "Zeichnung-\u00e4.dxf",
      ElementTree.parse(titled).getroot().find("svg:title", NS).text)

# The view box is the window: VIEWSIZE high with SCREENSIZE's shape, around the extents.
box = [float(v) for v in root.get("viewBox").split()]
check("view box shape", round(1280 / 800, 9), round(box[2] / box[3], 9))

for failure in failures:
    print(failure)
print("%d passed, %d failed" % (checks[0] - len(failures), len(failures)))
sys.exit(1 if failures else 0)
