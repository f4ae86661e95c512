# tests/adapters/librecad/librecadEndToEnd.py - vectrin in LibreCAD, end to end: LibreCAD under
# Xvfb opens the demo drawing with the plug-in; typed expressions, typed and clicked picks give
# the values hostsim gives for the same drawing and points; Esc at every kind of prompt leaves
# LibreCAD running; a point computed from a variable, handed to LINE as its next point, ends the
# line that LibreCAD saves, and @ there is LINE's last point; HELP answers at vectrin's prompt, a
# refused close leaves vectrin's prompt in the label, vcal keeps Redo, and a pick of an object
# takes the point clicked whatever LibreCAD's snaps.
# SPDX-License-Identifier: GPL-2.0-or-later
#
# usage: librecadEndToEnd.py HOSTSIM MODULE PLUGIN DRAWING WORKDIR
# PLUGIN - is the plug-in installed in LibreCAD's system folder. Exit status 77 (skipped) when
# librecad, Xvfb or xdotool is missing.
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
import librecadSession  # noqa: E402

hostsim, module, plugin, demo, workdir = sys.argv[1:6]


def hostsim_value(drawing, expression, answers=()):
    run = subprocess.run([hostsim, "--module", module, "--drawing", drawing, "-e", expression],
                         input="".join(a + "\n" for a in answers), capture_output=True, text=True,
                         timeout=20)
    return run.stdout.strip()


def answered_point(line):
    return line.rsplit(": ", 1)[1]


