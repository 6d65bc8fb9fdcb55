"""PackageSetupLauncher with no runtime installed and downloading allowed,
against a download server on the host this build was made for: every way the
download can end, what the user is shown, the log lines in order, and no
fetched file left behind."""
# ctest: uses the download port

import os
import re
import unittest

from harness import BUILD_DIR, DOWNLOAD_HOST, LOG_ERR, LOG_NOTICE, Sandbox
from nginx_server import Nginx
from test_download import NO_PROXY
from sample_runtime import make_installer_bundle, make_package, write_system_version

BEGIN = "Bootstrapper begin with version 1.0.0.1 on Mac x86"
NOT_INSTALLED = "No installed runtime detected"
# The catalogue's English texts (the sandbox runs with LANG=C).
RUNTIME_NOT_FOUND = "This application requires a version of Zandrel Nimbra which cannot be found."
NO_RUNTIME_FOR_SYSTEM = ("This application requires an update to Zandrel Nimbra that is not "
                         "available for your system.")
VALIDATION_FAILED = "Unable to validate the downloaded version of Zandrel Nimbra."


def download_port():
    """The port of the download host compiled into this build."""
    host = DOWNLOAD_HOST
    if not host:
        with open(os.path.join(BUILD_DIR, "CMakeCache.txt")) as f:
            host = re.search(r"^NIMBRA_DOWNLOAD_HOST:STRING=(.*)$", f.read(), re.M).group(1)
    match = re.fullmatch(r"127\.0\.0\.1:(\d+)", host)
    return int(match.group(1)) if match else None


PORT = download_port()
SYSTEM_FOLDER = "nimbra/3/psu/macos10.6/x86"


@unittest.skipUnless(PORT, "this build does not download from loopback")
class BootstrapperDownloadTest(unittest.TestCase):
    def setUp(self):
        self.sb = Sandbox().__enter__()
        self.addCleanup(self.sb.__exit__, None, None, None)
        write_system_version(self.sb.root, "10.6.8")
        package = make_package(os.path.join(self.sb.path, "packages"), "Sample")
        self.bundle = make_installer_bundle(self.sb.path, "Sample", package)
        self.url = f"http://127.0.0.1:{PORT}/{SYSTEM_FOLDER}"

    def launch(self, *args):
        r = self.sb.run([self.bundle.executable, *args], env=NO_PROXY)
        # Whatever was fetched is gone once the process has ended.
        self.assertEqual(os.listdir(self.sb.tmp), [])
        return r

    def log(self, r):
        return [(line.priority, line.message) for line in r.syslog]

    def test_a_server_without_the_systems_folder_ends_with_11_and_message_8(self):
        with Nginx(PORT, {"/other/installer": b"x"}) as server:
            r = self.launch("-silent", "-allowDownload")
            self.assertEqual(server.requests(), [f"/{SYSTEM_FOLDER}/installer"])
        self.assertEqual(r.returncode, 11, r.stderr)
        self.assertTrue(r.stderr.startswith(f"[dialog] Install Sample\n{NO_RUNTIME_FOR_SYSTEM}"),
                        r.stderr)
        self.assertEqual(self.log(r), [
            (LOG_NOTICE, BEGIN),
            (LOG_NOTICE, NOT_INSTALLED),
            (LOG_NOTICE, f"Begin runtime download from {self.url}/installer"),
            (LOG_ERR, "Download failure: The requested file does not exist."),
            (LOG_ERR, "Bootstrapper end with exit code 11"),
        ])

    def test_a_stopped_server_ends_with_11_and_message_0(self):
        r = self.launch("-silent", "-allowDownload")
        self.assertEqual(r.returncode, 11, r.stderr)
        self.assertTrue(r.stderr.startswith(f"[alert] Install Sample\n{RUNTIME_NOT_FOUND}\n"),
                        r.stderr)
        self.assertTrue(r.stderr.endswith("\n[OK]\n"), r.stderr)
        self.assertEqual(self.log(r), [
            (LOG_NOTICE, BEGIN),
            (LOG_NOTICE, NOT_INSTALLED),
            (LOG_NOTICE, f"Begin runtime download from {self.url}/installer"),
            (LOG_ERR, "Download failure: Could not connect to the server."),
            (LOG_ERR, "Bootstrapper end with exit code 11"),
        ])

    def test_fetched_files_are_deleted_when_the_signature_is_rejected(self):
        files = {f"/{SYSTEM_FOLDER}/installer": b"#!/bin/sh\nexit 0\n" * 2000,
                 f"/{SYSTEM_FOLDER}/installer.p7": b"not a signature"}
        # Opened without options (as from the Finder): not silent, so the
        # progress window comes up, titled with the package name.
        with Nginx(PORT, files):
            r = self.launch()
        self.assertEqual(r.returncode, 13, r.stderr)
        self.assertTrue(r.stderr.startswith("Installing Sample: Please wait.\n"), r.stderr)
        self.assertIn(f"[alert] Install Sample\n{VALIDATION_FAILED}", r.stderr)
        messages = [message for _, message in self.log(r)]
        self.assertEqual(messages[:8], [
            BEGIN,
            NOT_INSTALLED,
            f"Begin runtime download from {self.url}/installer",
            f"Download destination is {self.sb.tmp}/installer",
            "Download success",
            f"Begin signature download from {self.url}/installer.p7",
            f"Download destination is {self.sb.tmp}/installer.p7",
            "Download success",
        ])
        self.assertEqual(messages[-1], "Bootstrapper end with exit code 13")


if __name__ == "__main__":
    unittest.main()
