#!/usr/bin/env bash
# Builds and runs every test, unit and end-to-end, twice, with warnings as
# errors: a plain Release build with GCC, and a build with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer. Between them the two
# compilers and the optimiser's warnings stay covered. Then the fuzz targets
# of the sanitized build run for a bounded time (scripts/fuzz.sh).
set -euo pipefail
NIMBRA_SOURCE=$(cd "$(dirname "$0")/.." && pwd)
source "$NIMBRA_SOURCE/scripts/lib.sh"

nimbra_install_packages

# Loopback port of the download server that the test builds are compiled for.
port=${NIMBRA_TEST_PORT:-18473}
status=0
for pass in plain sanitize; do
  dir="$NIMBRA_SOURCE/build/$pass"
  options=(-DNIMBRA_WERROR=ON -DNIMBRA_TEST_SETTINGS=ON -DNIMBRA_DOWNLOAD_HOST="127.0.0.1:$port")
  if [ "$pass" = plain ]; then
    options+=(-DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Release
              -DNIMBRA_SANITIZE=OFF)
  else
    options+=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
              -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIMBRA_SANITIZE=ON -DNIMBRA_FUZZ=ON)
  fi
  # A tree configured earlier with the other compiler is configured afresh.
  cxx=g++
  [ "$pass" = sanitize ] && cxx=clang++
  cached=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$dir/CMakeCache.txt" 2>/dev/null || true)
  if [ -n "$cached" ] && [ "$(basename "$cached")" != "$cxx" ]; then
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
  fi
  echo "=== $pass build"
  nimbra_build "$dir" "${options[@]}"
  echo "=== $pass tests"
  ctest --test-dir "$dir" --output-on-failure -j 2 || status=1
done
echo "=== fuzz"
"$NIMBRA_SOURCE/scripts/fuzz.sh" "$NIMBRA_SOURCE/build/sanitize" || status=1
exit $status
