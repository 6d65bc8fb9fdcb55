#!/usr/bin/env python3
"""Assembles an application's installer bundle, "Install <Name>.app", around
its package folder.

    nimbra-bundle [--name NAME] [--output DIR] [--config PLIST]
                  [--launcher PROGRAM] PACKAGE_DIR VERSION

The bundle holds Contents/Info.plist (CFBundleExecutable "Install <Name>",
CFBundleVersion VERSION), its executable Contents/MacOS/Install <Name> (a
copy of PackageSetupLauncher) and the package as Contents/Resources/<Name>.
NAME defaults to the package folder's own name; DIR to the current folder.
"""

import argparse
import collections
import os
import re
import shutil
import sys
from xml.sax.saxutils import escape

HERE = os.path.dirname(os.path.abspath(__file__))
# Where PackageSetupLauncher lies beside this tool: installed (PREFIX/bin and
# PREFIX/libexec/nimbra), or in a source tree next to its default build.
LAUNCHER_PLACES = [os.path.join(HERE, "..", "libexec", "nimbra", "PackageSetupLauncher"),
                   os.path.join(HERE, "..", "build", "plain", "PackageSetupLauncher")]

InstallerBundle = collections.namedtuple("InstallerBundle", "path executable resources package")


class UserError(Exception):
    """A mistake in what the user asked for: said in one line, no traceback."""


def _plist_value(value):
    if isinstance(value, bool):
        return "<true/>" if value else "<false/>"
    if isinstance(value, int):
        return f"<integer>{value}</integer>"
    if isinstance(value, dict):
        items = "".join(f"<key>{escape(k)}</key>{_plist_value(v)}" for k, v in value.items())
        return f"<dict>{items}</dict>"
    if isinstance(value, (list, tuple)):
        return "<array>" + "".join(_plist_value(v) for v in value) + "</array>"
    return f"<string>{escape(str(value))}</string>"


def write_plist(path, value):
    """Writes an XML property list of strings, numbers, lists and dicts."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">\n')
        f.write(_plist_value(value))
        f.write("\n</plist>\n")


def check_name(name):
    """A name becomes a file name and a word of the executable's name."""
    if not name or name in (".", "..") or "/" in name or name.startswith("-") or \
            any(ord(c) < 0x20 or c == "\x7f" for c in name):
        raise UserError(f"not a usable application name: {name!r} (it names files: no '/', "
                        "no control characters, not empty, not starting with '-')")
    if len(("Install " + name + ".app").encode("utf-8")) > 255:
        raise UserError(f"application name too long: {name!r}")


def check_version(version):
    if not re.fullmatch(r"\d+(\.\d+){0,3}", version or ""):
        raise UserError(f"not a version: {version!r} (one to four numbers joined by '.', "
                        "such as 1.0.0.1)")


def find_launcher(explicit=None):
    for place in [explicit] if explicit else LAUNCHER_PLACES:
        if place and os.path.isfile(place) and os.access(place, os.X_OK):
            return os.path.abspath(place)
    if explicit:
        raise UserError(f"no such program: {explicit}")
    raise UserError("PackageSetupLauncher not found beside this tool; name it with --launcher")


def make_installer_bundle(dest, name, package_dir=None, version="1.0.0.1", config=None,
                          launcher=None, exe_name=None):
    """Assembles DEST/<exe_name>.app (exe_name defaults to "Install NAME"):
    Contents/Info.plist (CFBundleExecutable, CFBundleVersion unless version
    is None), Contents/MacOS/<exe_name> (a copy of LAUNCHER),
    Contents/Resources/NAME (a copy of package_dir, when given) and
    Contents/Resources/Config.plist (when config is a dict)."""
    exe_name = f"Install {name}" if exe_name is None else exe_name
    bundle = os.path.join(dest, exe_name + ".app")
    contents = os.path.join(bundle, "Contents")
    resources = os.path.join(contents, "Resources")
    os.makedirs(resources, exist_ok=True)
    info = {"CFBundleExecutable": exe_name, "CFBundleName": exe_name,
            "CFBundlePackageType": "APPL"}
    if version is not None:
        info["CFBundleVersion"] = version
    write_plist(os.path.join(contents, "Info.plist"), info)
    executable = os.path.join(contents, "MacOS", exe_name)
    os.makedirs(os.path.dirname(executable), exist_ok=True)
    # A real copy: the program finds its bundle through its own path.
    shutil.copyfile(launcher or find_launcher(), executable)
    os.chmod(executable, 0o755)
    package = os.path.join(resources, name)
    if package_dir is not None:
        shutil.copytree(package_dir, package, symlinks=True, dirs_exist_ok=True)
    if config is not None:
        write_plist(os.path.join(resources, "Config.plist"), config)
    return InstallerBundle(bundle, executable, resources, package)


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="nimbra-bundle", description=__doc__.split("\n\n")[0].replace("\n", " "),
        epilog="The bundle runs on a machine with or without the runtime: see README.md.")
    parser.add_argument("package_dir", metavar="PACKAGE_DIR", help="the application's package")
    parser.add_argument("version", metavar="VERSION", help="the bundle's version, as 1.0.0.1")
    parser.add_argument("--name", help="the application's name (default: PACKAGE_DIR's name)")
    parser.add_argument("--output", default=".", metavar="DIR",
                        help="where the bundle is made (default: here)")
    parser.add_argument("--config", metavar="PLIST",
                        help="a property list to carry as the bundle's Config.plist")
    parser.add_argument("--launcher", metavar="PROGRAM",
                        help="the PackageSetupLauncher to copy in (default: the installed one)")
    args = parser.parse_args(argv)
    try:
        package_dir = os.path.abspath(args.package_dir)
        if not os.path.isdir(package_dir):
            raise UserError(f"no such package folder: {args.package_dir}")
        name = args.name if args.name is not None else os.path.basename(package_dir)
        check_name(name)
        check_version(args.version)
        if not os.path.isdir(args.output):
            raise UserError(f"no such output folder: {args.output}")
        if args.config and not os.path.isfile(args.config):
            raise UserError(f"no such property list: {args.config}")
        bundle_path = os.path.join(args.output, f"Install {name}.app")
        if os.path.lexists(bundle_path):
            raise UserError(f"already there: {bundle_path} (remove it first)")
        launcher = find_launcher(args.launcher)
        made = make_installer_bundle(args.output, name, package_dir, args.version,
                                     launcher=launcher)
        if args.config:
            shutil.copyfile(args.config, os.path.join(made.resources, "Config.plist"))
    except UserError as error:
        print(f"nimbra-bundle: {error}", file=sys.stderr)
        return 2
    except OSError as error:
        print(f"nimbra-bundle: {error.strerror}: {error.filename}", file=sys.stderr)
        return 1
    print(made.path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
