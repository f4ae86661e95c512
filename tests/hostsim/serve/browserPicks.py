#!/usr/bin/python3
# tests/hostsim/serve/browserPicks.py - the served page in headless Chromium on the demo drawing:
# a pick answered by a click, Esc cancelling a pick and only clearing the command line at
# Command:, a request without the token refused, and the marks of a pick and of a point result.
#
# usage: browserPicks.py HOSTSIM MODULE SCREENSHOT.png   (exit 77: no browser or driver here)
import os
import subprocess
import sys
import urllib.error
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pageDriver import (exit_unless_browser, move_to_world, set_viewport,  # noqa: E402
                        start_browser, transcript, type_line, wait_for_point_prompt,
                        wait_for_text)

exit_unless_browser()
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

hostsim, module, screenshot = sys.argv[1:4]


def status_of(url):
    try:
        return urllib.request.urlopen(url, timeout=10).status
    except urllib.error.HTTPError as error:
        return error.code


def click_world(browser, x, y):
    move_to_world(browser, x, y).click().perform()


# RAD's click left a pick mark where it was made; a point result shows in the results list and
# as a marker at its point (the canvas pixel there has the marker's colour); END's click marks the
# point its snap returned, the line's end.
def check_marks(browser, failures):
    wait_for_text(browser, "Expression:", 3)  # CAL asks again once its RAD was cancelled
    type_line(browser, "P1=[33,16]")
    label = "P1 = (33.0 16.0 0.0)"
    WebDriverWait(browser, 10).until(lambda b: b.execute_script(
        "return marks.some(m => m.kind === 'result' && m.label === arguments[0])", label),
        "the page never got the result's mark: " + transcript(browser))
    if label not in browser.find_element(By.ID, "marksList").text:
        failures.append("the results list does not show " + label)
    colour = browser.execute_script(
        "const [x, y] = toScreen(33, 16);"
        "return Array.from(context.getImageData(Math.round(x), Math.round(y), 1, 1).data);")
    if colour[:3] != [255, 110, 110]:
        failures.append("no marker at (33,16): the pixel there is %s" % colour)
    if not browser.execute_script("return marks.some(m => m.kind === 'pick' && "
                                  "Math.hypot(m.x - 35, m.y - 10) < 0.3)"):
        failures.append("RAD's click left no pick mark: %s" % browser.execute_script("return marks"))
    type_line(browser, "CAL")
    wait_for_text(browser, "Expression:", 4)
    type_line(browser, "END")
    wait_for_point_prompt(browser, True)
    click_world(browser, 3, 0.1)
    WebDriverWait(browser, 10).until(lambda b: b.execute_script(
        "return marks.some(m => m.kind === 'snap' && m.x === 0 && m.y === 0)"),
        "END's click left no mark at the line's end")


def main():
    server = subprocess.Popen([hostsim, "--serve", "--module", module], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    browser = None
    try:
        url = server.stdout.readline().strip()
        base = url.split("?")[0]
        failures = []
        if status_of(base + "transcript") != 403:
            failures.append("a request without the token was not refused")
        browser = start_browser(1280, 800)
        set_viewport(browser, 1280, 800)
        browser.get(url)
        wait_for_text(browser, "Command:")
        WebDriverWait(browser, 10).until(lambda b: b.execute_script("return drawing !== null"))
        type_line(browser, "CAL")
        wait_for_text(browser, "Expression:")
        type_line(browser, "RAD")
        wait_for_point_prompt(browser, True)
        click_world(browser, 35, 10)
        wait_for_text(browser, "\n5.0\nCommand:")
        browser.save_screenshot(screenshot)
        type_line(browser, "CAL")
        wait_for_text(browser, "Expression:", 2)
        type_line(browser, "RAD")
        wait_for_point_prompt(browser, True)
        ActionChains(browser).send_keys(Keys.ESCAPE).perform()
        wait_for_text(browser, "*cancel*")
        wait_for_point_prompt(browser, False)
        check_marks(browser, failures)
        wait_for_text(browser, "(0.0 0.0 0.0)\nCommand:")
        browser.find_element(By.ID, "commandLine").send_keys("(cal")
        ActionChains(browser).send_keys(Keys.ESCAPE).perform()
        type_line(browser, '(cal "6*7")')
        wait_for_text(browser, "\n42\n")
        if "Unknown command" in transcript(browser) or transcript(browser).count("*cancel*") != 1:
            failures.append("Esc at Command: ran a line: " + transcript(browser)[-300:])
        for failure in failures:
            print("FAIL:", failure)
        return 1 if failures else 0
    finally:
        if browser is not None:
            browser.quit()
        server.terminate()
        server.wait(timeout=10)


sys.exit(main())
