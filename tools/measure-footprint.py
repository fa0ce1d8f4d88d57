#!/usr/bin/env python3
"""The footprint budget of setup.exe, measured.

    tools/measure-footprint.py [--rounds N]      (after the windows build)

- size: build/windows/setup.exe at most SIZE_BUDGET bytes, and only system DLLs imported;
- start-up: under Wine, a silent run that installs nothing (plug-in installed, same
  version, feature present) takes at most TIME_BUDGET times the wall time of
  tools/footprint/baseline.c, which makes the same platform calls and decides nothing.
  Both are timed side by side inside one Wine session, round after round; the first round
  warms the caches and is left out; the medians are compared.
Exits 1 when a budget is exceeded.
"""

import shutil
import statistics
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.dont_write_bytecode = True

import sample_distribution  # noqa: E402
import winekit  # noqa: E402

REPO = Path(__file__).resolve().parent.parent
SETUP = REPO / "build" / "windows" / "setup.exe"
# What the build reaches (55 KiB, no-op run about 0.9 times the baseline) and a small margin.
SIZE_BUDGET = 59 * 1024
TIME_BUDGET = 1.25
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "msi.dll",
               "crypt32.dll", "comctl32.dll", "gdi32.dll", "ole32.dll", "shlwapi.dll",
               "version.dll", "msvcrt.dll"}
PACKAGE = "plugin/velumcom-2.1.0-x64.msi"


def imported_dlls(exe):
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(exe)], capture_output=True,
                          text=True, check=True).stdout
    return sorted({line.split(":", 1)[1].strip().lower() for line in dump.splitlines()
                   if line.strip().startswith("DLL Name:")})


def compile_tool(source, out, libraries=()):
    subprocess.run(["i686-w64-mingw32-gcc", "-O2", "-municode", "-static", "-o", str(out),
                    str(source), *libraries], check=True)


def main(argv):
    rounds = int(argv[argv.index("--rounds") + 1]) if "--rounds" in argv else 9
    if not SETUP.exists():
        print("build/windows/setup.exe is missing: cmake --preset windows && "
              "cmake --build --preset windows", file=sys.stderr)
        return 2
    failures = []
    size = SETUP.stat().st_size
    dlls = imported_dlls(SETUP)
    print(f"setup.exe: {size} bytes ({size / 1024:.1f} KiB, budget {SIZE_BUDGET // 1024} KiB), "
          f"imports {', '.join(dlls)}")
    if size > SIZE_BUDGET:
        failures.append(f"setup.exe is {size} bytes, over {SIZE_BUDGET}")
    if set(dlls) - SYSTEM_DLLS:
        failures.append(f"non-system DLLs imported: {sorted(set(dlls) - SYSTEM_DLLS)}")

    root = winekit.temporary_directory("footprint.")
    try:
        dist = root / "dist"
        sample_distribution.build(dist, [PACKAGE])
        shutil.copy2(SETUP, dist / "setup.exe")
        compile_tool(REPO / "tools" / "footprint" / "baseline.c", dist / "baseline.exe",
                     ["-mwindows", "-lmsi"])
        compile_tool(REPO / "tools" / "footprint" / "timer.c", root / "timer.exe")
        dist_windows = "Z:" + str(dist).replace("/", "\\")
        with winekit.Display() as display:
            prefix = winekit.Prefix(root / "prefix", display.name)
            prefix.create()
            installed = prefix.wine(["msiexec", "/qn", "/i",
                                     dist_windows + "\\" + PACKAGE.replace("/", "\\")],
                                    timeout=120)
            if installed.returncode != 0:
                print(f"installing the plug-in first failed: {installed.returncode}")
                return 1
            result = prefix.wine([root / "timer.exe", dist_windows, str(rounds + 1),
                                  dist_windows + "\\setup.exe -silent",
                                  dist_windows + "\\baseline.exe -silent"], timeout=600)
            prefix.kill_server()
        times = {0: [], 1: []}
        codes = set()
        lines = [line.split() for line in result.stdout.splitlines() if line.strip()]
        for index, (program, milliseconds, code) in enumerate(lines):
            codes.add((program, code))
            if index >= 2:  # the first round only warms up
                times[int(program)].append(float(milliseconds))
        if len(times[0]) != rounds or len(times[1]) != rounds:
            print(f"timer output incomplete:\n{result.stdout}{result.stderr[-2000:]}")
            return 1
        if ("0", "0") not in codes or len(codes) != 2:
            failures.append(f"the runs did not all end with 0: {sorted(codes)}")
        setup_median = statistics.median(times[0])
        baseline_median = statistics.median(times[1])
        ratio = setup_median / baseline_median
        print(f"silent run that installs nothing, median of {rounds}: setup.exe "
              f"{setup_median:.0f} ms, baseline {baseline_median:.0f} ms, ratio {ratio:.2f} "
              f"(budget {TIME_BUDGET})")
        if ratio > TIME_BUDGET:
            failures.append(f"setup.exe takes {ratio:.2f} times the baseline")
    finally:
        shutil.rmtree(root, ignore_errors=True)
    for failure in failures:
        print("FAIL: " + failure)
    print("footprint within budget" if not failures else "footprint over budget")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
