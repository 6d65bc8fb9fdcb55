"""The windows of both programs on an X display of their own (Xvfb): each
failure's alert or dialog, and the progress window of a slow download. Each
window is photographed into the build folder, pressed with xdotool, and the
program must then go on and end with its code. The same failures without a
display, and with a GTK library that cannot be loaded, write the catalogue's
texts to standard error and end with the same codes."""
# ctest: uses the download port

import os
import pty
import re
import shutil
import subprocess
import time
import unittest

import test_stub
from display import Xvfb
from harness import BUILD_DIR, Sandbox, binary
from nginx_server import Nginx
from sample_runtime import (disable_updates, install_runtime, make_installer_bundle,
                            make_package, write_system_version)
from test_bootstrapper_download import PORT, SYSTEM_FOLDER
from test_download import NO_PROXY

DOWNLOAD_FAILED = "This application requires a version of Zandrel Nimbra which cannot be found."
NO_RUNTIME_FOR_SYSTEM = ("This application requires an update to Zandrel Nimbra that is not "
                         "available for your system. Please view the system requirements <https://")
UPDATES_FORBIDDEN = ("This application requires an update to Zandrel Nimbra but downloading "
                     "that update on your system is not allowed by your administrator.")


def test_settings_built_in():
    with open(os.path.join(BUILD_DIR, "CMakeCache.txt")) as f:
        return re.search(r"^NIMBRA_TEST_SETTINGS:BOOL=ON$", f.read(), re.M) is not None


# A file that is not a library: loading "GTK" fails.
UNLOADABLE_GTK = {"NIMBRA_TEST_GTK_LIBRARY": "/nonexistent/libgtk-3.so.0"}


def launcher(sb, version="10.6.8"):
    write_system_version(sb.root, version)
    package = make_package(os.path.join(sb.path, "packages"), "Sample")
    return make_installer_bundle(sb.path, "Sample", package).executable


def download_failed(sb):
    # Nothing listens on the download port: the transfer fails at once.
    return [launcher(sb), "-silent", "-allowDownload"]


def no_runtime_for_system(sb):
    return [launcher(sb, "0.0"), "-silent", "-allowDownload"]


def updates_forbidden(sb):
    argv = [launcher(sb), "-silent", "-allowDownload"]
    install_runtime(sb.root, version="1.2.0.7")
    disable_updates(sb.home)
    return argv


def stub_without_runtime(sb):
    framework, stub = test_stub.install_application(unittest.TestCase(), sb)
    shutil.rmtree(framework)
    return [stub]


# name, setup, window title, console text, key that dismisses it, exit code
FAILURES = [
    ("download-failed alert", download_failed, "Install Sample",
     f"[alert] Install Sample\n{DOWNLOAD_FAILED}", "Escape", 11),
    ("error dialog, message 8", no_runtime_for_system, "Install Sample",
     f"[dialog] Install Sample\n{NO_RUNTIME_FOR_SYSTEM}", "Return", 11),
    ("error dialog, message 10", updates_forbidden, "Install Sample",
     f"[dialog] Install Sample\n{UPDATES_FORBIDDEN}", "Escape", 15),
    ("stub alert", stub_without_runtime, "Zandrel Nimbra",
     f"[alert] Zandrel Nimbra\n{DOWNLOAD_FAILED}", "Return", 4),
]


# In a sanitized build: full stacks, so that only what GTK and the libraries
# under it keep is passed over.
SHOWING = {"LSAN_OPTIONS": "fast_unwind_on_malloc=0:suppressions="
                           + os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                          "lsan_gtk.supp")}


def shot_name(text):
    return re.sub(r"[^a-z0-9]+", "-", text.lower()).strip("-")


