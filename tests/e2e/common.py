"""What the scenario files share: product codes, command lines, boxes, distributions and
the steps that set a machine up before setup.exe runs."""

import os
import subprocess
import threading
import zlib

from harness import COPIES, DIST, Box, compare, distribution, kit
from texts import CAPTION, ERROR_CAPTION, MESSAGES, UPDATE_CAPTION, failure_text

PLUGIN = "{C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}"
PROVIDER = "{5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}"
ALTERNATE_PROVIDER = "{A93E1F07-26D4-4B8C-9F5A-71E0B3C8D264}"
CARD_PROVIDER = "{3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B}"

INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL = 2, 3

RUSSIAN = "ru_RU.UTF-8"  # LC_ALL: Wine then reports the system UI language 0x419
REINSTALL = "REINSTALL=ALL REINSTALLMODE=vomus"
REMOVE_PLUGIN = f"msiexec /qn /x {PLUGIN} REBOOT=R"
# The tools get the run's copies of the files they read.
REGEDIT_X64, REGINI_X64 = (f'regedit /s "{COPIES}\\UEC_x64_2.reg"',
                           f'regini "{COPIES}\\UEC_acl_x64.acl"')
REGEDIT_X86, REGINI_X86 = (f'regedit /s "{COPIES}\\UEC_x86_2.reg"',
                           f'regini "{COPIES}\\UEC_acl_x86.acl"')


def install_command(package, extra=""):
    """msiexec /i of the run's copy of DIST\\package; extra is the flow's extra arguments
    exactly (so no extra arguments leave two blanks before REBOOT=R)."""
    name = package.rsplit("\\", 1)[-1]
    return f'msiexec /qn /i "{COPIES}\\{name}" {extra} REBOOT=R'


# --- Message boxes, as setup.exe shows them -------------------------------------------------

def question(number, press="Yes"):
    """The confirmation (MB_YESNO) or a restart question (MB_YESNO | MB_ICONWARNING)."""
    return Box(CAPTION, MESSAGES[number], press=press, buttons=[6, 7])


def result(number):
    return Box(CAPTION, MESSAGES[number], buttons=[1])


def failure(number, code):
    """105 (provider) or 106 (plug-in) with the failing code."""
    return Box(CAPTION, failure_text(number, code), buttons=[1])


def error(number):
    """A step's own error under the caption "Ошибка" (129)."""
    return Box(ERROR_CAPTION, MESSAGES[number], buttons=[1])


def too_old():
    return Box(UPDATE_CAPTION, MESSAGES[130], buttons=[1])


# --- Distributions ----------------------------------------------------------------------------

# Both architectures, and packages the locator must pass over: one directly in the start
# folder, one in a folder whose name begins with a dot, one two levels down. The win32
# variant sorts before the x64 one, so a wrong architecture piece picks it.
PLUGIN_PACKAGES = ["plugin/velumcom-2.1.0-win32.msi", "plugin/velumcom-2.1.0-x64.msi",
                   "velumcom-0.9.0-x64.msi", ".previous/velumcom-1.0.0-x64.msi",
                   "archive/old/velumcom-1.5.0-x64.msi"]

# For "csp*x64*eng* ": the Russian KC1 package sorts first among the x64 ones, so a
# missing language piece picks it; "rus*" would pick it too; the win32 English ones sort
# before every x64 one.
PROVIDER_PACKAGES = ["csp/csp-win32-kc1-eng.msi", "csp/csp-win32-kc2-rus.msi",
                     "csp/csp-x64-kc1-rus.msi", "csp/csp-x64-kc2-eng.msi",
                     "csp/csp-x64-kc2-rus.msi", "csp/csp-x64-kc3-eng.msi",
                     "csp/csp-x64-kc3-rus.msi"]

# Every variant: "csp*x64*" alone (no level, no language) picks csp-x64-kc1-eng.
ALL_PROVIDER_PACKAGES = [f"csp/csp-{arch}-kc{level}-{language}.msi"
                         for arch in ("win32", "x64") for level in (1, 2, 3)
                         for language in ("eng", "rus")]

