#!/bin/sh
# Builds setup.exe, builds the sample distribution, runs setup.exe there under Wine
# (default: -silent -norestart -log, as a deployment system would run it) and prints
# the exit code, what got installed and the run's log.
#   tools/run-sample.sh [--keep] [SETUP ARGUMENTS...]
set -eu
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
cmake --preset windows >/dev/null
cmake --build --preset windows
PYTHONDONTWRITEBYTECODE=1 exec python3 "$repo/tools/run_sample.py" "$repo/build/windows/setup.exe" "$@"