@unittest.skipUnless(PORT, "this build does not download from loopback")
class WindowsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.x = Xvfb().__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.x.__exit__(None, None, None)

    def assertCentred(self, window):
        x, y, width, height = self.x.geometry(window)
        screen_width, screen_height = self.x.screen_size()
        self.assertLessEqual(abs(2 * x + width - screen_width), 4, (x, width))
        self.assertLessEqual(abs(2 * y + height - screen_height), 4, (y, height))

    def assertNoConsoleWindow(self, r):
        self.assertNotIn("[alert]", r.stderr)
        self.assertNotIn("[dialog]", r.stderr)

    def test_each_failure_in_its_window(self):
        for name, setup, title, _, key, code in FAILURES:
            with self.subTest(name), Sandbox() as sb:
                running = sb.start(setup(sb), env={**NO_PROXY, **SHOWING, **self.x.env})
                try:
                    window = self.x.wait_window(f"^{title}$")
                    self.assertCentred(window)
                    self.x.screenshot(window, shot_name(name))
                    self.assertTrue(running.running())
                    self.x.key(window, key)
                finally:
                    r = running.finish(timeout=30)
                self.assertEqual(r.returncode, code, r.stderr)
                self.assertNoConsoleWindow(r)

    def test_failures_without_windows_end_alike(self):
        ways = [("no display", {"DISPLAY": None}),
                # A screen the display does not have: GTK cannot start.
                ("display cannot be opened", {"DISPLAY": self.x.display + ".7"})]
        if test_settings_built_in():
            ways.append(("GTK cannot be loaded", {**UNLOADABLE_GTK, **self.x.env}))
        for way, env in ways:
            for name, setup, _, console, _, code in FAILURES:
                with self.subTest(way=way, failure=name), Sandbox() as sb:
                    r = sb.run(setup(sb), env={**NO_PROXY, **env}, timeout=30)
                    self.assertEqual(r.returncode, code, r.stderr)
                    self.assertTrue(r.stderr.startswith(console), r.stderr)

    def test_a_click_on_the_dialogs_link_opens_its_address(self):
        with Sandbox() as sb:
            # The desktop's handler for web addresses records what it is given.
            opened = os.path.join(sb.path, "opened")
            applications = os.path.join(sb.home, ".local", "share", "applications")
            os.makedirs(applications)
            with open(os.path.join(applications, "recorder.desktop"), "w") as f:
                f.write("[Desktop Entry]\nType=Application\nName=Recorder\n"
                        f"Exec=sh -c 'echo \"$1\" > {opened}' sh %u\n")
            os.makedirs(os.path.join(sb.home, ".config"))
            with open(os.path.join(sb.home, ".config", "mimeapps.list"), "w") as f:
                f.write("[Default Applications]\nx-scheme-handler/https=recorder.desktop\n")
            env = {**NO_PROXY, **SHOWING, **self.x.env, "XDG_CONFIG_HOME": None,
                   "XDG_DATA_HOME": None, "XDG_DATA_DIRS": os.path.join(sb.path, "none")}
            running = sb.start(no_runtime_for_system(sb), env=env)
            try:
                window = self.x.wait_window("^Install Sample$")
                shot = self.x.screenshot(window, "error-dialog-link")
                link = self.x.find_colour(shot, "#0000FF")
                self.assertIsNotNone(link, "no blue link text in the dialog")
                self.x.click(window, link[0] + 2, link[1])
                deadline = time.monotonic() + 10
                while not os.path.exists(opened) and time.monotonic() < deadline:
                    time.sleep(0.05)
                # The dialog stays until its button is pressed.
                self.assertTrue(running.running())
                self.x.key(window, "Return")
            finally:
                r = running.finish(timeout=30)
            with open(opened) as f:
                self.assertEqual(f.read(), "https://www.zandrel.com/products/nimbra/systemreqs/\n")
        self.assertEqual(r.returncode, 11, r.stderr)

    def test_runs_that_show_nothing_never_load_gtk(self):
        def path_a(sb):
            argv = [launcher(sb), "-silent", "-eulaAccepted"]
            install_runtime(sb.root)
            return argv

        def stub_entering_runtime(sb):
            framework, stub = test_stub.install_application(unittest.TestCase(), sb)
            test_stub.put_library(framework, "libsample_runtime.so")
            return [stub]

        cases = [
            ("-version", lambda sb: [launcher(sb), "-version"], 0),
            ("refused command line", lambda sb: [launcher(sb), "-allowDownload"], 2),
            ("path A", path_a, 0),
            ("silent run without -allowDownload", lambda sb: [launcher(sb), "-silent"], 10),
            ("stub entering its runtime", stub_entering_runtime, 0),
        ]
        for name, setup, code in cases:
            with self.subTest(name), Sandbox() as sb:
                argv = setup(sb)
                # The dynamic loader names every library it opens.
                r = sb.run(argv, env={**self.x.env, "LD_DEBUG": "files"}, timeout=30)
                self.assertEqual(r.returncode, code, r.stderr[-2000:])
                self.assertIn("file=", r.stderr)
                self.assertNotIn("libgtk", r.stderr)
                self.assertNotIn("libgdk", r.stderr)

    def test_progress_window_of_a_slow_download_and_its_cancel_button(self):
        installer = f"/{SYSTEM_FOLDER}/installer"
        slow = "location / { limit_rate 64k; }"
        # Cancel sits at the bottom right of the window; Escape is Cancel too.
        ways = [("click", lambda w: self.x.click(w, -40, -30)),
                ("Escape", lambda w: self.x.key(w, "Escape"))]
        for way, cancel in ways:
            with self.subTest(way), Sandbox() as sb, \
                    Nginx(PORT, {installer: b"\0" * (8 << 20)}, slow):
                # Opened without options, as from the desktop: not silent.
                running = sb.start([launcher(sb)], env={**NO_PROXY, **SHOWING, **self.x.env})
                try:
                    window = self.x.wait_window("^Installing Sample$")
                    self.assertCentred(window)
                    time.sleep(1.5)  # some progress to show
                    self.x.screenshot(window, "progress-window")
                    cancel(window)
                    alert = self.x.wait_window("^Install Sample$")
                    self.x.screenshot(alert, "cancelled-download-alert")
                    self.x.key(alert, "Return")
                finally:
                    r = running.finish(timeout=30)
                self.assertEqual(os.listdir(sb.tmp), [])
                self.assertEqual(r.returncode, 11, r.stderr)
                self.assertNoConsoleWindow(r)
                self.assertNotIn("Please wait", r.stderr)
                messages = [line.message for line in r.syslog]
                self.assertIn("Download cancelled", messages)
                self.assertEqual(messages[-1], "Bootstrapper end with exit code 11")


