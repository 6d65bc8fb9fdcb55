"""PackageSetupLauncher end to end: the install decision, the Application
Installer it launches and the install log it writes, in a sandbox root."""

import os
import shutil
import unittest

from harness import LOG_ERR, LOG_NOTICE, Sandbox
from sample_runtime import (APP_INSTALLER_PATH, ARGS_FILE_ENV, STATUS_ENV, disable_updates,
                            install_runtime, make_installer_bundle, make_package,
                            read_recorded_args, write_system_version)

VERSION = "25.0.0.134"
USAGE = ("Available Options: -silent { -eulaAccepted ( -location <dir> ) -desktopShortcut "
         "-programMenu -allowDownload }\n")
HINT = "Unable to download runtime installer without -allowDownload"
BEGIN = "Bootstrapper begin with version 1.0.0.1 on Mac x86"
NOT_INSTALLED = "No installed runtime detected"
# The catalogue's English texts (the sandbox runs with LANG=C).
MESSAGE_UPDATES_FORBIDDEN = (
    "This application requires an update to Zandrel Nimbra but downloading that update on "
    "your system is not allowed by your administrator. Please contact your administrator.")
MESSAGE_NO_RUNTIME_FOR_SYSTEM_START = (
    "This application requires an update to Zandrel Nimbra that is not available for your "
    "system. Please view the system requirements <https://")
UPDATES_DISABLED = ("Cannot complete installation because runtime updates are disabled "
                    "on this machine")


def end(code):
    return f"Bootstrapper end with exit code {code}"


def installed(framework, version="3.1.0.489"):
    return f"Installed runtime ({version}) located at {framework}"


def launching(args):
    return "Launching subprocess with commandline \"Nimbra Application Installer\" " + \
        "".join(arg + " " for arg in args)


class BootstrapperCase(unittest.TestCase):
    def setUp(self):
        self.fresh_sandbox()

    def fresh_sandbox(self):
        self.sb = Sandbox().__enter__()
        self.addCleanup(self.sb.__exit__, None, None, None)
        self.args_file = os.path.join(self.sb.path, "installer-args")

    def bundle(self, name="Sample", dest=None, **kwargs):
        package = make_package(os.path.join(self.sb.path, "packages"), name or "Package")
        return make_installer_bundle(dest or self.sb.path, name, package, **kwargs)

    def run_launcher(self, bundle, *args, env=None):
        if os.path.exists(self.args_file):
            os.unlink(self.args_file)
        return self.sb.run([bundle.executable, *args], env={ARGS_FILE_ENV: self.args_file,
                                                          **(env or {})})

    def recorded_args(self):
        return read_recorded_args(self.args_file) if os.path.exists(self.args_file) else None

    def assertLog(self, result, expected):
        """expected: (priority, message) pairs, in order, and nothing else."""
        self.assertEqual([(line.priority, line.message) for line in result.syslog], expected)


