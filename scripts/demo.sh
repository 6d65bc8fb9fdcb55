#!/usr/bin/env bash
# Builds the programs and shows what they do, in a throw-away sandbox.
set -euo pipefail
NIMBRA_SOURCE=$(cd "$(dirname "$0")/.." && pwd)
source "$NIMBRA_SOURCE/scripts/lib.sh"

nimbra_install_packages
dir="$NIMBRA_SOURCE/build/demo"
nimbra_build "$dir"

sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT

echo "\$ PackageSetupLauncher -version"
"$dir/PackageSetupLauncher" -version
