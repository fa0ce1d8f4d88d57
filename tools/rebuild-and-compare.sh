#!/usr/bin/env bash
# Builds this checkout's commit again in a fresh clone elsewhere and compares the result
# with SETUP_EXE (default build/windows/setup.exe) by SHA-256: the same commit must give
# the same bytes. A signed SETUP_EXE (build/release/setup.exe) is compared without its
# signature, which is all that signing adds. Uncommitted changes to tracked files are
# carried over to the clone, so a developer's tree is compared with itself.
#   tools/rebuild-and-compare.sh [--pins FILE] [SETUP_EXE]   (exit 0 only when the two are
#                                                 the same)
# A release is rebuilt with its pins (the `pins` file published beside it).
#   KEEP=1 keeps the clone; JOBS (default 2) is the build's parallelism.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
pins=()
if [ "${1:-}" = --pins ]; then
    pins=(-DSETUP_PINS="$(realpath "${2:?--pins FILE}")")
    shift 2
fi
setup_exe=$(realpath "${1:-$repo/build/windows/setup.exe}")
work=$(mktemp -d /tmp/rebuild.XXXXXX)
[ -n "${KEEP:-}" ] && echo "kept: $work" || trap 'rm -rf "$work"' EXIT

unsigned="$work/unsigned.exe"
if osslsigncode extract-signature -in "$setup_exe" -out "$work/signature" >/dev/null 2>&1; then
    osslsigncode remove-signature -in "$setup_exe" -out "$unsigned" >/dev/null
    signed=1
else
    cp "$setup_exe" "$unsigned"
fi

git clone -q --no-checkout "$repo" "$work/source"
git -C "$work/source" checkout -q --detach "$(git -C "$repo" rev-parse HEAD)"
git -C "$repo" diff --binary HEAD | (cd "$work/source" && git apply --allow-empty)
(cd "$work/source" && cmake --preset windows "${pins[@]}" >/dev/null &&
    cmake --build --preset windows -j"${JOBS:-2}" >/dev/null)
# A build with pins stays in its tree, beside no development build.
rebuilt=$work/source/build/windows/setup.exe
[ ${#pins[@]} -eq 0 ] || rebuilt=$work/source/build/windows-tree/setup.exe

first=$(sha256sum <"$unsigned" | cut -d' ' -f1)
second=$(sha256sum <"$rebuilt" | cut -d' ' -f1)
echo "$first  $setup_exe${signed:+ (without its signature)}"
echo "$second  rebuilt from $(git -C "$repo" rev-parse --short=12 HEAD) in $work/source"
if [ "$first" != "$second" ]; then
    echo "the rebuild differs" >&2
    cmp -l "$unsigned" "$rebuilt" | head -20 >&2 || true
    exit 1
fi
echo "same bytes"
