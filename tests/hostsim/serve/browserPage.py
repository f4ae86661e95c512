#!/usr/bin/python3
# tests/hostsim/serve/browserPage.py - the served page in headless Chromium: the session token
# kept to its page, an END pick's hover highlight and click, the keys that move the view, the
# transcripts' picks replayed by clicking, a dropped drawing, and every refusal tried from the
# page and from another local site.
#
# usage: browserPage.py HOSTSIM MODULE TRANSCRIPTS_DIR SCREENSHOT.png
# (exit 77: no browser or driver here). The screenshot shows the END pick's hover: the line
# highlighted under the pick box; `make screenshot` writes the README's with it.
import os
import re
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pageDriver as page  # noqa: E402

page.exit_unless_browser()
hostsim, module, transcripts, screenshot = sys.argv[1:5]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


# ---- END: the line under the cursor is highlighted, the click answers with its end ----
def end_pick_highlights_and_answers(browser):
    with page.ServedHostsim(hostsim, module) as served:
        page.open_page(browser, served)
        page.type_line(browser, '(cal "P1=[33,16]")')  # a labelled marker in the screenshot
        page.wait_for_text(browser, "(33.0 16.0 0.0)")
        page.type_line(browser, '(cal "END")')
        page.wait_for_point_prompt(browser)
        for x, y, highlighted in ((70, 40, None), (15, 0, [0, 0, 20, 0])):
            browser.execute_script("forgetHover()")
            page.move_to_world(browser, x, y).perform()
            page.WebDriverWait(browser, 10).until(
                lambda b: b.execute_script("return preview !== null && cursor !== null"))
            shown = browser.execute_script(
                "return preview.object >= 0 ? preview.segments : null")
            check(shown == highlighted, "hover at %s,%s highlights %s, not %s"
                  % (x, y, shown, highlighted))
        browser.save_screenshot(screenshot)
        page.ActionChains(browser).click().perform()  # where the mouse rests
        page.wait_for_prompt_end(browser)
        keys_move_the_view(browser)
        check(page.transcript(browser).rstrip().endswith("(20.0 0.0 0.0)\nCommand:"),
              "END at the line's right half answers (20.0 0.0 0.0): ..."
              + page.transcript(browser)[-200:])


# ---- the keyboard moves the view, but not while the command line has the keys ----
def keys_move_the_view(browser):
    Keys = page.Keys
    page.WebDriverWait(browser, 10).until(
        lambda b: b.execute_script("return promptState.prompt") == "Command: ")
    cases = [  # key, the command line's text (None: it lacks the keys), [centre x, centre y,
               # height] from the last view
        ("+", None, lambda x, y, h: [x, y, h / 1.25]),
        ("=", None, lambda x, y, h: [x, y, h / 1.25]),
        ("-", None, lambda x, y, h: [x, y, h * 1.25]),
        (Keys.ARROW_LEFT, None, lambda x, y, h: [x - h / 10, y, h]),
        (Keys.ARROW_RIGHT, None, lambda x, y, h: [x + h / 10, y, h]),
        (Keys.ARROW_UP, None, lambda x, y, h: [x, y + h / 10, h]),
        (Keys.ARROW_DOWN, None, lambda x, y, h: [x, y - h / 10, h]),
        ("+", "", lambda x, y, h: [x, y, h / 1.25]),   # an empty line at Command: has no use
        (Keys.ARROW_LEFT, "", lambda x, y, h: [x - h / 10, y, h]),  # for them
        (Keys.ARROW_UP, "", lambda x, y, h: [x, y, h]),             # the history's
        ((Keys.SHIFT, Keys.ARROW_UP), "", lambda x, y, h: [x, y + h / 10, h]),
        ((Keys.CONTROL, "-"), None, lambda x, y, h: [x, y, h]),     # the browser's zoom
        ("+", "CAL", lambda x, y, h: [x, y, h]),                    # typed
        (Keys.ARROW_LEFT, "CAL", lambda x, y, h: [x, y, h]),
    ]
    read_view = "return [view.centerX, view.centerY, view.height]"
    for key, line, expected in cases:
        if line is not None:
            field = browser.find_element(page.By.ID, "commandLine")
            field.click()
            field.clear()
            field.send_keys(line)
        else:
            browser.execute_script("document.activeElement.blur()")
        before = browser.execute_script(read_view)
        if isinstance(key, tuple):  # a modifier held
            page.ActionChains(browser).key_down(key[0]).send_keys(key[1]).key_up(key[0]).perform()
        else:
            page.ActionChains(browser).send_keys(key).perform()
        after = browser.execute_script(read_view)
        want = expected(*before)
        check(all(abs(a - w) < 1e-9 * max(1, abs(w)) for a, w in zip(after, want)),
              "key %r (line %r) moved the view to %s, not %s" % (key, line, after, want))
    browser.find_element(page.By.ID, "commandLine").clear()


