"""NIMBRA_TRACE: without it standard error stays as it was (empty after a
successful run); with it each trace is a line on standard error prefixed with
the program's name, and the exit status, standard output and log lines do not
change."""

import os
import shutil
import unittest

from harness import Sandbox
from test_stub import LIBRARY, install_application, put_library

TRACE = {"NIMBRA_TRACE": "1"}


def traces(stderr, program):
    return [line for line in stderr.splitlines() if line.startswith(f"{program}: ")]


class Tracing(unittest.TestCase):
    def test_a_failed_stub_start_names_the_path_tried_and_why(self):
        cases = [
            ("no installed framework", None, "Info: No installed runtime found"),
            ("library missing", {"library": None},
             "cannot open shared object file: No such file or directory"),
            ("not a library", {"content": b"not a library\n" * 64}, "invalid ELF header"),
            ("no EntryPoints class", {"library": "libsample_runtime_noclass.so"},
             "offers no class EntryPoints"),
        ]
        for name, setup, reason in cases:
            with self.subTest(name), Sandbox() as sb:
                framework, stub = install_application(self, sb)
                if setup is None:
                    shutil.rmtree(framework)
                else:
                    put_library(framework, **setup)
                r = sb.run([stub], env=TRACE)
                self.assertEqual(r.returncode, 4, r.stderr)
                lines = traces(r.stderr, "X")
                if setup is None:
                    self.assertIn(f"X: Info: Runtime location {framework}: nothing there", lines)
                else:
                    library = os.path.join(framework, LIBRARY)
                    failure = [line for line in lines if library in line and reason in line]
                    self.assertEqual(len(failure), 1, lines)
                self.assertTrue(any(reason in line for line in lines), lines)
                # The alert is shown as without tracing.
                self.assertIn("[alert] Zandrel Nimbra\n", r.stderr)

    def test_traces_change_neither_status_nor_output_nor_log(self):
        with Sandbox() as sb:
            framework, stub = install_application(self, sb)
            put_library(framework, "libsample_runtime.so")
            bootstrapper = os.path.join(sb.path, "Install X.app", "Contents", "MacOS", "Install X")
            runs = [
                ("stub", [stub], "X", None),
                ("bootstrapper with the installed runtime", [bootstrapper], "Install X", None),
                ("bootstrapper without runtime or -allowDownload", [bootstrapper, "-silent"],
                 "Install X", lambda: shutil.rmtree(framework)),
            ]
            for name, argv, program, prepare in runs:
                with self.subTest(name):
                    if prepare:
                        prepare()
                    plain = sb.run(argv)
                    traced = sb.run(argv, env=TRACE)
                    self.assertEqual(traced.returncode, plain.returncode)
                    self.assertEqual(traced.stdout, plain.stdout)
                    self.assertEqual(traced.messages, plain.messages)
                    self.assertEqual(plain.stderr, "")
                    lines = traced.stderr.splitlines()
                    self.assertTrue(lines)
                    self.assertEqual(traces(traced.stderr, program), lines)

if __name__ == "__main__":
    unittest.main()
