#!/usr/bin/env bash
# Runs every fuzz target of a NIMBRA_FUZZ build for a bounded time, each on a
# copy of its seed corpus, and fails on any crash, leak, sanitizer report or
# broken check, printing the input that caused it. Nothing in the repository
# changes and nothing is left behind.
#
#   scripts/fuzz.sh BUILD_DIR [TARGET...]
#
# NIMBRA_FUZZ_SECONDS (default 240) is the time of the whole pass, shared
# evenly by the targets (at least 10 s each).
set -uo pipefail
NIMBRA_SOURCE=$(cd "$(dirname "$0")/.." && pwd)

build=${1:?usage: scripts/fuzz.sh BUILD_DIR [TARGET...]}
shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in "$NIMBRA_SOURCE"/fuzz/*.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi
budget=${NIMBRA_FUZZ_SECONDS:-240}
seconds=$((budget / ${#targets[@]}))
[ "$seconds" -lt 10 ] && seconds=10

work=$(mktemp -d "${TMPDIR:-/tmp}/nimbra-fuzz.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

status=0
for target in "${targets[@]}"; do
  binary="$build/fuzz/$target"
  if [ ! -x "$binary" ]; then
    echo "fuzz: $binary is not built (configure with -DNIMBRA_FUZZ=ON)" >&2
    status=1
    continue
  fi
  mkdir "$work/$target" "$work/$target/corpus" "$work/$target/artifacts" "$work/$target/tmp"
  cp -R "$NIMBRA_SOURCE/fuzz/corpus/$target/." "$work/$target/corpus/"
  echo "=== fuzz $target (${seconds}s)"
  # Leaks count as findings; an input may take 2 GB and 10 s at most. A target
  # that needs files makes them in TMPDIR, which goes away with the rest.
  TMPDIR="$work/$target/tmp" ASAN_OPTIONS=detect_leaks=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$binary" -max_total_time="$seconds" -detect_leaks=1 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$work/$target/artifacts/" -print_final_stats=1 \
    "$work/$target/corpus" >"$work/$target/log" 2>&1
  result=$?
  findings=("$work/$target/artifacts"/*)
  if [ $result -ne 0 ] || [ -e "${findings[0]}" ]; then
    status=1
    echo "fuzz: $target failed (exit status $result)" >&2
    grep -v -E '^#[0-9]+[[:space:]]' "$work/$target/log" | tail -n 60 >&2
    for finding in "${findings[@]}"; do
      [ -e "$finding" ] || continue
      echo "--- input $(basename "$finding"), $(stat -c %s "$finding") bytes:" >&2
      od -A d -c "$finding" | head -n 40 >&2
    done
  else
    grep -E '^stat::(number_of_executed_units|new_units_added)' "$work/$target/log" | tr '\n' ' '
    echo
  fi
done
exit $status
