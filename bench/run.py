#!/usr/bin/env python3
"""The benchmark command's figures, each measured side by side with the
standard tool it is compared with, in the same run, alternating, several
repetitions; the median of each side is reported with the ratio (or the
difference) and its target.

    bench/run.py [--repeat N] [--quick]

NIMBRA_BUILD_DIR names the build tree (a Release build whose download host is
127.0.0.1:NIMBRA_BENCH_PORT); scripts/bench.sh makes one and runs this.
Everything it writes lives in one temporary folder, removed at the end."""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "tests", "e2e"),
                os.path.join(HERE, "..", "examples", "sample-runtime")]

from harness import BUILD_DIR, binary  # noqa: E402
from nginx_server import Nginx  # noqa: E402
import nimbra_sample as sample  # noqa: E402
from signing import DEMO_CA, sign  # noqa: E402

PORT = int(os.environ.get("NIMBRA_BENCH_PORT", "18490"))
GiB = 1 << 30
MiB = 1 << 20
FOLDER = "nimbra/3/psu/macos10.15/x86"
CLEAN_ENV = {k: v for k, v in os.environ.items()
             if k.lower() not in ("http_proxy", "https_proxy", "all_proxy", "no_proxy")
             and not k.startswith("NIMBRA_")}


def timed(argv, env=None, cwd=None):
    """Wall time of one run and its output. (Its ru_maxrss would be this
    process's own peak: see bench_peak_memory.)"""
    # Output goes to files: a pipe nobody reads until the end would fill and
    # stop the program.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.monotonic()
        proc = subprocess.Popen(argv, env=env or CLEAN_ENV, cwd=cwd, stdout=out, stderr=err)
        _, status, _ = os.wait4(proc.pid, 0)
        elapsed = time.monotonic() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        if proc.returncode != 0:
            raise RuntimeError(f"{argv[0]} ended with {proc.returncode}: "
                               f"{err.read().decode(errors='replace')[-2000:]}")
        return elapsed, out.read()


def peak_rss(output):
    """KiB from bench_peak_memory's last line."""
    last = output.decode().splitlines()[-1].split()
    if len(last) != 2 or last[0] != "peak-rss-kib":
        raise RuntimeError(f"no peak memory in {output[-200:]!r}")
    return int(last[1])


def stamp_latency(argv, env=None):
    """Seconds from just before the start of ARGV until the moment the
    program (or a child of it) printed its stamp."""
    start = time.monotonic_ns()
    out = subprocess.run(argv, env=env or CLEAN_ENV, capture_output=True, check=True).stdout
    stamps = [int(line.split()[1]) for line in out.decode().splitlines()
              if line.startswith("stamp ")]
    if len(stamps) != 1:
        raise RuntimeError(f"{argv[0]}: no stamp in {out!r}")
    return (stamps[0] - start) / 1e9


def side_by_side(repeat, ours, theirs, settle=False):
    """Alternates the two measurements REPEAT times, each side going first in
    turn; medians of each. With SETTLE, the system writes out whatever the
    earlier runs left dirty before each measurement, so neither side pays for
    the other's writes."""
    a, b = [], []
    for i in range(repeat):
        for measure, results in ((ours, a), (theirs, b))[::1 if i % 2 == 0 else -1]:
            if settle:
                os.sync()
            results.append(measure())
    return statistics.median(a), statistics.median(b)


