"""Runs setup.exe under Wine, scenario by scenario, each in its own copy of a pristine
prefix with a distribution of real MSI packages, and compares what it did and what it left
on the machine with what the scenario expects (what is compared: tests/e2e/README.md)."""

import argparse
import difflib
import json
import os
import re
import shutil
import subprocess
import sys
import threading
import time
from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass, field
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tests"))

from wine import distribution, kit  # noqa: E402

SCENARIO_TIMEOUT = 60
TRACE = "+pid,trace+process,trace+msgbox"
DIST = "{dist}"  # stands for the distribution folder as Wine reports it
COPIES = "{copies}"  # stands for the folder of a run's copies, named after its start
# Every product a scenario can leave behind; each is checked after every scenario.
PRODUCTS = [product["code"] for product in distribution.PRODUCTS.values()]
CERTIFICATE_FILES = (".cer", ".p7b", ".crt")


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
    distribution: list = field(default_factory=list)  # wine.distribution entries
    prepare: list = field(default_factory=list)       # functions(run) before setup.exe
    boxes: list = field(default_factory=list)         # Box, in the order shown
    exit_code: int = 0
    commands: list = None    # exact command lines setup.exe starts, DIST for the folder
    products: dict = None    # {product code: version}; every other product: not installed
    packages: dict = None    # {product code: package file name it was installed from}
    features: dict = None    # {product code: NPVELUM state}
    checks: list = field(default_factory=list)        # functions(run) -> [Mismatch]
    program: str = None      # another program to start instead of setup.exe (args: DIST)
    windows: str = "win64"   # the pristine prefix: "win64" (WOW64) or "win32"
    locale: str = None       # LC_ALL for setup.exe, e.g. ru_RU.UTF-8 (UI language 0x419)
    folder: object = "dist"  # the distribution folder under the scenario's own folder;
    #                          or a function of that folder's Windows path giving it
    stand_ins: dict = field(default_factory=dict)  # {"regini": "exit=5", "msiexec": "run"}
    restart: bool = False    # whether setup.exe asks Windows to restart
    desktop: bool = True     # False: started on a window station no user sees
    drive: str = None        # a letter: the distribution folder is that drive's root
    certificates: list = field(default_factory=list)  # names in the Root store afterwards
    certificate_files: list = None  # certificate files opened, in order, relative to DIST


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
    prefix: kit.Prefix
    helpers: dict
    dist: Path
    launch: kit.Launch = None
    timed_out: bool = False
    boxes: list = field(default_factory=list)
    events: kit.TraceEvents = None
    recorded: list = field(default_factory=list)  # what the stand-ins logged
    products: dict = None
    root: list = None  # thumbprints in the machine's Root store afterwards
    notes: list = field(default_factory=list)

    @property
    def dist_windows(self):
        """The distribution folder as Wine reports it (Z: maps the Linux root)."""
        if self.launch and self.launch.cwd:
            return self.launch.cwd.rstrip("\\")  # D: for D:\, so that DIST\x is D:\x
        return f"{self.scenario.drive}:" if self.scenario.drive else kit.windows_path(self.dist)

    @property
    def stand_in_log(self):
        return self.workdir / "standin.log"

    @property
    def stand_in_folder(self):
        """The folder of the stand-ins as they see their own path: syswow64 in a 64-bit
        prefix, where a 32-bit program's system32 leads."""
        return "C:\\windows\\" + self.prefix.system_folder.name

    def expand(self, text):
        return text.replace(DIST, self.dist_windows)

    def wine(self, args, **kwargs):
        return self.prefix.wine(args, **kwargs)

    def import_registry(self, text):
        """Imports a .reg file (REGEDIT4) into the prefix with regedit."""
        path = self.workdir / f"import{len(list(self.workdir.glob('import*.reg')))}.reg"
        path.write_text(text, encoding="utf-8")
        result = self.wine(["regedit", "/s", kit.windows_path(path)])
        if result.returncode != 0:
            raise kit.WineError(f"regedit /s {path}: {result.returncode}")

    def set_windows_version(self, major, minor, build, service_pack):
        """What GetVersionExW reports: Wine reads it from the registry when no Wine
        version name (HKCU\\Software\\Wine, Version) is set."""
        self.import_registry(
            "REGEDIT4\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion]\n"
            f'"CurrentVersion"="{major}.{minor}"\n'
            f'"CurrentBuildNumber"="{build}"\n'
            f'"CSDVersion"="{f"Service Pack {service_pack}" if service_pack else ""}"\n\n'
            "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Windows]\n"
            f'"CSDVersion"=dword:{service_pack * 256:08x}\n')

    def set_wine_version(self, name):
        """One of Wine's named Windows versions: winxp, win2k, nt40, vista, ..."""
        self.import_registry("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine]\n"
                             f'"Version"="{name}"\n')

    def install(self, package, *arguments):
        """Installs a package before setup.exe runs, as an earlier installation would
        have; the package is built outside the distribution folder."""
        entry = distribution.parse_entry(package)
        target = self.workdir / "preinstalled" / entry.path
        distribution.build_package(entry, target)
        result = self.wine([self.helpers["launch"], "Z:\\", "msiexec", "/qn", "/i",
                            kit.windows_path(target), *arguments])
        launch = kit.parse_launch_output(result.stdout)
        if launch.exit_code not in (0, 3010):
            raise kit.WineError(f"preinstalling {package}: msiexec ended with "
                                f"{launch.exit_code} {launch.error or ''}")

    def install_older(self, package, version_on_disk):
        """Installs package, then lets Wine open a package of another version of it.

        Wine's MsiOpenPackageExW opens the product's cached package instead of the file
        it is given, and fails with 1638 when their versions differ (Windows opens the
        file). Rewriting the cached copy with the version on disk, everything else left
        as installed, gives what Windows would: the version on disk from the package,
        the installed version from the registry, the installed flags and language from
        the cached package."""
        self.install(package)
        entry = distribution.parse_entry(package)
        code = distribution.product_code(entry)
        cached = kit.query_products(self.prefix, self.helpers, [code])[code]["cached"]
        entry.version = version_on_disk
        distribution.build_package(entry, self.prefix.unix_path(cached))


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


