#!/usr/bin/python3
# bench/pageTiming.py - how fast the served page shows a drawing of 100,000 objects in headless
# Chromium: the time from navigation to the drawing painted, and a pan step's redraw (the
# median of many). Prints the figures with their goals, and leaves the drawing and a screenshot
# in WORK_DIR; a benchmark, not a test.
#
# usage: pageTiming.py HOSTSIM MODULE [WORK_DIR]   (make page-timing)
import os
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "tests", "hostsim", "serve"))
import pageDriver as page  # noqa: E402

OBJECT_COUNT = 100000
PER_ROW = 317      # objects per row of the square: ceil(sqrt(100000))
SPACING = 10.0     # drawing units between neighbours
PAN_STEPS = 60     # pan steps timed
LOAD_GOAL_MS = 2000
PAN_GOAL_MS = 50


def dxf_object(i):
    """Lines, circles, arcs, lightweight polylines with an arc segment, and text, in turn."""
    x, y = (i % PER_ROW) * SPACING, (i // PER_ROW) * SPACING
    kind = i % 5
    if kind == 0:
        return "0\nLINE\n8\n0\n10\n%g\n20\n%g\n11\n%g\n21\n%g\n" % (x, y, x + 6, y + 3)
    if kind == 1:
        return "0\nCIRCLE\n8\n0\n10\n%g\n20\n%g\n40\n2.5\n" % (x + 3, y + 3)
    if kind == 2:
        return "0\nARC\n8\n0\n10\n%g\n20\n%g\n40\n2.5\n50\n30\n51\n200\n" % (x + 3, y + 3)
    if kind == 3:
        return ("0\nLWPOLYLINE\n8\n0\n90\n3\n70\n0\n10\n%g\n20\n%g\n42\n0.5\n10\n%g\n20\n%g\n"
                "10\n%g\n20\n%g\n" % (x, y, x + 5, y, x + 5, y + 5))
    return "0\nTEXT\n8\n0\n10\n%g\n20\n%g\n40\n2\n1\nT%d\n" % (x, y + 6, i)


def write_drawing(path):
    with open(path, "w") as out:
        out.write("0\nSECTION\n2\nENTITIES\n")
        for i in range(OBJECT_COUNT):
            out.write(dxf_object(i))
        out.write("0\nENDSEC\n0\nEOF\n")


# Resolves once the drawing is on the canvas and a frame has been produced with it.
PAINTED = """
    const done = arguments[0];
    function check() {
      if (drawing === null) return requestAnimationFrame(check);
      requestAnimationFrame(() => setTimeout(() => {
        const fetched = performance.getEntriesByType("resource")
                                   .find((e) => e.name.endsWith("/drawing"));
        done({painted: performance.now(), fetched: fetched ? fetched.responseEnd : null});
      }));
    }
    check();"""

# Each step moves the view by a few pixels and redraws; getImageData makes the canvas finish
# drawing before the clock is read.
PAN = """
    const [steps, done] = arguments;
    const times = [];
    for (let i = 0; i < steps; i++) {
      const start = performance.now();
      view.centerX += 5 / pixelsPerUnit();
      redraw();
      context.getImageData(0, 0, 1, 1);
      times.push(performance.now() - start);
    }
    done(times);"""


def measure(hostsim, module, drawing_path, screenshot):
    with page.ServedHostsim(hostsim, module, ["--drawing", drawing_path]) as served:
        browser = page.start_browser()
        try:
            browser.get(served.url)
            load = browser.execute_async_script(PAINTED)
            redraw = browser.execute_async_script(
                "const s = performance.now(); redraw(); context.getImageData(0, 0, 1, 1);"
                "arguments[0](performance.now() - s);")
            pans = browser.execute_async_script(PAN, PAN_STEPS)
            # Zoomed in until a text is 8 pixels tall: every text on the canvas is set as text.
            browser.execute_script(
                "const [lowX, lowY, highX, highY] = drawing.extents;"
                "view.centerX = (lowX + highX) / 2; view.centerY = (lowY + highY) / 2;"
                "view.height = canvas.height / 4; redraw();")
            close_pans = browser.execute_async_script(PAN, PAN_STEPS)
            browser.save_screenshot(screenshot)
        finally:
            browser.quit()
    return load, redraw, pans, close_pans


def main():
    page.exit_unless_browser()
    hostsim, module = sys.argv[1:3]
    work = sys.argv[3] if len(sys.argv) > 3 else tempfile.mkdtemp(prefix="pageTiming")
    os.makedirs(work, exist_ok=True)
    drawing_path = os.path.join(work, "objects100k.dxf")
    write_drawing(drawing_path)
    load, redraw, pans, close_pans = measure(hostsim, module, drawing_path,
                                 os.path.join(work, "objects100k.png"))
    pan, close_pan = statistics.median(pans), statistics.median(close_pans)
    print("drawing of %d objects, %.1f MB of DXF" % (OBJECT_COUNT,
                                                      os.path.getsize(drawing_path) / 1e6))
    print("navigation to primitives received  %8.0f ms" % (load["fetched"] or 0))
    print("navigation to drawing painted      %8.0f ms   goal < %d ms   %s"
          % (load["painted"], LOAD_GOAL_MS, "met" if load["painted"] < LOAD_GOAL_MS else "MISSED"))
    print("one full redraw at extents         %8.1f ms" % redraw)
    print("pan step redraw, median of %d      %8.1f ms   goal < %d ms   %s"
          % (PAN_STEPS, pan, PAN_GOAL_MS, "met" if pan < PAN_GOAL_MS else "MISSED"))
    print("pan step zoomed in, texts set       %8.1f ms   goal < %d ms   %s"
          % (close_pan, PAN_GOAL_MS, "met" if close_pan < PAN_GOAL_MS else "MISSED"))
    return 0


sys.exit(main())
