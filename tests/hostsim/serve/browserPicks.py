#!/usr/bin/python3
# tests/hostsim/serve/browserPicks.py - the served page in headless Chromium on the demo drawing:
# a pick answered by a click, Esc cancelling a pick, and a request without the token refused.
#
# usage: browserPicks.py HOSTSIM MODULE SCREENSHOT.png   (exit 77: no browser or driver here)
import shutil
import subprocess
import sys
import urllib.error
import urllib.request

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    sys.exit(77)

hostsim, module, screenshot = sys.argv[1:4]
if not shutil.which("chromium") or not shutil.which("chromedriver"):
    sys.exit(77)


def start_browser():
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for argument in ("--headless", "--no-sandbox", "--disable-dev-shm-usage",
                     "--window-size=1200,900"):
        options.add_argument(argument)
    service = Service(executable_path=shutil.which("chromedriver"))
    return webdriver.Chrome(options=options, service=service)


def status_of(url):
    try:
        return urllib.request.urlopen(url, timeout=10).status
    except urllib.error.HTTPError as error:
        return error.code


def transcript(browser):
    return browser.find_element(By.ID, "transcript").text


def wait_for_text(browser, text, count=1):
    WebDriverWait(browser, 10).until(lambda b: transcript(b).count(text) >= count,
                                     "transcript never showed %r: %s" % (text, transcript(browser)))


def type_line(browser, line):
    browser.find_element(By.ID, "commandLine").send_keys(line + Keys.ENTER)


def wait_for_point_prompt(browser, waiting):
    WebDriverWait(browser, 10).until(
        lambda b: b.execute_script("return promptState.pointPrompt") == waiting,
        "the page never saw pointPrompt %s" % waiting)


def click_world(browser, x, y):
    canvas = browser.find_element(By.ID, "view")
    px, py = browser.execute_script("return toScreen(arguments[0], arguments[1])", x, y)
    width, height = browser.execute_script("return [canvas.clientWidth, canvas.clientHeight]")
    # Selenium's offsets count from the element's centre.
    ActionChains(browser).move_to_element_with_offset(
        canvas, int(round(px - width / 2)), int(round(py - height / 2))).click().perform()


def main():
    server = subprocess.Popen([hostsim, "--serve", "--module", module], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    browser = None
    try:
        url = server.stdout.readline().strip()
        base = url.split("?")[0]
        failures = []
        if status_of(base) != 403:
            failures.append("a request without the token was not refused")
        browser = start_browser()
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
        for failure in failures:
            print("FAIL:", failure)
        return 1 if failures else 0
    finally:
        if browser is not None:
            browser.quit()
        server.terminate()
        server.wait(timeout=10)


sys.exit(main())
