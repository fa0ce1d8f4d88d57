#!/usr/bin/env python3
"""Builds the Win32 layer test (win32_layer_test.exe, the windows preset) and runs it under
Wine with a package, a certificate and DLLs planted beside it; the DLLs must not be
loaded. The dialog is driven by dialog_under_wine.py.

    platform/win32/tests/layer_under_wine.py      (exit status 0 when all pass)
"""
import shutil
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[3]
sys.path.insert(0, str(REPO / "tests"))
sys.dont_write_bytecode = True

from wine import distribution, kit  # noqa: E402

PACKAGE = distribution.Entry(
    path="package.msi", product="{5A0C3E71-94B2-4D1F-8C6A-7E2B1D0F9A31}", version="1.2.3",
    lang="1049", flags="kc2,rus", properties={"LongProperty": "L" * 300})
CERTIFICATE = "root.cer:cert=LayerTest"


def build_layer_test():
    subprocess.run(["cmake", "--build", "--preset", "windows", "--target", "win32_layer_test",
                    "setup"], cwd=REPO, check=True, stdout=subprocess.DEVNULL)
    return REPO / "build" / "windows-tree" / "win32_layer_test.exe"


def main():
    layer_test = build_layer_test()
    helpers = kit.build_helpers()
    with kit.session("win32-layer-test") as (prefix, work):
        distribution.build(work, [PACKAGE, CERTIFICATE])
        (work / "bin").mkdir()
        (work / "cwd").mkdir()
        shutil.copy2(layer_test, work / "bin")
        for dll in ("msi", "crypt32"):
            shutil.copy2(helpers[f"planted_{dll}"], work / "bin" / f"{dll}.dll")
        # A 64-bit prefix runs 32-bit programs under WOW64.
        wow64 = "1" if (prefix.path / "drive_c" / "windows" / "syswow64").is_dir() else "0"
        result = prefix.wine([work / "bin" / layer_test.name] + [
            kit.windows_path(work / name) for name in ("cwd", "package.msi", "root.cer")]
            + [wow64], timeout=300, extra={"WINEDLLOVERRIDES": "mscoree,mshtml=;msi,crypt32=n,b"})
        print(result.stdout, end="")
        planted = sorted(marker.name for marker in (work / "bin").glob("planted-*"))
    if planted:
        print(f"FAIL a DLL planted beside the program was loaded: {planted}")
    else:
        print("ok   the DLLs planted beside the program were not loaded")
    return 1 if planted or result.returncode != 0 else 0


if __name__ == "__main__":
    sys.exit(main())
