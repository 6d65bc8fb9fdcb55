#!/usr/bin/env bash
# The benchmark command: builds a Release tree (build/bench) and prints each
# figure against the standard tool it is compared with, measured side by side
# in one run. Options go to bench/run.py (--repeat N, --quick).
set -euo pipefail
NIMBRA_SOURCE=$(cd "$(dirname "$0")/.." && pwd)
source "$NIMBRA_SOURCE/scripts/lib.sh"

nimbra_install_packages
export NIMBRA_BENCH_PORT=${NIMBRA_BENCH_PORT:-18490}
export NIMBRA_BUILD_DIR="$NIMBRA_SOURCE/build/bench"
nimbra_build "$NIMBRA_BUILD_DIR" -DCMAKE_BUILD_TYPE=Release \
  -DNIMBRA_DOWNLOAD_HOST="127.0.0.1:$NIMBRA_BENCH_PORT" >/dev/null
exec python3 "$NIMBRA_SOURCE/bench/run.py" "$@"
