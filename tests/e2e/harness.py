"""Runs setup.exe under Wine, scenario by scenario, and compares what it did.

Each scenario gets its own copy of one pristine Wine prefix, a distribution folder of
real MSI packages with setup.exe in it, and a time limit. What is observed: the full exit
code (launch.exe), the command lines setup.exe started (WINEDEBUG=trace+process of its
own pid), the message boxes it showed (read from the boxes themselves by msgbox.exe and
counted in trace+msgbox), and the products the Windows Installer knows afterwards.
"""

import argparse
import difflib
import json
import os
import shutil
import subprocess
import sys
import threading
import time
from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass, field
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools"))

import sample_distribution  # noqa: E402
import winekit  # noqa: E402

SCENARIO_TIMEOUT = 60
TRACE = "+pid,trace+process,trace+msgbox"
DIST = "{dist}"  # stands for the distribution folder as Wine reports it


@dataclass
class Box:
    """A message box (or any dialog) expected in this order, and how it is answered:
    the controls clicked first (radio buttons, toggles), then the button pressed."""
    caption: str
    text: str = None      # its static text; None: not checked
    press: str = "OK"     # OK, Cancel, Yes, No, default or a control id
    buttons: list = None  # visible button ids in order after the clicks; None: not checked
    clicks: list = field(default_factory=list)
    message_box: bool = True  # False for a dialog of the program's own, which Wine's
    #                           msgbox trace does not count


@dataclass
class Scenario:
    name: str
    args: list
    distribution: list = field(default_factory=list)  # sample_distribution entries
    prepare: list = field(default_factory=list)       # functions(run) before setup.exe
    boxes: list = field(default_factory=list)         # Box, in the order shown
    exit_code: int = 0
    commands: list = None    # exact command lines setup.exe starts, DIST for the folder
    products: dict = None    # {product code: version, or None for not installed}
    packages: dict = None    # {product code: package file name it was installed from}
    features: dict = None    # {product code: NPVELUM state}
    checks: list = field(default_factory=list)        # functions(run) -> [Mismatch]
    program: str = None      # another program to start instead of setup.exe (args: DIST)


@dataclass
class Mismatch:
    what: str
    expected: object
    actual: object


@dataclass
class Run:
    """One scenario's machine and what was seen there."""
    scenario: Scenario
    workdir: Path
    prefix: winekit.Prefix
    helpers: dict
    dist: Path
    launch: winekit.Launch = None
    timed_out: bool = False
    boxes: list = field(default_factory=list)
    events: winekit.TraceEvents = None
    products: dict = None
    notes: list = field(default_factory=list)

    @property
    def dist_windows(self):
        """The distribution folder as Wine reports it (Z: maps the Linux root)."""
        if self.launch and self.launch.cwd:
            return self.launch.cwd
        return "Z:" + str(self.dist).replace("/", "\\")

    def expand(self, text):
        return text.replace(DIST, self.dist_windows)

    def wine(self, args, **kwargs):
        return self.prefix.wine(args, **kwargs)

    def install(self, spec, *arguments):
        """Installs a package before setup.exe runs, as an earlier installation would
        have; the package is built outside the distribution folder."""
        entry = sample_distribution.parse_entry(spec)
        target = self.workdir / "preinstalled" / entry.path
        sample_distribution.build_package(entry, target)
        windows_path = "Z:" + str(target).replace("/", "\\")
        result = self.wine([self.helpers["launch"], "Z:\\", "msiexec", "/qn", "/i",
                            windows_path, *arguments])
        launch = winekit.parse_launch_output(result.stdout)
        if launch.exit_code not in (0, 3010):
            raise winekit.WineError(f"preinstalling {spec}: msiexec ended with "
                                    f"{launch.exit_code} {launch.error or ''}")

    def install_older(self, spec, version_on_disk):
        """Installs spec, then lets Wine open a package of another version of it.

        Wine's MsiOpenPackageExW opens the product's cached package instead of the file
        it is given, and fails with 1638 when their versions differ (Windows opens the
        file). Rewriting the cached copy with the version on disk, everything else left
        as installed, gives what Windows would: the version on disk from the package,
        the installed version from the registry, the installed flags and language from
        the cached package."""
        self.install(spec)
        entry = sample_distribution.parse_entry(spec)
        code = sample_distribution.product_code(entry)
        cached = winekit.query_products(self.prefix, self.helpers, [code])[code]["cached"]
        entry.version = version_on_disk
        sample_distribution.build_package(entry, self.prefix.unix_path(cached))


def compare(what, expected, actual):
    return [] if expected == actual else [Mismatch(what, expected, actual)]


def check_exit_code(run):
    if run.timed_out:
        return [Mismatch("exit code", run.scenario.exit_code,
                         f"none: still running after {SCENARIO_TIMEOUT} s")]
    actual = run.launch.exit_code if run.launch else None
    if actual is None:
        actual = f"none ({run.launch.error if run.launch else 'launch.exe said nothing'})"
    return compare("exit code", run.scenario.exit_code, actual)


