# tests/hostsim/serve/pageDriver.py - drives the served page in headless Chromium for the browser
# tests, the timing script and the README's screenshot: a served hostsim, a browser, and the
# page's own state read back through execute_script, with the names its modules export in scope.
import http.server
import os
import shutil
import subprocess
import sys
import threading

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.common.exceptions import TimeoutException
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    webdriver = None

SKIPPED = 77  # ctest's SKIP_RETURN_CODE: no browser, driver or Selenium here


def exit_unless_browser():
    if webdriver is None or not shutil.which("chromium") or not shutil.which("chromedriver"):
        print("skipped: chromium, chromium-driver or python3-selenium is not installed (make test "
              "installs them)")
        sys.exit(SKIPPED)


class ServedHostsim:
    """hostsim --serve with the given arguments; url, base and token once it listens."""

    def __init__(self, hostsim, module, arguments=(), environment=None):
        env = dict(os.environ)
        env.update(environment or {})
        self.process = subprocess.Popen(
            [hostsim, "--serve", "--module", module] + list(arguments), stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, env=env)
        self.url = self.process.stdout.readline().strip()
        if not self.url.startswith("http://"):
            self.stop()
            raise RuntimeError("hostsim --serve printed no URL")
        self.base = self.url.split("?")[0]
        self.token = self.url.split("token=")[1]
        self.port = int(self.base.rstrip("/").rsplit(":", 1)[1])

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


class ForeignSite(http.server.ThreadingHTTPServer):
    """Another local web server on its own loopback port: a blank page, and the Cookie header of
    every request the browser sends it."""

    def __init__(self):
        cookies = self.cookies = []

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                cookies.append(self.headers.get("Cookie", ""))
                self.send_response(200)
                self.end_headers()
                self.wfile.write(b"<!DOCTYPE html><title>another site</title>")

            def log_message(self, *arguments):
                pass

        super().__init__(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/" % self.server_address[1]
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def __exit__(self, *exc):
        self.shutdown()
        self.server_close()


# The page's modules, whose exports a script sees as the page's own code does: live, read-only
# (a script changes the page through the functions and objects they export). The script runs in
# a function inside `with`, the one way to put names in scope that stay bound to the modules; on
# another site's page, where the modules do not load, it runs as given.
PAGE_MODULES = ("host", "session", "view", "marks", "cursor", "keys", "commandLine", "drop")
IN_PAGE_SCOPE = """
    const given = Array.prototype.slice.call(arguments), done = given.pop();
    Promise.all(%s.map((name) => import("/" + name + ".js"))).catch(() => []).then((modules) => {
      const scope = new Proxy({}, {
        has: (_, name) => modules.some((m) => name in m),
        get: (_, name) => (modules.find((m) => name in m) || {})[name],
        set: (_, name) => { throw new TypeError(name + " belongs to a module of the page"); },
      });
      with (scope) {
        const body = function () { %s };
        if (%s) return body.apply(null, given.concat([done]));
        done({value: body.apply(null, given)});
      }
    }).catch((error) => done({pageScriptError: String(error)}));"""


class PageChrome(webdriver.Chrome if webdriver else object):
    """Chromium whose scripts run with the page's modules' exports in scope (IN_PAGE_SCOPE)."""

    def execute_script(self, script, *args):
        return self._in_page_scope(script, args, False)

    def execute_async_script(self, script, *args):
        return self._in_page_scope(script, args, True)

    def _in_page_scope(self, script, args, asynchronous):
        wrapped = IN_PAGE_SCOPE % (list(PAGE_MODULES), script, "true" if asynchronous else "false")
        result = super().execute_async_script(wrapped, *args)
        if isinstance(result, dict) and "pageScriptError" in result:
            raise RuntimeError("the page's script failed: " + result["pageScriptError"])
        return result if asynchronous else result.get("value")


def start_browser(width=1200, height=900, downloads=None):
    """Headless Chromium; files the page saves land in the folder downloads, when given."""
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for argument in ("--headless", "--no-sandbox", "--disable-dev-shm-usage",
                     "--window-size=%d,%d" % (width, height)):
        options.add_argument(argument)
    if downloads:
        options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                                  "download.prompt_for_download": False})
    service = Service(executable_path=shutil.which("chromedriver"))
    return PageChrome(options=options, service=service)


def set_viewport(browser, width, height):
    """The page's own area (innerWidth by innerHeight), whatever the window's frame takes."""
    browser.set_window_size(width, height)
    inner = browser.execute_script("return [innerWidth, innerHeight]")
    browser.set_window_size(2 * width - inner[0], 2 * height - inner[1])


