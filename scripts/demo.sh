#!/usr/bin/env bash
# The main job: builds the programs and shows them at work in a throw-away
# sandbox (runs as root: each run gets a private /dev/log to read back).
set -euo pipefail
NIMBRA_SOURCE=$(cd "$(dirname "$0")/.." && pwd)
source "$NIMBRA_SOURCE/scripts/lib.sh"

nimbra_install_packages
export NIMBRA_DEMO_PORT=${NIMBRA_DEMO_PORT:-18480}
export NIMBRA_BUILD_DIR="$NIMBRA_SOURCE/build/demo"
nimbra_build "$NIMBRA_BUILD_DIR" -DNIMBRA_DOWNLOAD_HOST="127.0.0.1:$NIMBRA_DEMO_PORT"
exec python3 "$NIMBRA_SOURCE/scripts/demo.py"