def check_commands(run):
    if run.scenario.commands is None:
        return []
    expected = [run.expand(c) for c in run.scenario.commands]
    return compare("command lines started", expected, [str(c) for c in run.events.commands])


def check_boxes(run):
    expected, seen = run.scenario.boxes, run.boxes
    mismatches = []
    for number, extra in enumerate(seen[len(expected):], len(expected) + 1):
        mismatches.append(Mismatch(f"box {number}", "no box",
                                   f"{extra.get('caption')}: {extra.get('text')}"))
    for number, box in enumerate(expected, 1):
        if number > len(seen):
            mismatches.append(Mismatch(f"box {number}", f"{box.caption}: {box.text}",
                                       "no box appeared"))
            continue
        actual = seen[number - 1]
        mismatches += compare(f"caption of box {number}", box.caption, actual.get("caption"))
        if box.text is not None:
            mismatches += compare(f"text of box {number}", box.text, actual.get("text"))
        if box.buttons is not None:
            mismatches += compare(f"buttons of box {number}", box.buttons,
                                  [b["id"] for b in actual.get("buttons", [])])
    # Every message box setup.exe opened shows in the trace, also one nobody waited for.
    traced = run.events.message_boxes
    message_boxes = sum(box.message_box for box in expected)
    if len(traced) != message_boxes:
        shown = "".join(f"; {str(text)!r}" for text in traced)
        mismatches.append(Mismatch("number of message boxes shown", message_boxes,
                                   f"{len(traced)}{shown}"))
    return mismatches


def check_products(run):
    mismatches = []
    for code, version in (run.scenario.products or {}).items():
        record = run.products.get(code, {})
        installed = record.get("state") == 5
        actual = record.get("version") if installed else None
        mismatches += compare(f"installed version of {code}", version, actual)
    for code, package in (run.scenario.packages or {}).items():
        mismatches += compare(f"package name of {code}", package,
                              run.products.get(code, {}).get("package"))
    for code, state in (run.scenario.features or {}).items():
        mismatches += compare(f"NPVELUM state of {code}", state,
                              run.products.get(code, {}).get("NPVELUM"))
    return mismatches


STANDARD_CHECKS = (check_exit_code, check_commands, check_boxes, check_products)


def show(value):
    if isinstance(value, str):
        return value.splitlines() or [""]
    if isinstance(value, list) and all(isinstance(item, str) for item in value):
        return value or ["(none)"]
    return json.dumps(value, ensure_ascii=False, indent=1).splitlines()


def describe(mismatch):
    expected, actual = mismatch.expected, mismatch.actual
    one_line = all(not isinstance(v, (list, dict)) and "\n" not in str(v)
                   for v in (expected, actual))
    if one_line:
        return f"  {mismatch.what}: expected {expected!r}, actual {actual!r}"
    lines = [f"  {mismatch.what}:"]
    lines += ["    " + line for line in difflib.unified_diff(
        show(expected), show(actual), "expected", "actual", lineterm="", n=2)]
    if isinstance(expected, str) and isinstance(actual, str):
        lines += [f"    exactly: expected {expected!r}", f"             actual   {actual!r}"]
    return "\n".join(lines)


