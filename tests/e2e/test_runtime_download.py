"""An application installed on a machine without the runtime: the real
bootstrapper downloads the signed runtime installer stand-in and its
signature from a loopback server, verifies them, runs the installer, which
installs the runtime and then the application, and the installed application
starts through its stub."""
# ctest: uses the download port

import os
import unittest

from harness import LOG_ERR, LOG_NOTICE, Sandbox
from nginx_server import Nginx
from sample_runtime import (ARGS_FILE_ENV, FRAMEWORK_NAME, STATUS_ENV, make_installer_bundle,
                            make_package, make_runtime_installer, read_recorded_args,
                            write_system_version)
from signing import DEMO_CA, sign
from test_bootstrapper_download import BEGIN, NOT_INSTALLED, PORT
from test_download import NO_PROXY

SYSTEM_VERSION = "10.9.5"
FOLDER = "nimbra/3/psu/macos10.9/x86"


def command_line(args):
    return ('Launching subprocess with commandline "Nimbra Runtime Installer" '
            + "".join(arg + " " for arg in args))


@unittest.skipUnless(PORT, "this build does not download from loopback")
class RuntimeDownloadTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sb_class = Sandbox().__enter__()
        folder = cls.sb_class.path
        installer = make_runtime_installer(os.path.join(folder, "installer"))
        signature = sign(installer, os.path.join(DEMO_CA, "signer.key"),
                         os.path.join(DEMO_CA, "signer.pem"), os.path.join(DEMO_CA, "chain.pem"))
        with open(installer, "rb") as f, open(signature, "rb") as g:
            cls.files = {f"/{FOLDER}/installer": f.read(), f"/{FOLDER}/installer.p7": g.read()}

    @classmethod
    def tearDownClass(cls):
        cls.sb_class.__exit__(None, None, None)

    def setUp(self):
        self.sb = Sandbox().__enter__()
        self.addCleanup(self.sb.__exit__, None, None, None)
        write_system_version(self.sb.root, SYSTEM_VERSION)
        package = make_package(os.path.join(self.sb.path, "packages"), "Sample")
        self.bundle = make_installer_bundle(self.sb.path, "Sample", package)
        self.args_file = os.path.join(self.sb.path, "app-installer-args")
        self.url = f"http://127.0.0.1:{PORT}/{FOLDER}"

    def launch(self, *args, env=None):
        with Nginx(PORT, self.files) as server:
            r = self.sb.run([self.bundle.executable, *args],
                            env={**NO_PROXY, ARGS_FILE_ENV: self.args_file, **(env or {})})
            self.requests = server.requests()
        # The installer and its signature are deleted before the process ends.
        self.assertEqual(os.listdir(self.sb.tmp), [])
        return r

    def download_lines(self):
        return [
            (LOG_NOTICE, BEGIN),
            (LOG_NOTICE, NOT_INSTALLED),
            (LOG_NOTICE, f"Begin runtime download from {self.url}/installer"),
            (LOG_NOTICE, f"Download destination is {self.sb.tmp}/installer"),
            (LOG_NOTICE, "Download success"),
            (LOG_NOTICE, f"Begin signature download from {self.url}/installer.p7"),
            (LOG_NOTICE, f"Download destination is {self.sb.tmp}/installer.p7"),
            (LOG_NOTICE, "Download success"),
            (LOG_NOTICE, "Detached signature verified"),
        ]

    def log(self, r):
        return [(line.priority, line.message) for line in r.syslog]

    def test_silent_run_installs_the_runtime_then_the_application(self):
        r = self.launch("-silent", "-eulaAccepted", "-allowDownload")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stderr, "")
        self.assertEqual(self.requests, [f"/{FOLDER}/installer", f"/{FOLDER}/installer.p7"])
        self.assertEqual(self.log(r), self.download_lines() + [
            (LOG_NOTICE, command_line(["-silent", "-eulaAccepted", self.bundle.package])),
            (LOG_NOTICE, "Subprocess Runtime Installer succeeded"),
            (LOG_NOTICE, "Bootstrapper end with exit code 0"),
        ])
        framework = os.path.join(self.sb.root, "Library", "Frameworks", FRAMEWORK_NAME)
        self.assertTrue(os.path.isfile(os.path.join(framework, "Resources", "Info.plist")))
        # The runtime's Application Installer got the options and the package.
        self.assertEqual(read_recorded_args(self.args_file),
                         ["-silent", "-eulaAccepted", self.bundle.package])

        # The installed application starts through its stub and enters the
        # runtime the installer put in place.
        app = os.path.join(self.sb.root, "Applications", "Sample.app", "Contents", "MacOS",
                           "Sample")
        started = self.sb.run([app])
        self.assertEqual(started.returncode, 0, started.stderr)

        # With the runtime installed, the next run takes the Application
        # Installer directly.
        again = self.sb.run([self.bundle.executable, "-silent"], env=NO_PROXY)
        self.assertEqual(again.returncode, 0, again.stderr)
        self.assertIn(f"Installed runtime (3.1.0.489) located at {framework}", again.messages)

    def test_from_the_file_manager_the_installer_gets_x1_and_the_package(self):
        r = self.launch("-psn_0_12345")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(self.log(r)[-3:], [
            (LOG_NOTICE, command_line(["-x1", self.bundle.package])),
            (LOG_NOTICE, "Subprocess Runtime Installer succeeded"),
            (LOG_NOTICE, "Bootstrapper end with exit code 0"),
        ])
        # "-x1" means no options: the Application Installer sees only the package.
        self.assertEqual(read_recorded_args(self.args_file), [self.bundle.package])

    def test_the_installers_status_is_the_exit_code(self):
        r = self.launch("-silent", "-allowDownload", env={STATUS_ENV: "7"})
        self.assertEqual(r.returncode, 7, r.stderr)
        self.assertEqual(r.stderr, "")
        self.assertEqual(self.log(r), self.download_lines() + [
            (LOG_NOTICE, command_line(["-silent", self.bundle.package])),
            (LOG_ERR, "Subprocess Runtime Installer failed (7)"),
            (LOG_ERR, "Bootstrapper end with exit code 7"),
        ])


if __name__ == "__main__":
    unittest.main()
