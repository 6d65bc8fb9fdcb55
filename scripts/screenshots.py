"""Photographs the three windows (the failure alert, the error dialog with
its link, the progress window) in English, Japanese and Russian into
docs/screenshots/. Xvfb has no window manager, so no title bars. Runs the
programs of a test build (NIMBRA_BUILD_DIR, default build/plain) compiled for
a loopback download host.

    python3 scripts/screenshots.py
"""

import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from display import Xvfb  # noqa: E402
from harness import Sandbox  # noqa: E402
from nginx_server import Nginx  # noqa: E402
from test_bootstrapper_download import PORT, SYSTEM_FOLDER  # noqa: E402
from test_download import NO_PROXY  # noqa: E402
from test_windows import download_failed, launcher, no_runtime_for_system  # noqa: E402

OUT = os.path.join(HERE, "..", "docs", "screenshots")
LANGUAGES = ["en", "ja", "ru"]


def shoot(x, language, name, argv_for, title, server=None, by="--name"):
    with Sandbox() as sb:
        env = {**NO_PROXY, **x.env, "LANGUAGE": language}
        running = sb.start(argv_for(sb), env=env)
        try:
            window = x.wait_window(title, by=by)
            time.sleep(1.5 if server else 0.3)
            path = x.screenshot(window, f"{name}-{language}", OUT)
            # Small files: a palette is plenty for a dialog.
            subprocess.run(["convert", path, "-colors", "64", path], check=True)
            x.key(window, "Escape")
            if server:
                x.key(x.wait_window("^Install Sample$"), "Escape")
        finally:
            running.finish(timeout=30)
    print(path, os.path.getsize(path), "bytes")


def main():
    installer = f"/{SYSTEM_FOLDER}/installer"
    with Xvfb() as x:
        for language in LANGUAGES:
            shoot(x, language, "alert", download_failed, "^Install Sample$")
            shoot(x, language, "dialog", no_runtime_for_system, "^Install Sample$")
            with Nginx(PORT, {installer: b"\0" * (8 << 20)},
                       "location / { limit_rate 64k; }") as server:
                shoot(x, language, "progress", lambda sb: [launcher(sb)],
                      "^Install Sample$", server, by="--classname")


if __name__ == "__main__":
    main()
