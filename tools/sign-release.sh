#!/usr/bin/env bash
# Signs setup.exe for a release: an Authenticode signature (SHA-256) with the vendor's
# certificate, checked again after signing (and that the signature is all it added),
# written with its SHA256SUMS into build/release/.
#   tools/sign-release.sh --distribution DIR   pins the vendor's subject, SIGN_ROOT and the
#                        SHA-256 of each file of DIR a run uses, builds setup.exe with these
#                        pins (build/release-tree) and signs it; build/release/pins says what
#                        was pinned
#   tools/sign-release.sh --pins FILE          the same with the pins of an earlier release
#   tools/sign-release.sh [SETUP_EXE]          signs a build without pins as it is (default
#                        build/windows/setup.exe), which keeps the rules of a development build
# From the environment only, so that neither reaches a command line or a file:
#   SIGN_PKCS12          the PKCS#12 file with the certificate, its chain and the key
#   SIGN_PASSWORD        its password
#   SIGN_ROOT            the root certificate the vendor's chain ends at (PEM or DER); needed
#                        with pins, and the chain is checked against it
#   SIGN_TIMESTAMP_URL   an RFC 3161 time-stamping server (optional, advised: the
#                        signature then stays valid after the certificate expires)
#   SIGN_CAFILE          the roots the signature is checked against (default: SIGN_ROOT, else
#                        the system's); RELEASE_DIR the output folder (default build/release)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
release=${RELEASE_DIR:-$repo/build/release}
distribution="" pins_in=""
case "${1:-}" in
    --distribution) distribution=${2:?--distribution DIR} ;;
    --pins) pins_in=$(realpath "${2:?--pins FILE}") ;;
esac
setup_exe=${1:-$repo/build/windows/setup.exe}

if [ -z "${SIGN_PKCS12:-}" ]; then
    echo "SIGN_PKCS12 is not set: nothing signed (see the README, \"Signing a release\")" >&2
    exit 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
hex() { od -An -v -tx1 | tr -d ' \n'; }

if [ -n "$distribution$pins_in" ]; then
    [ -n "${SIGN_ROOT:-}" ] || { echo "SIGN_ROOT is not set: a release pins its root" >&2; exit 2; }
    # The password reaches openssl through a descriptor of its own, never its arguments.
    openssl pkcs12 -in "$SIGN_PKCS12" -passin fd:3 -nokeys -clcerts -out "$work/cert.pem" \
        3<<<"${SIGN_PASSWORD:-}"
    openssl pkcs12 -in "$SIGN_PKCS12" -passin fd:3 -nokeys -cacerts -out "$work/chain.pem" \
        3<<<"${SIGN_PASSWORD:-}"
    openssl x509 -in "$SIGN_ROOT" -out "$work/root.pem" 2>/dev/null ||
        openssl x509 -inform DER -in "$SIGN_ROOT" -out "$work/root.pem"
    untrusted=()
    grep -q CERTIFICATE "$work/chain.pem" && untrusted=(-untrusted "$work/chain.pem")
    if ! openssl verify -no-CApath -no-CAstore -CAfile "$work/root.pem" "${untrusted[@]}" \
        "$work/cert.pem" >&2; then
        echo "the certificate of SIGN_PKCS12 does not chain to SIGN_ROOT: nothing signed" >&2
        exit 1
    fi
    openssl x509 -in "$work/cert.pem" -outform DER -out "$work/cert.der"
    # The subject: the sixth element of the certificate's body (after its version, serial
    # number, algorithm, issuer and validity), encoded as it is.
    read -r at header length < <(openssl asn1parse -inform DER -in "$work/cert.der" |
        sed -n 's/^ *\([0-9]*\):d=2 *hl=\([0-9]*\) *l= *\([0-9]*\).*/\1 \2 \3/p' | sed -n 6p)
    subject=$(tail -c +$((at + 1)) "$work/cert.der" | head -c $((${header:-0} + ${length:-0})) | hex)
    [[ $subject == 30* ]] || { echo "no subject found in SIGN_PKCS12's certificate" >&2; exit 1; }
    root=$(openssl x509 -in "$work/root.pem" -outform DER | hex)
    if [ -n "$distribution" ]; then
        name=$(openssl x509 -in "$work/cert.pem" -noout -subject -nameopt multiline,utf8,-esc_msb |
            sed -n 's/^ *commonName *= //p' | head -1)
        {
            echo "# What this release of setup.exe trusts, built into it by tools/sign-release.sh:"
            echo "# packages signed by this publisher under this root, or these very files."
            echo "# $(openssl x509 -in "$work/cert.pem" -noout -subject)"
            echo "signer $name"
            echo "subject $subject"
            echo "# root: $(openssl x509 -in "$work/root.pem" -noout -subject), SHA-256" \
                "$(openssl x509 -in "$work/root.pem" -outform DER | sha256sum | cut -d' ' -f1)"
            echo "root $root"
            echo "# The files of the distribution folder, as sha256sum -c reads them there:"
            (cd "$distribution" && {
                find . -mindepth 2 -maxdepth 2 -type f -iname '*.msi' -not -path './.*'
                find . -maxdepth 1 -type f \( -iname '*.cer' -o -iname '*.p7b' -o -iname '*.crt' \
                    -o -iname UEC_x64_2.reg -o -iname UEC_x86_2.reg -o -iname UEC_acl_x64.acl \
                    -o -iname UEC_acl_x86.acl \)
            } | sed 's|^\./||' | LC_ALL=C sort | while IFS= read -r file; do sha256sum "$file"; done)
        } >"$work/pins"
    else
        cp "$pins_in" "$work/pins"
    fi
    if ! grep -qx "subject $subject" "$work/pins" || ! grep -qx "root $root" "$work/pins"; then
        echo "the pins name another publisher or root than SIGN_PKCS12 and SIGN_ROOT:" \
            "nothing signed" >&2
        exit 1
    fi
    # The pins stay with the tree they were built into, which builds again with them.
    tree=$repo/build/release-tree
    mkdir -p "$tree"
    cp "$work/pins" "$tree/pins"
    (cd "$repo" && cmake --preset windows -B "$tree" -DSETUP_PINS="$tree/pins" >/dev/null &&
        cmake --build "$tree" -j"${JOBS:-2}" --target setup >/dev/null)
    setup_exe=$tree/setup.exe
    : "${SIGN_CAFILE:=$work/root.pem}"
fi
[ -f "$setup_exe" ] || { echo "$setup_exe: no such file" >&2; exit 2; }

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
rm -f "$release/pins"
cp "$work/setup.exe" "$release/setup.exe"
[ -f "$work/pins" ] && cp "$work/pins" "$release/pins"
(cd "$release" && sha256sum setup.exe >SHA256SUMS)
grep -m1 -i "subject:" "$work/verify" || true
cat "$release/SHA256SUMS"