# ---- the command line as a terminal's, at 1280x800 ----
def command_line_like_a_terminal(browser, screenshot):
    By, Keys = page.By, page.Keys
    page.set_viewport(browser, 1280, 800)
    field = lambda: browser.find_element(By.ID, "commandLine")  # noqa: E731
    run = lambda script, *a: browser.execute_script(script, *a)  # noqa: E731
    with page.ServedHostsim(hostsim, module) as served:
        page.open_page(browser, served)
        share = run("return canvas.clientHeight / innerHeight")
        check(share >= 0.7, "the drawing has %.0f %% of the height" % (100 * share))
        browser.find_element(By.ID, "transcriptToggle").click()
        check(run("return canvas.clientHeight / innerHeight") > share + 0.1,
              "folding the transcript gives the drawing no room")
        browser.find_element(By.ID, "transcriptToggle").click()
        page.WebDriverWait(browser, 10).until(lambda b: run("return promptLabel.textContent")
                                              == "Command: ", "no prompt at the input")
        # Typing after a click on the drawing, and a key typed with the focus elsewhere.
        page.move_to_world(browser, 70, 40).click().perform()
        page.ActionChains(browser).send_keys("CAL" + Keys.ENTER).perform()
        page.wait_for_text(browser, ">> Expression:")
        page.WebDriverWait(browser, 10).until(lambda b: run("return promptLabel.textContent")
                                              == ">> Expression: ", "the prompt did not follow")
        run("document.activeElement.blur()")
        page.ActionChains(browser).send_keys("2+2" + Keys.ENTER).perform()
        page.wait_for_text(browser, "\n4\nCommand:")
        for line in ('(cal "N=NOR([0,0,0],[1,0,0],[0,1,0])")', '(cal "P1=[33,16]")',
                     '(cal "P2=[33.3,16.1]")', '(cal "RAD")'):
            page.type_line(browser, line)
        page.wait_for_point_prompt(browser)
        page.move_to_world(browser, 35, 10).perform()
        page.WebDriverWait(browser, 10).until(lambda b: run("return hover !== null"))
        at = run("return coordinates.textContent")  # at the drawing's places: 4 when unnamed
        want = run("return toWorld(cursor[0], cursor[1])")
        check(re.fullmatch(r"-?\d+\.\d{4}, -?\d+\.\d{4}, 0\.0000", at) and all(
            abs(float(a) - w) <= 5e-5 for a, w in zip(at.split(","), want)),
            "the cursor at %s reads %s" % (want, at))
        tag = run("return cursorTag.hidden ? '' : cursorTag.textContent")
        check(tag.startswith("Select a circ"), "no tag beside the cursor at RAD's pick: %r" % tag)
        browser.save_screenshot(screenshot)
        page.ActionChains(browser).click().perform()
        page.wait_for_text(browser, "\n5.0\nCommand:")
        off_the_drawing = browser.find_element(By.ID, "transcript")
        page.ActionChains(browser).move_to_element(off_the_drawing).perform()
        check(run("return coordinates.textContent") == "", "the readout stays off the drawing")
        history_walks_the_lines_typed(browser, field)
        tab_completes_as_the_terminal(browser, field)
        results_are_listed_and_copied(browser, run)
        run("window.unreached = 0; const fetchAll = window.fetch; window.fetch = (path, init) =>"
            "    fetchAll(path, init).catch((error) => {"
            "      unreached += path.startsWith('transcript'); throw error; });")
        page.type_line(browser, "QUIT")
        page.wait_for_text(browser, "The session has ended")
        check(run("return commandLine.disabled"), "the input takes lines after QUIT")
        check(run("return unreached") == 0, "the page learned of the end only from a host gone")


def history_walks_the_lines_typed(browser, field):
    Keys = page.Keys
    field().send_keys("draft")
    cases = [  # key, the line shown: commands and expressions, never RAD's click
        (Keys.ARROW_UP, '(cal "RAD")'), (Keys.ARROW_UP, '(cal "P2=[33.3,16.1]")'),
        (Keys.ARROW_DOWN, '(cal "RAD")'), (Keys.ARROW_DOWN, "draft"), (Keys.ARROW_DOWN, "draft"),
        (Keys.ARROW_UP, '(cal "RAD")'), (Keys.ARROW_UP * 7, "CAL"),  # past the oldest line typed
    ]
    for key, shown in cases:
        field().send_keys(key)
        page.WebDriverWait(browser, 10).until(
            lambda b: field().get_attribute("value") == shown,
            "after %r the line is %r, not %r" % (key, field().get_attribute("value"), shown))
    lines = page.fetch_from_page(browser, "history", "GET", None, None)  # no token: refused
    check(lines[0] == 403, "the history is served without the token")
    field().clear()


def tab_completes_as_the_terminal(browser, field):
    Keys = page.Keys
    cases = [  # typed, line after Tab, whether the candidates are listed
        ("HEL", "HELP ", False),
        ('(cal "SQ', '(cal "SQR', True),                  # SQR and SQRT: their common part
        ('(cal "1+GETVAR(PICKB', '(cal "1+GETVAR(PICKBOX', False),
        ('(cal "N', '(cal "N', True),                     # NEA, NEE...: nothing in common to add
        ("SVG vi", "SVG vi", False),                       # the page may not write files
    ]
    shown = lambda: [field().get_attribute("value"),  # noqa: E731
                     browser.execute_script("return !completions.hidden")]
    for typed, want, listed in cases:
        field().clear()
        field().send_keys(typed + Keys.TAB)
        try:
            page.WebDriverWait(browser, 10).until(lambda b: shown() == [want, listed])
        except page.TimeoutException:
            check(False, "Tab after %r gave %r, not %r" % (typed, shown(), [want, listed]))
    field().clear()