# The saved drawing's LINE objects as (x1, y1, x2, y2): DXF's groups are code and value lines.
def saved_lines(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = [line.strip() for line in f]
    groups = list(zip(lines[0::2], lines[1::2]))
    found = []
    for i, (code, value) in enumerate(groups):
        if code == "0" and value == "LINE":
            fields = {}
            for c, v in groups[i + 1:]:
                if c == "0":
                    break
                fields.setdefault(c, float(v) if c in ("10", "20", "11", "21") else v)
            found.append((fields["10"], fields["20"], fields["11"], fields["21"]))
    return found


class Checks:
    def __init__(self, session):
        self.session = session
        self.failures = []

    # Types the command, then each answer once its prompt has opened (a line typed sooner would
    # reach LibreCAD instead); returns the first value (a number or a point) printed after them.
    def value_of(self, command, *answers, clicks=()):
        mark = len(self.session.history())
        self.session.type_line(command)
        for answer in answers:
            mark = self.wait_prompt(mark)
            self.session.type_line(answer)
        for x, y in clicks:
            mark = self.wait_prompt(mark)
            self.session.click(x, y)
        value = re.compile(r"^(-?[0-9.e+-]+|\(.*\)|nil)$")
        got = self.session.wait_for(value.match, after=mark, timeout=20)
        if command.startswith("vcal"):  # the run is over: LibreCAD's command line is free again
            self.session.wait_for(lambda line: line.startswith("# vcal took"), after=mark,
                                  timeout=20)
        return got

    # Waits for the next prompt of the plug-in after history line mark; returns the line after it.
    def wait_prompt(self, mark, start="# asks: >> Select"):
        prompt = self.session.wait_for(lambda line: line.startswith(start), after=mark,
                                       timeout=20)
        return self.session.history().index(prompt, mark) + 1

    def expect(self, what, got, want):
        if got != want:
            self.failures.append("%s: got %r, want %r" % (what, got, want))


def run_checks(session, drawing):
    checks = Checks(session)
    checks.expect("typed expression", checks.value_of("vcal 2^10"), hostsim_value(drawing, "2^10"))
    checks.expect("typed pick", checks.value_of("vcal RAD", "35,10"),
                  hostsim_value(drawing, "RAD", ["35,10"]))

    # Calibration: two free clicks answered to CUR give the pixel-to-drawing map.
    p1 = [float(c) for c in checks.value_of("vcal CUR", clicks=[(300, 400)]).strip("()").split()]
    p2 = [float(c) for c in checks.value_of("vcal CUR", clicks=[(500, 600)]).strip("()").split()]
    scale_x, scale_y = (p2[0] - p1[0]) / 200, (p2[1] - p1[1]) / 200

    def pixel(x, y):
        return round(300 + (x - p1[0]) / scale_x), round(400 + (y - p1[1]) / scale_y)

    # A click on the arc's top: the value equals hostsim's for the point LibreCAD answered.
    mark = len(session.history())
    got = checks.value_of("vcal CEN", clicks=[pixel(50, 15)])
    asked = session.wait_for(lambda line: line.startswith(">> Select"), after=mark)
    checks.expect("clicked CEN", got, hostsim_value(drawing, "CEN", [answered_point(asked)]))
    checks.expect("clicked CEN is the arc's centre", got, "(50.0 10.0 0.0)")

    # Esc at the expression prompt, at a pick and at a point prompt (each then at the expression
    # prompt the calculator asks again); LibreCAD goes on and so does the calculator.
    asks = lambda line: line.startswith("# asks: ")  # noqa: E731
    for line in ("vcal", "vcal END", "vcal CUR"):
        mark = len(session.history())
        session.type_line(line)
        for _ in range(1 if line == "vcal" else 2):  # the pick, then the expression asked again
            mark = session.history().index(session.wait_for(asks, after=mark, timeout=20), mark) + 1
            session.key("Escape")
        session.wait_for(lambda line: line.startswith("# vcal took"), after=mark, timeout=20)
        if not session.alive():
            checks.failures.append("LibreCAD stopped at Esc after %r" % line)
            return checks.failures
    checks.expect("after the Esc keys", checks.value_of("vcal 1+1"), "2")

    # A variable, then LINE from 0,0 to 'P+[5,5], then a transparent pick (refused: LINE is
    # not cancelled) and LINE's own last point. Inside LINE, @ is the last point LINE received,
    # typed or clicked; a number where LINE wants a point is said so. The saved drawing holds
    # every segment.
    checks.value_of("vcal P=[20,5]")
    session.type_line("line")
    session.type_line("0,0")
    checks.expect("transparent point", checks.value_of("'P+[5,5]"), "(25.0 10.0 0.0)")
    mark = len(session.history())
    session.type_line("'END")
    session.wait_for(lambda line: "cannot be answered inside another LibreCAD command" in line,
                     after=mark)
    session.type_line("60,20")
    checks.expect("@ after a typed point", checks.value_of("'[@10,0]"), "(70.0 20.0 0.0)")
    session.click(*pixel(80, 30))
    checks.value_of("'[@5,0]")
    mark = len(session.history())
    session.type_line("'[1,2]*[3,4]")
    session.wait_for(lambda line: "wants a point here" in line, after=mark)
    session.key("Escape")
    session.key("Escape")
    lines = save_and_read(session, drawing, (0.0, 0.0, 25.0, 10.0))
    checks.expect("LINE's end from the transparent point", (0.0, 0.0, 25.0, 10.0) in lines, True)
    checks.expect("LINE went on after it", (25.0, 10.0, 60.0, 20.0) in lines, True)
    checks.expect("@ is LINE's typed point", (60.0, 20.0, 70.0, 20.0) in lines, True)
    clicked = [line[2:] for line in lines if line[:2] == (70.0, 20.0)]
    checks.expect("@ is LINE's clicked point",
                  bool(clicked) and (clicked[0] + (clicked[0][0] + 5, clicked[0][1])) in lines, True)

    # HELP at vectrin's prompt; a refused close, after which the label is vectrin's prompt again.
    session.click(*session.command_line, pause=0.2)
    mark = len(session.history())
    session.type_line("vcal")
    mark = checks.wait_prompt(mark, "# asks: >> Expression")
    session.type_line("HELP RAD")
    session.wait_for(lambda line: line.startswith("RAD (Picks in the drawing)"), after=mark)
    session.click(*session.file_menu, pause=0.5)
    session.click(*session.file_close, pause=0.5)
    session.wait_for(lambda line: line.startswith("vectrin is waiting for an answer"), after=mark)
    session.wait_for(lambda line: line.startswith("# label kept: >> Expression:"), after=mark)
    session.key("Escape")
    session.wait_for(lambda line: line.startswith("# vcal took"), after=mark, timeout=20)

    # vcal without a pick leaves LibreCAD's Redo as it was.
    session.type_line("line")
    session.type_line("5,-20")
    session.type_line("15,-20")
    session.key("Escape")
    session.key("Escape")
    session.click(*session.command_line, pause=0.2)
    session.type_line("undo")
    checks.value_of("vcal 1+1")
    session.type_line("redo")
    lines = save_and_read(session, drawing, (5.0, -20.0, 15.0, -20.0))
    checks.expect("Redo after vcal", (5.0, -20.0, 15.0, -20.0) in lines, True)

    # With LibreCAD's Snap Center on, CEN takes the point clicked on the circle's edge; a point
    # prompt keeps the snap, which is back after the pick.
    session.type_line("snapcenter")
    checks.expect("clicked CEN with Snap Center on",
                  checks.value_of("vcal CEN", clicks=[pixel(35, 10)]), "(30.0 10.0 0.0)")
    checks.expect("a point with Snap Center on",
                  checks.value_of("vcal CUR", clicks=[pixel(35, 10)]), "(30.0 10.0 0.0)")
    if not session.alive():
        checks.failures.append("LibreCAD stopped")
    return checks.failures


# Saves the drawing (Ctrl+S) and reads its lines back, once the line expected is there.
def save_and_read(session, drawing, expected):
    session.xdotool("key", "ctrl+s")
    lines = []
    for _ in range(50):  # LibreCAD writes the file a moment after the key
        lines = saved_lines(drawing)
        if expected in lines:
            break
        time.sleep(0.2)
    return lines


def main():
    missing = librecadSession.missing_tools()
    if missing:
        print("skipped: %s not installed (make test installs them)" % ", ".join(missing))
        return 77
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    drawing = os.path.join(workdir, "demo.dxf")
    shutil.copy(demo, drawing)
    session = librecadSession.Session(None if plugin == "-" else plugin, [module], drawing, workdir)
    failures = []
    try:
        session.start()
        failures = run_checks(session, drawing)
    except RuntimeError as fault:
        failures = [str(fault)]
    finally:
        if failures and session.alive() and shutil.which("import"):
            session.screenshot(os.path.join(workdir, "failure.png"))  # the screen as it stood
        session.stop()
    for failure in failures:
        print("FAIL " + failure)
    if failures:
        print("history:\n" + "\n".join(session.history()))
        with open(os.path.join(workdir, "librecad.out"), errors="replace") as f:
            print("LibreCAD's output, the end:\n" + "".join(f.readlines()[-10:]))
        return 1
    print("LibreCAD end to end: every check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
