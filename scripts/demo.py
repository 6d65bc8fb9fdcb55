"""The main job, shown in a throw-away sandbox: an application is installed
through the installed runtime and started through its stub; then the ways a
run ends without a usable runtime, and the runtime downloaded, verified and
installed before the application. Every install-log line is shown as the
system log receives it."""

import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "tests", "e2e"),
                os.path.join(HERE, "..", "examples", "sample-runtime")]

from harness import Sandbox, binary  # noqa: E402
from nginx_server import Nginx  # noqa: E402
import nimbra_sample as sample  # noqa: E402
import signing  # noqa: E402

PORT = int(os.environ["NIMBRA_DEMO_PORT"])


def show(title, sb, argv, env=None):
    print(f"\n### {title}")
    shown = [os.path.relpath(a, sb.path) if a.startswith(sb.path) else a for a in argv]
    print("$ " + " ".join(f"'{a}'" if " " in a else a for a in shown))
    r = sb.run(argv, env=env)
    for stream in (r.stdout, r.stderr):
        if stream.strip():
            print(stream.rstrip())
    for line in r.syslog:
        print(f"  syslog <{line.priority}> {line.message}")
    print(f"  exit status {r.returncode}")
    return r


def main():
    with Sandbox() as sb:
        sample.write_system_version(sb.root, "10.15.7")
        package = sample.make_package(os.path.join(sb.path, "packages"), "Sample")
        bundle = sample.make_installer_bundle(sb.path, "Sample", package, version="1.0.0.1")
        launcher = bundle.executable

        show("The bootstrapper's version", sb, [launcher, "-version"])
        show("A command line it refuses", sb, [launcher, "-allowDownload"])

        framework = sample.install_runtime(sb.root, "3.1.0.489",
                                           library=binary("libsample_runtime.so"))
        show("Runtime 3.1.0.489 installed: the Application Installer installs Sample", sb,
             [launcher, "-silent", "-eulaAccepted"])
        app = os.path.join(sb.root, "Applications", "Sample.app", "Contents", "MacOS", "Sample")
        show("The installed application starts through its stub", sb, [app])

        shutil.rmtree(framework)
        show("The runtime removed: the stub's alert", sb, [app])
        show("The same in French", sb, [app], env={"LANGUAGE": "fr"})

        folder = "/nimbra/3/psu/macos10.15/x86/"
        signed = sample.make_runtime_installer(os.path.join(sb.path, "installer"))
        demo_ca = os.path.join(os.environ["NIMBRA_BUILD_DIR"], "demo-ca")
        signature = signing.sign(signed, os.path.join(demo_ca, "signer.key"),
                                 os.path.join(demo_ca, "signer.pem"),
                                 os.path.join(demo_ca, "chain.pem"))
        with open(signed, "rb") as f, open(signature, "rb") as g:
            served = {folder + "installer": f.read(), folder + "installer.p7": g.read()}
        os.unlink(signed)
        os.unlink(signature)
        with Nginx(PORT, served):
            show("No runtime: the signed runtime installer is downloaded, verified and run", sb,
                 [launcher, "-silent", "-eulaAccepted", "-allowDownload"])
        show("The application it installed starts through its stub", sb, [app])
        shutil.rmtree(framework)

        show("No runtime and no -allowDownload", sb, [launcher, "-silent"])
        with Nginx(PORT, {"/nimbra/3/psu/macos10.14/x86/installer": b"not this system"}):
            show("No runtime; the download server offers nothing for this system", sb,
                 [launcher, "-silent", "-allowDownload"])
        with Nginx(PORT, {folder + "installer": b"#!/bin/sh\necho unsigned\n",
                          folder + "installer.p7": b"no signature"}):
            show("No runtime; a download whose signature is not accepted", sb,
                 [launcher, "-silent", "-allowDownload"])
        show("No runtime; the download server is down", sb,
             [launcher, "-silent", "-allowDownload"])
        left = os.listdir(sb.tmp)
        print(f"\nTemporary folder after every run: {left or 'empty'}")


if __name__ == "__main__":
    main()