def results_are_listed_and_copied(browser, run):
    run("window.copied = []; navigator.clipboard.writeText = (t) => "
        "{ copied.push(t); return Promise.resolve(); };")
    items = browser.find_elements(page.By.CSS_SELECTOR, "#marksList li")
    check({i.get_attribute("class") for i in items} == {"value", "vector", "result"},
          "the results list holds more than results: %s" % [i.text for i in items])
    cases = [  # the entry, its class, what a click copies
        ("2+2 = 4", "value", "4"),
        ("N = (0.0 0.0 1.0)", "vector", "[0,0,1]"),
        ("P1 = (33.0 16.0 0.0)", "result", "[33,16,0]"),
        ("RAD = 5.0", "value", "5.0"),
    ]
    for label, kind, value in cases:
        item = [i for i in items if i.text == label]
        check(len(item) == 1 and item[0].get_attribute("class") == kind,
              "%s is not listed as a %s: %s" % (label, kind, [i.text for i in items]))
        if item:
            item[0].click()
            check(run("return copied[copied.length - 1]") == value, "%s copied %s" % (
                label, run("return copied")))
    colour = run("const [x, y] = toScreen(0, 0).map(Math.round);"
                 "return Array.from(context.getImageData(x, y, 1, 1).data);")
    check(colour[:3] != [255, 110, 110], "the vector N is drawn as a point at (0,0)")
    boxes = run("return labelBoxes")
    check(len(boxes) == 2 and (boxes[0]["bottom"] <= boxes[1]["top"] or
                               boxes[1]["bottom"] <= boxes[0]["top"]),
          "the labels of P1 and P2 overlap: %s" % boxes)
    width = run("return canvas.clientWidth")
    browser.find_element(page.By.ID, "marksToggle").click()
    check(run("return canvas.clientWidth") > width + 100, "folding the results gives no room")


# ---- the page as a CAD user works it: each row acts, then reads what the page shows ----
def page_holds_still_and_says_what_it_did(browser):
    run = browser.execute_script
    readout_in_ucs_at = ("const [x, y] = toWorld(cursor[0], cursor[1]);"  # origin (10, 5)
                         "const at = coordinates.textContent.split(', ').map(Number);"
                         "return Math.abs(at[0] - x + 10) <= 5e-5 &&"
                         "       Math.abs(at[1] - y + 5) <= 5e-5")
    with page.ServedHostsim(hostsim, module) as served:
        page.open_page(browser, served)
        width = run("return canvas.clientWidth")
        rows = [  # what, lines typed or what is done, what the page shows, what it should
            ("the drawing keeps its place when the first result comes", ['(cal "1+2")'],
             "return canvas.clientWidth", width),
            ("no blank line is shown", ["CAL 1+2"], r"return /\n\n/.test(transcript.textContent)",
             False),
            ("the drawing painted is the one the host lists", [fetch_listed_drawing],
             same_as_listed, True),
            ("a click is the click and the news it brings", ['(cal "RAD")', click_at_rad],
             "return requestLog.map((r) => r.split('?')[0])", ["pick", "transcript"]),
            ("a result copied says so, and Ctrl+V pastes it", [copy_and_paste_rad],
             "return [copyNotice.hidden, commandLine.value]", [False, "5.0"]),
            ("the readout is in the UCS", ["UCS", "10,5", "11,5", "10,6", hover_the_drawing],
             readout_in_ucs_at, True),
            ("a zero in the readout has no sign", [], "view.centerX += 10 - 1e-6 - toWorld("
             "...cursor)[0]; redraw(); return coordinates.textContent.split(', ')[0]", "0.0000"),
            ("no tag beside the cursor at Command:", [], "return cursorTag.hidden", True),
            ("the drawing dropped is named", [drop_plan], "return [document.title, "
             "drawingName.textContent]", ["plan.dxf - hostsim", "plan.dxf"]),
            ("the readout follows the drawing dropped", [], readout_in_ucs_at, True),
            ("a ray is drawn from its start on", [drop_ray_and_dashes],
             "return [[1010, 1000], [990, 1000]].map(([x, y]) => drawnAt(x, y))", [True, False]),
            ("a dash pattern is strokes and gaps in turn", [], "return dashesDrawn()", [1, 0.5]),
            ("a line run again from the history is its newest", ['(cal "2+2")', '(cal "3+3")',
             run_again_from_history], "return commandLine.value", '(cal "2+2")'),
            ("a drag moves the drawing with the pointer and picks nothing",
             ['(cal "RAD")', drag_at_pick], "return [dragFollowed, picksSent]", [True, 0]),
            ("a click the host refuses says why", ['(cal "RAD")', click_refused],
             "return transcript.textContent.includes('No point is asked for.')", True),
            ("the wheel zooms about the point under the pointer", [wheel_at],
             "return wheelKeptPoint", True),
            ("a view moved under a resting pointer is asked of the host again",
             ['(cal "RAD")', pan_under_resting_pointer], "return askedAfterPan", True),
            ("a late hover is not shown once a click forgot it",
             ['(cal "RAD")', hover_answered_late(False)], "return lateHoverShown", False),
            ("a late hover is not shown once the pointer left",
             ['(cal "RAD")', hover_answered_late(True)], "return lateHoverShown", False),
            ("a hover follows the cursor that moved while it was asked",
             ['(cal "RAD")', hover_moved_while_asked], "return hoverFollowed", True),
            ("a hover the host gives up is not asked again", ['(cal "RAD")', hover_given_up],
             "return previews <= 2", True),  # the move's question, and one more at most
            ("lines pasted are one line", [paste_lines], "return commandLine.value", "CAL 1+2 "),
            ("the transcript is scrolled to its latest line", [], "return transcript.scrollTop > 0"
             " && transcript.scrollHeight - transcript.scrollTop - transcript.clientHeight < 2",
             True),
        ]
        for what, steps, shows, want in rows:
            browser.find_element(page.By.ID, "commandLine").clear()
            for step in steps:
                step(browser) if callable(step) else page.type_line(browser, step)
            page.wait_for_prompt_end(browser)
            got = run(shows)
            check(got == want, "%s: %s, not %s" % (what, got, want))


