#!/usr/bin/env python3
"""setup.exe end to end under Wine: two pristine prefixes (64-bit and 32-bit Windows), a
copy per scenario, real MSI packages, its own Xvfb. Closes with "N passed, M failed".

    tests/e2e/main.py [-k TEXT] [-j JOBS] [--keep] [--list] [--setup PATH] [--pristine DIR]

The kit's and the harness's own readers are checked first: a scenario verdict is only as
good as they are.
"""

import shutil
import subprocess
import sys
import unittest
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the work tree

import harness  # noqa: E402
from scenarios import SCENARIOS  # noqa: E402
from window_scenarios import SCENARIOS as WINDOW_SCENARIOS  # noqa: E402

HERE = Path(__file__).resolve().parent
TOOLS = ("wine", "wineboot", "wineserver", "wixl", "Xvfb", "i686-w64-mingw32-gcc", "openssl",
         "osslsigncode")


def ready():
    missing = [tool for tool in TOOLS if not shutil.which(tool)]
    # The Russian scenarios need the locale: without it Wine can't open Cyrillic paths.
    locales = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower()
    if not {"ru_ru.utf8", "ru_ru.utf-8"} & set(locales.split()):
        missing.append("locale ru_RU.UTF-8")
    if missing:
        print(f"missing: {', '.join(missing)} (run tools/install-deps.sh)", file=sys.stderr)
        return False
    suite = unittest.TestSuite(unittest.TestLoader().discover(str(folder), "test_*.py")
                               for folder in (HERE.parent / "wine", HERE))
    result = unittest.TextTestRunner(stream=sys.stdout, verbosity=0).run(suite)
    if not result.wasSuccessful():
        print("the harness's own checks failed; no scenario ran", file=sys.stderr)
    return result.wasSuccessful()


if __name__ == "__main__":
    if "--list" not in sys.argv and not ready():
        sys.exit(2)
    sys.exit(harness.main(SCENARIOS + WINDOW_SCENARIOS, sys.argv[1:]))
