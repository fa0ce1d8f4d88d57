#!/usr/bin/env bash
# Every test of the project: the native unit tests (plain and under ASan/UBSan), the
# fuzzers for a bounded time, the Windows build and its checks, the Win32 layer under Wine,
# and the end-to-end scenarios under Wine. Exits non-zero when anything fails.
#   FUZZ_SECONDS=30 (per fuzzer) by default.
set -euo pipefail
cd "$(dirname "$0")/.."
export PYTHONDONTWRITEBYTECODE=1
jobs=$(nproc)

echo "== Native unit tests"
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native -j"$jobs"

echo "== Native unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j"$jobs"
ctest --preset sanitize -j"$jobs"

echo "== Fuzzers"
bash tools/run-fuzzers.sh "${FUZZ_SECONDS:-30}"

echo "== setup.exe"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"
bash tools/check-windows-binary.sh

echo "== Win32 layer under Wine"
bash platform/win32/tests/run-under-wine.sh
bash platform/win32/tests/planted_dlls_under_wine.sh

echo "== Footprint"
python3 tools/measure-footprint.py

echo "== End to end under Wine"
bash tests/e2e/run.sh
