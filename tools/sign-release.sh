#!/usr/bin/env bash
# Signs setup.exe for a release: an Authenticode signature (SHA-256) with the vendor's
# certificate, checked again after signing (and that the signature is all it added),
# written with its SHA256SUMS into build/release/; the build itself is left as it is.
#   tools/sign-release.sh [SETUP_EXE]          (default build/windows/setup.exe)
# From the environment only, so that neither reaches a command line or a file:
#   SIGN_PKCS12          the PKCS#12 file with the certificate, its chain and the key
#   SIGN_PASSWORD        its password
#   SIGN_TIMESTAMP_URL   an RFC 3161 time-stamping server (optional, advised: the
#                        signature then stays valid after the certificate expires)
#   SIGN_CAFILE          the roots the signature is checked against (default: the
#                        system's); RELEASE_DIR the output folder (default build/release)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
setup_exe=${1:-$repo/build/windows/setup.exe}
release=${RELEASE_DIR:-$repo/build/release}

if [ -z "${SIGN_PKCS12:-}" ]; then
    echo "SIGN_PKCS12 is not set: nothing signed (see the README, \"Signing a release\")" >&2
    exit 2
fi
[ -f "$setup_exe" ] || { echo "$setup_exe: no such file" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
timestamp=()
[ -n "${SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$SIGN_TIMESTAMP_URL")
# The password reaches osslsigncode through a descriptor of its own (a here-string),
# never through its arguments, which every user sees in ps.
osslsigncode sign -pkcs12 "$SIGN_PKCS12" -readpass /dev/fd/3 -h sha256 \
    "${timestamp[@]}" -in "$setup_exe" -out "$work/setup.exe" 3<<<"${SIGN_PASSWORD:-}"

cafile=()
[ -n "${SIGN_CAFILE:-}" ] && cafile=(-CAfile "$SIGN_CAFILE")
if ! osslsigncode verify "${cafile[@]}" -in "$work/setup.exe" >"$work/verify" 2>&1; then
    cat "$work/verify" >&2
    echo "the signature made does not verify: nothing written" >&2
    exit 1
fi

# Signing must add the signature and nothing else: a rebuild of the commit compares with
# the release without it (tools/rebuild-and-compare.sh).
osslsigncode remove-signature -in "$work/setup.exe" -out "$work/unsigned.exe" >/dev/null
if ! cmp -s "$work/unsigned.exe" "$setup_exe"; then
    echo "without its signature the signed copy is not the build: nothing written" >&2
    exit 1
fi

mkdir -p "$release"
cp "$work/setup.exe" "$release/setup.exe"
(cd "$release" && sha256sum setup.exe >SHA256SUMS)
grep -m1 -i "subject:" "$work/verify" || true
cat "$release/SHA256SUMS"
