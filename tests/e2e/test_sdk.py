"""The kit as application developers get it: `cmake --install` into a prefix,
then the installed commands alone assemble an installer bundle and sign a
runtime installer, and the bundle installs from a loopback server."""
# ctest: uses the download port

import os
import subprocess
import tempfile
import unittest

from harness import BUILD_DIR, Sandbox
from nginx_server import Nginx
from sample_runtime import make_package, make_runtime_installer, write_system_version
from signing import DEMO_CA
from test_bootstrapper_download import PORT, SYSTEM_FOLDER
from test_download import NO_PROXY


class InstalledKitTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix_dir = tempfile.TemporaryDirectory(prefix="nimbra-kit.")
        cls.prefix = cls.prefix_dir.name
        subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", cls.prefix], check=True,
                       capture_output=True)

    @classmethod
    def tearDownClass(cls):
        cls.prefix_dir.cleanup()

    def tool(self, name, *args, cwd=None):
        return subprocess.run([os.path.join(self.prefix, "bin", name), *args], cwd=cwd,
                              capture_output=True, text=True, timeout=60)

    def test_the_prefix_holds_the_kit(self):
        for path in ["bin/nimbra-bundle", "bin/nimbra-sign", "libexec/nimbra/PackageSetupLauncher",
                     "libexec/nimbra/RuntimeAppStub", "include/nimbra/runtime.h"]:
            self.assertTrue(os.path.isfile(os.path.join(self.prefix, path)), path)
        pc = subprocess.run(["pkg-config", "--cflags", "nimbra-runtime"], capture_output=True,
                            text=True, env={**os.environ, "PKG_CONFIG_PATH": os.path.join(
                                self.prefix, "lib", "pkgconfig")})
        include = pc.stdout.strip()[len("-I"):]
        self.assertTrue(os.path.isfile(os.path.join(include, "nimbra", "runtime.h")), pc.stdout)

    def test_a_users_mistake_is_one_line_and_no_traceback(self):
        with Sandbox() as sb:
            package = make_package(os.path.join(sb.path, "packages"), "Sample")
            cases = [
                ("missing folder", [os.path.join(sb.path, "nowhere"), "1.0.0.1"],
                 "nimbra-bundle: no such package folder: "),
                ("a name with a slash", ["--name", "a/b", package, "1.0.0.1"],
                 "nimbra-bundle: not a usable application name: "),
                ("an empty name", ["--name", "", package, "1.0.0.1"],
                 "nimbra-bundle: not a usable application name: "),
                ("not a version", [package, "one"], "nimbra-bundle: not a version: "),
                ("missing output folder", ["--output", os.path.join(sb.path, "no"), package, "1"],
                 "nimbra-bundle: no such output folder: "),
            ]
            for label, args, message in cases:
                with self.subTest(label):
                    r = self.tool("nimbra-bundle", *args, cwd=sb.path)
                    self.assertEqual(r.returncode, 2)
                    self.assertTrue(r.stderr.startswith(message), r.stderr)
                    self.assertEqual(r.stderr.count("\n"), 1, r.stderr)
            self.assertEqual(sorted(os.listdir(sb.path)), ["home", "packages", "root", "tmp"])

    @unittest.skipUnless(PORT, "this build does not download from loopback")
    def test_assembled_and_signed_with_the_installed_commands(self):
        with Sandbox() as sb:
            write_system_version(sb.root, "10.6.8")
            package = make_package(os.path.join(sb.path, "packages"), "Sample")
            r = self.tool("nimbra-bundle", package, "2.0.0.7", cwd=sb.path)
            self.assertEqual(r.returncode, 0, r.stderr)
            bundle = os.path.join(sb.path, "Install Sample.app")
            self.assertEqual(r.stdout, "./Install Sample.app\n")

            installer = make_runtime_installer(os.path.join(sb.path, "installer"))
            r = self.tool("nimbra-sign", "--key", os.path.join(DEMO_CA, "signer.key"),
                          "--cert", os.path.join(DEMO_CA, "signer.pem"),
                          "--chain", os.path.join(DEMO_CA, "chain.pem"), installer)
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(installer, "rb") as f, open(installer + ".p7", "rb") as g:
                files = {f"/{SYSTEM_FOLDER}/installer": f.read(),
                         f"/{SYSTEM_FOLDER}/installer.p7": g.read()}
            with Nginx(PORT, files):
                r = sb.run([os.path.join(bundle, "Contents", "MacOS", "Install Sample"),
                            "-silent", "-allowDownload"], env=NO_PROXY)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(r.messages[0], "Bootstrapper begin with version 2.0.0.7 on Mac x86")
            self.assertTrue(os.path.isdir(os.path.join(sb.root, "Applications", "Sample.app")))
            self.assertEqual(os.listdir(sb.tmp), [])


if __name__ == "__main__":
    unittest.main()
