"""PackageSetupLauncher interrupted by SIGINT, SIGTERM or SIGHUP: during the
download or the verification the run ends with 128 + the signal's number, its
end line in the log and nothing fetched left behind; a launched installer gets
the signal itself and its status ends the run."""
# ctest: uses the download port

import os
import signal
import time
import unittest

from fault_server import FaultServer
from harness import LOG_ERR, LOG_NOTICE, Sandbox
from sample_runtime import (WAIT_ENV, install_runtime, make_installer_bundle, make_package,
                            make_runtime_installer, write_system_version)
from signing import SIGNER_EXTENSIONS, Authority, sign
from test_bootstrapper_download import BEGIN, NOT_INSTALLED, PORT, SYSTEM_FOLDER
from test_download import NO_PROXY

INSTALLER = f"/{SYSTEM_FOLDER}/installer"
# Announces twice what it sends, then sends nothing more until the server
# closes.
SLOW = "/stall/100000"
SIGNALS = [(signal.SIGTERM, 143), (signal.SIGINT, 130), (signal.SIGHUP, 129)]


def wait_for(condition, what, deadline=30):
    end = time.monotonic() + deadline
    while not condition():
        if time.monotonic() > end:
            raise AssertionError(f"gave up waiting for {what}")
        time.sleep(0.02)


class Interrupted(unittest.TestCase):
    def setUp(self):
        self.sb = Sandbox().__enter__()
        self.addCleanup(self.sb.__exit__, None, None, None)
        write_system_version(self.sb.root, "10.6.8")
        package = make_package(os.path.join(self.sb.path, "packages"), "Sample")
        self.bundle = make_installer_bundle(self.sb.path, "Sample", package)
        # Someone else's file in the temporary folder stays where it is.
        with open(os.path.join(self.sb.tmp, "unrelated"), "w") as f:
            f.write("not ours\n")
        self.tmp_before = sorted(os.listdir(self.sb.tmp))

    def interrupt_once(self, args, signum, file_name, env=None):
        """Starts the bootstrapper, sends SIGNUM once FILE_NAME has appeared in
        the temporary folder, and returns the finished run."""
        started = self.sb.start([self.bundle.executable, *args], env={**NO_PROXY, **(env or {})})
        try:
            wait_for(lambda: file_name in os.listdir(self.sb.tmp), file_name)
        finally:
            started.send_signal(signum)
            r = started.finish()
        self.assertEqual(sorted(os.listdir(self.sb.tmp)), self.tmp_before)
        self.assertNotIn("[alert]", r.stderr)
        self.assertNotIn("[dialog]", r.stderr)
        return r

    def log(self, r):
        return [(line.priority, line.message) for line in r.syslog]


@unittest.skipUnless(PORT, "this build does not download from loopback")
class DuringTheDownload(Interrupted):
    def test_each_signal_cancels_the_transfer_and_ends_with_128_plus_its_number(self):
        url = f"http://127.0.0.1:{PORT}{INSTALLER}"
        # Silent, or opened without options with the progress window up.
        cases = [(signum, code, args) for (signum, code), args in zip(
            SIGNALS, [("-silent", "-allowDownload"), (),
                      ("-silent", "-allowDownload")])]
        for signum, code, args in cases:
            with self.subTest(signum.name), FaultServer(PORT, routes={INSTALLER: SLOW}):
                r = self.interrupt_once(args, signum, "installer")
                self.assertEqual(r.returncode, code, r.stderr)
                self.assertEqual(self.log(r), [
                    (LOG_NOTICE, BEGIN),
                    (LOG_NOTICE, NOT_INSTALLED),
                    (LOG_NOTICE, f"Begin runtime download from {url}"),
                    (LOG_NOTICE, f"Download destination is {self.sb.tmp}/installer"),
                    (LOG_NOTICE, "Download cancelled"),
                    (LOG_ERR, f"Bootstrapper end with exit code {code}"),
                ])


@unittest.skipUnless(PORT, "this build does not download from loopback")
class DuringTheVerification(Interrupted):
    @classmethod
    def setUpClass(cls):
        cls.sb_class = Sandbox().__enter__()
        folder = cls.sb_class.path
        # The signer names a revocation list that arrives slowly.
        cls.crl_url = f"http://127.0.0.1:{PORT}/crl/slow.crl"
        intermediate = Authority.demo_root(folder).sub_authority("interrupt-ca")
        key, cert, chain = intermediate.signer(
            extensions=SIGNER_EXTENSIONS + f"crlDistributionPoints = URI:{cls.crl_url}\n")
        installer = make_runtime_installer(os.path.join(folder, "installer"))
        signature = sign(installer, key, cert, chain)
        with open(installer, "rb") as f, open(signature, "rb") as g:
            cls.files = {INSTALLER: f.read(), INSTALLER + ".p7": g.read()}

    @classmethod
    def tearDownClass(cls):
        cls.sb_class.__exit__(None, None, None)

    def test_a_signal_while_the_revocation_lists_arrive(self):
        with FaultServer(PORT, files=self.files, routes={"/crl/slow.crl": SLOW}):
            r = self.interrupt_once(("-silent", "-allowDownload"), signal.SIGTERM, "slow.crl")
        self.assertEqual(r.returncode, 143, r.stderr)
        messages = [message for _, message in self.log(r)]
        self.assertEqual(messages[-4:], [
            f"Begin crl download from {self.crl_url}",
            f"Download destination is {self.sb.tmp}/slow.crl",
            "Download cancelled",
            "Bootstrapper end with exit code 143",
        ])
        self.assertNotIn("Detached signature verified", messages)


class WhileAnInstallerRuns(Interrupted):
    def test_the_installer_gets_the_signal_and_its_status_ends_the_run(self):
        install_runtime(self.sb.root)
        for signum, code in SIGNALS:
            with self.subTest(signum.name):
                received = os.path.join(self.sb.path, f"received-{signum.name}")
                started = self.sb.start([self.bundle.executable], env={WAIT_ENV: received})
                try:
                    wait_for(lambda: os.path.exists(received), "the installer to wait")
                finally:
                    started.send_signal(signum)
                    r = started.finish()
                with open(received) as f:
                    self.assertEqual(f.read(), f"{int(signum)}\n")
                self.assertEqual(r.returncode, code, r.stderr)
                self.assertEqual(self.log(r)[-2:], [
                    (LOG_ERR, f"Subprocess Application Installer failed ({code})"),
                    (LOG_ERR, f"Bootstrapper end with exit code {code}"),
                ])


if __name__ == "__main__":
    unittest.main()
