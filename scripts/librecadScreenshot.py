# scripts/librecadScreenshot.py - the README's picture of vectrin in LibreCAD, on
# a drawing of Debian's librecad-data: a click on an arc gives its centre, kept in a variable; a
# point computed from it is LINE's next point. Checks both before it takes the picture.
#
# usage: librecadScreenshot.py PLUGIN MODULE DRAWING WORKDIR OUTPUT.png
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import librecadSession  # noqa: E402

plugin, module, source, workdir, output = sys.argv[1:6]


def point_of(line):
    return [float(c) for c in line.strip("()").split()]


def main():
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    drawing = os.path.join(workdir, os.path.basename(source))
    shutil.copy(source, drawing)
    session = librecadSession.Session(plugin, [module], drawing, workdir)
    try:
        session.start()
        is_point = lambda line: line.startswith("(")  # noqa: E731
        session.type_line("zoomauto", pause=1.0)  # the file's view may not show the drawing
        # Calibration: two free clicks answered to CUR; LibreCAD's clear empties the history.
        session.type_line("vcal CUR")
        session.click(300, 300)
        p1 = point_of(session.wait_for(is_point))
        mark = len(session.history())
        session.type_line("vcal CUR")
        session.click(600, 500)
        p2 = point_of(session.wait_for(is_point, after=mark))
        sx, sy = (p2[0] - p1[0]) / 300, (p2[1] - p1[1]) / 200
        session.type_line("clear")
        # The arc of radius 4 about (-24,4), from 270 to 360 degrees, clicked halfway along.
        mark = len(session.history())
        session.type_line("vcal C=CEN")
        x, y = -24 + 4 * 0.7071, 4 - 4 * 0.7071
        session.click(round(300 + (x - p1[0]) / sx), round(300 + (y - p1[1]) / sy))
        centre = session.wait_for(is_point, after=mark)
        if centre != "(-24.0 4.0 0.0)":
            raise RuntimeError("CEN gave %s" % centre)
        session.type_line("line")
        session.type_line("'C")
        mark = len(session.history())
        session.type_line("'C+[40<30]")
        session.wait_for(is_point, after=mark)
        session.xdotool("mousemove", *map(str, session.pointer_rest))
        session.screenshot(output)
    finally:
        session.stop()
    print("written: " + output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
