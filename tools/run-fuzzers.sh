#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time from its
# checked-in corpus. Any crash, leak or sanitizer report fails the run.
#   tools/run-fuzzers.sh [SECONDS_PER_TARGET]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in command_line string_block configuration masks; do
  # New inputs go to a scratch folder; the checked-in corpus stays as it is.
  mkdir -p "$work/$target"
  echo "fuzzing $target for ${seconds}s"
  if ! ./build/fuzz/tests/fuzz/${target}_fuzzer -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=0 -artifact_prefix="$work/" \
      "$work/$target" "tests/fuzz/corpus/$target" >"$work/$target.log" 2>&1; then
    tail -40 "$work/$target.log"
    echo "fuzzing $target found a problem" >&2
    exit 1
  fi
  grep -E "^#[0-9]+.*DONE|Done [0-9]+ runs" "$work/$target.log" | tail -1 || true
done
echo "fuzzers clean"