# The drawing in JSON, as listed: the page paints it from the binary form.
def fetch_listed_drawing(browser):
    browser.execute_async_script(
        "const done = arguments[0];"
        "hostFetch('drawing').then((r) => r.json()).then((d) => { window.listed = d; done(); });")


# Each kind's numbers summed, each weighted by its place in its primitive (the page keeps them
# in another order), and each text's string by its place.
same_as_listed = """
    const sum = (values, stride) =>
        Array.from(values).reduce((s, v, k) => s + v * (1 + k % stride), 0);
    const near = (a, b) => Math.abs(a - b) <= 1e-5 * (1 + Math.abs(b));
    const placed = (texts, numbers) => texts.reduce((s, t, k) => s + t.length * numbers[7 * k], 0);
    // The page's kinds as flat lists of the host's JSON: each primitive's place, then its rest.
    const flat = (places, rest) => Array.from({length: places.length / 2},
                                              (_, k) => [places[2 * k], places[2 * k + 1], ...rest(k)]).flat();
    const segments = ({places, ends, relative}) => flat(places, (k) => [0, 1].map((n) =>
        (relative ? places[2 * k + n] : 0) + ends[2 * k + n]));
    const curves = ({centres, rests, stride}) => flat(centres, (k) => stride === 6 ?
        Array.from(rests.subarray(6 * k, 6 * k + 6)) : [rests[3 * k], 0, 0, rests[3 * k],
                                                        rests[3 * k + 1], rests[3 * k + 2]]);
    const textNumbers = ({places, rests}) => flat(places, (k) => Array.from(rests.subarray(5 * k, 5 * k + 5)));
    const strings = (t) => Array.from({length: t.places.length / 2}, (_, k) => t.text(k));
    return listed.groups.length === drawing.groups.length && listed.groups.every((l, i) => {
      const g = drawing.groups[i], texts = l.texts.flatMap((t) => t.slice(0, 7));
      return near(sum(segments(g.segments), 4), sum(l.segments, 4)) &&
             near(sum(curves(g.curves), 8), sum(l.curves.flat(), 8)) &&
             near(sum(g.polylines.points, 2), sum(l.polylines.flat(), 2)) &&
             near(sum(g.nodes, 2), sum(l.nodes, 2)) &&
             near(sum(textNumbers(g.texts), 7), sum(texts, 7)) &&
             near(placed(strings(g.texts), textNumbers(g.texts)),
                  placed(l.texts.map((t) => t[7]), texts));
    });"""


# The requests the page starts from a click at RAD's pick until the result shows.
def click_at_rad(browser):
    page.wait_for_point_prompt(browser)
    page.move_to_world(browser, 35, 10).perform()
    browser.execute_script("window.requestLog = []; const fetchAll = window.fetch;"
                           "window.fetch = (path, init) => (requestLog.push(path),"
                           "                                fetchAll(path, init));")
    page.ActionChains(browser).click().perform()
    page.wait_for_text(browser, "\n5.0\nCommand:")


def copy_and_paste_rad(browser):
    browser.find_element(page.By.CSS_SELECTOR, "#marksList li.value:last-child").click()
    page.WebDriverWait(browser, 10).until(lambda b: b.execute_script("return !copyNotice.hidden"))
    page.ActionChains(browser).key_down(page.Keys.CONTROL).send_keys("v").key_up(
        page.Keys.CONTROL).perform()


def hover_the_drawing(browser):
    page.wait_for_prompt_end(browser)
    page.move_to_world(browser, 15, 5).perform()


# The host gives up a hover that takes too long (costly geometry), answering {}: the page must
# not ask again until the cursor moves. Each answer here is that one, at once.
def hover_given_up(browser):
    page.wait_for_point_prompt(browser)
    browser.execute_script("window.previews = 0; const fetchAll = window.fetch;"
                           "window.fetch = (path, init) => path !== 'preview' ?"
                           "    fetchAll(path, init) : (previews++, Promise.resolve("
                           "                               new Response('{}')));"
                           "forgetHover();")  # as a new prompt does
    page.move_to_pixel(browser, 200, 200).perform()
    time.sleep(1)
    page.ActionChains(browser).send_keys(page.Keys.ESCAPE).perform()


