#!/usr/bin/env python3
"""The footprint budget of setup.exe, measured.

    tools/measure-footprint.py [--rounds N]      (after the windows build)

- size: build/windows/setup.exe at most MAX_SIZE bytes (tests/binary/check_binary.py),
  and only system DLLs imported;
- start-up: under Wine, a silent run that installs nothing (plug-in installed, same
  version, feature present) takes at most TIME_BUDGET times the wall time of
  tests/wine/helpers/baseline.c, which makes the same platform calls and decides nothing.
  Both are timed side by side inside one Wine session, round after round; the first round
  warms the caches and is left out; the medians are compared.
Exits 1 when a budget is exceeded.
"""

import shutil
import statistics
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO / "tests"))
sys.dont_write_bytecode = True

from binary.check_binary import ALLOWED_DLLS, MAX_SIZE, imports  # noqa: E402
from wine import distribution, kit  # noqa: E402

SETUP = REPO / "build" / "windows" / "setup.exe"
TIME_BUDGET = 1.25
PACKAGE = "plugin/velumcom-2.1.0-x64.msi"


def main(argv):
    rounds = int(argv[argv.index("--rounds") + 1]) if "--rounds" in argv else 9
    if not SETUP.exists():
        print("build/windows/setup.exe is missing: cmake --preset windows && "
              "cmake --build --preset windows", file=sys.stderr)
        return 2
    failures = []
    size = SETUP.stat().st_size
    dlls = sorted(dll.lower() for dll in imports(SETUP))
    print(f"setup.exe: {size} bytes ({size / 1024:.1f} KiB, budget {MAX_SIZE // 1024} KiB), "
          f"imports {', '.join(dlls)}")
    if size > MAX_SIZE:
        failures.append(f"setup.exe is {size} bytes, over {MAX_SIZE}")
    if set(dlls) - ALLOWED_DLLS:
        failures.append(f"non-system DLLs imported: {sorted(set(dlls) - ALLOWED_DLLS)}")

    helpers = kit.build_helpers()
    with kit.session("footprint") as (prefix, root):
        dist = root / "dist"
        distribution.build(dist, [PACKAGE])
        shutil.copy2(SETUP, dist / "setup.exe")
        shutil.copy2(helpers["baseline"], dist / "baseline.exe")
        dist_windows = kit.windows_path(dist)
        installed = prefix.wine(["msiexec", "/qn", "/i",
                                 dist_windows + "\\" + PACKAGE.replace("/", "\\")], timeout=120)
        if installed.returncode != 0:
            print(f"installing the plug-in first failed: {installed.returncode}")
            return 1
        result = prefix.wine([helpers["timer"], dist_windows, str(rounds + 1),
                              dist_windows + "\\setup.exe -silent",
                              dist_windows + "\\baseline.exe -silent"], timeout=600)
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
    for failure in failures:
        print("FAIL: " + failure)
    print("footprint within budget" if not failures else "footprint over budget")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
