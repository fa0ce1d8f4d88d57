"""A release built by tools/sign-release.sh --distribution from a test root Wine's store
lacks, run with -ucsp on its pinned share and on changed ones (the `pins` suite). Wine's
WinVerifyTrust checks no chain, but its CertGetCertificateChain builds one to a root it
does not trust, which the pins then decide on."""

import os
import shutil
import subprocess

from binary.check_binary import MAX_SIZE
from wine import distribution, kit

PLUGIN, CARD = distribution.PRODUCTS["plugin"]["code"], distribution.PRODUCTS["ucsp"]["code"]
SHARE = ["plugin/velumcom-2.1.0-x64.msi", "ucsp/ucsp-x64-eng.msi", "UEC_acl_x64.acl:text=acl",
         "UEC_x64_2.reg:text=REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\SampleCard]\r\n",
         "b-root.cer:cert=A"]
REG = "UEC_x64_2.reg"
# Each run: what is done to its copy of the share (and setup.exe), the exit code.
CASES = [
    ("the pinned share, a package signed again by a renewed certificate", lambda d, w: 0, 0),
    ("the registry file changed by one byte", lambda d, w: (d / REG).write_bytes(
        (d / REG).read_bytes().replace(b"Card", b"Cars")), 0x80096010),
    ("an evil.cer beside the pinned ones",
     lambda d, w: shutil.copy(w / "other.pem", d / "evil.cer"), 0x800B0004),
    ("release without its signature, an unsigned plug-in package of another name",
     lambda d, w: (distribution.build(d, ["plugin/velumcom-2.0.0-x64.msi"]), subprocess.run(
         ["osslsigncode", "remove-signature", "-in", w / "setup.exe", "-out", d / "u.exe"],
         check=True, capture_output=True), os.replace(d / "u.exe", d / "setup.exe")), 0x800B0100),
    ("the card package signed with the vendor's subject under another root",
     lambda d, w: kit.sign(w, None, [d / "ucsp/ucsp-x64-eng.msi"], "forged"), 0x800B0109),
]


def pins(verdict, _):
    helpers = kit.build_helpers()
    with kit.session("pins") as (prefix, work):
        kit.issue(work, "cs", "Test Vendor")
        kit.issue(work, "renewed", "Test Vendor")
        kit.issue(work, "forged", "Test Vendor", root="other")
        share = work / "share"
        distribution.build(share, SHARE)
        env = dict(os.environ, SIGN_PKCS12="cs.p12", SIGN_PASSWORD="pw", SIGN_ROOT="ca.pem",
                   RELEASE_DIR=str(work))
        made = subprocess.run(["bash", kit.REPO / "tools" / "sign-release.sh", "--distribution",
                               share], cwd=work, env=env, capture_output=True, text=True)
        size = (kit.REPO / "build" / "release-tree" / "setup.exe").stat().st_size
        verdict.check(made.returncode == 0 and size <= MAX_SIZE,
                      f"the release is built and signed, {size} bytes", made.stderr[-800:])
        kit.sign(work, None, [share / "ucsp/ucsp-x64-eng.msi"], "renewed")
        for number, (name, change, code) in enumerate(CASES):
            dist = work / f"dist{number}"
            shutil.copytree(share, dist)
            shutil.copy2(work / "setup.exe", dist)
            change(dist, work)
            run, folder = prefix.clone(work / f"prefix{number}"), kit.windows_path(dist)
            launch = kit.parse_launch_output(run.wine(
                [helpers["launch"], folder, folder + "\\setup.exe", "-ucsp", "-silent", "-log",
                 folder + "\\run.log"], timeout=300).stdout)
            products, root = kit.query_machine(run, helpers, [PLUGIN, CARD], 300)
            done = (products[PLUGIN]["state"] == 5, products[CARD]["state"] == 5,
                    distribution.certificate_thumbprint("A") in root,
                    run.wine(["reg", "query", r"HKCU\Software\SampleCard"]).returncode == 0,
                    "trust: a release, pinned" in (dist / "run.log").read_text("utf-8-sig"))
            verdict.equal(name, (launch.exit_code, done), (code, (code == 0,) * 4 + (True,)))
            run.kill_server()
            run.remove()
