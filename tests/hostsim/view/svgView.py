#!/usr/bin/python3
# tests/hostsim/view/svgView.py - SVG FILE on the demo drawing after point results and a pick,
# read back with an XML parser: what it draws, the marks and their labels, where they stand;
# and on a drawing of many copies, that the file holds what the view shows, once.
#
# usage: svgView.py HOSTSIM MODULE WORKDIR
import os
import shutil
import stat
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
    "CAL P2=[33.1,16]",                       # its label would cover P1's
    "CAL L=[10,16]",                          # its label ends left of P1's
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
# blocks' circles among them), 1 node (the point; a reference's insertion point draws nothing),
# 1 text.
drawing = group("drawing")
counts = [("line", count(drawing, "line"), 8), ("path", count(drawing, "path"), 6),
          ("polyline", count(drawing, "polyline"), 0), ("node", count(group("nodes"), "path"), 1),
          ("text", count(group("texts"), "text"), 1), ("pick", count(group("picks"), "circle"), 1),
          ("snap", count(group("snaps"), "rect"), 1)]
for name, got, want in counts:
    check(name + " elements", want, got)
check("the text", "vectrin demo", group("texts").find("svg:text", NS).text)

# SVG's y runs down: a world point (x, y) is drawn at (x, -y).
results, baselines, leaders = [], [], []
for mark in group("results").findall("svg:g", NS):
    circle, label = mark.find("svg:circle", NS), mark.find("svg:text", NS)
    results.append((label.text, float(circle.get("cx")), float(circle.get("cy"))))
    baselines.append(float(label.get("y")))
    leaders.append(len(mark.findall("svg:line", NS)))
wanted = [
    ("P1 = (33.0 16.0 0.0)", 33.0, -16.0),
    ("P2 = (33.1 16.0 0.0)", 33.1, -16.0),
    ("L = (10.0 16.0 0.0)", 10.0, -16.0),
    ("[1,2]+[3,4] = (4.0 6.0 0.0)", 4.0, -6.0),
    ("[1,1]+[1,1]+[1,1]+[1,1]+[1,1]+[1,1]+[... = (9.0 9.0 0.0)", 9.0, -9.0),  # cut at 40
    ("Q = (1.0 2.0 0.0)", 8.0, -1.0),       # UCS (1,2): world (10-2, 0+1)
    ("END = (0.0 10.0 0.0)", 0.0, 0.0),     # snapped to world (0,0): UCS (0,10)
]
check("result count", len(wanted), len(results))
for want, got in zip(wanted, results):
    check("result " + want[0], want[0], got[0])
    check("marker of " + want[0], (want[1], want[2]), (round(got[1], 9), round(got[2], 9)))
pixel = float(root.get("viewBox").split()[3]) / 800
check("P2's label a line above P1's", round(14 * pixel, 9), round(baselines[0] - baselines[1], 9))
check("L's label beside P1's; a leader to P2's", (baselines[0], [0, 1, 0]),
      (baselines[2], leaders[:3]))
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

# Where SVG FILE may write: a regular file or a new one, a name as long as the folder allows;
# never a FIFO or a device, which stay as they were. The drawing's MTEXT shows its character
# codes decoded: \U+ a Unicode number, \M+1 a Shift-JIS pair; a surrogate is no character,
# nor are U+FFFE and U+FFFF, which no XML file may hold.
drawingPath = os.path.join(work, "codes.dxf")
with open(drawingPath, "w") as out:
    out.write("0\nSECTION\n2\nENTITIES\n0\nMTEXT\n10\n0\n20\n0\n40\n2\n"
              "1\ncaf\\U+00E9\\P\\M+18341 \\U+D800\\U+FFFE\\U+FFFF\n0\nENDSEC\n0\nEOF\n")
os.mkfifo(os.path.join(work, "fifo"))
os.symlink("/dev/null", os.path.join(work, "null"))
targets = [  # name, what SVG says after "to NAME", whether it is then an SVG file
    ("fifo", ": Is a FIFO, not a regular file.", False),
    ("null", ": Is a character device, not a regular file.", False),
    ("n" * 246 + ".svg", ".", True),
    ("codes.svg", ".", True),
    ("squatted.svg", ".", True),  # its name with the process id and .tmp made by another first
]
lines = ["SVG " + os.path.join(work, name) for name, _, _ in targets]
run = subprocess.Popen([hostsim, "--module", module, "--drawing", drawingPath], text=True,
                       stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
squatted = os.path.join(work, "squatted.svg.%d.tmp" % run.pid)
open(squatted, "w").close()
run.stdout, run.stderr = run.communicate("\n".join(lines) + "\n", timeout=60)
os.remove(squatted)
for name, said, written in targets:
    path = os.path.join(work, name)
    message = "The view is %swritten to %s%s" % ("" if written else "not ", path, said)
    check("SVG " + name[:20], message, message if message in run.stderr else run.stderr)
    check(name[:20] + " is a file", written, os.path.isfile(path) and not os.path.islink(path))
check("still a FIFO", True, stat.S_ISFIFO(os.stat(os.path.join(work, "fifo")).st_mode))
check("still a link", "/dev/null", os.readlink(os.path.join(work, "null")))
check("temporary files left", [], [n for n in os.listdir(work) if n.endswith(".tmp")])
codes = ElementTree.parse(os.path.join(work, "codes.svg")).getroot()
check("MTEXT lines", ["caf\u00e9", "\u30a2 ???"],
      [t.text for t in codes.findall("svg:g[@id='texts']/svg:text", NS)])

# A spline copied 2,500 times in one place, and a line beside it outside the view (x from 2.5 to
# 18.5, the middle of the extents at 10.5, VIEWSIZE 10 in 1280 by 800): the file draws what
# the view shows, the spline once, at the size of one copy.
stacked = os.path.join(work, "stacked.dxf")
wave = "".join("10\n%g\n20\n%g\n" % (i, (-1) ** i) for i in range(13))
knots = "".join("40\n%d\n" % k for k in [0] * 3 + list(range(11)) + [10] * 3)
with open(stacked, "w") as out:
    out.write("0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nW\n10\n0\n20\n0\n0\nSPLINE\n71\n3\n" +
              knots + wave + "0\nENDBLK\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n"
              "0\nINSERT\n2\nW\n10\n0\n20\n0\n70\n50\n71\n50\n"
              "0\nLINE\n10\n20\n20\n0\n11\n21\n21\n0\n0\nENDSEC\n0\nEOF\n")
run = subprocess.run([hostsim, "--module", module, "--drawing", stacked],
                     input='(setvar "VIEWSIZE" 10.0)\nSVG %s\n' % svgPath, capture_output=True,
                     text=True, timeout=60)
check("stacked: exit status", 0, run.returncode)
drawing = ElementTree.parse(svgPath).getroot().find("svg:g[@id='drawing']", NS)
check("stacked: polylines", 1, count(drawing, "polyline"))
check("stacked: lines", 0, count(drawing, "line"))
check("stacked: file under 20 KB", True, os.path.getsize(svgPath) < 20000)

for failure in failures:
    print(failure)
print("%d passed, %d failed" % (checks[0] - len(failures), len(failures)))
sys.exit(1 if failures else 0)