# The host's answers for the cursor come late: the cursor moves on before the first comes, and the
# hover must then be asked again for where it rests.
def hover_moved_while_asked(browser):
    page.wait_for_point_prompt(browser)
    browser.execute_script("const fetchAll = window.fetch; window.fetch = (path, init) =>"
                           "    new Promise((r) => setTimeout(r, path === 'preview' ? 300 : 0))"
                           "        .then(() => fetchAll(path, init));")
    page.move_to_pixel(browser, 200, 200).perform()
    time.sleep(0.1)
    page.move_to_pixel(browser, 230, 200).perform()
    try:
        page.WebDriverWait(browser, 5).until(
            lambda b: b.execute_script("return hover !== null && hover.asked === cursor"))
        browser.execute_script("window.hoverFollowed = true")
    except page.TimeoutException:
        browser.execute_script("window.hoverFollowed = false")
    page.ActionChains(browser).send_keys(page.Keys.ESCAPE).perform()


# The wheel turned once over a pixel: the world point there stays there.
def wheel_at(browser):
    browser.execute_script("""
        const box = canvas.getBoundingClientRect(), height = view.height, under = toWorld(200, 150);
        canvas.dispatchEvent(new WheelEvent("wheel", {clientX: box.left + 200, deltaY: 120,
                                                      clientY: box.top + 150, cancelable: true}));
        window.wheelKeptPoint = view.height !== height && toWorld(200, 150).every((v, i) =>
            Math.abs(v - under[i]) <= 1e-9 * (1 + Math.abs(v)));""")


# The pointer rests while a key pans the view: once the host has the new view, the object under
# the pointer is asked for again.
def pan_under_resting_pointer(browser):
    page.wait_for_point_prompt(browser)
    page.move_to_pixel(browser, 280, 280).perform()
    page.WebDriverWait(browser, 10).until(
        lambda b: b.execute_script("return hover !== null && hover.asked === cursor"))
    browser.execute_script("window.askedAfterPan = false; document.activeElement.blur();"
                           "const fetchAll = window.fetch; window.fetch = (path, init) =>"
                           "    (askedAfterPan ||= path === 'preview', fetchAll(path, init));")
    page.ActionChains(browser).send_keys(page.Keys.ARROW_RIGHT).perform()
    try:
        page.WebDriverWait(browser, 5).until(lambda b: b.execute_script("return askedAfterPan"))
    except page.TimeoutException:
        pass
    page.ActionChains(browser).send_keys(page.Keys.ESCAPE).perform()


# Up twice, Enter: the line walked to runs again, and the next Up shows it first.
def run_again_from_history(browser):
    field = browser.find_element(page.By.ID, "commandLine")
    field.send_keys(page.Keys.ARROW_UP)
    page.WebDriverWait(browser, 10).until(lambda b: field.get_attribute("value") == '(cal "3+3")')
    field.send_keys(page.Keys.ARROW_UP + page.Keys.ENTER)
    page.wait_for_text(browser, "\n4\nCommand:", 2)
    field.send_keys(page.Keys.ARROW_UP)
    page.WebDriverWait(browser, 10).until(lambda b: field.get_attribute("value"))


# At a pick, a press moved ten pixels down before its release: the world point pressed stays
# under the pointer, and the host is sent no pick.
def drag_at_pick(browser):
    page.wait_for_point_prompt(browser)
    pressed = browser.execute_script(
        "window.picksSent = 0; const fetchAll = window.fetch; window.fetch = (path, init) =>"
        "    (picksSent += path === 'pick', fetchAll(path, init)); return toWorld(300, 300)")
    page.move_to_pixel(browser, 300, 300).click_and_hold().move_by_offset(0, 10).release().perform()
    browser.execute_script("window.dragFollowed = toWorld(300, 310).every((v, i) =>"
                           "    Math.abs(v - arguments[0][i]) <= 1e-9 * (1 + Math.abs(v)))", pressed)
    page.ActionChains(browser).send_keys(page.Keys.ESCAPE).perform()


# The host refuses a click whose prompt another line answered first: the page says so.
def click_refused(browser):
    page.wait_for_point_prompt(browser)
    browser.execute_script(
        "const fetchAll = window.fetch; window.fetch = (path, init) => path !== 'pick' ?"
        "    fetchAll(path, init) : (window.fetch = fetchAll, Promise.resolve(new Response("
        "        '{\"refused\": \"No point is asked for.\"}', {status: 409})));")
    page.move_to_pixel(browser, 320, 300).click().perform()
    page.ActionChains(browser).send_keys(page.Keys.ESCAPE).perform()


# The host's answer for the cursor comes after a click forgot the hover (as a new prompt does) or
# after the pointer left the drawing: it answers for what is gone. Each answer is held until let go.
def hover_answered_late(leaves):
    def step(browser):
        page.wait_for_point_prompt(browser)
        browser.execute_script(
            "window.held = []; window.answered = 0; const fetchAll = window.fetch;"
            "window.unhold = () => { window.fetch = fetchAll; held.forEach((r) => r()); };"
            "window.fetch = (path, init) => path !== 'preview' ? fetchAll(path, init) :"
            "    new Promise((r) => held.push(r)).then(() => fetchAll(path, init)).then((got) =>"
            "        ({ok: got.ok, json: () => got.json().then((v) => (answered++, v))}));")
        page.move_to_pixel(browser, 250, 250 + 20 * leaves).perform()  # a move from the last
        page.WebDriverWait(browser, 10).until(lambda b: b.execute_script("return held.length"))
        if leaves:
            page.ActionChains(browser).move_to_element(
                browser.find_element(page.By.ID, "transcript")).perform()
        else:
            browser.execute_script("forgetHover()")
        browser.execute_script("held.shift()()")
        page.WebDriverWait(browser, 10).until(lambda b: b.execute_script("return answered"))
        browser.execute_script("window.lateHoverShown = preview !== null; unhold()")
        page.ActionChains(browser).send_keys(page.Keys.ESCAPE).perform()
    return step


