#!/usr/bin/env bash
# Every test of the project: the native unit tests, the Windows build and its checks, and
# the end-to-end scenarios under Wine. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

echo "== Native unit tests"
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)"
ctest --preset native -j"$(nproc)"

echo "== setup.exe"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)"
bash tools/check-windows-binary.sh

echo "== End to end under Wine"
bash tests/e2e/run.sh