class ApplicationInstallerTest(BootstrapperCase):
    """A runtime 3.x is installed: its Application Installer gets the package."""

    def setUp(self):
        super().setUp()
        self.framework = install_runtime(self.sb.root)

    def test_options_pass_on_before_the_package_folder(self):
        elsewhere = os.path.join(self.sb.path, "elsewhere")
        cases = [
            ((), os.path.join(self.sb.root, "Applications")),
            (("-location", elsewhere), elsewhere),
            (("-silent", "-eulaAccepted", "-location", elsewhere, "-programMenu",
              "-desktopShortcut"), elsewhere),
        ]
        for options, destination in cases:
            with self.subTest(options=options):
                bundle = self.bundle()
                result = self.run_launcher(bundle, *options)
                child_args = [*options, bundle.package]
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(self.recorded_args(), child_args)
                app = os.path.join(destination, "Sample.app")
                self.assertEqual(result.stdout,
                                 f"Application Installer: installed Sample into {app}\n")
                self.assertTrue(os.path.isfile(os.path.join(app, "Contents", "Resources",
                                                            "application.txt")))
                self.assertLog(result, [
                    (LOG_NOTICE, BEGIN),
                    (LOG_NOTICE, installed(self.framework)),
                    (LOG_NOTICE, launching(child_args)),
                    (LOG_NOTICE, "Subprocess Application Installer succeeded"),
                    (LOG_NOTICE, end(0)),
                ])

    def test_installer_status_becomes_the_exit_code(self):
        for status in (0, 7, 12):
            with self.subTest(status=status):
                bundle = self.bundle()
                result = self.run_launcher(bundle, env={STATUS_ENV: str(status)})
                self.assertEqual(result.returncode, status)
                self.assertEqual(result.stderr, "")  # nothing shown for a failing installer
                outcome = ((LOG_NOTICE, "Subprocess Application Installer succeeded")
                           if status == 0 else
                           (LOG_ERR, f"Subprocess Application Installer failed ({status})"))
                self.assertLog(result, [
                    (LOG_NOTICE, BEGIN),
                    (LOG_NOTICE, installed(self.framework)),
                    (LOG_NOTICE, launching([bundle.package])),
                    outcome,
                    (LOG_NOTICE if status == 0 else LOG_ERR, end(status)),
                ])

    def test_package_path_with_spaces_is_one_argument_and_unquoted_in_the_log(self):
        dest = os.path.join(self.sb.path, "My Apps", "Two  Spaces")
        bundle = self.bundle(name="Big Sample", dest=dest)
        self.assertIn("  ", bundle.package)
        result = self.run_launcher(bundle, "-location", os.path.join(self.sb.path, "To Here"))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.recorded_args(),
                         ["-location", os.path.join(self.sb.path, "To Here"), bundle.package])
        self.assertIn(launching(self.recorded_args()), result.messages)

    def test_missing_application_installer_ends_with_5(self):
        installer = os.path.join(self.framework, APP_INSTALLER_PATH)
        removals = {
            "bundle": lambda: shutil.rmtree(installer),
            "executable": lambda: os.unlink(os.path.join(
                installer, "Contents", "MacOS", "Zandrel Nimbra Application Installer")),
        }
        for what, remove in removals.items():
            with self.subTest(removed=what):
                self.framework = install_runtime(self.sb.root)
                remove()
                bundle = self.bundle()
                result = self.run_launcher(bundle)
                self.assertEqual(result.returncode, 5)
                self.assertIsNone(self.recorded_args())
                self.assertLog(result, [
                    (LOG_NOTICE, BEGIN),
                    (LOG_NOTICE, installed(self.framework)),
                    (LOG_NOTICE, launching([bundle.package])),
                    (LOG_ERR, "Subprocess Application Installer failed (5)"),
                    (LOG_ERR, end(5)),
                ])

    def test_installer_that_cannot_start_or_is_killed_is_a_failure(self):
        executable = os.path.join(self.framework, APP_INSTALLER_PATH, "Contents", "MacOS",
                                  "Zandrel Nimbra Application Installer")
        cases = [
            ("killed by SIGKILL", "#!/bin/sh\nkill -KILL $$\n", 0o755, 137),
            ("killed by SIGTERM", "#!/bin/sh\nkill -TERM $$\n", 0o755, 143),
            ("not executable", "#!/bin/sh\nexit 0\n", 0o644, 127),
            ("no program format", "this is not a program\n", 0o755, 127),
            ("missing interpreter", "#!/nonexistent/sh\nexit 0\n", 0o755, 127),
        ]
        for what, content, mode, status in cases:
            with self.subTest(what):
                with open(executable, "w") as f:
                    f.write(content)
                os.chmod(executable, mode)
                bundle = self.bundle()
                result = self.run_launcher(bundle)
                self.assertEqual(result.returncode, status)
                self.assertEqual(result.messages[-2:], [
                    f"Subprocess Application Installer failed ({status})", end(status)])


    def test_major_version_2_or_more_is_usable(self):
        cases = [("2.0.0.0", 0), ("10.0.0.1", 0), ("1.99.99.99", 10), ("-1.0.0.0", 10)]
        for version, code in cases:
            with self.subTest(version=version):
                self.fresh_sandbox()
                install_runtime(self.sb.root, version=version)
                result = self.run_launcher(self.bundle(), "-silent")
                self.assertEqual(result.returncode, code)
                self.assertEqual(self.recorded_args() is not None, code == 0)


class PackageFolderTest(BootstrapperCase):
    """The package folder is named by the executable, prefix "Install " off."""

    def setUp(self):
        super().setUp()
        install_runtime(self.sb.root)

    def test_package_name_follows_the_executable_name(self):
        cases = [  # executable name, package folder inside the resources
            ("Install Sample", "Sample"),
            ("install Sample", "install Sample"),
            ("Sample", "Sample"),
            ("InstallSample", "InstallSample"),
            ("Install ", ""),
        ]
        for exe_name, package_name in cases:
            with self.subTest(exe_name=exe_name):
                made = make_installer_bundle(os.path.join(self.sb.path, exe_name or "x"),
                                             package_name, exe_name=exe_name)
                package = os.path.join(made.resources, package_name) if package_name \
                    else made.resources
                make_package(os.path.dirname(package), os.path.basename(package))
                result = self.run_launcher(made)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(self.recorded_args(), [package])
                self.assertEqual(result.syslog[0].ident, exe_name)

    def test_missing_package_folder_ends_with_12_and_no_window(self):
        for what in ("regular file", "nothing", "dangling link"):
            with self.subTest(what):
                made = make_installer_bundle(os.path.join(self.sb.path, what), "Sample")
                if what == "regular file":
                    open(made.package, "w").close()
                elif what == "dangling link":
                    os.symlink(os.path.join(self.sb.path, "gone"), made.package)
                result = self.run_launcher(made)
                self.assertEqual(result.returncode, 12)
                self.assertEqual((result.stdout, result.stderr), ("", ""))
                self.assertIsNone(self.recorded_args())
                self.assertLog(result, [
                    (LOG_NOTICE, BEGIN),
                    (LOG_ERR, f'Could not locate native install directory ("{made.package}")'),
                    (LOG_ERR, end(12)),
                ])

    def test_package_folder_through_a_link_is_used(self):
        made = make_installer_bundle(self.sb.path, "Sample")
        target = make_package(os.path.join(self.sb.path, "real"), "Sample")
        os.symlink(target, made.package)
        result = self.run_launcher(made)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.recorded_args(), [made.package])


