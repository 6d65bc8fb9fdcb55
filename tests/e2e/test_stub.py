"""RuntimeAppStub started as the executable of an installed application:
the runtime it loads, what the entry method receives, the exit status, and
the alert on every failure."""

import json
import os
import shutil
import subprocess
import unittest

from harness import Sandbox, binary
from sample_runtime import install_runtime, make_installer_bundle, make_package

LIBRARY = "Versions/1.0/Zandrel Nimbra_64"


def catalogue_row(row):
    out = subprocess.run([binary("stub_catalogue_row"), str(row)],
                         capture_output=True, text=True, check=True).stdout
    return json.loads(out)


def alert(row):
    return f"[alert] Zandrel Nimbra\n{row['message']}\n[{row['button']}]\n"


def install_application(test, sb, name="X"):
    """Installs the sample application the real way: "Install X.app" hands
    its package to the runtime's Application Installer, which lays out
    ROOT/Applications/X.app with the stub as its executable. Returns the
    framework folder and the application's executable."""
    framework = install_runtime(sb.root)
    package = make_package(os.path.join(sb.path, "packages"), name)
    r = sb.run([make_installer_bundle(sb.path, name, package).executable])
    test.assertEqual(r.returncode, 0, r.stderr)
    executable = os.path.join(sb.root, "Applications", f"{name}.app", "Contents", "MacOS", name)
    test.assertTrue(os.path.isfile(executable))
    return framework, executable


def put_library(framework, library=None, content=None):
    """The framework's runtime library: a built one, or bytes, or none."""
    target = os.path.join(framework, LIBRARY)
    if os.path.exists(target):
        os.unlink(target)
    if library:
        shutil.copyfile(binary(library), target)
    elif content is not None:
        with open(target, "wb") as f:
            f.write(content)


class EnteringTheRuntime(unittest.TestCase):
    def test_exit_status_is_the_entry_methods_result(self):
        cases = [
            ("libsample_runtime.so", [], 0),
            ("libsample_runtime_exit7.so", [], 7),
            # The installed runtime is the only place this program looks.
            ("libsample_runtime.so", ["-runtime", "/nowhere"], 0),
        ]
        for library, arguments, status in cases:
            with self.subTest(library=library, arguments=arguments), Sandbox() as sb:
                framework, stub = install_application(self, sb)
                put_library(framework, library)
                r = sb.run([stub, *arguments])
                self.assertEqual(r.returncode, status, r.stderr)
                self.assertEqual(
                    r.stdout, f'sample runtime: application "X", version folder '
                              f'"{framework}/Versions/1.0"\n')
                self.assertNotIn("[alert]", r.stderr)
                self.assertEqual(r.syslog, [])


class FailingToEnterTheRuntime(unittest.TestCase):
    CASES = [
        ("no installed framework", None),
        ("framework without its library", {"library": None}),
        ("library that does not load", {"content": b"\x7fELF but not really"}),
        ("no EntryPoints class", {"library": "libsample_runtime_noclass.so"}),
        ("no EntryPoints instance", {"library": "libsample_runtime_noinstance.so"}),
        ("entry method raises", {"library": "libsample_runtime_raise.so"}),
    ]

    def run_case(self, setup, env=None):
        with Sandbox() as sb:
            framework, stub = install_application(self, sb)
            if setup is None:
                shutil.rmtree(framework)
            else:
                put_library(framework, **setup)
            return sb.run([stub], env=env)

    def test_every_failure_ends_in_the_alert_and_status_4(self):
        english = catalogue_row(16)
        self.assertTrue(english["message"].startswith(
            "This application requires a version of Zandrel Nimbra which cannot be found."))
        self.assertEqual(english["button"], "OK")
        for name, setup in self.CASES:
            with self.subTest(name):
                r = self.run_case(setup)
                self.assertEqual(r.returncode, 4, r.stderr)
                self.assertEqual(r.stderr, alert(english))
                self.assertEqual(r.stdout, "")

    def test_alert_in_the_users_language(self):
        french = catalogue_row(3)
        self.assertEqual(french["locale"], "fr")
        self.assertNotEqual(french["message"], catalogue_row(16)["message"])
        for name, setup in (self.CASES[0], self.CASES[-1]):
            with self.subTest(name):
                r = self.run_case(setup, env={"LANGUAGE": "fr"})
                self.assertEqual(r.returncode, 4, r.stderr)
                self.assertEqual(r.stderr, alert(french))

    def test_other_exceptions_are_not_caught(self):
        r = self.run_case({"library": "libsample_runtime_foreign.so"})
        self.assertNotIn(r.returncode, (0, 4))
        self.assertIn("not the platform's exception", r.stderr)
        self.assertNotIn("[alert]", r.stderr)


if __name__ == "__main__":
    unittest.main()
