"""PackageSetupLauncher against a download server that misbehaves in every way
a network can: each case ends with its exit code (11 when the download
fails; 13 when it completes, since the signature served is bogus) and leaves
the temporary folder as it was. Every case has a system version, and so a
download folder, of its own: the cases run side by side against one server,
the slow ones (a stall, a drip) first."""
# ctest: uses the download port

import concurrent.futures
import gzip
import os
import re
import shutil
import tempfile
import time
import unittest

from fault_server import FaultServer, Reply
from harness import BUILD_DIR, Sandbox
from sample_runtime import make_installer_bundle, make_package, write_system_version
from test_bootstrapper_download import PORT
from test_download import NO_PROXY


def test_settings_built_in():
    with open(os.path.join(BUILD_DIR, "CMakeCache.txt")) as f:
        return re.search(r"^NIMBRA_TEST_SETTINGS:BOOL=ON$", f.read(), re.M) is not None


SIZE = 200_000
HALF = SIZE // 2
TAG = '"v1"'
SIGNATURE = Reply(b"not a signature")
BOUND = {"NIMBRA_TEST_MAX_DOWNLOAD_BYTES": "100000"}
LOST = "The network connection was lost."
MISFIT = "The server sent a bad response. (a resumed body that does not continue the file)"


class Case:
    """What the server answers for the installer and its signature, and how
    the run must end: `failure` is the logged download failure (None: the
    download completes, both files)."""

    def __init__(self, installer, signature=(SIGNATURE,), env=None, failure=None, name=None):
        self.installer = installer
        self.signature = signature
        self.env = env or {}
        self.failure = failure
        self.name = name