# "ucsp*x64*" alone picks the one without a language; each language has its own.
CARD_PACKAGES = ["ucsp/ucsp-win32-eng.msi", "ucsp/ucsp-win32-rus.msi", "ucsp/ucsp-x64-all.msi",
                 "ucsp/ucsp-x64-eng.msi", "ucsp/ucsp-x64-rus.msi"]

PLUGIN_X64 = install_command("plugin\\velumcom-2.1.0-x64.msi")
PLUGIN_WIN32 = install_command("plugin\\velumcom-2.1.0-win32.msi")

# --- Steps before setup.exe runs -------------------------------------------------------------

def installed(package, *arguments):
    """The machine has this package installed already."""
    return lambda run: run.install(package, *arguments)


def installed_older(package, version_on_disk):
    """The machine has package installed, and a package of version_on_disk of the same
    product counts as newer or older than it (see Run.install_older)."""
    return lambda run: run.install_older(package, version_on_disk)


def windows_version(major, minor, build, service_pack):
    return lambda run: run.set_windows_version(major, minor, build, service_pack)


def wine_version(name):
    return lambda run: run.set_wine_version(name)


def stand_in_running(out_name, ready, *args):
    """The stand-in, another program, running with args ({dist} expanded) once it printed ready."""
    def start(run):
        with open(run.workdir / out_name, "wb") as out:
            run.prefix.popen([run.helpers["standin"]] + [run.expand(str(a)) for a in args],
                             stdout=out, stderr=subprocess.DEVNULL)
        if not kit.wait_for(lambda: ready in (run.workdir / out_name).read_text(), 30):
            raise kit.WineError(f"the stand-in {args[0]} never printed {ready!r}")
    return start


def beside_first_msiexec(action):
    """Once setup.exe has started msiexec, action(run) runs in a thread; run.beside()
    waits for what it gives."""
    def prepare(run):
        done = []
        thread = threading.Thread(target=lambda: kit.wait_for(
            lambda: kit.read_text(run.stand_in_log), 40) and done.append(action(run)))
        thread.start()
        run.beside = lambda: thread.join(50) or (done or [None])[0]
    return prepare


def relinked(path, other):
    """DIST\\path is a Linux symbolic link to the genuine one, kept outside; at msiexec's first
    start the test, a writer of the share that no hold stops, re-points it at `other` (an entry
    of the same path, outside too): only a copy taken before keeps what was checked."""
    def link(run):
        genuine, outside = run.workdir / "genuine" / path, run.workdir / "other"
        distribution.build(outside, [other])
        genuine.parent.mkdir(parents=True, exist_ok=True)
        os.replace(run.dist / path, genuine)
        (run.dist / path).symlink_to(genuine)
        (outside / f"{path}.link").symlink_to(outside / path)
        beside_first_msiexec(lambda run: os.replace(outside / f"{path}.link", run.dist / path))(run)
    return link


# --- Observations of the machine afterwards ----------------------------------------------------

def registry_value(key, name, expected):
    """A check: the registry value key\\name holds expected afterwards (None: absent)."""
    def check(run):
        result = run.wine(["reg", "query", key, "/v", name])
        actual = None
        for line in result.stdout.splitlines():
            parts = line.split(None, 2)
            if len(parts) == 3 and parts[0] == name and parts[1].startswith("REG_"):
                actual = parts[2]
        return compare(f"registry value {key}\\{name}", expected, actual)
    return check


def got_genuine(*files):
    """A check: the links were re-pointed, and the files the stand-ins' digests were taken of
    (in order; None: a line naming none, as msiexec /x) are the genuine ones."""
    def check(run):
        crc = lambda f: f and f"{zlib.crc32((run.workdir / 'genuine' / f).read_bytes()):08x}"
        return compare("links left as they were", [], [
            p.name for p in run.dist.iterdir()
            if p.is_symlink() and not os.readlink(p).startswith(str(run.workdir / "other"))]) \
            + compare("CRC-32 of the files the stand-ins got", [crc(f) for f in files],
                      [r.get("digest") for r in run.recorded])
    return check
