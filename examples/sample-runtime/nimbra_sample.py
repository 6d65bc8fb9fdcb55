#!/usr/bin/env python3
"""Lays out the sample runtime and installer bundles in a folder tree.

    nimbra_sample.py runtime ROOT [--version V] [--domain Library|Network|System]
                                  [--no-installer] [--library FILE]
    nimbra_sample.py installer-bundle DEST NAME PACKAGE_DIR [--version V]
                                  [--config PLIST]
    nimbra_sample.py runtime-installer FILE [--version V]

The functions are the tests' fixtures too. Programs come from the build tree
named by --build-dir or NIMBRA_BUILD_DIR (default: build/plain).
"""

import argparse
import io
import os
import shutil
import sys
import tarfile
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import nimbra_bundle  # noqa: E402
from nimbra_bundle import InstallerBundle, write_plist  # noqa: E402,F401

FRAMEWORK_NAME = "Zandrel Nimbra.framework"
APP_INSTALLER_BUNDLE = "Zandrel Nimbra Application Installer.app"
APP_INSTALLER_PATH = "Versions/1.0/" + APP_INSTALLER_BUNDLE
RUNTIME_LIBRARY_PATH = "Versions/1.0/Zandrel Nimbra_64"
DOMAIN_LIBRARIES = {"Library": "Library", "Network": "Network/Library", "System": "System/Library"}

# Environment the sample Application Installer reads.
ARGS_FILE_ENV = "NIMBRA_APP_INSTALLER_ARGS"
STATUS_ENV = "NIMBRA_APP_INSTALLER_STATUS"
WAIT_ENV = "NIMBRA_APP_INSTALLER_WAIT"



def build_dir(explicit=None):
    return os.path.abspath(explicit or os.environ.get("NIMBRA_BUILD_DIR")
                           or os.path.join(HERE, "..", "..", "build", "plain"))


def install_runtime(root, version="3.1.0.489", domain="Library", installer=True, library=None,
                    build=None):
    """Lays out ROOT/<domain library>/Frameworks/Zandrel Nimbra.framework with
    its Info.plist (no CFBundleVersion when version is None), Versions/1.0/,
    the sample Application Installer (when installer is true) and, when
    given, a runtime library file. Returns the framework folder."""
    framework = os.path.join(root, DOMAIN_LIBRARIES[domain], "Frameworks", FRAMEWORK_NAME)
    info = {"CFBundleIdentifier": "com.zandrel.nimbra", "CFBundleName": "Zandrel Nimbra"}
    if version is not None:
        info["CFBundleVersion"] = version
    write_plist(os.path.join(framework, "Resources", "Info.plist"), info)
    os.makedirs(os.path.join(framework, "Versions", "1.0"), exist_ok=True)
    if installer:
        source = os.path.join(build_dir(build), "examples", APP_INSTALLER_BUNDLE)
        shutil.copytree(source, os.path.join(framework, APP_INSTALLER_PATH), symlinks=True,
                        dirs_exist_ok=True)
    if library:
        shutil.copyfile(library, os.path.join(framework, RUNTIME_LIBRARY_PATH))
    return framework


# The runtime installer stand-in: a shell script with the framework appended
# as a gzip-compressed tar archive. It installs the framework into
# ROOT/Library/Frameworks (ROOT: NIMBRA_ROOT, or /), then runs the framework's
# Application Installer on its arguments ("-x1" first means no options) and
# ends with that installer's status.
_RUNTIME_INSTALLER_SCRIPT = """#!/bin/sh
# Sample runtime installer: Zandrel Nimbra {version}.
root=${{NIMBRA_ROOT:-/}}
frameworks="${{root%/}}/Library/Frameworks"
if [ $# -lt 1 ]; then
  echo "usage: $0 [-x1 | OPTIONS...] PACKAGE" >&2
  exit 2
fi
mkdir -p "$frameworks" || exit 20
start=$(awk '/^__ARCHIVE__$/ {{ print NR + 1; exit }}' "$0")
tail -n +"$start" "$0" | tar -xzf - -C "$frameworks" || exit 21
[ "$1" = "-x1" ] && shift
exec "$frameworks/{framework}/{app_installer}/Contents/MacOS/{app_installer_name}" "$@"
__ARCHIVE__
"""


