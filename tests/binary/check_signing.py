#!/usr/bin/env python3
"""tools/sign-release.sh with a throw-away root and code-signing certificate: nothing
without SIGN_PKCS12; the signed copy verifies, a changed byte fails it; under Wine
WinVerifyTrust accepts it and names the signer, and it installs the sample plug-in."""
import os
import shutil
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from wine import distribution, kit  # noqa: E402

CERTIFICATES = """set -e; o=openssl
$o req -x509 -newkey rsa:2048 -nodes -subj /CN=Root -keyout ca.key -out ca.pem \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign
$o req -newkey rsa:2048 -nodes -subj "/CN=Test Vendor" -keyout cs.key -out cs.csr
echo extendedKeyUsage=codeSigning >cs.ext
$o x509 -req -in cs.csr -CA ca.pem -CAkey ca.key -CAcreateserial -extfile cs.ext -out cs.pem
$o pkcs12 -export -in cs.pem -inkey cs.key -certfile ca.pem -passout pass:pw -out cs.p12"""


def main():
    work, failures = kit.temporary_directory("signing."), []
    release, changed = work / "release", work / "changed.exe"
    env = {k: v for k, v in os.environ.items() if not k.startswith("SIGN_")}
    env["RELEASE_DIR"] = str(release)

    def check(ok, what):
        print(("  ok: " if ok else "  FAILED: ") + what, flush=True)
        failures.extend([] if ok else [what])

    def run(*command, **more):
        return subprocess.run(command, cwd=work, capture_output=True, env=dict(env, **more))

    try:
        run("sh", "-c", CERTIFICATES).check_returncode()
        sign = ("bash", kit.REPO / "tools" / "sign-release.sh")
        check(run(*sign).returncode != 0 and not release.exists(), "no SIGN_PKCS12: nothing")
        signing = run(*sign, SIGN_PKCS12="cs.p12", SIGN_PASSWORD="pw", SIGN_CAFILE="ca.pem")
        check(signing.returncode == 0, "signed " + signing.stderr.decode()[-500:])
        data = bytearray((release / "setup.exe").read_bytes())
        data[len(data) // 2] ^= 1
        changed.write_bytes(data)
        check(run("osslsigncode", "verify", "-CAfile", "ca.pem", "-in", changed).returncode,
              "a changed byte fails the verification")
        helpers = kit.build_helpers()
        with kit.session("signed") as (prefix, root):
            # Wine checks the digest and reads the signer, but no chain to a trusted root.
            for path, expected in ((release / "setup.exe", {"trust": 0, "signer": "Test Vendor"}),
                                   (changed, {"trust": 0x80096010})):  # TRUST_E_BAD_DIGEST
                found = kit.parse_json_lines(prefix.wine(
                    [helpers["trust"], kit.windows_path(path)], timeout=300).stdout)
                check(expected.items() <= (found or [{}])[0].items(), f"WinVerifyTrust {found}")
            distribution.build(root / "dist")
            # Its publisher's package: another certificate, but the same subject, as renewed.
            kit.sign(work, "Test Vendor", [root / "dist" / "plugin" / "velumcom-2.1.0-x64.msi"])
            shutil.copy2(release / "setup.exe", root / "dist")
            dist = kit.windows_path(root / "dist")
            launch = kit.parse_launch_output(prefix.wine(
                [helpers["launch"], dist, dist + "\\setup.exe", "-silent", "-norestart"],
                timeout=300).stdout)
            plugin = distribution.PRODUCTS["plugin"]["code"]
            state = kit.query_products(prefix, helpers, [plugin], 300)[plugin]["state"]
            check(launch.exit_code == 0 and state == 5, f"installs: {launch}, state {state}")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("signing: " + ("OK" if not failures else f"{len(failures)} FAILED"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
