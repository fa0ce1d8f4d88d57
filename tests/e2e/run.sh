#!/bin/sh
# setup.exe end to end under Wine: two pristine prefixes (64-bit and 32-bit Windows), a
# copy per scenario, real MSI packages, its own Xvfb. Closes with "N passed, M failed".
#   tests/e2e/run.sh [-k TEXT] [-j JOBS] [--keep] [--list] [--setup PATH] [--pristine DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
export PYTHONDONTWRITEBYTECODE=1  # no __pycache__ in the work tree
for tool in wine wineboot wineserver wixl Xvfb i686-w64-mingw32-gcc openssl python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "missing: $tool (run tools/install-deps.sh)" >&2; exit 2; }
done
# The Russian scenarios need the locale: without it Wine can't open Cyrillic paths.
locale -a 2>/dev/null | grep -qix 'ru_RU.utf-\{0,1\}8' || { echo "missing locale ru_RU.UTF-8 (run tools/install-deps.sh)" >&2; exit 2; }
# The harness's own readers first: a scenario verdict is only as good as they are.
if ! checks=$(python3 -m unittest discover -s "$here" -p 'test_*.py' 2>&1); then
    printf '%s\n' "$checks"
    echo "the harness's own checks failed; no scenario ran" >&2
    exit 1
fi
printf '%s\n' "$checks" | tail -n 3
exec python3 "$here/main.py" "$@"