# What each msiexec command line of a run without -log ends with: its log in the default
# folder (plugin_scenarios.py looks into it).
DEFAULT_INSTALLER_LOG = re.compile(
    r' /l\*v\+ "C:\\windows\\Logs\\Orventa\\setup\.log\.\d{8}-\d{6}-\d+\.msiexec\.log"$')


# The folder of a run's copies, as the tools are handed them.
RUN_COPIES = re.compile(r'C:\\windows\\Logs\\Orventa\\copies-\d{8}-\d{6}-\d+')


def as_expected(command):
    return RUN_COPIES.sub(COPIES, DEFAULT_INSTALLER_LOG.sub("", str(command)))


def check_commands(run):
    if run.scenario.commands is None:
        return []
    expected = [run.expand(c) for c in run.scenario.commands]
    mismatches = compare("command lines started, without a log in the default folder",
                         expected, [as_expected(c) for c in run.events.commands])
    # The stand-ins saw exactly their share of the commands, run in the start folder.
    stood_in = {name.lower() for name in run.scenario.stand_ins}
    if stood_in:
        mismatches += compare(
            "command lines the stand-ins received",
            [c for c in expected if kit.program_name(c).removesuffix(".exe") in stood_in],
            [as_expected(r["command"]) for r in run.recorded])
        mismatches += compare("current directory of the stand-ins",
                              [run.dist_windows] * len(run.recorded),
                              [r["cwd"] for r in run.recorded])
        mismatches += compare("folder the stand-ins ran from",
                              [run.stand_in_folder.lower()] * len(run.recorded),
                              [r["path"].rsplit("\\", 1)[0].lower() for r in run.recorded])
    return mismatches


# ExitWindowsEx(EWX_REBOOT | EWX_FORCEIFHUNG): Wine's wineboot ends the session forcing
# only programs that hang; EWX_FORCE would add --kill, a missing EWX_REBOOT --shutdown.
RESTART_ARGUMENTS = ["--end-session", "--force"]