CASES = {
    # Bounds (lowered for the test).
    "longer than the bound": Case([Reply(SIZE)], env=BOUND,
                                  failure="The response is larger than allowed."),
    "longer than the bound, unannounced": Case(
        [Reply(SIZE, length=False)], env=BOUND, failure="The response is larger than allowed."),
    "a small gzip body inflating past the bound": Case(
        [Reply(gzip.compress(b"\0" * 1_000_000), content_type="application/x-gzip")], env=BOUND,
        failure="The response is larger than allowed."),
    # The idle timer.
    "a stall": Case(["/stall/1000"], failure="The request timed out."),
    "a drip just fast enough": Case([Reply(SIZE, pieces=3, gap=25)]),
    # Redirects.
    "a redirect loop": Case(["/redirect?to={installer}"], failure="Too many HTTP redirects."),
    "a redirect to a file": Case(["/redirect?to=file:///etc/passwd"],
                                 failure="The URL's scheme is not supported."),
    "a redirect to ftp": Case(["/redirect?to=ftp://127.0.0.1/installer"],
                              failure="The URL's scheme is not supported."),
    "a signature redirected to another scheme": Case(
        [Reply(SIZE)], signature=["/redirect?to=gopher://127.0.0.1/x"],
        failure="The URL's scheme is not supported."),
    # File names the server suggests.
    "a name climbing out of the folder": Case(
        [Reply(SIZE, headers=[("Content-Disposition", 'attachment; filename="../../x"')])],
        name="x"),
    "an absolute name": Case(
        [Reply(SIZE, headers=[("Content-Disposition", 'attachment; filename="{outside}/abs"')])],
        name="abs"),
    "a header flood": Case(
        [Reply(SIZE, headers=[(f"X-Flood-{i}", "f" * 1000) for i in range(2000)])],
        failure=LOST),
    # Resets in each phase.
    "a reset before the response": Case([Reply(SIZE, etag=TAG, cut="status", reset=True)],
                                        failure=LOST),
    "a reset inside the header section": Case([Reply(SIZE, etag=TAG, cut="headers", reset=True)],
                                              failure=LOST),
    "a reset in the installer's body": Case(
        [Reply(SIZE, etag=TAG, cut=HALF, reset=True), Reply(SIZE, etag=TAG)]),
    "a reset in the signature's body": Case(
        [Reply(SIZE)], signature=[Reply(SIZE, etag=TAG, cut=HALF, reset=True),
                                  Reply(SIZE, etag=TAG)]),
    "a reset before the resumption's answer": Case(
        [Reply(SIZE, etag=TAG, cut=HALF, reset=True),
         Reply(SIZE, etag=TAG, cut="status", reset=True), Reply(SIZE, etag=TAG)]),
    "a reset in a body without a validator": Case([Reply(SIZE, cut=HALF, reset=True)],
                                                  failure=LOST),
    "a reset every time": Case([Reply(SIZE, etag=TAG, cut=HALF // 4, reset=True)], failure=LOST),
    # Resumption answers.
    "closed at 50 %": Case([Reply(SIZE, etag=TAG, cut=HALF), Reply(SIZE, etag=TAG)]),
    "a server that ignores Range": Case(
        [Reply(SIZE, etag=TAG, cut=HALF), Reply(SIZE, etag=TAG, ranges=False)]),
    "a tag that changed between the requests": Case(
        [Reply(SIZE, etag=TAG, cut=HALF), Reply(SIZE + 10, etag='"v2"')]),
    "a part of another version": Case(
        [Reply(SIZE, etag=TAG, cut=HALF),
         Reply(SIZE, etag='"v2"', content_range=f"bytes {HALF}-{SIZE - 1}/{SIZE}")],
        failure=MISFIT),
    "a part that starts elsewhere": Case(
        [Reply(SIZE, etag=TAG, cut=HALF),
         Reply(SIZE, etag=TAG, content_range=f"bytes 0-{SIZE - 1}/{SIZE}")], failure=MISFIT),
    # Sizes.
    "a signature of 100 MiB": Case([Reply(SIZE)], signature=[Reply(100 << 20)]),
}
SLOW = ("a drip just fast enough", "a stall")


def folder(index):
    return f"/nimbra/3/psu/macos10.{index + 10}/x86"


def run_case(index, case, outside):
    """Runs the bootstrapper on a case; what the test needs to know."""
    with Sandbox() as sb:
        write_system_version(sb.root, f"10.{index + 10}.1")
        package = make_package(os.path.join(sb.path, "packages"), "Sample")
        bundle = make_installer_bundle(sb.path, "Sample", package)
        # Two levels down, so that "../../x" would land in the sandbox.
        tmp = os.path.join(sb.path, "a", "tmp")
        os.makedirs(tmp)
        with open(os.path.join(tmp, "unrelated"), "wb") as f:
            f.write(b"keep")
        started = time.monotonic()
        r = sb.run([bundle.executable, "-silent", "-allowDownload"],
                   env={**NO_PROXY, "TMPDIR": tmp, **case.env}, timeout=240)
        elapsed = time.monotonic() - started
        with open(os.path.join(tmp, "unrelated"), "rb") as f:
            kept = f.read()
        return {"code": r.returncode, "stderr": r.stderr, "messages": r.messages, "tmp": tmp,
                "left": sorted(os.listdir(tmp)), "kept": kept, "elapsed": elapsed,
                "escaped": [p for p in ("x", "a/x") if os.path.exists(os.path.join(sb.path, p))]
                + os.listdir(outside)}


@unittest.skipUnless(PORT, "this build does not download from loopback")
class HostileNetworkTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Where the absolute name points: a folder no case may write to.
        outside = tempfile.mkdtemp(prefix="nimbra-outside.")
        cls.addClassCleanup(shutil.rmtree, outside, ignore_errors=True)
        cls.server = FaultServer(PORT).__enter__()
        cls.addClassCleanup(cls.server.__exit__, None, None, None)
        pool = concurrent.futures.ThreadPoolExecutor(max_workers=4)
        cls.addClassCleanup(pool.shutdown)
        cls.runs = {}
        with_bound = test_settings_built_in()
        names = list(SLOW) + [name for name in CASES if name not in SLOW]
        for index, name in enumerate(names):
            case = CASES[name]
            if case.env.get("NIMBRA_TEST_MAX_DOWNLOAD_BYTES") and not with_bound:
                continue
            base = folder(index)
            fill = {"installer": base + "/installer", "outside": outside}
            for replies, path in ((case.installer, "/installer"),
                                  (case.signature, "/installer.p7")):
                for reply in replies:
                    if isinstance(reply, Reply):
                        reply.headers = [(n, v.format(**fill)) for n, v in reply.headers]
                cls.server.script(base + path, *[r.format(**fill) if isinstance(r, str) else r
                                                 for r in replies])
            cls.runs[name] = (base, pool.submit(run_case, index, case, outside))

    def result(self, name):
        if name not in self.runs:
            self.skipTest("this build has no test settings")
        base, future = self.runs[name]
        return base, future.result()

    def check(self, names):
        """Each case ends as it should; the server's log, per case."""
        logs = {}
        for name in names:
            with self.subTest(name):
                case = CASES[name]
                base, r = self.result(name)
                self.assertEqual(r["left"], ["unrelated"], r["messages"])
                self.assertEqual(r["kept"], b"keep")
                self.assertEqual(r["escaped"], [])
                messages = r["messages"]
                if case.failure:
                    self.assertEqual(r["code"], 11, r["stderr"])
                    self.assertIn(f"Download failure: {case.failure}", messages)
                    self.assertEqual(messages[-1], "Bootstrapper end with exit code 11")
                else:
                    self.assertEqual(r["code"], 13, r["stderr"])
                    self.assertEqual(messages.count("Download success"), 2, messages)
                    self.assertEqual(messages[-1], "Bootstrapper end with exit code 13")
                logs[name] = [(path[len(base) + 1:], rng, if_range)
                              for path, rng, if_range in self.server.log
                              if path.startswith(base + "/")]
        return logs

    def test_what_a_transfer_may_store_is_bounded(self):
        self.check(["longer than the bound", "longer than the bound, unannounced",
                    "a small gzip body inflating past the bound", "a signature of 100 MiB"])

    def test_the_idle_timer_counts_only_time_without_data(self):
        self.check(SLOW)
        # 30.0 s without data, not less (nothing here bounds how long it may take).
        self.assertGreaterEqual(self.result("a stall")[1]["elapsed"], 29.9)
        # The drip took longer than that in all, yet never waited 30 s.
        self.assertGreaterEqual(self.result("a drip just fast enough")[1]["elapsed"], 50)

    def test_redirects_stay_on_the_web_and_end(self):
        self.check(["a redirect loop", "a redirect to a file", "a redirect to ftp",
                    "a signature redirected to another scheme"])

    def test_suggested_names_stay_plain_names_in_the_temporary_folder(self):
        for name in self.check(["a name climbing out of the folder", "an absolute name"]):
            _, r = self.result(name)
            self.assertIn(f"Download destination is {r['tmp']}/{CASES[name].name}", r["messages"])

    def test_a_header_flood_fails_the_download(self):
        self.check(["a header flood"])

    def test_resets_are_taken_up_only_in_a_body_with_a_validator(self):
        first = [("installer", None, None)]
        resumed = ("installer", f"bytes={HALF}-", TAG)
        logs = self.check(["a reset before the response", "a reset inside the header section",
                           "a reset in the installer's body", "a reset in the signature's body",
                           "a reset before the resumption's answer",
                           "a reset in a body without a validator", "a reset every time"])
        self.assertEqual(logs["a reset before the response"], first)
        self.assertEqual(logs["a reset inside the header section"], first)
        self.assertEqual(logs["a reset in a body without a validator"], first)
        self.assertEqual(logs["a reset in the installer's body"],
                         first + [resumed, ("installer.p7", None, None)])
        self.assertEqual(logs["a reset in the signature's body"],
                         [("installer", None, None), ("installer.p7", None, None),
                          ("installer.p7", f"bytes={HALF}-", TAG)])
        self.assertEqual(logs["a reset before the resumption's answer"],
                         first + [resumed, resumed, ("installer.p7", None, None)])
        self.assertEqual(logs["a reset every time"],
                         first + [("installer", f"bytes={n * HALF // 4}-", TAG) for n in (1, 2, 3)])

    def test_a_connection_dropped_at_half_completes_with_one_resumption(self):
        logs = self.check(["closed at 50 %", "a server that ignores Range",
                           "a tag that changed between the requests",
                           "a part of another version", "a part that starts elsewhere"])
        for name, entries in logs.items():
            with self.subTest(name):
                # The Range request went out, once, from exactly half way.
                self.assertEqual(entries[:2], [("installer", None, None),
                                               ("installer", f"bytes={HALF}-", TAG)])
                self.assertEqual(len(entries), 3 if CASES[name].failure is None else 2)
        # One transfer in the log: one destination line per file.
        _, r = self.result("closed at 50 %")
        self.assertEqual(r["messages"].count(f"Download destination is {r['tmp']}/installer"), 1)


if __name__ == "__main__":
    unittest.main()
