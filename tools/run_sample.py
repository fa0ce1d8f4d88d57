#!/usr/bin/env python3
"""Runs setup.exe in a sample distribution under Wine and shows what it installed.

    run_sample.py SETUP_EXE [SETUP ARGUMENTS...]
        (default arguments: -silent -norestart -log <distribution>\setup.log, as a
        deployment system would run it; the log is printed afterwards)

A new 64-bit Wine prefix and an Xvfb display of its own, both removed afterwards
(--keep keeps them). Message boxes, if the arguments let any appear, are printed and
answered with their default button.
"""

import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests"))

from wine import distribution, kit  # noqa: E402

TIME_LIMIT = 300
CODES = [p["code"] for p in distribution.PRODUCTS.values()]


def show_box(box, closed, lines):
    print(f"message box \"{box['caption']}\":")
    print("  " + box["text"].replace("\n", "\n  "))
    print(f"  answered with button {lines[0].get('pressed') if lines else '?'}", flush=True)


def main(argv):
    keep = "--keep" in argv
    argv = [a for a in argv if a != "--keep"]
    if len(argv) < 2:
        print(__doc__.strip())
        return 2
    setup_exe, arguments = Path(argv[1]), argv[2:]
    helpers = kit.build_helpers()
    with kit.session("sample", keep) as (prefix, root):
        dist = root / "dist"
        entries = distribution.build(dist)
        shutil.copy2(setup_exe, dist / "setup.exe")
        packages = sum(entry.is_package for entry in entries)
        print(f"distribution: {dist} ({packages} packages, setup.exe beside them)")
        print(f"wine prefix: {prefix.path} (64-bit Windows with WOW64)")
        dist_windows = kit.windows_path(dist)
        if not arguments:
            arguments = ["-silent", "-norestart", "-log", dist_windows + "\\setup.log"]
        started = kit.Started(prefix, helpers, root, dist_windows,
                              dist_windows + "\\setup.exe", arguments)
        deadline = time.monotonic() + TIME_LIMIT
        pid = started.pid(60)
        if pid:
            kit.answer_boxes(prefix, helpers, pid, deadline, on_box=show_box)
        try:
            started.process.wait(max(1, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            print(f"setup.exe still running after {TIME_LIMIT} s: ended")
            prefix.kill_server()
            started.process.wait()
        launch = started.launch()
        print(f"setup.exe {' '.join(arguments)}: exit code "
              f"{launch.exit_code if launch.exit_code is not None else launch.error}")
        products, root_store = kit.query_machine(prefix, helpers, CODES)
        installed = [r for r in products.values() if r["state"] == 5]
        print("installed:" if installed else "installed: nothing")
        for record in installed:
            print(f"  {record['product']}  {record['name']}  {record['version']}"
                  f"  (from {record['package']})")
        for entry in entries:
            for name in entry.cert.split("+") if entry.cert else []:
                thumbprint = distribution.certificate_thumbprint(name)
                print(f"certificate {name} ({entry.path}, {thumbprint}): "
                      f"{'in' if thumbprint in root_store else 'not in'} the machine's Root store")
        log = dist / "setup.log"
        if log.exists():
            print(f"{log}:")
            print("  " + log.read_text(encoding="utf-8-sig").rstrip().replace("\n", "\n  "))
        return 0 if launch.exit_code in (0, 3010) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