# Two lines pasted with the focus off the command line: their ends become blanks.
def paste_lines(browser):
    browser.execute_script(
        "document.activeElement.blur(); const data = new DataTransfer();"
        "data.setData('text/plain', 'CAL\\r\\n1+2\\n');"
        "document.body.dispatchEvent(new ClipboardEvent('paste', {clipboardData: data,"
        "                                                         bubbles: true}));")


# A ray from (1000, 1000) along X and a line of strokes 0.5 long and gaps 0.25, ten pixels a unit;
# drawnAt tells whether the canvas has a stroke at a world point, dashesDrawn the first pattern
# the canvas is given, in strokes of 1.
def drop_ray_and_dashes(browser):
    page.drop_file(browser, "ray.dxf", RAY_AND_DASHES)
    page.WebDriverWait(browser, 10).until(lambda b: b.execute_script(
        "return promptState.drawingName === 'ray.dxf' && drawing.id === promptState.drawingId"))
    browser.execute_script("""
        view.centerX = 1000; view.centerY = 1000; view.height = canvas.height / 10;
        viewChanged();
        window.drawnAt = (x, y) => {
          const [px, py] = toScreen(x, y).map(Math.floor);
          return context.getImageData(px, py, 1, 1).data[3] > 0;
        };
        window.dashesDrawn = () => {  // a fresh paint: half a pixel off, then back
          const given = [], pen = CanvasRenderingContext2D.prototype, set = pen.setLineDash;
          pen.setLineDash = function (d) { if (d.length) given.push(d); set.call(this, d); };
          const half = view.height / canvas.height / 2;
          view.centerX += half;
          redraw();
          pen.setLineDash = set;
          view.centerX -= half;
          redraw();
          return given.length ? given[0].map((d) => d / given[0][0]) : [];
        };""")


RAY_AND_DASHES = ("0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLTYPE\n0\nLTYPE\n2\nDASHED\n73\n2\n"
                  "49\n0.5\n49\n-0.25\n0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n"
                  "0\nRAY\n8\n0\n10\n1000\n20\n1000\n30\n0\n11\n1\n21\n0\n31\n0\n"
                  "0\nLINE\n8\n0\n6\nDASHED\n10\n990\n20\n1010\n11\n1010\n21\n1010\n"
                  "0\nENDSEC\n0\nEOF\n")


def drop_plan(browser):
    page.drop_file(browser, "plan.dxf", DROPPED_LINE)
    page.WebDriverWait(browser, 10).until(
        lambda b: b.execute_script("return drawing.extents") == [100, 200, 300, 250])


# ---- the transcripts' picks, each typed point answered by a click at its pixel ----
# Rows name a transcript and the command's occurrence in it; the drawing, the typed points and
# the value expected are read from the transcript itself. Setup lines run first.
REPLAYED_PICKS = [
    ("help", '(cal "RAD")', 0, []),
    ("snapModes", '(cal "END")', 0, []),
    ("snapModes", '(cal "MID")', 0, []),
    ("snapModes", '(cal "INT")', 0, []),
    ("snapModes", '(cal "NEA")', 0, []),
    ("snapModes", '(cal "CEN")', 0, []),
    ("snapModes", '(cal "QUA")', 0, []),
    ("snapModes", '(cal "NOD")', 0, []),
    ("snapModes", '(cal "INS")', 0, []),
    ("snapModes", '(cal "INS")', 1, []),  # inside a text's box
    ("snapModes", '(cal "PER")', 0, ["(setvar \"LASTPOINT\" '(3 4 0))"]),
    ("snapModes", '(cal "TAN")', 0, ["(setvar \"LASTPOINT\" '(35 5 0))"]),
    ("pickRadius", '(cal "RAD")', 1, []),
    ("pickRadius", '(cal "RAD")', 2, []),
    ("pickRadius", '(cal "RAD")', 4, []),
    ("pickShortcuts", '(cal "MEE")', 0, []),
    ("pickShortcuts", '(cal "ILLE")', 0, []),
]
TRANSCRIPT_PIXEL = 0.1  # the transcripts' VIEWSIZE 80 on an 800-pixel-high screen


def transcript_case(name, command, occurrence):
    """(drawing or None, typed points, expected last line) of a command in NAME.out."""
    drawing = None
    args_path = os.path.join(transcripts, name + ".args")
    if os.path.exists(args_path):
        args = open(args_path).read().split("\n")
        if "--drawing" in args:
            drawing = os.path.join(transcripts, args[args.index("--drawing") + 1])
    out = open(os.path.join(transcripts, name + ".out"), encoding="utf-8").read()
    blocks = out.split("Command: " + command + "\n")
    block = blocks[occurrence + 1].split("\nCommand:")[0]
    points = [tuple(float(v) for v in answer.split(","))
              for answer in re.findall(r">> [^\n]*:[ \n]([-0-9.]+,[-0-9.]+)\n", block)]
    return drawing, points, block.strip().split("\n")[-1]


