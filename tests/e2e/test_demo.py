"""The main-job command's story runs to its end against this build: from
nothing to a running application, then every refusal with its own code."""
# ctest: uses the download port

import os
import subprocess
import sys
import unittest

from harness import BUILD_DIR, HERE
from test_bootstrapper_download import PORT
from test_download import NO_PROXY

DEMO = os.path.join(HERE, "..", "..", "scripts", "demo.py")


@unittest.skipUnless(PORT, "this build does not download from loopback")
class DemoTest(unittest.TestCase):
    def test_the_story_ends_with_its_summary_and_every_expected_status(self):
        env = {k: v for k, v in os.environ.items() if k not in NO_PROXY and k != "DISPLAY"}
        env.update(NIMBRA_DEMO_PORT=str(PORT), NIMBRA_BUILD_DIR=BUILD_DIR)
        r = subprocess.run([sys.executable, DEMO], env=env, capture_output=True, text=True,
                           timeout=300)
        self.assertEqual(r.returncode, 0, r.stdout[-3000:] + r.stderr[-3000:])
        summary = r.stdout[r.stdout.index("| step | exit status | expected | time |"):]
        self.assertNotIn("(unexpected)", summary)
        self.assertIn("Temporary folder after every run: empty", r.stdout)
        self.assertIn("| No runtime: download, verify (revocation lists included), install the "
                      "runtime, then the application | 0 | 0 |", summary)
        self.assertIn("| An installer signed by a revoked signer | 13 | 13 |", summary)


if __name__ == "__main__":
    unittest.main()