def check_restart(run):
    mismatches = compare("restart requested", run.scenario.restart,
                         run.events.restart_requested)
    for command in run.events.restarts:
        mismatches += compare("wineboot's arguments (the ExitWindowsEx flags)",
                              RESTART_ARGUMENTS, command.text.split()[1:])
    return mismatches


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
    expected = run.scenario.products or {}
    for code in PRODUCTS + sorted(set(expected) - set(PRODUCTS)):
        record = run.products.get(code, {})
        installed = record.get("state") == 5
        actual = record.get("version") if installed else None
        mismatches += compare(f"installed version of {code}", expected.get(code), actual)
    for code, package in (run.scenario.packages or {}).items():
        mismatches += compare(f"package name of {code}", package,
                              run.products.get(code, {}).get("package"))
    for code, state in (run.scenario.features or {}).items():
        mismatches += compare(f"NPVELUM state of {code}", state,
                              run.products.get(code, {}).get("NPVELUM"))
    return mismatches


def check_root_store(run):
    """The distribution's certificates that are in the Root store afterwards. Wine adds
    the host's own root certificates there too; they are none of setup.exe's doing."""
    names = sorted(set(_certificate_names(run.scenario.distribution))
                   | set(run.scenario.certificates))
    thumbprints = {name: distribution.certificate_thumbprint(name) for name in names}
    return compare("certificates of the distribution in the machine's Root store",
                   [f"{name} {thumbprints[name]}" for name in sorted(run.scenario.certificates)],
                   [f"{name} {thumbprints[name]}" for name in names
                    if thumbprints[name] in run.root])


def _certificate_names(entries):
    entries = [e if isinstance(e, distribution.Entry) else distribution.parse_entry(e)
               for e in entries]
    return sorted({name for entry in entries if entry.cert for name in entry.cert.split("+")})


def check_certificate_files(run):
    if run.scenario.certificate_files is None:
        return []
    folder = run.dist_windows.lower() + "\\"
    opened = [path[len(folder):] for path in run.events.opened_files
              if path.lower().startswith(folder) and path.lower().endswith(CERTIFICATE_FILES)]
    return compare("certificate files opened, in order", run.scenario.certificate_files, opened)