def transcript_picks_replay_by_clicking(browser):
    cases = [(row, transcript_case(*row[:3])) for row in REPLAYED_PICKS]
    for drawing in sorted({case[1][0] or "" for case in cases}):
        arguments = ["--drawing", drawing] if drawing else []
        with page.ServedHostsim(hostsim, module, arguments) as served:
            page.open_page(browser, served)
            for (name, command, occurrence, setup), (case_drawing, points, expected) in cases:
                if (case_drawing or "") != drawing:
                    continue
                replay_pick(browser, "%s %s #%d" % (name, command, occurrence), command, setup,
                            points, expected)
            check(browser.execute_script(LAST_SNAP_IN_YELLOW), "the yellow square is not at the"
                  " last of the snaps %s" % browser.execute_script("return marks"))


# Of several snap marks, the last (the point the module took last) is the one drawn in yellow.
LAST_SNAP_IN_YELLOW = """
    const pen = CanvasRenderingContext2D.prototype, stroke = pen.strokeRect, yellow = [];
    pen.strokeRect = function (x, y, w, h) {
      if (this.strokeStyle === "#ffd75e") yellow.push([x + w / 2, y + h / 2]);
      stroke.call(this, x, y, w, h);
    };
    redraw();
    pen.strokeRect = stroke;
    const snaps = marks.filter((m) => m.kind === "snap"), last = snaps[snaps.length - 1];
    const [x, y] = last ? toScreen(last.x, last.y) : [0, 0];
    return snaps.length < 2 || yellow.length === 1 && Math.hypot(yellow[0][0] - x,
                                                                yellow[0][1] - y) < 0.01;"""


# Before each click the host's snap glyph is read where the mouse rests: when the prompt names a
# snap mode, the glyph's point must be the very point the click then snaps to (its snap mark).
# The click's point is echoed at the session's 15 digits, not the 17 it is sent with.
def replay_pick(browser, label, command, setup, points, expected):
    for line in setup:
        page.type_line(browser, line)
    asked = page.transcript(browser).count(">> ")
    page.type_line(browser, command)
    glyphs = []

    def read_glyph(b):
        mode, snap = b.execute_script("return [promptState.snapMode || null, hover.snap || null]")
        glyphs.append((mode, snap))

    for i, (x, y) in enumerate(points):
        page.wait_for_text(browser, ">> ", asked + i + 1)
        page.wait_for_point_prompt(browser)
        page.click_under_mouse_at(browser, x, y, TRANSCRIPT_PIXEL, read_glyph)
        page.WebDriverWait(browser, 10).until(
            lambda b: page.transcript(b).count(">> ") > asked + i + 1
            or page.transcript(b).rstrip().endswith("Command:"))
    page.wait_for_prompt_end(browser)
    shown = page.transcript(browser).split("Command: " + command)[-1].strip().split("\n")
    check(len(shown) >= 2 and shown[-2] == expected,
          "%s: clicks gave %r, the transcript %r" % (label, shown[-2:], expected))
    echoes = re.findall(r">> [^\n]*:[ \n]([^\n]*)\n", "\n".join(shown))
    check(all(len(re.sub(r"[-.]|e.*", "", c).strip("0")) <= 15 for e in echoes
              for c in e.split(",")), "%s: clicks echoed as %s" % (label, echoes))
    for mode, snap in glyphs:
        check(mode is None or snap is not None, "%s: no %s glyph under the mouse" % (label, mode))
        if snap is None:
            continue
        page.WebDriverWait(browser, 10).until(lambda b: b.execute_script(
            "return marks.some(m => m.kind === 'snap' && m.x === arguments[0] && "
            "m.y === arguments[1])", snap["x"], snap["y"]),
            "%s: the %s glyph at %s is not where the click snapped: %s" % (
                label, snap["mode"], snap, browser.execute_script("return marks")))


# ---- a dropped DXF opens; a refused one says why in the transcript ----
DROPPED_LINE = ("0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n100\n20\n200\n11\n300\n21\n250\n"
                "0\nENDSEC\n0\nEOF\n")
DROP_LIMIT = 100000  # HOSTSIM_MAX_DRAWING_BYTES for the drop session; the demo fits in it


