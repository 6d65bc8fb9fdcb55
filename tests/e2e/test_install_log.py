import os
import unittest

from harness import LOG_DEBUG, LOG_ERR, LOG_NOTICE, LOG_USER, LOG_WARNING, Sandbox, binary

# Every message function as the probe calls it: the line and its priority.
MESSAGES = [
    ("applicationBegin", "Bootstrapper begin with version 1.2 on Mac x86", LOG_NOTICE),
    ("applicationEndSuccess", "Bootstrapper end with exit code 0", LOG_NOTICE),
    ("applicationEndFailure", "Bootstrapper end with exit code 12", LOG_ERR),
    ("runtimeInstalled",
     "Installed runtime (3.1.0.489) located at /Library/Frameworks/Zandrel Nimbra.framework",
     LOG_NOTICE),
    ("runtimeNotInstalled", "No installed runtime detected", LOG_NOTICE),
    ("immediateUpdateDisabled",
     "Cannot complete installation because runtime updates are disabled on this machine",
     LOG_ERR),
    ("subprocessBegin", 'Launching subprocess with commandline "installer" -x1 /tmp/App.pkg',
     LOG_NOTICE),
    ("subprocessSuccess", "Subprocess Runtime Installer succeeded", LOG_NOTICE),
    ("subprocessFailure", "Subprocess Application Installer failed (-1)", LOG_ERR),
    ("downloadBegin", "Begin runtime download from http://host/installer", LOG_NOTICE),
    ("downloadDest", "Download destination is /tmp/installer", LOG_NOTICE),
    ("downloadSuccess", "Download success", LOG_NOTICE),
    # Conversions inside an argument are text, never formatted again.
    ("downloadFailure", "Download failure: 100% %s %n lost", LOG_ERR),
    ("downloadCancel", "Download cancelled", LOG_NOTICE),
    ("sigValid", "Detached signature verified", LOG_NOTICE),
    ("sigInvalid", "Detached signature validation failed", LOG_ERR),
    ("couldNotLocateAppDir", 'Could not locate native install directory ("/tmp/App.pkg")',
     LOG_ERR),
    ("missingAllowDownloadFlag", "Unable to download runtime installer without -allowDownload",
     LOG_ERR),
    ("certChainBegin", "Begin cert chain validation", LOG_NOTICE),
    ("certRevocationFound", "Cert revocation found", LOG_NOTICE),
    ("certChainSuccess", "Cert chain validation succeeded", LOG_NOTICE),
    ("certChainFailure", "Cert chain validation failed", LOG_ERR),
]


class InstallLog(unittest.TestCase):
    def probe(self, *args):
        with Sandbox() as sb:
            r = sb.run([binary("log_probe"), *args])
        self.assertEqual(r.returncode, 0, r.stderr)
        return r

    def test_every_message_reaches_the_system_log_as_written(self):
        r = self.probe(*[name for name, _, _ in MESSAGES])
        self.assertEqual([(l.priority, l.message) for l in r.syslog],
                         [(priority, text) for _, text, priority in MESSAGES])
        # No facility or identity of our own: the user facility and the
        # program's name.
        for line in r.syslog:
            self.assertEqual((line.facility, line.ident), (LOG_USER, "log_probe"))
        self.assertEqual(r.stdout, "")

    def test_severities_map_to_priorities_and_out_of_range_is_refused(self):
        cases = [(0, LOG_ERR), (1, LOG_WARNING), (2, LOG_NOTICE), (3, LOG_DEBUG),
                 (4, None), (-1, None), (2147483647, None)]
        for severity, priority in cases:
            with self.subTest(severity=severity):
                r = self.probe(f"severity:{severity}")
                self.assertEqual(r.stderr.strip(), "0" if priority else "-3")
                expected = [(priority, f"severity {severity} line")] if priority else []
                self.assertEqual([(l.priority, l.message) for l in r.syslog], expected)
                self.assertEqual(r.stdout, "")

    def test_echo_writes_status_lines_even_for_refused_severities(self):
        r = self.probe("-echo", "applicationEndSuccess", "severity:4", "applicationEndFailure")
        self.assertEqual(r.stdout, "status Bootstrapper end with exit code 0\n"
                                   "status severity 4 line\n"
                                   "status Bootstrapper end with exit code 12\n")
        self.assertEqual([(l.priority, l.message) for l in r.syslog],
                         [(LOG_NOTICE, "Bootstrapper end with exit code 0"),
                          (LOG_ERR, "Bootstrapper end with exit code 12")])


if __name__ == "__main__":
    unittest.main()
