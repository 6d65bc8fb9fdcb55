"""The Downloader against real servers on loopback: nginx for files,
redirects, missing files and MIME types, the fault server for broken
transfers. download_probe drives it and prints what an observer sees."""

import gzip
import os
import socket
import unittest
import urllib.parse

from fault_server import FaultServer
from harness import Sandbox, binary
from nginx_server import Nginx



# Loopback servers are reached directly, whatever proxy the machine names.
NO_PROXY = {name: None for name in ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                    "all_proxy", "ALL_PROXY")}


def payload(n, seed=1):
    return bytes((i * 31 + seed) & 0xFF for i in range(n))


INSTALLER = payload(200_000)
SIGNATURE = payload(3_000, seed=9)
GZIPPED = payload(50_000, seed=5)

FILES = {
    "/files/installer": INSTALLER,
    "/files/installer.p7": SIGNATURE,
    "/files/small": payload(16_384),
    "/files/just-over": payload(16_385),
    "/xgzip/installer": gzip.compress(GZIPPED),
    "/gzip/installer": gzip.compress(GZIPPED),
    "/capgzip/installer": gzip.compress(GZIPPED),
    "/octet/installer": gzip.compress(GZIPPED),
    "/xgzip/corrupt": gzip.compress(GZIPPED)[:-100] + b"\0" * 100,
    "/xgzip/bomb": gzip.compress(b"\0" * 2_000_000),
}

LOCATIONS = """
        location /xgzip/ { types {} default_type application/x-gzip; }
        location /gzip/ { types {} default_type application/gzip; }
        location /capgzip/ { types {} default_type Application/Gzip; }
        location /octet/ { types {} default_type application/octet-stream; }
        location = /moved { return 302 /files/installer; }
        location = /moved-twice { return 301 /moved; }
        location = /loop { return 302 /loop; }
        location = /gone { return 410; }
        location = /broken { return 503; }
"""


class Probe:
    """What one download_probe run printed, parsed."""

    def __init__(self, result):
        self.result = result
        self.lines = result.stdout.splitlines()
        self.progress = [float(l.split()[1]) for l in self.lines if l.startswith("progress ")]
        self.runs = []
        for line in self.lines:
            words = line.split(" ")
            if words[0] == "notification":
                self.runs.append({"name": words[1], "success": words[3] == "1",
                                  "sender": words[5] == "1", "files": [], "error": None})
            elif words[0] == "file" and self.runs:
                self.runs[-1]["files"].append(line[5:])
            elif words[0] == "lastError" and words[1] != "none":
                self.runs[-1]["error"] = (int(words[2]), " ".join(words[3:]))

    @property
    def only(self):
        assert len(self.runs) == 1, self.lines
        return self.runs[0]

    def count(self, line):
        return self.lines.count(line)


class DownloadTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Free ports: the tests of several build trees may run at once.
        cls.nginx = Nginx(None, FILES, LOCATIONS).__enter__()
        cls.addClassCleanup(cls.nginx.__exit__, None, None, None)
        cls.faults = FaultServer().__enter__()
        cls.addClassCleanup(cls.faults.__exit__, None, None, None)
        # Bound but not listening: connections to it are refused, and no one
        # else can take the port meanwhile.
        cls.closed = socket.socket()
        cls.addClassCleanup(cls.closed.close)
        cls.closed.bind(("127.0.0.1", 0))
        cls.closed_url = "http://127.0.0.1:%d/installer" % cls.closed.getsockname()[1]

    def setUp(self):
        self.sb = Sandbox().__enter__()
        self.addCleanup(self.sb.__exit__, None, None, None)

    def probe(self, *args):
        r = self.sb.run([binary("download_probe"), *args], env=NO_PROXY, timeout=60)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        p = Probe(r)
        self.assertEqual(p.count(f"notifications {len(p.runs)}"), 1, r.stdout)
        return p

    def tmp(self, name):
        return os.path.join(self.sb.tmp, name)

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def test_two_files_land_in_the_temporary_folder_with_their_log_lines(self):
        urls = [self.nginx.url("/files/installer"), self.nginx.url("/files/installer.p7")]
        p = self.probe(*urls)
        run = p.only
        self.assertTrue(run["success"])
        self.assertTrue(run["sender"])
        self.assertEqual(run["files"], [self.tmp("installer"), self.tmp("installer.p7")])
        self.assertEqual(self.read(self.tmp("installer")), INSTALLER)
        self.assertEqual(self.read(self.tmp("installer.p7")), SIGNATURE)
        self.assertEqual(os.stat(self.tmp("installer")).st_mode & 0o777, 0o600)
        self.assertIsNone(run["error"])
        self.assertEqual(p.result.messages, [
            f"Begin runtime download from {urls[0]}",
            f"Download destination is {self.tmp('installer')}",
            "Download success",
            f"Begin signature download from {urls[1]}",
            f"Download destination is {self.tmp('installer.p7')}",
            "Download success",
        ])
        # The window comes up for each URL, the button is enabled throughout,
        # and both go at the end.
        events = [l for l in p.lines if l.startswith(("window front", "window close", "cancel-"))]
        self.assertEqual(events, ["cancel-enabled 1", "window front"] * 2
                         + ["cancel-enabled 0", "window close"])

    def test_progress_follows_the_announced_length_only_above_16384_bytes(self):
        cases = [
            ("exactly 16384 bytes", self.nginx.url("/files/small"), lambda p: p == []),
            ("16385 bytes", self.nginx.url("/files/just-over"),
             lambda p: p[0] == 100.0 and max(p) == 100.0),
            ("200000 bytes", self.nginx.url("/files/installer"),
             lambda p: p[0] > 16384 / 200_000 * 100 and p[-1] == 100.0 and p == sorted(p)),
            ("no announced length", self.faults.url("/nolength/100000"), lambda p: p == []),
            ("longer than announced", self.faults.url("/longer/20000/60000"),
             lambda p: max(p) == 300.0),
        ]
        for label, url, check in cases:
            with self.subTest(label):
                p = self.probe(url)
                self.assertTrue(p.only["success"], p.lines)
                moves = p.progress
                # Back to 0 at the end of the run, once it had moved.
                if moves:
                    self.assertEqual(moves[-1], 0.0)
                    moves = moves[:-1]
                self.assertTrue(check(moves), (label, moves))

    def test_a_failed_first_url_ends_the_run_and_the_second_is_never_requested(self):
        before = len(self.nginx.requests())
        missing = self.nginx.url("/files/missing")
        p = self.probe(missing, self.nginx.url("/files/installer.p7"))
        run = p.only
        self.assertFalse(run["success"])
        self.assertEqual(run["files"], [])
        self.assertEqual(run["error"], (-1100, "The requested file does not exist."))
        self.assertEqual(self.nginx.requests()[before:], ["/files/missing"])
        self.assertEqual(p.result.messages, [
            f"Begin runtime download from {missing}",
            "Download failure: The requested file does not exist.",
        ])
        self.assertEqual(os.listdir(self.sb.tmp), [])

    def test_a_first_url_failing_mid_body_keeps_its_path_but_not_its_file(self):
        before = len(self.faults.requests)
        p = self.probe(self.faults.url("/drop/50000"), self.faults.url("/file/second"))
        run = p.only
        self.assertFalse(run["success"])
        self.assertEqual(run["files"], [self.tmp("50000")])
        self.assertEqual(run["error"][0], -1005)
        self.assertEqual(self.faults.requests[before:], ["/drop/50000"])
        self.assertEqual(os.listdir(self.sb.tmp), [])

    def test_with_ignore_failures_a_run_of_failures_still_succeeds(self):
        urls = [self.nginx.url("/files/missing"), self.faults.url("/drop/30000"),
                self.closed_url]
        p = self.probe("--name", "CrlDownloadDone", "--ignore-failures", *urls)
        run = p.only
        self.assertEqual(run["name"], "CrlDownloadDone")
        self.assertTrue(run["success"])
        # The dropped transfer had created its file; the path stays listed.
        self.assertEqual(run["files"], [self.tmp("30000")])
        self.assertEqual(run["error"], (-1004, "Could not connect to the server."))
        self.assertEqual(p.result.messages, [
            f"Begin crl download from {urls[0]}",
            "Download failure: The requested file does not exist.",
            f"Begin crl download from {urls[1]}",
            f"Download destination is {self.tmp('30000')}",
            "Download failure: The network connection was lost.",
            f"Begin crl download from {urls[2]}",
            "Download failure: Could not connect to the server.",
        ])
        self.assertEqual(os.listdir(self.sb.tmp), [])

    def test_a_name_clash_keeps_the_old_file_and_reports_the_new_path(self):
        for name in ("installer", "installer-1", "installer.p7"):
            with open(self.tmp(name), "wb") as f:
                f.write(b"old " + name.encode())
        os.symlink("/nonexistent/target", self.tmp("installer-2"))
        p = self.probe(self.nginx.url("/files/installer"), self.nginx.url("/files/installer.p7"))
        run = p.only
        self.assertEqual(run["files"], [self.tmp("installer-3"), self.tmp("installer-1.p7")])
        self.assertEqual(self.read(self.tmp("installer-3")), INSTALLER)
        self.assertEqual(self.read(self.tmp("installer-1.p7")), SIGNATURE)
        for name in ("installer", "installer-1", "installer.p7"):
            self.assertEqual(self.read(self.tmp(name)), b"old " + name.encode())
        self.assertEqual(os.readlink(self.tmp("installer-2")), "/nonexistent/target")
        # The chosen name is logged, the one written is reported.
        self.assertIn(f"Download destination is {self.tmp('installer')}", p.result.messages)

    def test_cancel_during_the_second_url_keeps_the_first_file_listed(self):
        urls = [self.nginx.url("/files/installer"), self.faults.url("/stall/40000")]
        # Pressed from the run loop, as a user would, and from inside the
        # transfer's own data callback.
        for how in ([], ["--cancel-inline"]):
            with self.subTest(how=how):
                p = self.probe("--cancel-on-data", "1", *how, *urls)
                run = p.only
                self.assertFalse(run["success"])
                self.assertEqual(run["files"], [self.tmp("installer"), self.tmp("40000")])
                self.assertEqual(os.listdir(self.sb.tmp), ["installer"])
                self.assertEqual(p.result.messages[-2:],
                                 [f"Download destination is {self.tmp('40000')}",
                                  "Download cancelled"])
                after = p.lines[p.lines.index("press cancel") + 1:]
                self.assertEqual(after[:2], ["cancel-enabled 0", "window close"])
                os.unlink(self.tmp("installer"))

    def test_silent_runs_never_show_the_window_but_enable_cancel(self):
        p = self.probe("--silent", self.nginx.url("/files/small"))
        events = [l for l in p.lines if l.startswith(("window front", "window close", "cancel-"))]
        self.assertEqual(events, ["cancel-enabled 1", "cancel-enabled 0", "window close"])

    def test_cleanup_removes_the_files_of_every_run(self):
        p = self.probe("--cleanup",
                       self.nginx.url("/files/installer"), self.nginx.url("/files/installer.p7"),
                       "--run", "--name", "CrlDownloadDone", "--ignore-failures",
                       self.nginx.url("/files/small"), self.nginx.url("/files/missing"),
                       self.nginx.url("/xgzip/installer"))
        self.assertEqual([r["success"] for r in p.runs], [True, True])
        self.assertEqual(p.runs[1]["files"], [self.tmp("small"), self.tmp("installer-1")])
        self.assertIn("cleaned", p.lines)
        self.assertEqual(os.listdir(self.sb.tmp), [])

    def test_last_error_outlives_a_later_successful_run(self):
        p = self.probe(self.nginx.url("/gone"), "--run", self.nginx.url("/files/small"))
        self.assertEqual([r["success"] for r in p.runs], [False, True])
        self.assertEqual(p.runs[1]["error"][0], -1100)

    def test_only_the_two_gzip_types_are_decoded(self):
        cases = [("/xgzip/installer", GZIPPED), ("/gzip/installer", GZIPPED),
                 ("/capgzip/installer", FILES["/capgzip/installer"]),
                 ("/octet/installer", FILES["/octet/installer"])]
        for path, expected in cases:
            with self.subTest(path):
                p = self.probe(self.nginx.url(path))
                self.assertTrue(p.only["success"])
                self.assertEqual(self.read(p.only["files"][0]), expected)
                os.unlink(p.only["files"][0])

    def test_transfer_failures_map_to_url_errors_and_leave_no_file(self):
        cases = [
            ("connection dropped mid-body", self.faults.url("/drop/40000"), -1005),
            ("stalled", self.faults.url("/stall/1000"), -1001),
            ("gone", self.nginx.url("/gone"), -1100),
            ("server error", self.nginx.url("/broken"), -1011),
            ("forbidden", self.faults.url("/status/403"), -1011),
            ("redirect loop", self.nginx.url("/loop"), -1007),
            ("redirect to another scheme", self.faults.url("/redirect?to=file:///etc/passwd"), -1002),
            ("a redirect with an endless page",
             self.faults.url("/redirect-page/3000000?to=/file/after"), -1011),
            ("endless trailers", self.faults.url("/trailers/2000"), -1011),
            ("corrupt gzip", self.nginx.url("/xgzip/corrupt"), -1016),
            ("connection refused", self.closed_url, -1004),
        ]
        for label, url, code in cases:
            with self.subTest(label):
                # Only the stall waits out the (shortened) idle time; the others
                # keep the full one, so a busy machine cannot turn them into
                # time-outs.
                p = self.probe(*(["--idle-ms", "400"] if code == -1001 else []), url)
                self.assertFalse(p.only["success"])
                self.assertEqual(p.only["error"][0], code, p.lines)
                self.assertEqual(p.result.messages[-1],
                                 f"Download failure: {p.only['error'][1]}")
                self.assertEqual(os.listdir(self.sb.tmp), [])

    def test_a_file_that_cannot_be_written_fails_the_transfer_and_is_deleted(self):
        # The probe may store at most `limit` bytes in any file; past it a
        # write fails (EFBIG) instead of raising SIGXFSZ. Its output goes
        # through a pipe, which the limit does not cover.
        cases = [("the first bytes", 0, 100_000),
                 ("the last bytes", 10_000, 100_000),
                 ("bytes in the middle of a long body", 300_000, 1_000_000)]
        for label, limit, size in cases:
            with self.subTest(label):
                r = self.sb.run(["sh", "-c", 'trap "" XFSZ; l=$1; shift; '
                                 'prlimit --fsize=$l:$l -- "$@" | cat', "sh", str(limit),
                                 binary("download_probe"),
                                 self.faults.url(f"/file/big?size={size}")],
                                env=NO_PROXY, timeout=60)
                self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
                p = Probe(r)
                self.assertEqual(p.count("notifications 1"), 1, r.stdout + r.stderr)
                self.assertFalse(p.only["success"])
                self.assertEqual(p.only["error"][0], -3003, p.lines)
                self.assertEqual(p.result.messages[-1],
                                 f"Download failure: {p.only['error'][1]}")
                self.assertEqual(os.listdir(self.sb.tmp), [])

    def test_what_one_transfer_may_store_is_bounded_after_decoding(self):
        cases = [("plain body", self.nginx.url("/files/installer")),
                 ("announced", self.faults.url("/file/big?size=5000")),
                 ("small gzip, large body", self.nginx.url("/xgzip/bomb"))]
        for label, url in cases:
            with self.subTest(label):
                p = self.probe("--max-bytes", "4096", url)
                self.assertFalse(p.only["success"])
                self.assertEqual(p.only["error"][0], -1103)
                self.assertEqual(os.listdir(self.sb.tmp), [])
        p = self.probe("--max-bytes", str(len(INSTALLER)), self.nginx.url("/files/installer"))
        self.assertTrue(p.only["success"])

    def test_the_proxy_environment_is_honoured(self):
        # The fault server stands in for the proxy: it sees the whole URL.
        url = "http://nimbra-origin.invalid/file/proxied?size=2000"
        r = self.sb.run([binary("download_probe"), url],
                        env={**NO_PROXY, "http_proxy": self.faults.base, "no_proxy": None,
                             "NO_PROXY": None})
        p = Probe(r)
        self.assertTrue(p.only["success"], r.stdout)
        self.assertEqual(p.only["files"], [self.tmp("proxied")])
        self.assertIn(url, self.faults.requests)

    def test_redirects_are_followed_to_the_final_name(self):
        p = self.probe(self.nginx.url("/moved-twice"))
        self.assertTrue(p.only["success"])
        self.assertEqual(p.only["files"], [self.tmp("installer")])
        self.assertEqual(self.read(self.tmp("installer")), INSTALLER)

    def test_trailers_and_a_redirect_page_within_bounds_are_passed_over(self):
        cases = [("redirect page", self.faults.url("/redirect-page/60000?to=/file/after"),
                  "after", 1000),
                 ("trailers", self.faults.url("/trailers/4"), "4", len(b"trailed body\n"))]
        for label, url, name, size in cases:
            with self.subTest(label):
                p = self.probe(url)
                self.assertTrue(p.only["success"], p.lines)
                self.assertEqual(p.only["files"], [self.tmp(name)])
                self.assertEqual(os.path.getsize(self.tmp(name)), size)
                os.unlink(self.tmp(name))

    def test_a_hostile_content_disposition_yields_a_plain_name_in_the_folder(self):
        cases = [
            ('attachment; filename="../../../etc/cron.d/evil"', "evil"),
            ("attachment; filename=..", "fallback"),
            ('attachment; filename="..\\\\..\\\\win.exe"', "win.exe"),
            ("attachment; filename*=UTF-8''%2E%2E%2F%2E%2E%2Fdeep%00name", "deepname"),
            ('attachment; filename="a\x01b\x7fc"', "abc"),
            ('attachment; filename="/"', "fallback"),
        ]
        for value, name in cases:
            with self.subTest(value):
                p = self.probe(self.faults.url("/disposition/fallback?v=" + urllib.parse.quote(value)))
                self.assertTrue(p.only["success"], p.lines)
                self.assertEqual(p.only["files"], [self.tmp(name)])
                self.assertEqual(os.listdir(self.sb.tmp), [name])
                os.unlink(self.tmp(name))

    def test_a_download_that_cannot_start_ends_its_run_with_one_notification(self):
        cases = [("not a URL", "::not a url::"), ("another scheme", "ftp://127.0.0.1/installer")]
        for label, url in cases:
            with self.subTest(label):
                p = self.probe(url, self.nginx.url("/files/installer.p7"))
                self.assertFalse(p.only["success"])
                self.assertEqual(p.only["files"], [])
                self.assertEqual(p.result.messages, [f"Begin runtime download from {url}",
                                                     "Download failure: could not start download"])


if __name__ == "__main__":
    unittest.main()
