#!/usr/bin/python3
# bench/pageTiming.py - how fast the served page shows large drawings in headless Chromium, each
# generated here at run time: 100,000 objects in rows, 1,000,000 mixed objects on a 1000 x 1000
# field, and 300,000 concentric circles a micro-unit apart. For each: the drawing's transfer, the
# time from navigation to the drawing painted (first while the host lists it, then loaded again,
# from the list it kept), a pan step's redraw (the median of many), and at a snap prompt a hover
# (the move until the host's answer is shown) and a click (until the transcript shows the pick's
# answer). Prints each figure beside its goal, and leaves the drawings
# and screenshots in WORK_DIR; a benchmark, not a test.
#
# usage: pageTiming.py HOSTSIM MODULE [WORK_DIR [DRAWING...]]   (make page-timing)
#   DRAWING: rows100k, mixed1m, circles300k (all three when none is named)
import os
import random
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "tests", "hostsim", "serve"))
import pageDriver as page  # noqa: E402

PAN_STEPS = 60     # pan steps timed
HOVERS = 15        # hovers timed
CLICKS = 5         # clicks timed
PAINT_GOAL_MS = 2000
STEP_GOAL_MS = 50  # a pan step, a hover, a click
TRANSFER_GOAL_MB = 40


def rows_object(i):
    """Lines, circles, arcs, lightweight polylines with an arc segment, and text, in turn, in
    rows of 317 (a square of 100,000) ten units apart."""
    x, y = (i % 317) * 10.0, (i // 317) * 10.0
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


def mixed_object(i, rng):
    """Lines, arcs, circles, three-vertex polylines and texts at random on a 1000 x 1000 field,
    each within a unit or two of its place, in the colours 1 to 7."""
    x, y = rng.uniform(0, 1000), rng.uniform(0, 1000)
    head = "8\n0\n62\n%d\n" % (1 + i % 7)
    kind = i % 5
    if kind == 0:
        return "0\nLINE\n%s10\n%.4f\n20\n%.4f\n11\n%.4f\n21\n%.4f\n" % (
            head, x, y, x + rng.uniform(-1, 1), y + rng.uniform(-1, 1))
    if kind == 1:
        return "0\nARC\n%s10\n%.4f\n20\n%.4f\n40\n%.4f\n50\n%.1f\n51\n%.1f\n" % (
            head, x, y, rng.uniform(0.1, 1), rng.uniform(0, 360), rng.uniform(0, 360))
    if kind == 2:
        return "0\nCIRCLE\n%s10\n%.4f\n20\n%.4f\n40\n%.4f\n" % (head, x, y, rng.uniform(0.1, 1))
    if kind == 3:
        return ("0\nLWPOLYLINE\n%s90\n3\n70\n0\n10\n%.4f\n20\n%.4f\n10\n%.4f\n20\n%.4f\n"
                "10\n%.4f\n20\n%.4f\n" % (head, x, y, x + rng.uniform(0, 1), y, x,
                                         y + rng.uniform(0, 1)))
    return "0\nTEXT\n%s10\n%.4f\n20\n%.4f\n40\n0.5\n1\nT%d\n" % (head, x, y, i)


def circle_object(i, rng):
    """Circles about the origin, radii 1.0 to 1.3 a micro-unit apart."""
    return "0\nCIRCLE\n8\n0\n10\n0\n20\n0\n40\n%.6f\n" % (1.0 + i * 1e-6)


# name: (objects, writer of object i, where to hover and click in world units, a snap the pick
# asks for). The hovers and clicks fall among the objects, where a pick finds one.
DRAWINGS = {
    "rows100k": (100000, lambda i, rng: rows_object(i), (0, 3170, 0, 3160), "END"),
    "mixed1m": (1000000, mixed_object, (100, 900, 100, 900), "END"),
    "circles300k": (300000, circle_object, (1.0, 1.25, -0.3, 0.3), "QUA"),
}


def write_drawing(path, count, writer):
    rng = random.Random(31)
    with open(path, "w") as out:
        out.write("0\nSECTION\n2\nENTITIES\n")
        for start in range(0, count, 10000):
            out.write("".join(writer(i, rng) for i in range(start, min(count, start + 10000))))
        out.write("0\nENDSEC\n0\nEOF\n")


# Resolves once the drawing is on the canvas and a frame has been produced with it.
PAINTED = """
    const done = arguments[0];
    function check() {
      if (drawing === null) return requestAnimationFrame(check);
      requestAnimationFrame(() => setTimeout(() => {
        const fetched = performance.getEntriesByType("resource")
                                   .find((e) => /\\/drawing(\\.bin)?$/.test(e.name));
        done({painted: performance.now(), fetched: fetched ? fetched.responseEnd : null,
              bytes: fetched ? fetched.encodedBodySize : null});
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

# The pointer's events as the browser gives them, at canvas pixel (px, py).
POINTER = """
    function pointer(type, px, py) {
      const box = canvas.getBoundingClientRect();
      canvas.dispatchEvent(new PointerEvent(type, {clientX: box.left + px, clientY: box.top + py,
                                                   pointerId: 1, bubbles: true}));
    }
    // Calls test() at every turn of the page's event loop until it holds, then done(ms since
    // start), or done(null) after ten seconds.
    function until(test, start, done) {
      const channel = new MessageChannel();
      channel.port1.onmessage = () => {
        const now = performance.now();
        if (test()) { context.getImageData(0, 0, 1, 1); done(performance.now() - start); }
        else if (now - start > 10000) done(null);
        else channel.port2.postMessage(0);
      };
      channel.port2.postMessage(0);
    }"""

# A move to the pixel until the host's answer for it is on the canvas.
HOVER = POINTER + """
    const [px, py, done] = arguments;
    const start = performance.now();
    pointer("pointermove", px, py);
    const asked = cursor;
    until(() => hover !== null && hover.asked === asked, start, done);"""

# A click at the pixel until the transcript shows the pick's answer and the next prompt.
CLICK = POINTER + """
    const [px, py, done] = arguments;
    const text = () => document.getElementById("transcript").textContent;
    const prompts = text().split("Command:").length;
    pointer("pointermove", px, py);
    pointer("pointerdown", px, py);
    performance.clearResourceTimings();
    const start = performance.now();
    pointer("pointerup", px, py);
    const handled = performance.now() - start;
    // Where the time went: the page's own handling of the click, the pick's request until the
    // session took it, and the transcript's answer that brought the pick's answer.
    const after = (name) => performance.getEntriesByType("resource")
        .filter((e) => e.responseEnd >= start && e.name.includes(name));
    until(() => text().split("Command:").length > prompts, start, (total) => {
      const pick = after("/pick")[0], news = after("/transcript").filter((e) => e.responseEnd > 0);
      done({total: total, handled: handled,
            taken: pick ? pick.responseEnd - start : null,
            news: news.length ? news[news.length - 1].responseEnd - start : null});
    });"""


def median_or_none(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def snap_prompt(browser, snap):
    if browser.execute_script("return promptState.pointPrompt"):
        return
    page.wait_for_prompt_end(browser, seconds=60)
    page.type_line(browser, "CAL")
    page.type_line(browser, snap)
    page.wait_for_point_prompt(browser)


def pointer_times(browser, script, world_box, count, snap, rng):
    """The times of count hovers or clicks at pixels showing world points in world_box."""
    low_x, high_x, low_y, high_y = world_box
    times = []
    for _ in range(count):
        if script is CLICK:
            snap_prompt(browser, snap)
        px, py = browser.execute_script("return toScreen(arguments[0], arguments[1])",
                                        rng.uniform(low_x, high_x), rng.uniform(low_y, high_y))
        times.append(browser.execute_async_script(script, round(px), round(py)))
        if script is HOVER:
            browser.execute_script("forgetHover()")
    return times


def measure(hostsim, module, drawing_path, screenshot, world_box, snap):
    rng = random.Random(7)
    figures = {}
    start = time.time()
    with page.ServedHostsim(hostsim, module, ["--drawing", drawing_path]) as served:
        figures["open"] = (time.time() - start) * 1000  # it serves once the drawing is open
        browser = page.start_browser()
        try:
            browser.set_script_timeout(300)
            # The first page waits while the host lists the drawing; the host keeps the list, so
            # the page loaded again takes what it kept.
            browser.get(served.url)
            figures["load"] = browser.execute_async_script(PAINTED)
            browser.get(served.url)
            figures["reload"] = browser.execute_async_script(PAINTED)
            # A zoom a hair's breadth in: nothing painted before is of use.
            figures["redraw"] = browser.execute_async_script(
                "const s = performance.now(); view.height *= 0.9999; redraw();"
                "context.getImageData(0, 0, 1, 1); arguments[0](performance.now() - s);")
            figures["pan"] = median_or_none(browser.execute_async_script(PAN, PAN_STEPS))
            browser.execute_script("zoomToExtents()")
            snap_prompt(browser, snap)
            time.sleep(0.5)  # the host has the page's view: PICKBOX counts its pixels
            figures["hover"] = pointer_times(browser, HOVER, world_box, HOVERS, snap, rng)
            figures["click"] = pointer_times(browser, CLICK, world_box, CLICKS, snap, rng)
            browser.save_screenshot(screenshot)
            # Zoomed in until a text is 8 pixels tall: every text on the canvas is set as text.
            browser.execute_script(
                "const [lowX, lowY, highX, highY] = drawing.extents;"
                "view.centerX = (lowX + highX) / 2; view.centerY = (lowY + highY) / 2;"
                "view.height = canvas.height / 4; redraw();")
            figures["closePan"] = median_or_none(browser.execute_async_script(PAN, PAN_STEPS))
        finally:
            browser.quit()
    return figures


def judged(label, value, unit, goal, form="%8.0f"):
    shown = (form % value) if value is not None else "  failed"
    verdict = "" if goal is None else "   goal < %d %s   %s" % (
        goal, unit, "met" if value is not None and value < goal else "MISSED")
    print("  %-38s %s %-2s%s" % (label, shown, unit, verdict))


def report(name, count, size, figures):
    load = figures["load"]
    hovers, clicks = figures["hover"], figures["click"]
    print("%s: %d objects, %.1f MB of DXF" % (name, count, size / 1e6))
    judged("drawing's transfer", (load["bytes"] or 0) / 1e6, "MB", TRANSFER_GOAL_MB, "%8.1f")
    judged("host: started, drawing opened", figures["open"], "ms", None)
    judged("navigation to drawing received", load["fetched"] or 0, "ms", None)
    judged("navigation to drawing painted", load["painted"], "ms", PAINT_GOAL_MS)
    judged("loaded again: received, as kept", figures["reload"]["fetched"] or 0, "ms", None)
    judged("loaded again: painted", figures["reload"]["painted"], "ms", PAINT_GOAL_MS)
    judged("one full repaint at extents", figures["redraw"], "ms", None, "%8.1f")
    judged("pan step, median of %d" % PAN_STEPS, figures["pan"], "ms", STEP_GOAL_MS, "%8.1f")
    judged("pan step zoomed in, texts set", figures["closePan"], "ms", STEP_GOAL_MS, "%8.1f")
    judged("hover shown, median of %d" % len(hovers), median_or_none(hovers), "ms",
           STEP_GOAL_MS, "%8.1f")
    judged("hover shown, slowest", max([h for h in hovers if h is not None] or [0]), "ms", None,
           "%8.1f")
    judged("first hover after open", hovers[0], "ms", STEP_GOAL_MS, "%8.1f")
    part = lambda key: median_or_none([c[key] if c else None for c in clicks])
    judged("click answered, median of %d" % len(clicks), part("total"), "ms", STEP_GOAL_MS,
           "%8.1f")
    judged("  the page's handling of the click", part("handled"), "ms", None, "%8.1f")
    judged("  until the session took it", part("taken"), "ms", None, "%8.1f")
    judged("  until the transcript brought it", part("news"), "ms", None, "%8.1f")
    sys.stdout.flush()


def main():
    page.exit_unless_browser()
    hostsim, module = sys.argv[1:3]
    work = sys.argv[3] if len(sys.argv) > 3 else tempfile.mkdtemp(prefix="pageTiming")
    names = sys.argv[4:] or list(DRAWINGS)
    os.makedirs(work, exist_ok=True)
    for name in names:
        count, writer, world_box, snap = DRAWINGS[name]
        drawing_path = os.path.join(work, name + ".dxf")
        write_drawing(drawing_path, count, writer)
        figures = measure(hostsim, module, drawing_path, os.path.join(work, name + ".png"),
                          world_box, snap)
        report(name, count, os.path.getsize(drawing_path), figures)
    return 0


if __name__ == "__main__":
    sys.exit(main())