class Bench:
    def __init__(self, folder, repeat, quick):
        self.dir = folder
        self.repeat = repeat
        self.size = 64 * MiB if quick else GiB
        self.rows = []
        self.ok = True

    def row(self, figure, ours, theirs, value, target, met, unit="s"):
        self.ok &= met
        fmt = (lambda x: f"{x * 1000:.2f} ms") if unit == "ms" else (
            (lambda x: f"{x / 1024:.1f} MiB") if unit == "MiB" else (lambda x: f"{x:.3f} s"))
        self.rows.append((figure, fmt(ours), fmt(theirs), value, target,
                          "met" if met else "MISSED"))
        print(f"{figure}: ours {fmt(ours)}, compared {fmt(theirs)}: {value} "
              f"(target {target}) {'met' if met else 'MISSED'}", flush=True)

    def big_file(self, name, size, head=b""):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(head)
            chunk = os.urandom(MiB)
            left = size - len(head)
            while left > 0:
                f.write(chunk[:min(left, MiB)])
                left -= MiB
        return path

    def signed_installer(self, name, size):
        path = self.big_file(name, size, b"#!/bin/sh\nexit 0\n")
        os.chmod(path, 0o755)
        signature = sign(path, os.path.join(DEMO_CA, "signer.key"),
                         os.path.join(DEMO_CA, "signer.pem"), os.path.join(DEMO_CA, "chain.pem"))
        return path, signature

    def sandbox(self, name):
        root = os.path.join(self.dir, name)
        for sub in ("root", "home", "tmp"):
            os.makedirs(os.path.join(root, sub), exist_ok=True)
        env = dict(CLEAN_ENV, NIMBRA_ROOT=os.path.join(root, "root"),
                   HOME=os.path.join(root, "home"), TMPDIR=os.path.join(root, "tmp"), LANG="C")
        return root, env

    def verification(self, installer, signature):
        ours = lambda: timed([binary("verify_probe"), "--no-watch", installer,  # noqa: E731
                              signature])[0]
        tool = lambda: timed(["openssl", "cms", "-verify", "-binary", "-inform", "DER",  # noqa: E731
                              "-purpose", "any", "-CAfile", os.path.join(DEMO_CA, "root.pem"),
                              "-in", signature, "-content", installer, "-out", os.devnull])[0]
        a, b = side_by_side(self.repeat, ours, tool, settle=True)
        self.row(f"verify a {self.size // MiB} MiB installer vs openssl cms -verify", a, b,
                 f"{a / b:.3f} x", "<= 1.05 x", a / b <= 1.05)

    def download(self, server):
        url = server.url("/big")
        target = os.path.join(self.dir, "curl-out")
        root, env = self.sandbox("download")

        # Only the transfer is timed on either side: deleting a gigabyte of
        # fresh page cache takes tens of milliseconds, so both files go
        # after the clock stops.
        def ours():
            elapsed = timed([binary("download_probe"), url], env=env)[0]
            for name in os.listdir(env["TMPDIR"]):
                os.unlink(os.path.join(env["TMPDIR"], name))
            return elapsed

        def tool():
            elapsed = timed(["curl", "-s", "-f", "-o", target, url])[0]
            os.unlink(target)
            return elapsed

        a, b = side_by_side(self.repeat, ours, tool, settle=True)
        self.row(f"download {self.size // MiB} MiB from loopback nginx vs curl", a, b,
                 f"{b / a:.3f} x its throughput", ">= 0.9 x", b / a >= 0.9)

    def path_b(self, installer, signature, small_installer, small_signature):
        root, env = self.sandbox("path-b")
        sample.write_system_version(env["NIMBRA_ROOT"], "10.15.7")
        package = sample.make_package(os.path.join(root, "packages"), "Sample")
        bundle = sample.make_installer_bundle(root, "Sample", package)
        peaks = {}

        def run_bootstrapper(files, key):
            with Nginx(PORT, files):
                elapsed, out = timed([binary("bench_peak_memory"), bundle.executable,
                                         "-silent", "-allowDownload"], env=env)
            peaks.setdefault(key, []).append(peak_rss(out))
            if os.listdir(env["TMPDIR"]):
                raise RuntimeError("the bootstrapper left files behind")
            return elapsed

        def served(data, sig):
            return {f"/{FOLDER}/installer": ("file", data), f"/{FOLDER}/installer.p7": ("file", sig)}

        big = served(installer, signature)
        out = os.path.join(self.dir, "fetched")

        def tools():
            with Nginx(PORT, big) as server:
                start = time.monotonic()
                timed(["curl", "-s", "-f", "-o", out, server.url(f"/{FOLDER}/installer")])
                timed(["curl", "-s", "-f", "-o", out + ".p7",
                       server.url(f"/{FOLDER}/installer.p7")])
                timed(["openssl", "cms", "-verify", "-binary", "-inform", "DER", "-purpose", "any",
                       "-CAfile", os.path.join(DEMO_CA, "root.pem"), "-in", out + ".p7",
                       "-content", out, "-out", os.devnull])
                # The bootstrapper deletes what it downloaded before it ends:
                # the same work here.
                os.unlink(out)
                os.unlink(out + ".p7")
                elapsed = time.monotonic() - start
            return elapsed

        a, b = side_by_side(self.repeat, lambda: run_bootstrapper(big, "big"), tools,
                            settle=True)
        self.row(f"silent path B, {self.size // MiB} MiB installer, vs curl twice + "
                 "openssl cms -verify", a, b, f"{a / b:.3f} x", "<= 1.05 x", a / b <= 1.05)
        for _ in range(self.repeat):
            run_bootstrapper(served(small_installer, small_signature), "small")
        big_peak, small_peak = max(peaks["big"]), max(peaks["small"])
        self.row(f"peak memory of path B, {self.size // MiB} MiB vs 64 MiB installer",
                 big_peak, small_peak, f"{big_peak / 1024:.1f} MiB, {(big_peak - small_peak) / 1024:+.1f} MiB",
                 "<= 24 MiB, within 2 MiB", big_peak <= 24 * 1024 and big_peak - small_peak <= 2048,
                 unit="MiB")

    def path_a(self):
        root, env = self.sandbox("path-a")
        framework = sample.install_runtime(env["NIMBRA_ROOT"], installer=True)
        child = os.path.join(framework, sample.APP_INSTALLER_PATH, "Contents", "MacOS",
                             sample.APP_INSTALLER_BUNDLE[:-len(".app")])
        shutil.copyfile(binary("bench_first_instruction"), child)
        package = sample.make_package(os.path.join(root, "packages"), "Sample")
        bundle = sample.make_installer_bundle(root, "Sample", package)
        a, b = side_by_side(self.repeat * 10,
                            lambda: stamp_latency([bundle.executable], env),
                            lambda: stamp_latency([child, package], env))
        self.row("path A: start to the Application Installer's first instruction, vs the "
                 "installer started directly", a, b, f"{(a - b) * 1000:+.2f} ms", "<= +5 ms",
                 a - b <= 0.005, unit="ms")

    def stub(self):
        root, env = self.sandbox("stub")
        framework = sample.install_runtime(env["NIMBRA_ROOT"], installer=False,
                                           library=binary("libbench_stamping_runtime.so"))
        app = os.path.join(root, "Stamp.app", "Contents", "MacOS", "Stamp")
        os.makedirs(os.path.dirname(app))
        shutil.copyfile(binary("RuntimeAppStub"), app)
        os.chmod(app, 0o755)
        library = os.path.join(framework, sample.RUNTIME_LIBRARY_PATH)
        versions = os.path.join(framework, "Versions", "1.0")
        a, b = side_by_side(self.repeat * 10,
                            lambda: stamp_latency([app], env),
                            lambda: stamp_latency([binary("bench_minimal_loader"), library,
                                                   versions], env))
        self.row("stub: start to the entry method, vs a minimal loader of the same library",
                 a, b, f"{(a - b) * 1000:+.2f} ms", "<= +2 ms", a - b <= 0.002, unit="ms")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--quick", action="store_true",
                        help="64 MiB instead of 1 GiB for the large figures")
    args = parser.parse_args()
    folder = tempfile.mkdtemp(prefix="nimbra-bench.")
    try:
        bench = Bench(folder, args.repeat, args.quick)
        print(f"build {BUILD_DIR}; {args.repeat} repetitions, medians", flush=True)
        bench.stub()
        bench.path_a()
        installer, signature = bench.signed_installer("installer", bench.size)
        small, small_signature = bench.signed_installer("small", 64 * MiB)
        bench.verification(installer, signature)
        with Nginx(None, {"/big": ("file", installer)}) as server:
            bench.download(server)
        bench.path_b(installer, signature, small, small_signature)
        print("\n| figure | ours | compared | result | target | |\n|---|---|---|---|---|---|")
        for row in bench.rows:
            print("| " + " | ".join(row) + " |")
        return 0 if bench.ok else 1
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
