"""The main job, from nothing to a running application, in a throw-away
sandbox: a loopback download server holds the signed runtime installer and
the revocation lists its signing chain names; "Install Sample.app" downloads,
verifies and runs that installer, which installs the runtime and then the
application; the application starts through its stub; a second run finds the
runtime installed. Then the runs that are refused. Every run shows what the
user saw, the install-log lines as the system log received them and its exit
status; a summary ends it."""

import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "tests", "e2e"),
                os.path.join(HERE, "..", "examples", "sample-runtime")]

from harness import Sandbox, binary  # noqa: E402
from nginx_server import Nginx  # noqa: E402
import nimbra_sample as sample  # noqa: E402
from signing import SIGNER_EXTENSIONS, Authority, sign  # noqa: E402

PORT = int(os.environ["NIMBRA_DEMO_PORT"])
BUNDLE_TOOL = os.path.join(HERE, "..", "tools", "nimbra_bundle.py")
SYSTEM_VERSION = "10.15.7"
FOLDER = "/nimbra/3/psu/macos10.15/x86/"
BASE = f"http://127.0.0.1:{PORT}"


class Demo:
    def __init__(self, sb):
        self.sb = sb
        self.summary = []

    def shown(self, argv):
        parts = [os.path.relpath(a, self.sb.path) if a.startswith(self.sb.path) else a
                 for a in argv]
        return " ".join(f"'{a}'" if " " in a else a for a in parts)

    def run(self, title, argv, expected, env=None):
        print(f"\n### {title}\n$ {self.shown(argv)}", flush=True)
        start = time.monotonic()
        r = self.sb.run(argv, env=env, timeout=300)
        elapsed = time.monotonic() - start
        for stream in (r.stdout, r.stderr):
            if stream.strip():
                print(stream.rstrip())
        for line in r.syslog:
            print(f"  syslog <{line.priority}> {line.message}")
        print(f"  exit status {r.returncode} ({elapsed:.2f} s)", flush=True)
        self.summary.append((title, r.returncode, expected, elapsed))
        return r

    def note(self, text):
        print(f"\n{text}", flush=True)


def signing_chain(folder):
    """Under the build's demonstration root: an intermediate whose
    certificate names the root's list, a signer and a revoked signer that
    name the intermediate's list; both lists published."""
    root = Authority.demo_root(folder)
    intermediate = root.sub_authority("Demo Intermediate", crl_url=f"{BASE}/crl/root.crl")
    names_list = SIGNER_EXTENSIONS + f"crlDistributionPoints = URI:{BASE}/crl/intermediate.crl\n"
    signer = intermediate.signer("signer", extensions=names_list)
    revoked = intermediate.signer("revoked-signer", extensions=names_list)
    intermediate.revoke(revoked[1])
    lists = {"/crl/root.crl": root.crl(os.path.join(folder, "root.crl")),
             "/crl/intermediate.crl": intermediate.crl(os.path.join(folder, "intermediate.crl"))}
    return signer, revoked, {path: read(file) for path, file in lists.items()}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def served(installer, signature, lists):
    return {FOLDER + "installer": installer, FOLDER + "installer.p7": signature, **lists}


def main():
    with Sandbox() as sb:
        demo = Demo(sb)
        sample.write_system_version(sb.root, SYSTEM_VERSION)
        work = os.path.join(sb.path, "work")
        os.makedirs(work)

        demo.note("Signing chain: the build's demonstration root, an intermediate and a signer, "
                  "each naming its issuer's revocation list on the loopback server.")
        (key, cert, chain), (rkey, rcert, rchain), lists = signing_chain(work)
        installer = sample.make_runtime_installer(os.path.join(work, "installer"))
        signature = read(sign(installer, key, cert, chain))
        revoked_signature = read(sign(installer, rkey, rcert, rchain,
                                      os.path.join(work, "revoked.p7")))
        installer_bytes = read(installer)
        tampered = bytearray(installer_bytes)
        tampered[len(tampered) // 2] ^= 1

        package = sample.make_package(os.path.join(sb.path, "packages"), "Sample")
        bundle_dir = os.path.join(sb.path, "bundles")
        os.makedirs(bundle_dir)
        made = subprocess.run([sys.executable, BUNDLE_TOOL, "--output", bundle_dir,
                               "--launcher", binary("PackageSetupLauncher"), package, "1.0.0.1"],
                              capture_output=True, text=True, check=True).stdout.strip()
        launcher = os.path.join(made, "Contents", "MacOS", "Install Sample")
        demo.note(f"Assembled with nimbra-bundle: {os.path.relpath(made, sb.path)}")

        # Where a display is, the progress window shows on it; else one line
        # on the terminal follows the download.
        display = {k: os.environ[k] for k in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY")
                   if k in os.environ}
        with Nginx(PORT, served(installer_bytes, signature, lists)) as server:
            # Opened as from the file manager: no options, so downloading is
            # allowed and the run is not silent.
            demo.run("No runtime: download, verify (revocation lists included), install the "
                     "runtime, then the application", [launcher], 0, env=display)
            demo.note("The server's log: " + ", ".join(server.requests()))
        app = os.path.join(sb.root, "Applications", "Sample.app", "Contents", "MacOS", "Sample")
        demo.run("The installed application starts through its stub", [app], 0)
        demo.run("A second run: the runtime is installed, its Application Installer takes "
                 "the package", [launcher, "-silent", "-eulaAccepted"], 0)

        framework = os.path.join(sb.root, "Library", "Frameworks", sample.FRAMEWORK_NAME)
        shutil.rmtree(framework)
        demo.note("The runtime removed again; the runs that end without one follow, without "
                  "a display, so none waits for a click.")
        demo.run("The bootstrapper's version", [launcher, "-version"], 0)
        demo.run("A command line it refuses", [launcher, "-allowDownload"], 2)
        demo.run("The stub without a runtime: its alert", [app], 4)
        demo.run("The same in French", [app], 4, env={"LANGUAGE": "fr"})
        demo.run("No runtime and no -allowDownload", [launcher, "-silent"], 10)
        with Nginx(PORT, {"/nimbra/3/psu/macos10.14/x86/installer": b"another system"}):
            demo.run("The server offers nothing for this system", [launcher, "-silent",
                                                                   "-allowDownload"], 11)
        with Nginx(PORT, served(bytes(tampered), signature, lists)):
            demo.run("A tampered installer", [launcher, "-silent", "-allowDownload"], 13)
        with Nginx(PORT, served(installer_bytes, revoked_signature, lists)):
            demo.run("An installer signed by a revoked signer",
                     [launcher, "-silent", "-allowDownload"], 13)
        with Nginx(PORT, served(installer_bytes, b"not a signature", lists)):
            demo.run("A signature that is not one", [launcher, "-silent", "-allowDownload"], 13)
        demo.run("The download server is down", [launcher, "-silent", "-allowDownload"], 11)

        left = os.listdir(sb.tmp)
        print(f"\nTemporary folder after every run: {left or 'empty'}")
        print("\n| step | exit status | expected | time |\n|---|---|---|---|")
        for title, code, expected, elapsed in demo.summary:
            mark = "" if code == expected else " (unexpected)"
            print(f"| {title} | {code}{mark} | {expected} | {elapsed:.2f} s |")
        ok = all(code == expected for _, code, expected, _ in demo.summary) and not left
        return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
