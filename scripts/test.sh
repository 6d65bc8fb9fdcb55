#!/usr/bin/env bash
# Builds and runs every test, unit and end-to-end, twice: a plain build and
# one with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
NIMBRA_SOURCE=$(cd "$(dirname "$0")/.." && pwd)
source "$NIMBRA_SOURCE/scripts/lib.sh"

nimbra_install_packages

# Loopback port of the download server that the test builds are compiled for.
port=${NIMBRA_TEST_PORT:-18473}
status=0
for pass in plain sanitize; do
  dir="$NIMBRA_SOURCE/build/$pass"
  sanitize=OFF
  [ "$pass" = sanitize ] && sanitize=ON
  echo "=== $pass build"
  nimbra_build "$dir" -DNIMBRA_SANITIZE=$sanitize -DNIMBRA_DOWNLOAD_HOST="127.0.0.1:$port"
  echo "=== $pass tests"
  ctest --test-dir "$dir" --output-on-failure -j 2 || status=1
done
exit $status