STANDARD_CHECKS = (check_exit_code, check_commands, check_boxes, check_restart,
                   check_products, check_root_store, check_certificate_files)


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
        folder = Path(pristine) if pristine else self.root / "pristine"
        self.pristine = {windows: kit.Prefix(folder / windows, display)
                         for windows in ("win64", "win32")}

    def prepare(self, scenarios):
        """Makes the pristine prefixes the scenarios need, at the same time."""
        needed = sorted({scenario.windows for scenario in scenarios})
        missing = [w for w in needed if not (self.pristine[w].path / "system.reg").exists()]
        with ThreadPoolExecutor(max(1, len(missing))) as pool:
            # list() so that a failure to make one is raised here.
            list(pool.map(lambda w: self.pristine[w].create("win32" if w == "win32" else None),
                          missing))

    def kill_servers(self):
        for prefix in self.pristine.values():
            if prefix.path.exists():
                prefix.kill_server()

    def run(self, number, scenario):
        workdir = self.root / f"{number:02d}"
        started = time.monotonic()
        workdir.mkdir(parents=True, exist_ok=True)
        folder = scenario.folder
        if callable(folder):
            folder = folder(kit.windows_path(workdir))
        run = Run(scenario, workdir, None, self.helpers, workdir / folder)
        mismatches = []
        try:
            run.prefix = self.pristine[scenario.windows].clone(workdir / "prefix")
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

    def _environment(self, run):
        scenario = run.scenario
        extra = {"STANDIN_LOG": kit.windows_path(run.stand_in_log)}
        for name, action in scenario.stand_ins.items():
            extra["STANDIN_" + name.upper()] = action
        if scenario.locale:
            extra["LC_ALL"] = scenario.locale
        return extra

    def _play(self, run):
        scenario = run.scenario
        distribution.build(run.dist, scenario.distribution)
        # Where an administrator puts it: beside the package folders.
        shutil.copy2(self.setup_exe, run.dist / "setup.exe")
        if scenario.drive:
            (run.prefix.path / "dosdevices" / f"{scenario.drive.lower()}:").symlink_to(run.dist)
        for step in scenario.prepare:
            step(run)
        # After the preparation, which may run the real tools.
        run.prefix.place_stand_ins(scenario.stand_ins, self.helpers["standin"])
        deadline = time.monotonic() + SCENARIO_TIMEOUT
        program = scenario.program or run.dist_windows + "\\setup.exe"
        debug = TRACE + (",trace+file" if scenario.certificate_files is not None else "")
        started = kit.Started(run.prefix, self.helpers, run.workdir,
                              run.dist_windows + "\\" * bool(scenario.drive), program,
                              [run.expand(a) for a in scenario.args], debug,
                              self._environment(run), invisible=not scenario.desktop)
        try:
            pid = started.pid(SCENARIO_TIMEOUT)
            if pid:
                answers = [(b.press, b.clicks) for b in scenario.boxes]
                kit.answer_boxes(run.prefix, self.helpers, pid, deadline, answers,
                                 lambda box, closed, lines: self._seen(run, box, closed, lines))
            started.process.wait(max(1, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            run.timed_out = True
            box = kit.answer_box(run.prefix, self.helpers, timeout=0)[0]
            if box:
                run.notes.append("box still open: " + json.dumps(box, ensure_ascii=False))
            run.prefix.kill_server()
            started.process.wait(10)
        run.launch = started.launch()
        run.events = kit.read_trace(started.trace(), run.launch.pid or "ffffffff")
        run.recorded = kit.read_stand_in_log(run.stand_in_log)
        run.events.commands = kit.complete_commands(
            run.events.commands, [r["command"] for r in run.recorded])
        if run.events.restart_requested and not run.timed_out:
            # Wine's session end (wineboot) ends every program of the prefix: the machine
            # is read once it is over.
            kit.wait_for(lambda: not kit.wine_processes(run.prefix, "wineboot.exe"),
                         max(1, deadline - time.monotonic()))
        run.products, run.root = kit.query_machine(run.prefix, self.helpers, PRODUCTS)

    @staticmethod
    def _seen(run, box, closed, lines):
        run.boxes.append(box)
        if not closed:
            run.notes.append(f"box {len(run.boxes)} not closed as asked: {lines}")


def main(scenarios, argv=None, verdict=None):
    parser = argparse.ArgumentParser(description="setup.exe end to end under Wine")
    parser.add_argument("--setup", default=os.environ.get(
        "SETUP_EXE", str(REPO / "build" / "windows" / "setup.exe")))
    parser.add_argument("-k", dest="pattern", help="only scenarios whose name contains this")
    parser.add_argument("-j", dest="jobs", type=int, default=min(2, os.cpu_count() or 1),
                        help="scenarios at once (default: 2, or 1 on one core)")
    parser.add_argument("--keep", action="store_true", help="keep prefixes and logs")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--pristine", help="keep the pristine prefixes in this folder "
                        "(win64/, win32/) and reuse them next time (saves their 25 s while "
                        "developing)")
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
    root = kit.temporary_directory("e2e.")
    # One copy for the whole run: a rebuild meanwhile must not change the program.
    setup_exe = root / "setup.exe"
    shutil.copy2(options.setup, setup_exe)
    helpers = kit.build_helpers()
    verdict = verdict or kit.Verdict()
    with kit.Display() as display:
        harness = Harness(setup_exe, root, display.name, helpers, options.keep,
                          options.pristine and Path(options.pristine).resolve())
        try:
            try:
                harness.prepare(chosen)
            except (kit.WineError, OSError, subprocess.SubprocessError) as error:
                for scenario in chosen:
                    verdict.check(False, scenario.name, f"no pristine prefix: {error}")
                chosen = []
            else:
                print(f"prefixes ready in {time.monotonic() - started:.1f} s", flush=True)
            lock = threading.Lock()

            def one(numbered):
                run, mismatches, seconds = harness.run(*numbered)
                details = [describe(m) for m in mismatches] + ["  " + n for n in run.notes]
                with lock:
                    verdict.check(not mismatches, f"{numbered[1].name} ({seconds:.1f} s)",
                                  "\n".join(details).removeprefix("  "))

            with ThreadPoolExecutor(max(1, options.jobs)) as pool:
                list(pool.map(one, enumerate(chosen, 1)))
        finally:
            harness.kill_servers()
            if options.keep:
                print(f"kept: {root}")
            else:
                if not options.pristine:
                    for prefix in harness.pristine.values():
                        prefix.remove()
                shutil.rmtree(root, ignore_errors=True)
    print(f"total {time.monotonic() - started:.1f} s")
    return verdict.end()
