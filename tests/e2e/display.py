"""An X display of its own (Xvfb) for window tests, and the xdotool and
ImageMagick calls that find, photograph and press its windows."""

import os
import shutil
import subprocess
import time
import unittest

from harness import BUILD_DIR

# The display numbers these tests may take; others on the machine use others.
DISPLAYS = range(61, 70)
SCREENSHOTS = os.path.join(BUILD_DIR, "screenshots")


class Xvfb:
    """A virtual screen on the first free display of DISPLAYS; the test is
    skipped only when none can be started at all."""

    def __enter__(self):
        if not (shutil.which("Xvfb") and shutil.which("xdotool")):
            raise unittest.SkipTest("Xvfb or xdotool is not installed")
        for number in DISPLAYS:
            if os.path.exists(f"/tmp/.X{number}-lock"):
                continue
            self.display = f":{number}"
            self.proc = subprocess.Popen(
                ["Xvfb", self.display, "-nolisten", "tcp", "-screen", "0", "1024x768x24"],
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if self._wait_ready():
                return self
            self._stop()
        raise unittest.SkipTest("no Xvfb display could be started")

    def _wait_ready(self):
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                return False  # the display was taken meanwhile
            if self.xdotool("getdisplaygeometry", check=False).returncode == 0:
                return True
            time.sleep(0.05)
        return False

    def _stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def __exit__(self, *exc):
        self._stop()
        return False

    @property
    def env(self):
        return {"DISPLAY": self.display}

    def xdotool(self, *args, check=True, timeout=30):
        # UTF-8, for the titles in other scripts.
        env = {**os.environ, "DISPLAY": self.display, "LC_ALL": "C.UTF-8"}
        return subprocess.run(["xdotool", *args], env=env,
                              capture_output=True, text=True, check=check, timeout=timeout)

    def wait_window(self, name, timeout=30, by="--name"):
        """The id of the first visible window whose title matches `name`
        (xdotool matches titles in ASCII only; by="--classname" matches the
        program's name instead)."""
        r = self.xdotool("search", "--sync", "--onlyvisible", by, name, timeout=timeout)
        return r.stdout.split()[0]

    def geometry(self, window):
        """(x, y, width, height) of a window."""
        out = self.xdotool("getwindowgeometry", "--shell", window).stdout
        values = dict(line.split("=", 1) for line in out.split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def screenshot(self, window, name, folder=SCREENSHOTS):
        """The window alone, as PNG; returns the file's path."""
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name + ".png")
        subprocess.run(["import", "-display", self.display, "-window", window, "+repage",
                        "-strip", path], check=True, capture_output=True, timeout=30)
        return path

    @staticmethod
    def find_colour(path, colour):
        """(x, y) of the first pixel of the PNG at `path` in `colour`
        ("#RRGGBB"), or None."""
        pixels = subprocess.run(["convert", path, "-depth", "8", "txt:-"], check=True,
                                capture_output=True, text=True, timeout=30).stdout
        for line in pixels.splitlines():
            if colour.upper() in line.upper():
                x, y = line.split(":", 1)[0].split(",")
                return int(x), int(y)
        return None

    def screen_size(self):
        w, h = self.xdotool("getdisplaygeometry").stdout.split()
        return int(w), int(h)

    def key(self, window, key):
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("key", key)

    def click(self, window, x, y):
        """A click at (x, y) inside the window; negative values count from
        its right or bottom edge."""
        _, _, width, height = self.geometry(window)
        x = x if x >= 0 else width + x
        y = y if y >= 0 else height + y
        self.xdotool("mousemove", "--window", window, str(x), str(y), "click", "1")
