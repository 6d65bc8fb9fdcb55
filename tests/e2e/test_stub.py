"""RuntimeAppStub started as the executable of an installed application:
the runtime it loads, what the entry method receives, the exit status, and
the alert on every failure."""

import json
import os
import plistlib
import shutil
import subprocess
import unittest

from harness import Sandbox, binary

FRAMEWORK = "Library/Frameworks/Zandrel Nimbra.framework"
LIBRARY = "Versions/1.0/Zandrel Nimbra_64"


def catalogue_row(row):
    out = subprocess.run([binary("stub_catalogue_row"), str(row)],
                         capture_output=True, text=True, check=True).stdout
    return json.loads(out)


def alert(row):
    return f"[alert] Zandrel Nimbra\n{row['message']}\n[{row['button']}]\n"


def install_application(sb, name="X"):
    """SANDBOX/Applications/X.app with the stub as its executable."""
    contents = os.path.join(sb.path, "Applications", f"{name}.app", "Contents")
    os.makedirs(os.path.join(contents, "MacOS"))
    with open(os.path.join(contents, "Info.plist"), "wb") as f:
        plistlib.dump({"CFBundleExecutable": "RuntimeAppStub", "CFBundleName": name}, f)
    executable = os.path.join(contents, "MacOS", "RuntimeAppStub")
    shutil.copy2(binary("RuntimeAppStub"), executable)
    return executable


def install_framework(sb, library=None, content=None):
    """ROOT/Library/Frameworks/Zandrel Nimbra.framework; its runtime library
    copied from a built one, or written from `content`, or left out."""
    framework = os.path.join(sb.root, FRAMEWORK)
    os.makedirs(os.path.join(framework, "Resources"))
    os.makedirs(os.path.join(framework, "Versions", "1.0"))
    with open(os.path.join(framework, "Resources", "Info.plist"), "wb") as f:
        plistlib.dump({"CFBundleVersion": "3.1.0.489"}, f)
    target = os.path.join(framework, LIBRARY)
    if library:
        shutil.copy2(binary(library), target)
    elif content is not None:
        with open(target, "wb") as f:
            f.write(content)
    return framework


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
                stub = install_application(sb)
                framework = install_framework(sb, library)
                r = sb.run([stub, *arguments])
                self.assertEqual(r.returncode, status, r.stderr)
                self.assertEqual(
                    r.stdout, f'sample runtime: application "X", version folder '
                              f'"{framework}/Versions/1.0"\n')
                self.assertNotIn("[alert]", r.stderr)
                self.assertEqual(r.syslog, [])


class FailingToEnterTheRuntime(unittest.TestCase):
    CASES = [
        ("no installed framework", {}),
        ("framework without its library", {"library": None}),
        ("library that does not load", {"content": b"\x7fELF but not really"}),
        ("no EntryPoints class", {"library": "libsample_runtime_noclass.so"}),
        ("no EntryPoints instance", {"library": "libsample_runtime_noinstance.so"}),
        ("entry method raises", {"library": "libsample_runtime_raise.so"}),
    ]

    def run_case(self, setup, env=None):
        with Sandbox() as sb:
            stub = install_application(sb)
            if setup:
                install_framework(sb, **setup)
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


if __name__ == "__main__":
    unittest.main()