class LinkingTest(unittest.TestCase):
    def test_neither_program_links_gtk(self):
        for program in ("PackageSetupLauncher", "RuntimeAppStub"):
            with self.subTest(program):
                libraries = subprocess.run(["ldd", binary(program)], capture_output=True,
                                           text=True, check=True).stdout
                self.assertIn("libc.so", libraries)
                self.assertNotRegex(libraries, "lib(gtk|gdk)-")
                symbols = subprocess.run(["nm", "--dynamic", "--undefined-only", binary(program)],
                                         capture_output=True, text=True, check=True).stdout
                self.assertNotRegex(symbols, r"\b(gtk|gdk)_")


@unittest.skipUnless(PORT, "this build does not download from loopback")
class ConsoleProgressTest(unittest.TestCase):
    def on_terminal(self, sb, argv):
        """Runs argv with a terminal as its standard error; returns the exit
        status and what the terminal received."""
        master, slave = pty.openpty()
        log = os.path.join(sb.path, "syslog")
        try:
            proc = subprocess.Popen([binary("syslog_capture"), log, *argv],
                                    env=sb._env({**NO_PROXY, "DISPLAY": None}), cwd=sb.path,
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    stderr=slave)
            os.close(slave)
            slave = None
            received = b""
            while True:
                try:
                    chunk = os.read(master, 4096)
                except OSError:  # the terminal's other side is closed
                    break
                if not chunk:
                    break
                received += chunk
            return proc.wait(30), received.decode()
        finally:
            os.close(master)
            if slave is not None:
                os.close(slave)

    def test_progress_on_a_terminal_is_one_line_rewritten_in_place(self):
        installer = f"/{SYSTEM_FOLDER}/installer"
        # The installer arrives in pieces; its signature is missing.
        with Sandbox() as sb, Nginx(PORT, {installer: b"\0" * 300000},
                                    "location / { limit_rate 300k; }"):
            code, terminal = self.on_terminal(sb, [launcher(sb)])
        self.assertEqual(code, 11, terminal)
        progress, _, shown = terminal.partition("[dialog]")
        self.assertTrue(shown.startswith(" Install Sample"), terminal)
        self.assertTrue(progress.startswith("\rInstalling Sample: Please wait.   0%"), progress)
        self.assertGreater(progress.count("\r"), 3, progress)
        # GLib puts a no-break space between a size and its unit.
        self.assertRegex(progress, "Please wait\\. +[1-9][0-9]?%  [0-9.]+\xa0kB / 300\\.0\xa0kB\x1b")
        self.assertIn("Please wait. 100%  300.0\xa0kB / 300.0\xa0kB\x1b[K", progress)
        # The line is ended once, when the window closes.
        self.assertTrue(progress.endswith("\n"), progress)
        self.assertEqual(progress.count("\n"), 1, progress)


if __name__ == "__main__":
    unittest.main()
