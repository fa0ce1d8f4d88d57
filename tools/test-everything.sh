#!/usr/bin/env bash
# Every test of the project, in this order: the native unit tests (plain and under
# ASan/UBSan), the fuzzers for a bounded time, the Windows build, then the CTest suites
# labelled "windows" one after another: binary checks, Win32 layer, dialog, planted DLLs,
# footprint and end to end under Wine. Exits non-zero when anything fails.
#   FUZZ_SECONDS=30 (per fuzzer) by default.
set -euo pipefail
cd "$(dirname "$0")/.."
export PYTHONDONTWRITEBYTECODE=1
jobs=$(nproc)

for preset in native sanitize; do
    echo "== Native unit tests ($preset)"
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset -j"$jobs"
    ctest --preset $preset -j"$jobs"
done

echo "== Fuzzers"
bash tools/run-fuzzers.sh "${FUZZ_SECONDS:-30}"

echo "== setup.exe, its binary checks and the Wine suites"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"
ctest --preset windows
