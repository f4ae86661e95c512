# scripts/librecadSession.py - LibreCAD with the vectrin plug-in under Xvfb, driven with
# xdotool: for the end-to-end test, the README's screenshot and the bench.
#
# Each session has a private HOME (LibreCAD's settings: no first-start wizard, no splash, a
# fixed window), the plug-in and its modules linked into HOME's plug-in folder (or, without a
# plug-in, nothing there: LibreCAD loads the one installed in its system folder), and the first
# free X display from 90 to 99. What the adapter adds to LibreCAD's history is copied to a log
# file (VECTRIN_LIBRECAD_LOG), which is how a test reads LibreCAD's answers.
import os
import shutil
import subprocess
import tempfile
import time

SETTINGS = """[Startup]
FirstLoad=false
Maximize=false
ShowSplash=false

[Geometry]
WindowHeight=850
WindowWidth=1200
WindowX=0
WindowY=0

[WindowOptions]
SubWindowMode=0
"""

TOOLS = ("librecad", "Xvfb", "xdotool")


# A lock whose server has gone (killed outright, it leaves its lock) does not hold the display:
# Xvfb takes such a display over itself.
def lock_holder_alive(number):
    try:
        with open("/tmp/.X%d-lock" % number) as f:
            os.kill(int(f.read().strip()), 0)
        return True
    except (OSError, ValueError):
        return False


def missing_tools():
    return [tool for tool in TOOLS if shutil.which(tool) is None]


class Session:
    def __init__(self, plugin, modules, drawing, folder):
        self.folder = folder
        self.home = tempfile.mkdtemp(prefix="home-", dir=folder)
        self.log = os.path.join(folder, "history.log")
        self.drawing = drawing
        self.display = None
        self.xvfb = None
        self.librecad = None
        self.pointer_rest = (1100, 600)  # over the layer list: no effect on the drawing
        self.command_line = (1035, 732)
        self.file_menu, self.file_close = (36, 10), (67, 302)  # File, and Close in it
        self.clicked_drawing = False
        if plugin is not None:
            plugins = os.path.join(self.home, ".librecad", "plugins")
            os.makedirs(os.path.join(plugins, "vectrin"))
            # copied: LibreCAD loads a plug-in by its real path, and the plug-in finds its modules
            # beside that path
            shutil.copy(plugin, plugins)
            for module in modules:
                os.symlink(os.path.abspath(module),
                           os.path.join(plugins, "vectrin", os.path.basename(module)))
        config = os.path.join(self.home, ".config", "LibreCAD")
        os.makedirs(config)
        with open(os.path.join(config, "LibreCAD.conf"), "w") as f:
            f.write(SETTINGS)
        runtime = os.path.join(self.home, "run")
        os.makedirs(runtime, mode=0o700)
        self.env = dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                        XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb", LIBGL_ALWAYS_SOFTWARE="1",
                        VECTRIN_LIBRECAD_LOG=self.log, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.env.pop("VECTRIN_MODULE", None)
        if os.path.exists(self.log):
            os.remove(self.log)

    # The first display from 90 to 99 whose Xvfb starts: another run may hold the others.
    def start_display(self):
        for number in range(90, 100):
            if lock_holder_alive(number):
                continue
            xvfb = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "1280x900x24",
                                     "-nolisten", "tcp", "-noreset"], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            for _ in range(50):
                if xvfb.poll() is not None:
                    break
                self.env["DISPLAY"] = ":%d" % number
                if os.path.exists("/tmp/.X11-unix/X%d" % number) and \
                        self.xdotool("getdisplaygeometry", check=False).returncode == 0:
                    self.xvfb, self.display = xvfb, ":%d" % number
                    return
                time.sleep(0.1)
            if xvfb.poll() is None:
                xvfb.kill()
                xvfb.wait()
        raise RuntimeError("no free X display from :90 to :99")

    def start(self):
        self.start_display()
        self.librecad = subprocess.Popen(["librecad", self.drawing], env=self.env,
                                         stdout=open(os.path.join(self.folder, "librecad.out"), "w"),
                                         stderr=subprocess.STDOUT)
        deadline = time.time() + 30
        while time.time() < deadline:
            found = self.xdotool("search", "--name", "LibreCAD", check=False)
            if found.returncode == 0 and found.stdout.strip():
                self.wait_until_ready(time.time() + 20)
                return
            if self.librecad.poll() is not None:
                break
            time.sleep(0.3)
        raise RuntimeError("LibreCAD did not open its window")

    # Keys typed before LibreCAD has laid out its window are lost: vcal is typed until the
    # plug-in's prompt opens (its log says so), and Esc closes it again.
    def wait_until_ready(self, deadline):
        asks = lambda line: line.startswith("# asks: ")  # noqa: E731
        while time.time() < deadline:
            # Without a window manager the keys go to the window under the pointer: a click on
            # the command line (where the settings above lay it out) gives it the keyboard.
            # Upper case: should the first key be lost, the rest is not LibreCAD's word "cal",
            # which would switch its command line to calculator mode for the whole session.
            self.click(*self.command_line, pause=0.2)
            self.xdotool("type", "VCAL")
            self.xdotool("key", "Return")
            try:
                self.wait_for(asks, timeout=3)
            except RuntimeError:
                if not self.alive():
                    break
                self.key("Escape", pause=0.5)
                if not any(asks(line) for line in self.history()):
                    continue
            self.key("Escape")
            self.wait_for(lambda line: line.startswith("# vcal took"), timeout=10)
            return
        raise RuntimeError("LibreCAD did not take typed lines")

    def xdotool(self, *arguments, check=True):
        result = subprocess.run(["xdotool"] + list(arguments), env=self.env, capture_output=True,
                                text=True)
        if check and result.returncode != 0:
            raise RuntimeError("xdotool %s: %s" % (" ".join(arguments), result.stderr))
        return result

    # After a click in the drawing, LibreCAD under Xvfb does not always hand the next keys on to
    # its command line: a click there first gives it the keyboard, as a user would.
    def type_line(self, text, pause=0.4):
        if self.clicked_drawing:
            self.clicked_drawing = False
            self.click(*self.command_line, pause=0.2)
        self.xdotool("type", "--delay", "15", text)
        self.xdotool("key", "Return")
        time.sleep(pause)

    def key(self, name, pause=0.4):
        self.xdotool("key", name)
        time.sleep(pause)

    def click(self, x, y, pause=0.5):
        self.xdotool("mousemove", str(x), str(y))
        time.sleep(0.15)
        self.xdotool("click", "1")
        self.clicked_drawing = (x, y) != self.command_line
        time.sleep(pause)

    def alive(self):
        return self.librecad is not None and self.librecad.poll() is None

    def history(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as f:
            return [line.rstrip("\n") for line in f]

    # Waits until the history has grown by a line that passes accept; returns that line.
    def wait_for(self, accept, after=0, timeout=10.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            lines = self.history()[after:]
            for line in lines:
                if accept(line):
                    return line
            if not self.alive():
                raise RuntimeError("LibreCAD has stopped")
            time.sleep(0.1)
        raise RuntimeError("no such line in the history: %r" % self.history()[after:])

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", "-crop", "1200x850+0+0", "+repage", path],
                       env=self.env, check=True)

    # LibreCAD is killed: a polite end could stop at its "save the changes?" question. Xvfb
    # is asked to end, so that it removes its lock.
    def stop(self):
        if self.librecad is not None and self.librecad.poll() is None:
            self.librecad.kill()
            self.librecad.wait()
        if self.xvfb is not None and self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