def open_page(browser, served):
    browser.get(served.url)
    wait_for_text(browser, "Command:")
    WebDriverWait(browser, 10).until(lambda b: b.execute_script("return drawing !== null"))


def transcript(browser):
    """As the host printed it; the element's rendered text would break long lines."""
    return browser.execute_script("return document.getElementById('transcript').textContent")


def wait_for_text(browser, text, count=1, seconds=10):
    WebDriverWait(browser, seconds).until(
        lambda b: transcript(b).count(text) >= count,
        "transcript never showed %r: ...%s" % (text, transcript(browser)[-400:]))


def wait_for_prompt_end(browser, seconds=10):
    """Until the transcript ends at the command line again."""
    WebDriverWait(browser, seconds).until(
        lambda b: transcript(b).rstrip().endswith("Command:"),
        "the command line never came back: ...%s" % transcript(browser)[-400:])


def type_line(browser, line):
    browser.find_element(By.ID, "commandLine").send_keys(line + Keys.ENTER)


def wait_for_point_prompt(browser, waiting=True):
    WebDriverWait(browser, 10).until(
        lambda b: b.execute_script("return promptState.pointPrompt") == waiting,
        "the page never saw pointPrompt %s" % waiting)


def move_to_pixel(browser, px, py):
    """The mouse to canvas pixel (px, py); Selenium's offsets count from the element's centre."""
    canvas = browser.find_element(By.ID, "view")
    width, height = browser.execute_script("return [canvas.clientWidth, canvas.clientHeight]")
    actions = ActionChains(browser)
    actions.move_to_element_with_offset(canvas, int(round(px - width / 2)),
                                        int(round(py - height / 2)))
    return actions


def move_to_world(browser, x, y):
    px, py = browser.execute_script("return toScreen(arguments[0], arguments[1])", x, y)
    return move_to_pixel(browser, px, py)


def click_under_mouse_at(browser, x, y, pixel_size, before_click=None):
    """Clicks world (x, y): the mouse rests over the canvas, the view is set so that the pixel
    under it shows (x, y), each pixel pixel_size units, and the host has that view (PICKBOX
    measures its pixels) before the click. before_click(browser) runs just before it, with the
    host's answer for the cursor there in the page's hover."""
    canvas = browser.find_element(By.ID, "view")
    ActionChains(browser).move_to_element(canvas).perform()
    WebDriverWait(browser, 10).until(lambda b: b.execute_script("return cursor !== null"))
    browser.execute_script("""
        const [px, py] = cursor;
        view.height = canvas.height * arguments[2];
        view.centerX = arguments[0] - (px - canvas.width / 2) * arguments[2];
        view.centerY = arguments[1] + (py - canvas.height / 2) * arguments[2];
        viewChanged();""", x, y, pixel_size)
    WebDriverWait(browser, 10).until(lambda b: b.execute_async_script("""
        const done = arguments[0];
        postJson("view", {viewHeight: view.height, screen: [canvas.width, canvas.height]})
            .then((r) => done(r.ok), () => done(false));"""))
    if before_click:
        browser.execute_script("forgetHover(); askHover();")
        WebDriverWait(browser, 10).until(
            lambda b: b.execute_script("return hover !== null && hover.asked === cursor"))
        before_click(browser)
    ActionChains(browser).click().perform()


def fetch_from_page(browser, path, method="GET", body=None, token=None, mode="cors"):
    """[status, text] of a request the page in the browser makes (its Origin, its cookies), with
    token in the page's token header when given."""
    return browser.execute_async_script("""
        const [path, method, body, token, mode, done] = arguments;
        const init = {method: method, credentials: "include", mode: mode,
                      headers: token === null ? {} : {"X-Vectrin-Token": token}};
        if (body !== null) init.body = body;
        fetch(path, init).then(async (r) => done([r.status, await r.text()]))
                         .catch((e) => done([0, String(e)]));""", path, method, body, token, mode)


def drop_file(browser, name, text):
    """Drops a file holding text on the drawing, as a user drags one from their desktop."""
    browser.execute_script("""
        const transfer = new DataTransfer();
        transfer.items.add(new File([arguments[1]], arguments[0]));
        for (const type of ["dragover", "drop"])
            canvas.dispatchEvent(new DragEvent(type, {dataTransfer: transfer, bubbles: true,
                                                      cancelable: true}));""", name, text)
