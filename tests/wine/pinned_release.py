"""A release built by tools/sign-release.sh --distribution from a test certificate whose root
this Windows lacks, run under Wine on its pinned share and on changed ones (the `pins` suite).

Wine's WinVerifyTrust checks neither chains nor an MSI's digest; its CertGetCertificateChain
builds a chain to a root it does not trust, which the pins then decide on."""

import os
import shutil
import subprocess

from binary.check_binary import MAX_SIZE
from wine import distribution, kit

PLUGIN, CARD = distribution.PRODUCTS["plugin"]["code"], distribution.PRODUCTS["ucsp"]["code"]
SHARE = ["plugin/velumcom-2.1.0-x64.msi", "ucsp/ucsp-x64-eng.msi", "UEC_acl_x64.acl:text=acl",
         "UEC_x64_2.reg:text=REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\SampleCard]\r\n",
         "b-root.cer:cert=A"]


def changed(path, data):
    return lambda dist, work: (dist / path).write_bytes(data(dist / path, work))


# Each run: what is done to its copy of the share, the exit code, whether all went in.
CASES = [
    ("the pinned share, a package signed again by a renewed certificate", [], 0),
    ("the registry file changed by one byte",
     [changed("UEC_x64_2.reg", lambda path, _: path.read_bytes().replace(b"Card", b"Cars"))],
     0x80096010),
    ("an evil.cer beside the pinned ones",
     [changed("evil.cer", lambda _, work: (work / "other.pem").read_bytes())], 0x800B0004),
    ("release without its signature, an unsigned plug-in package of another name",
     [lambda dist, _: distribution.build(dist, ["plugin/velumcom-2.0.0-x64.msi"]),
      lambda dist, work: subprocess.run(["osslsigncode", "remove-signature", "-in",
                                         work / "setup.exe", "-out", dist / "unsigned.exe"],
                                        check=True, capture_output=True),
      lambda dist, _: os.replace(dist / "unsigned.exe", dist / "setup.exe")], 0x800B0100),
    ("the card package signed with the vendor's subject under another root",
     [lambda dist, work: kit.sign(work, None, [dist / "ucsp/ucsp-x64-eng.msi"], "forged")],
     0x800B0109),
]


def pins(verdict, _):
    helpers = kit.build_helpers()
    with kit.session("pins") as (prefix, work):
        kit.issue(work, "cs", "Test Vendor")
        kit.issue(work, "renewed", "Test Vendor")
        kit.issue(work, "forged", "Test Vendor", root="other", root_subject="Root")
        share = work / "share"
        distribution.build(share, SHARE)
        env = dict(os.environ, SIGN_PKCS12="cs.p12", SIGN_PASSWORD="pw", SIGN_ROOT="ca.pem",
                   RELEASE_DIR=str(work / "release"))
        made = subprocess.run(["bash", kit.REPO / "tools" / "sign-release.sh", "--distribution",
                               share], cwd=work, env=env, capture_output=True, text=True)
        verdict.check(made.returncode == 0, "the release is built and signed", made.stderr[-800:])
        size = (kit.REPO / "build" / "release-tree" / "setup.exe").stat().st_size
        verdict.check(size <= MAX_SIZE, f"the release is {size} bytes, at most {MAX_SIZE}")
        kit.sign(work, None, [share / "ucsp/ucsp-x64-eng.msi"], "renewed")
        shutil.copy2(work / "release" / "setup.exe", work / "setup.exe")
        for number, (name, steps, code) in enumerate(CASES):
            dist = work / f"dist{number}"
            shutil.copytree(share, dist)
            shutil.copy2(work / "setup.exe", dist)
            for step in steps:
                step(dist, work)
            run = prefix.clone(work / f"prefix{number}")
            folder = kit.windows_path(dist)
            launch = kit.parse_launch_output(run.wine(
                [helpers["launch"], folder, folder + "\\setup.exe", "-ucsp", "-silent", "-log",
                 folder + "\\run.log"], timeout=300).stdout)
            products, root = kit.query_machine(run, helpers, [PLUGIN, CARD], 300)
            imported = run.wine(["reg", "query", r"HKCU\Software\SampleCard"]).returncode == 0
            done = (products[PLUGIN]["state"] == 5, products[CARD]["state"] == 5,
                    distribution.certificate_thumbprint("A") in root, imported)
            verdict.equal(name, (launch.exit_code, done), (code, (code == 0,) * 4))
            log = (dist / "run.log").read_text("utf-8-sig")
            verdict.check("trust: a release, pinned" in log, f"{name}: the header", log[:600])
            run.kill_server()
            run.remove()
