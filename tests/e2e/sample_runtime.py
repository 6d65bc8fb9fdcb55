"""Fixtures for the sample runtime: a framework in a sandbox root, installer
bundles, the update marker, and what the sample Application Installer
recorded. They live with the example itself (examples/sample-runtime)."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "examples", "sample-runtime"))

from nimbra_sample import (  # noqa: E402,F401
    APP_INSTALLER_PATH, ARGS_FILE_ENV, FRAMEWORK_NAME, STATUS_ENV, InstallerBundle,
    disable_updates, install_runtime, make_installer_bundle, make_package, make_runtime_installer,
    read_recorded_args, WAIT_ENV, write_plist, write_system_version)
