#!/usr/bin/env python3
"""setup.exe must not load a DLL that lies beside it or in its start folder: msi.dll,
crypt32.dll, wintrust.dll, comctl32.dll are not known DLLs, so Windows would look there first.
Wine prefers its own DLLs, but with WINEDLLOVERRIDES=NAME=n,b it searches like Windows.
A control program that imports them plainly must load the planted copies (else the test
proves nothing); setup.exe must load none of them.

    platform/win32/tests/planted_dlls_under_wine.py    (after the windows build)
"""
import re
import shutil
import sys

from layer_under_wine import REPO, kit

DLLS = ("msi", "crypt32", "wintrust", "comctl32")
OVERRIDES = "mscoree,mshtml=;msi,crypt32,wintrust,comctl32=n,b"


def main():
    setup = REPO / "build" / "windows" / "setup.exe"
    if not setup.is_file():
        print("build setup.exe first", file=sys.stderr)
        return 2
    helpers = kit.build_helpers()
    failures = []
    with kit.session("planted") as (prefix, work):
        dist = work / "dist"
        (dist / "plugin").mkdir(parents=True)
        shutil.copy2(setup, dist / "setup.exe")
        shutil.copy2(helpers["control_importer"], dist / "control.exe")
        for dll in DLLS:
            shutil.copy2(helpers[f"planted_{dll}"], dist / f"{dll}.dll")
        # A silent run that reaches the installer, the progress window and (with -ucsp)
        # the certificate store: a slow stand-in msiexec keeps the progress window up long
        # enough to be drawn, then the run ends with the stand-in's code.
        prefix.place_stand_ins(["msiexec"], helpers["standin"])

        def run(program, *arguments):
            """Runs it from the distribution folder, the planted DLLs beside it; returns
            Wine's +loaddll trace and which planted DLLs were loaded."""
            for marker in dist.glob("planted-*"):
                marker.unlink()
            result = prefix.wine([helpers["launch"], kit.windows_path(dist),
                                  kit.windows_path(dist / program), *arguments],
                                 debug="+loaddll", timeout=120,
                                 extra={"WINEDLLOVERRIDES": OVERRIDES,
                                        "STANDIN_MSIEXEC": "hold=1500,exit=0"})
            prefix.wait_server()
            return result.stderr, {m.name[len("planted-"):] for m in dist.glob("planted-*")}

        _, loaded = run("control.exe")
        for dll in DLLS:
            if dll in loaded:
                print(f"ok   the control program loads a planted {dll}.dll")
            else:
                failures.append(f"the control program did not load the planted {dll}.dll: "
                                "the test can't see it")
        trace, loaded = run("setup.exe", "-ucsp", "-silent")
        for dll in DLLS:
            # Wine's trace names every DLL a process loads, with its path.
            if dll in loaded:
                failures.append(f"setup.exe loaded the {dll}.dll planted beside it")
            elif not re.search(rf'Loaded L".*\\{dll}\.dll"', trace, re.IGNORECASE):
                failures.append(f"setup.exe did not load {dll}.dll at all: the run proves nothing")
            else:
                print(f"ok   setup.exe loaded the system's {dll}.dll, not the planted one")
    for failure in failures:
        print("FAIL " + failure)
    print(f"{len(failures)} planted-DLL failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