class NoUsableRuntimeTest(BootstrapperCase):
    """No runtime, or one too old: download needed, allowed or not."""

    def test_without_allow_download_ends_with_10_and_the_hint(self):
        cases = [  # runtime version (None: no runtime), options
            (None, ("-silent",)),
            (None, ("-eulaAccepted", "-programMenu")),
            ("1.9.9.9", ("-silent",)),
            ("", ("-silent",)),  # unreadable version: counts as absent
        ]
        for version, options in cases:
            with self.subTest(version=version, options=options):
                self.fresh_sandbox()
                framework = None
                if version is not None:
                    framework = install_runtime(self.sb.root, version=version or None)
                result = self.run_launcher(self.bundle(), *options)
                self.assertEqual(result.returncode, 10)
                self.assertEqual(result.stdout, HINT + "\n")
                self.assertEqual(result.stderr, "")
                found = (LOG_NOTICE, installed(framework, version)) if version \
                    else (LOG_NOTICE, NOT_INSTALLED)
                self.assertLog(result, [(LOG_NOTICE, BEGIN), found, (LOG_ERR, HINT),
                                        (LOG_ERR, end(10))])

    def test_old_runtime_with_updates_disabled_ends_with_15_and_the_dialog(self):
        framework = install_runtime(self.sb.root, version="1.2.0.7")
        disable_updates(self.sb.home)
        result = self.run_launcher(self.bundle(), "-silent", "-allowDownload")
        self.assertEqual(result.returncode, 15)
        self.assertEqual(result.stderr,
                         f"[dialog] Install Sample\n{MESSAGE_UPDATES_FORBIDDEN}\n[OK]\n")
        self.assertIsNone(self.recorded_args())
        self.assertLog(result, [
            (LOG_NOTICE, BEGIN),
            (LOG_NOTICE, installed(framework, "1.2.0.7")),
            (LOG_ERR, UPDATES_DISABLED),
            (LOG_ERR, end(15)),
        ])

    def test_no_download_address_for_this_system_is_a_failure(self):
        # A system version the download server has no folder for. The update
        # marker must not matter when no runtime is installed.
        write_system_version(self.sb.root, "0.0")
        disable_updates(self.sb.home)
        for framework_version in (None, ""):
            with self.subTest(framework_version=framework_version):
                if framework_version is not None:
                    install_runtime(self.sb.root, version=None)
                result = self.run_launcher(self.bundle(), "-silent", "-allowDownload")
                self.assertEqual(result.returncode, 11)
                self.assertTrue(result.stderr.startswith(
                    f"[dialog] Install Sample\n{MESSAGE_NO_RUNTIME_FOR_SYSTEM_START}"),
                    result.stderr)
                self.assertLog(result, [(LOG_NOTICE, BEGIN), (LOG_NOTICE, NOT_INSTALLED),
                                        (LOG_ERR, end(11))])


class CommandLineTest(BootstrapperCase):
    """Answers on standard output, before anything is logged."""

    def test_version_and_refusals_write_nothing_to_the_log(self):
        install_runtime(self.sb.root)
        bundle = self.bundle()
        cases = [
            (("-version",), 0, VERSION + "\n"),
            (("-version", "-silent"), 2, USAGE),
            (("-bogus",), 2, USAGE),
            (("-allowDownload",), 2, USAGE),
            (("-eulaAccepted", "-silent"), 2, USAGE),
            (("-silent", "-location"), 2, USAGE),
        ]
        for options, code, stdout in cases:
            with self.subTest(options=options):
                result = self.run_launcher(bundle, *options)
                self.assertEqual((result.returncode, result.stdout, result.stderr),
                                 (code, stdout, ""))
                self.assertEqual(result.syslog, [])
                self.assertIsNone(self.recorded_args())

    def test_finder_process_serial_number_is_dropped(self):
        install_runtime(self.sb.root)
        bundle = self.bundle()
        result = self.run_launcher(bundle, "-psn_0_12345")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.recorded_args(), [bundle.package])


if __name__ == "__main__":
    unittest.main()