def dropped_drawings_open(browser, served):
    cases = [  # name, text, what the transcript then shows, extents after it
        ("plan.dxf", DROPPED_LINE, "hostsim: the drawing plan.dxf is open.\nCommand: ",
         [100, 200, 300, 250]),
        ("notes.txt", "hello\n", "hostsim: notes.txt:1: ", [100, 200, 300, 250]),
        ("big.dxf", "999\nx\n" * (DROP_LIMIT // 6 + 1),
         "hostsim: big.dxf: larger than the %d bytes a drawing may take here" % DROP_LIMIT,
         [100, 200, 300, 250]),
    ]
    for name, text, shown, extents in cases:
        page.drop_file(browser, name, text)
        if shown:
            page.wait_for_text(browser, shown)
        page.WebDriverWait(browser, 10).until(
            lambda b: b.execute_script("return drawing.extents") == extents,
            "%s: the drawing's extents never became %s" % (name, extents))
        check(page.transcript(browser).endswith("\nCommand: "),
              "%s: the prompt is not shown again: ...%s" % (name, page.transcript(browser)[-80:]))
    view = browser.execute_script("const [left, right] = [toScreen(100, 200), toScreen(300, 250)];"
                                  "return [view.centerX, view.centerY, left[0] >= 0 &&"
                                  "        right[0] <= canvas.width]")  # wider than high
    check(view == [200, 225, True], "the dropped drawing is shown to its extents: %s" % view)


# ---- every refusal, tried from the page ----
def refusals_from_the_page(browser, served):
    for line, shown in (("LOAD /tmp/evil.so", "LOAD is not available from the page"),
                        ("unload", "UNLOAD is not available from the page"),
                        ("SVG FILE /tmp/view.svg", "SVG is not available from the page")):
        page.type_line(browser, line)
        page.wait_for_text(browser, shown)
        check(page.transcript(browser).endswith(shown + "; use the terminal.\nCommand: "),
              "the prompt is not shown again after a refused line")
    token = served.token
    cases = [  # what, [path, method, body, token], status, what the reply holds
        ("no token", ["transcript?from=0", "GET", None, None], 403, "not allowed"),
        ("the token as a query", ["transcript?from=0&token=" + token, "GET", None, None], 403,
         "not allowed"),
        ("a path", ["/etc/passwd", "GET", None, token], 404, ""),
        ("a path as the drop's name", ["open?name=/etc/passwd", "POST", "", token], 422,
         "hostsim: passwd:1: an empty file"),
        ("an oversized line", ["line", "POST", '{"line":"%s"}' % ("1" * 70000), token],
         413, "too large"),
    ]
    for what, request, status, held in cases:
        got, text = page.fetch_from_page(browser, *request)
        check(got == status and held in text, "%s: %s %s" % (what, got, text[:120]))
    # A bad Host: the same server named otherwise, as a rebound DNS name would reach it.
    browser.get(served.url.replace("127.0.0.1", "localhost"))
    check("not allowed" in browser.page_source, "a bad Host is served the page")
    with page.ForeignSite() as foreign:
        browser.get(foreign.url)
        check(not any(served.token in cookie for cookie in foreign.cookies),
              "another local server received the token: %s" % foreign.cookies)
        # That site's page sends the session a line, token and all; the reply is opaque to it,
        # so the session's transcript tells whether the line ran.
        page.fetch_from_page(browser, served.url.replace("/?", "/line?"), "POST",
                             '{"line": "(cal \\"6*7\\")"}', served.token, "no-cors")
        # It frames the session: the frame is refused, whatever it would show.
        browser.execute_script("""
            const frame = document.createElement("iframe");
            frame.onload = () => { window.frameLoaded = true; };
            frame.src = arguments[0];
            document.body.appendChild(frame);""", served.url)
        page.WebDriverWait(browser, 10).until(
            lambda b: b.execute_script("return window.frameLoaded === true"))
        browser.switch_to.frame(browser.find_element(page.By.TAG_NAME, "iframe"))
        framed = browser.page_source
        browser.switch_to.default_content()
        check("commandLine" not in framed, "another site framed the session")
    page.open_page(browser, served)
    check("6*7" not in page.transcript(browser), "a line from a foreign Origin ran")


# ---- the token stays with its page: out of the address bar and of cookies, kept over a reload;
# two sessions in one browser each keep theirs; the SVG download carries it too ----
def sessions_keep_their_tokens(browser, downloads):
    with page.ServedHostsim(hostsim, module) as first, page.ServedHostsim(hostsim, module) as second:
        page.open_page(browser, first)
        browser.switch_to.new_window("tab")
        page.open_page(browser, second)
        check(browser.current_url == second.base, "the token stayed in the address bar")
        check(browser.get_cookies() == [], "the page set cookies: %s" % browser.get_cookies())
        for tab, line, shown in ((0, "6*7", "\n42\n"), (1, "2^5", "\n32.0\n")):
            browser.switch_to.window(browser.window_handles[tab])
            page.type_line(browser, '(cal "%s")' % line)
            page.wait_for_text(browser, shown)
        browser.refresh()
        page.wait_for_text(browser, "Command:")
        page.type_line(browser, '(cal "P1=[3,4]")')
        page.WebDriverWait(browser, 10).until(lambda b: b.execute_script("return marks.length"))
        browser.find_element(page.By.ID, "svgButton").click()
        saved = os.path.join(downloads, "view.svg")
        page.WebDriverWait(browser, 10).until(
            lambda b: os.path.exists(saved) and "</svg>" in open(saved).read(), "no SVG saved")
        check(">P1 = (3.0 4.0 0.0)</text>" in open(saved).read(), "the saved SVG lacks the mark")
        browser.close()
        browser.switch_to.window(browser.window_handles[0])


def main():
    downloads = tempfile.mkdtemp(prefix="vectrin-downloads-")
    browser = page.start_browser(downloads=downloads)
    try:
        sessions_keep_their_tokens(browser, downloads)
        command_line_like_a_terminal(browser, screenshot.replace(".png", "Rad.png"))
        end_pick_highlights_and_answers(browser)
        page_holds_still_and_says_what_it_did(browser)
        transcript_picks_replay_by_clicking(browser)
        with page.ServedHostsim(hostsim, module,
                                environment={"HOSTSIM_MAX_DRAWING_BYTES": str(DROP_LIMIT)}) as served:
            page.open_page(browser, served)
            dropped_drawings_open(browser, served)
            refusals_from_the_page(browser, served)
    finally:
        browser.quit()
        shutil.rmtree(downloads, ignore_errors=True)
    return 1 if failures else 0


sys.exit(main())
