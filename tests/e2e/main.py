#!/usr/bin/env python3
"""setup.exe end to end under Wine (tests/e2e/README.md); closes with "N passed, M failed".

    tests/e2e/main.py [-k TEXT] [-j JOBS] [--keep] [--list] [--setup PATH] [--pristine DIR]
"""

import shutil
import subprocess
import sys
import unittest
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the work tree

import harness  # noqa: E402
from scenarios import SCENARIOS  # noqa: E402

HERE = Path(__file__).resolve().parent
TOOLS = ("wine", "wineboot", "wineserver", "wixl", "Xvfb", "i686-w64-mingw32-gcc", "openssl",
         "osslsigncode")


def ready(verdict):
    """The tools are there, and the kit's and the harness's own checks pass: a scenario's
    verdict is only as good as they are."""
    missing = [tool for tool in TOOLS if not shutil.which(tool)]
    # The Russian scenarios need the locale: without it Wine can't open Cyrillic paths.
    locales = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower()
    if not {"ru_ru.utf8", "ru_ru.utf-8"} & set(locales.split()):
        missing.append("locale ru_RU.UTF-8")
    verdict.check(not missing, "the tools are there", f"missing: {', '.join(missing)} "
                  "(run tools/install-deps.sh)")
    def cases(suite):
        for test in suite:
            yield from cases(test) if isinstance(test, unittest.TestSuite) else [test]

    for folder in (HERE.parent / "wine", HERE):
        for case in cases(unittest.TestLoader().discover(str(folder), "test_*.py")):
            result = unittest.TestResult()
            case.run(result)
            verdict.check(result.wasSuccessful(), case.id(),
                          "".join(trace for _, trace in result.failures + result.errors))
    return not verdict.failed


if __name__ == "__main__":
    verdict = harness.kit.Verdict()
    if "--list" not in sys.argv and not ready(verdict):
        sys.exit(verdict.end())
    sys.exit(harness.main(SCENARIOS, sys.argv[1:], verdict))
