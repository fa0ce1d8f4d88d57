#!/usr/bin/env python3
"""deploy/'s detect-plugin.js, msi-version.js (cscript), uninstall.cmd and startup-install.cmd
(cmd) under Wine, against the sample plug-in installed by Wine's msiexec and setup.exe."""
import shutil, subprocess, sys, tempfile
from pathlib import Path
sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from wine import distribution, kit  # noqa: E402

# cscript, cmd and msiexec of a 64-bit prefix are 64-bit programs: the 64-bit loader alone.
WINE64, PACKAGE = "/usr/lib/wine/wine64", "plugin/velumcom-2.1.0-x64.msi"
DEPLOY = kit.windows_path(kit.REPO / "deploy") + "\\"
CODE = distribution.PRODUCTS["plugin"]["code"]
DETECTED = (0, f"Installed: {CODE} 2.1.0")
ROWS = (("2.1.0", DETECTED), ("2.1", DETECTED), ("2.0.10", DETECTED), ("2.1.1", (0, "")),
        ("2.10.0", (0, "")), ("3", (0, "")), ("x.1", (1, "")))  # required version, outcome
# startup-install.cmd: its exit code and how many times it has started setup.exe by now.
STARTUP_ROWS = (("2.1.0", (0, 1)), ("2.1.0", (0, 1)), ("2.1.1", (0, 2)), ("x.1", (1, 2)))

def run(prefix, *args):
    with tempfile.TemporaryFile() as out:  # a file: Wine's own processes keep a pipe open
        code = subprocess.run([WINE64, *map(str, args)], env=prefix.env(), stdout=out,
                              stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                              timeout=120).returncode
        out.seek(0)
        return code, out.read().decode("utf-8", "replace").strip()

def detect(prefix, work, version):
    text = (kit.REPO / "deploy" / "detect-plugin.js").read_text()
    # Where startup-install.cmd looks for it, with setup.exe in the folder above.
    (script := work / "deploy" / "detect-plugin.js").write_text(
        text.replace('"2.1.0",', f'"{version}",', 1))
    return run(prefix, "cscript", "//nologo", kit.windows_path(script))

def main():
    work, failures = kit.temporary_directory("detect."), []
    def expect(what, got, wanted):
        print(f"{'ok' if got == wanted else 'FAILED'}: {what}: {got!r}", flush=True)
        failures.extend([what] if got != wanted else [])
    with kit.Display() as display:
        prefix = kit.Prefix(work / "prefix", display.name)
        try:
            run(prefix, "wineboot", "--init")
            distribution.build(work, [PACKAGE])
            (work / "deploy").mkdir()
            shutil.copy2(kit.REPO / "deploy" / "startup-install.cmd", work / "deploy")
            shutil.copy2(kit.REPO / "build" / "windows" / "setup.exe", work)
            package = kit.windows_path(work / PACKAGE)
            expect("not installed", detect(prefix, work, "2.1.0"), (0, ""))
            expect("msiexec /i", run(prefix, "msiexec", "/qn", "/i", package)[0], 0)
            for version, wanted in ROWS:
                expect(f"installed 2.1.0, required {version}", detect(prefix, work, version), wanted)
            expect("msi-version.js", run(prefix, "cscript", "//nologo", DEPLOY + "msi-version.js",
                   package)[1].split(), ["ProductCode:", CODE, "ProductVersion:", "2.1.0"])
            expect("uninstall.cmd csp ucsp",
                   run(prefix, "cmd", "/c", DEPLOY + "uninstall.cmd", "csp", "ucsp")[0], 0)
            expect("after uninstall.cmd", detect(prefix, work, "2.1.0"), (0, ""))
            log = prefix.path / "drive_c" / "windows" / "logs" / "Orventa" / "setup.log"
            startup = kit.windows_path(work / "deploy" / "startup-install.cmd")
            for version, wanted in STARTUP_ROWS:
                detect(prefix, work, version)
                code = run(prefix, "cmd", "/c", startup)[0]
                starts = log.exists() and log.read_text("utf-8-sig").count(", command line: ")
                expect(f"startup-install.cmd, {version} required", (code, starts), wanted)
        finally:
            prefix.kill_server()
            prefix.remove()
            shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0

if __name__ == "__main__":
    sys.exit(main())