def make_runtime_installer(path, version="3.1.0.489", library=None, build=None):
    """Writes PATH, the runtime installer stand-in: one executable file that
    installs the sample framework (version VERSION, with the sample
    Application Installer and the runtime library LIBRARY, by default the
    build's sample runtime library)."""
    examples = os.path.join(build_dir(build), "examples")
    library = library or os.path.join(examples, "libsample_runtime.so")
    app_installer_name = APP_INSTALLER_BUNDLE[:-len(".app")]
    staging = tempfile.mkdtemp(prefix=".runtime-installer.",
                               dir=os.path.dirname(os.path.abspath(path)))
    try:
        install_runtime(staging, version, installer=True, library=library, build=build)
        archive = io.BytesIO()
        with tarfile.open(fileobj=archive, mode="w:gz") as tar:
            tar.add(os.path.join(staging, "Library", "Frameworks", FRAMEWORK_NAME),
                    arcname=FRAMEWORK_NAME)
    finally:
        shutil.rmtree(staging, ignore_errors=True)
    script = _RUNTIME_INSTALLER_SCRIPT.format(
        version=version, framework=FRAMEWORK_NAME, app_installer=APP_INSTALLER_PATH,
        app_installer_name=app_installer_name)
    with open(path, "wb") as f:
        f.write(script.encode("utf-8"))
        f.write(archive.getvalue())
    os.chmod(path, 0o755)
    return path


def make_package(folder, name="Sample"):
    """A small application package folder: FOLDER/NAME with one file."""
    package = os.path.join(folder, name)
    os.makedirs(package, exist_ok=True)
    with open(os.path.join(package, "application.txt"), "w", encoding="utf-8") as f:
        f.write(f"{name}\n")
    return package


def make_installer_bundle(dest, name, package_dir=None, version="1.0.0.1", config=None,
                          launcher=None, exe_name=None, build=None):
    """The installer bundle the tool nimbra-bundle assembles, with this build
    tree's PackageSetupLauncher unless another launcher is given."""
    return nimbra_bundle.make_installer_bundle(
        dest, name, package_dir, version, config,
        launcher or os.path.join(build_dir(build), "PackageSetupLauncher"), exe_name)


def disable_updates(home):
    """The per-user marker file that forbids runtime updates."""
    folder = os.path.join(home, "Library", "Application Support", "Zandrel", "Nimbra")
    os.makedirs(folder, exist_ok=True)
    marker = os.path.join(folder, "updateDisabled")
    open(marker, "w").close()
    return marker


def write_system_version(root, product_version):
    """ROOT/System/Library/CoreServices/SystemVersion.plist."""
    path = os.path.join(root, "System", "Library", "CoreServices", "SystemVersion.plist")
    write_plist(path, {"ProductVersion": product_version})
    return path


def read_recorded_args(path):
    """The argument vector the sample Application Installer recorded."""
    with open(path, "rb") as f:
        data = f.read()
    return [part.decode("utf-8") for part in data.split(b"\0")[:-1]]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir")
    commands = parser.add_subparsers(dest="command", required=True)
    runtime = commands.add_parser("runtime", help="lay out a runtime framework under ROOT")
    runtime.add_argument("root")
    runtime.add_argument("--version", default="3.1.0.489")
    runtime.add_argument("--domain", choices=sorted(DOMAIN_LIBRARIES), default="Library")
    runtime.add_argument("--no-installer", action="store_true")
    runtime.add_argument("--library")
    bundle = commands.add_parser("installer-bundle", help="assemble 'Install NAME.app' in DEST")
    bundle.add_argument("dest")
    bundle.add_argument("name")
    bundle.add_argument("package_dir")
    bundle.add_argument("--version", default="1.0.0.1")
    bundle.add_argument("--config", help="a property list to copy in as Config.plist")
    runtime_installer = commands.add_parser(
        "runtime-installer", help="write the runtime installer stand-in to FILE")
    runtime_installer.add_argument("file")
    runtime_installer.add_argument("--version", default="3.1.0.489")
    args = parser.parse_args(argv)

    if args.command == "runtime":
        print(install_runtime(args.root, args.version, args.domain, not args.no_installer,
                              args.library, args.build_dir))
    elif args.command == "runtime-installer":
        print(make_runtime_installer(args.file, args.version, build=args.build_dir))
    else:
        made = make_installer_bundle(args.dest, args.name, args.package_dir, args.version,
                                     build=args.build_dir)
        if args.config:
            shutil.copyfile(args.config, os.path.join(made.resources, "Config.plist"))
        print(made.path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
