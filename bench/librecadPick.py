# bench/librecadPick.py - vectrin in LibreCAD on a drawing of 10,000 objects: what CAL with one
# pick costs (the mirror included), the first pick (which reads the drawing) and later ones on
# the unchanged drawing, and what LibreCAD's process spends while a pick waits.
#
# usage: librecadPick.py PLUGIN MODULE WORKDIR
# The drawing: 100 rows of 100 objects (lines, circles and arcs in turn, 10 units apart), and an
# arc of radius 4 about (-24,4) whose centre CEN is asked for. The times come from the plug-in's
# log (VECTRIN_LIBRECAD_LOG): the run less the user's time at LibreCAD's input.
import os
import re
import shutil
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
import librecadSession  # noqa: E402

plugin, module, workdir = sys.argv[1:4]


def write_drawing(path):
    groups = ["0", "SECTION", "2", "ENTITIES"]
    for i in range(10000):
        x, y = (i % 100) * 10.0, (i // 100) * 10.0
        kind = i % 3
        if kind == 0:
            groups += ["0", "LINE", "8", "0", "10", x, "20", y, "11", x + 6, "21", y + 3]
        elif kind == 1:
            groups += ["0", "CIRCLE", "8", "0", "10", x + 3, "20", y + 3, "40", "2"]
        else:
            groups += ["0", "ARC", "8", "0", "10", x + 3, "20", y + 3, "40", "3", "50", "0",
                       "51", "180"]
    groups += ["0", "ARC", "8", "0", "10", "-24", "20", "4", "40", "4", "50", "270", "51", "360"]
    groups += ["0", "ENDSEC", "0", "EOF"]
    with open(path, "w") as f:
        f.write("\n".join(str(g) for g in groups) + "\n")


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime


def main():
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    drawing = os.path.join(workdir, "tenThousand.dxf")
    write_drawing(drawing)
    session = librecadSession.Session(plugin, [module], drawing, workdir)
    try:
        session.start()
        session.type_line("zoomauto", pause=1.5)
        is_point = lambda line: line.startswith("(")  # noqa: E731
        points = []
        timing = re.compile(r"^# vcal took")
        for pixel in ((300, 300), (600, 500)):
            mark = len(session.history())
            session.type_line("vcal CUR")
            session.click(*pixel)
            answer = session.wait_for(is_point, after=mark, timeout=30)
            points.append([float(c) for c in answer.strip("()").split()])
            if len(points) == 1:  # the first pick reads the drawing
                print("first pick: %s" % session.wait_for(timing.match, after=mark, timeout=30)[2:])
        sx, sy = (points[1][0] - points[0][0]) / 300, (points[1][1] - points[0][1]) / 200
        for round_number in range(3):
            mark = len(session.history())
            session.type_line("vcal CEN")
            x, y = -24 + 4 * 0.7071, 4 - 4 * 0.7071
            session.click(round(300 + (x - points[0][0]) / sx), round(300 + (y - points[0][1]) / sy))
            print("CEN %s; %s" % (session.wait_for(is_point, after=mark, timeout=30),
                                  session.wait_for(timing.match, after=mark, timeout=30)[2:]))
        # LibreCAD's process while a pick waits, 5 s
        session.type_line("vcal CUR")
        time.sleep(1)
        before, start = cpu_ticks(session.librecad.pid), time.time()
        time.sleep(5)
        ticks, seconds = cpu_ticks(session.librecad.pid) - before, time.time() - start
        print("waiting at a pick: %d CPU ticks in %.1f s (%d ticks a second)" %
              (ticks, seconds, os.sysconf("SC_CLK_TCK")))
        session.key("Escape")
        session.key("Escape")
    finally:
        session.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
