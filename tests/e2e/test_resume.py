"""Transfers whose connection breaks part-way, taken up again with Range and
If-Range, against the scripted fault server: what is asked for, what is
stored, and when the transfer gives up instead. download_probe drives the
Downloader and prints what an observer sees."""

import gzip
import os
import unittest

from fault_server import FaultServer, Reply, pattern
from harness import Sandbox, binary
from test_download import NO_PROXY, Probe

SIZE = 100_000
HALF = SIZE // 2
WHOLE = pattern(0, SIZE)
TAG = '"v1"'
OLD_DATE = "Mon, 01 Jan 2024 00:00:00 GMT"
GZIPPED = gzip.compress(WHOLE)


class ResumeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = FaultServer().__enter__()
        cls.addClassCleanup(cls.server.__exit__, None, None, None)

    def setUp(self):
        self.sb = Sandbox().__enter__()
        self.addCleanup(self.sb.__exit__, None, None, None)

    def fetch(self, path, *replies, options=()):
        """Scripts `path`, fetches it; the probe, and the path's requests as
        (Range, If-Range)."""
        self.server.script(path, *replies)
        before = len(self.server.log)
        r = self.sb.run([binary("download_probe"), "--idle-ms", "2000", *options,
                         self.server.url(path)], env=NO_PROXY, timeout=60)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        asked = [(rng, if_range) for p, rng, if_range in self.server.log[before:]]
        return Probe(r), asked

    def stored(self):
        names = os.listdir(self.sb.tmp)
        self.assertEqual(names, ["installer"])
        with open(os.path.join(self.sb.tmp, "installer"), "rb") as f:
            data = f.read()
        os.unlink(os.path.join(self.sb.tmp, "installer"))
        return data

    def test_a_broken_connection_is_taken_up_where_the_file_ends(self):
        v2 = bytes(reversed(WHOLE))
        half = Reply(SIZE, etag=TAG, cut=HALF)
        cases = [
            # label, replies, requests after the first, resumption lines, file
            ("closed at 50 %", [half, Reply(SIZE, etag=TAG)],
             [(f"bytes={HALF}-", TAG)], [f"resume {HALF} attempt 1", f"resumed at {HALF}"], WHOLE),
            ("reset at 50 %", [Reply(SIZE, etag=TAG, cut=HALF, reset=True), Reply(SIZE, etag=TAG)],
             [(f"bytes={HALF}-", TAG)], [f"resume {HALF} attempt 1", f"resumed at {HALF}"], WHOLE),
            ("a date when there is no tag",
             [Reply(SIZE, last_modified=OLD_DATE, cut=HALF), Reply(SIZE, last_modified=OLD_DATE)],
             [(f"bytes={HALF}-", OLD_DATE)], [f"resume {HALF} attempt 1", f"resumed at {HALF}"],
             WHOLE),
            ("the server ignores Range", [half, Reply(SIZE, etag=TAG, ranges=False)],
             [(f"bytes={HALF}-", TAG)], [f"resume {HALF} attempt 1", "resumed at 0"], WHOLE),
            # If-Range no longer matches: the new version, whole.
            # A 206 need not repeat every validator.
            ("a part that names only its date",
             [half, Reply(SIZE, last_modified=OLD_DATE,
                          content_range=f"bytes {HALF}-{SIZE - 1}/{SIZE}")],
             [(f"bytes={HALF}-", TAG)], [f"resume {HALF} attempt 1", f"resumed at {HALF}"], WHOLE),
            ("the file changed meanwhile", [half, Reply(v2, etag='"v2"')],
             [(f"bytes={HALF}-", TAG)], [f"resume {HALF} attempt 1", "resumed at 0"], v2),
            ("the resumption breaks before its answer, then again in its body",
             [half, Reply(SIZE, etag=TAG, cut="status"), Reply(SIZE, etag=TAG, cut=20_000),
              Reply(SIZE, etag=TAG)],
             [(f"bytes={HALF}-", TAG)] * 2 + [("bytes=70000-", TAG)],
             [f"resume {HALF} attempt 1", f"resume {HALF} attempt 2", f"resumed at {HALF}",
              "resume 70000 attempt 3", "resumed at 70000"], WHOLE),
        ]
        for n, (label, replies, asked, lines, expected) in enumerate(cases):
            with self.subTest(label):
                p, requests = self.fetch(f"/broken/{n}/installer", *replies)
                self.assertTrue(p.only["success"], p.lines)
                self.assertEqual(requests, [(None, None)] + asked)
                self.assertEqual([l for l in p.lines if l.startswith("resume")], lines)
                # Each time, the file holds exactly the bytes counted so far.
                self.assertEqual([l.split()[2] for l in p.lines if l.startswith("on disk ")],
                                 [l.split()[1] for l in lines if l.startswith("resume ")])
                self.assertEqual(self.stored(), expected)
                # One transfer for the observer: one response, one destination,
                # progress that only rises to 100 (and back to 0 at the end).
                self.assertEqual(len([l for l in p.lines if l.startswith("response ")]), 1)
                self.assertEqual(p.result.messages[1:], [
                    f"Download destination is {self.sb.tmp}/installer", "Download success"])
                self.assertEqual(p.progress[:-1], sorted(p.progress[:-1]))
                self.assertEqual(p.progress[-2:], [100.0, 0.0])

    def test_a_resumption_goes_to_where_the_first_request_was_redirected(self):
        self.server.script("/moved/to/installer", Reply(SIZE, etag=TAG, cut=HALF),
                           Reply(SIZE, etag=TAG))
        p, _ = self.fetch("/moved/installer", "/redirect?to=/moved/to/installer")
        self.assertTrue(p.only["success"], p.lines)
        self.assertEqual(self.stored(), WHOLE)
        moved = [entry for entry in self.server.log if entry[0].startswith("/moved/")]
        self.assertEqual(moved[-3:],
                         [("/moved/installer", None, None), ("/moved/to/installer", None, None),
                          ("/moved/to/installer", f"bytes={HALF}-", TAG)])

    def test_an_answer_that_does_not_continue_the_file_fails_the_transfer(self):
        half = Reply(SIZE, etag=TAG, cut=HALF)
        cases = [
            ("starts elsewhere", Reply(SIZE, etag=TAG, content_range=f"bytes 40000-99999/{SIZE}"),
             -1011),
            ("another total", Reply(SIZE, etag=TAG, content_range=f"bytes {HALF}-99998/99999"),
             -1011),
            ("no total", Reply(SIZE, etag=TAG, content_range=f"bytes {HALF}-99999/*"), -1011),
            ("ends before the total",
             Reply(SIZE, etag=TAG, content_range=f"bytes {HALF}-89999/{SIZE}"), -1011),
            # A server that ignores If-Range and sends part of another version.
            ("another tag", Reply(SIZE, etag='"v2"', content_range=f"bytes {HALF}-99999/{SIZE}"),
             -1011),
            ("another date", Reply(SIZE, etag=TAG, last_modified="Tue, 02 Jan 2024 00:00:00 GMT",
                                   content_range=f"bytes {HALF}-99999/{SIZE}"), -1011),
            ("a range it cannot serve", Reply(SIZE, etag=TAG, headers=[("X", "y")],
                                             content_range=f"bytes */{SIZE}"), -1011),
            ("gone", "/status/404", -1100),
            ("not modified", "/status/304", -1011),
        ]
        for n, (label, answer, code) in enumerate(cases):
            with self.subTest(label):
                first = half
                if label == "another date":
                    first = Reply(SIZE, last_modified=OLD_DATE, cut=HALF)
                p, requests = self.fetch(f"/mismatch/{n}/installer", first, answer)
                self.assertFalse(p.only["success"])
                self.assertEqual(p.only["error"][0], code, p.lines)
                self.assertEqual(requests,
                                 [(None, None), (f"bytes={HALF}-", first.etag or OLD_DATE)])
                self.assertEqual(os.listdir(self.sb.tmp), [])

    def test_bodies_that_are_not_taken_up(self):
        cases = [
            ("no validator", Reply(SIZE, cut=HALF)),
            ("a weak tag", Reply(SIZE, etag='W/"v1"', last_modified=OLD_DATE, cut=HALF)),
            ("a date in the second of the response",
             Reply(SIZE, last_modified=Reply.NOW, cut=HALF)),
            ("a gzip body being decoded",
             Reply(GZIPPED, etag=TAG, content_type="application/x-gzip", cut=len(GZIPPED) // 2)),
            ("broken before any byte", Reply(SIZE, etag=TAG, cut=0)),
        ]
        for n, (label, reply) in enumerate(cases):
            with self.subTest(label):
                p, requests = self.fetch(f"/once/{n}/installer", reply)
                self.assertFalse(p.only["success"])
                self.assertEqual(p.only["error"][0], -1005, p.lines)
                self.assertEqual(requests, [(None, None)])
                self.assertEqual(os.listdir(self.sb.tmp), [])

    def test_three_resumptions_at_most(self):
        p, requests = self.fetch("/flaky/installer", *[Reply(SIZE, etag=TAG, cut=10_000)] * 5)
        self.assertFalse(p.only["success"])
        self.assertEqual(p.only["error"][0], -1005)
        self.assertEqual(requests, [(None, None)] + [(f"bytes={n}-", TAG)
                                                     for n in (10_000, 20_000, 30_000)])
        self.assertEqual(os.listdir(self.sb.tmp), [])

    def test_a_resumed_transfer_keeps_its_bounds(self):
        half = Reply(SIZE, etag=TAG, cut=HALF)
        # The bound counts the whole file, not what one answer brought.
        p, _ = self.fetch("/bounded/installer", half, Reply(SIZE, etag=TAG),
                          options=("--max-bytes", "60000"))
        self.assertEqual(p.only["error"][0], -1103, p.lines)
        self.assertEqual(os.listdir(self.sb.tmp), [])
        # An answer that stalls meets the idle timer.
        p, _ = self.fetch("/stalled/installer", half, "/stall/10")
        self.assertEqual(p.only["error"][0], -1001, p.lines)
        self.assertEqual(os.listdir(self.sb.tmp), [])


if __name__ == "__main__":
    unittest.main()