class Harness:
    def __init__(self, setup_exe, root, display, helpers, keep=False, pristine=None):
        self.setup_exe = Path(setup_exe)
        self.root = Path(root)
        self.display = display
        self.helpers = helpers
        self.keep = keep
        self.pristine = winekit.Prefix(pristine or self.root / "pristine", display)

    def prepare(self):
        if not (self.pristine.path / "system.reg").exists():
            self.pristine.create()

    def run(self, number, scenario):
        workdir = self.root / f"{number:02d}"
        started = time.monotonic()
        run = Run(scenario, workdir, None, self.helpers, workdir / "dist")
        mismatches = []
        try:
            run.prefix = self.pristine.clone(workdir / "prefix")
            self._play(run)
            for check in STANDARD_CHECKS + tuple(scenario.checks):
                mismatches += check(run)
        except Exception as error:  # a broken scenario is a failed one, not a crash
            mismatches.append(Mismatch("scenario ran", "to the end",
                                       f"{type(error).__name__}: {error}"))
        finally:
            if run.prefix:
                run.prefix.kill_server()
            if not self.keep:
                if run.prefix:
                    run.prefix.remove()
                shutil.rmtree(workdir, ignore_errors=True)
        return run, mismatches, time.monotonic() - started

    def _play(self, run):
        scenario = run.scenario
        sample_distribution.build(run.dist, scenario.distribution)
        # Where an administrator puts it: beside the package folders.
        shutil.copy2(self.setup_exe, run.dist / "setup.exe")
        for step in scenario.prepare:
            step(run)
        deadline = time.monotonic() + SCENARIO_TIMEOUT
        out_path, err_path = run.workdir / "launch.out", run.workdir / "launch.err"
        program = scenario.program or run.dist_windows + "\\setup.exe"
        arguments = [run.expand(a) for a in scenario.args]
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            process = run.prefix.popen([self.helpers["launch"], run.dist_windows, program]
                                       + arguments, stdout=out, stderr=err, debug=TRACE)
            try:
                if winekit.wait_for(lambda: "pid=" in _read(out_path)
                                    or process.poll() is not None, SCENARIO_TIMEOUT):
                    pid = winekit.parse_launch_output(_read(out_path)).pid
                    if pid:
                        self._answer_boxes(run, pid, deadline)
                process.wait(max(1, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                run.timed_out = True
                self._record_open_box(run)
                run.prefix.kill_server()
                process.wait(10)
        run.launch = winekit.parse_launch_output(_read(out_path))
        run.events = winekit.read_trace(_read(err_path), run.launch.pid or "ffffffff")
        codes = set((scenario.products or {}) | (scenario.packages or {})
                    | (scenario.features or {}))
        run.products = winekit.query_products(run.prefix, self.helpers, sorted(codes)) \
            if codes else {}

    def _answer_boxes(self, run, pid, deadline):
        """Answers the expected boxes in order, then any further box with its default
        button, so that an unexpected box shows in the result instead of blocking the
        program until the time limit. Returns when the program has ended."""
        expected = run.scenario.boxes
        while time.monotonic() < deadline:
            box = expected[len(run.boxes)] if len(run.boxes) < len(expected) else Box("")
            press = box.press if box.caption else "default"
            clicks = [arg for click in box.clicks for arg in ("--click", click)]
            left = int(max(1, deadline - time.monotonic()) * 1000)
            result = run.wine([self.helpers["msgbox"], "--pid", pid, "--timeout", left]
                              + clicks + ["--press", press], timeout=left / 1000 + 15)
            lines = winekit.parse_json_lines(result.stdout)
            if not lines or "caption" not in lines[0]:
                return
            run.boxes.append(lines[0])
            if result.returncode != 0:
                run.notes.append(f"box {len(run.boxes)} not closed by {press}: {lines[1:]}")
                return

    def _record_open_box(self, run):
        result = run.wine([self.helpers["msgbox"], "--timeout", "0"], timeout=15)
        for line in winekit.parse_json_lines(result.stdout):
            if "caption" in line:
                run.notes.append("box still open: " + json.dumps(line, ensure_ascii=False))


def _read(path):
    try:
        return Path(path).read_text(encoding="utf-8", errors="replace")
    except FileNotFoundError:
        return ""


def main(scenarios, argv=None):
    parser = argparse.ArgumentParser(description="setup.exe end to end under Wine")
    parser.add_argument("--setup", default=os.environ.get(
        "SETUP_EXE", str(REPO / "build" / "windows" / "setup.exe")))
    parser.add_argument("-k", dest="pattern", help="only scenarios whose name contains this")
    parser.add_argument("-j", dest="jobs", type=int, default=min(2, os.cpu_count() or 1),
                        help="scenarios at once (default: 2, or 1 on one core)")
    parser.add_argument("--keep", action="store_true", help="keep prefixes and logs")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--pristine", help="keep the pristine prefix in this folder and "
                        "reuse it next time (saves its 20 s while developing)")
    options = parser.parse_args(argv)

    chosen = [s for s in scenarios if not options.pattern or options.pattern in s.name]
    if options.list:
        for scenario in chosen:
            print(scenario.name)
        return 0
    if not Path(options.setup).is_file():
        print(f"no program at {options.setup}: build it first "
              "(cmake --preset windows && cmake --build --preset windows)", file=sys.stderr)
        return 2

    started = time.monotonic()
    root = winekit.temporary_directory("e2e.")
    # One copy for the whole run: a rebuild meanwhile must not change the program.
    setup_exe = root / "setup.exe"
    shutil.copy2(options.setup, setup_exe)
    helpers = winekit.build_helpers(REPO / "build" / "wine-helpers")
    passed = failed = 0
    with winekit.Display() as display:
        harness = Harness(setup_exe, root, display.name, helpers, options.keep,
                          options.pristine and Path(options.pristine).resolve())
        try:
            try:
                harness.prepare()
            except (winekit.WineError, OSError, subprocess.SubprocessError) as error:
                print(f"no pristine prefix: {error}")
                chosen, failed = [], len(chosen)
            else:
                print(f"prefix ready in {time.monotonic() - started:.1f} s", flush=True)
            lock = threading.Lock()

            def one(numbered):
                number, scenario = numbered
                run, mismatches, seconds = harness.run(number, scenario)
                with lock:
                    verdict = "FAIL" if mismatches else "PASS"
                    print(f"{verdict} {scenario.name} ({seconds:.1f} s)")
                    for mismatch in mismatches:
                        print(describe(mismatch))
                    for note in run.notes if mismatches else ():
                        print("  " + note)
                    sys.stdout.flush()
                return not mismatches

            with ThreadPoolExecutor(max(1, options.jobs)) as pool:
                for ok in pool.map(one, enumerate(chosen, 1)):
                    passed += ok
                    failed += not ok
        finally:
            harness.pristine.kill_server()
            if options.keep:
                print(f"kept: {root}")
            else:
                if not options.pristine:
                    harness.pristine.remove()
                shutil.rmtree(root, ignore_errors=True)
    print(f"total {time.monotonic() - started:.1f} s")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or not passed else 0
