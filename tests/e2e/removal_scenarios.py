"""-plan, which logs what a run would do and changes nothing, and -uninstall, which takes
back what runs did: the products by their codes, and only the roots setup.exe added."""

import struct

from card_scenarios import CARD_FILES_X64
from common import (ALTERNATE_PROVIDER, CARD_PACKAGES, CARD_PROVIDER, PLUGIN, PLUGIN_PACKAGES,
                    PROVIDER, REMOVE_PLUGIN, installed, installed_older, question, registry_value,
                    result)
from harness import Box, Scenario, compare, kit
from input_scenarios import LOG_FILE, STAMPED, log_folder
from texts import CAPTION, MESSAGES
from wine import distribution

CONFIRM_REMOVAL, DONE_REMOVAL, PLAN_CHANGES, PLAN_NO_CHANGES = 150, 154, 158, 159
OLDER_INSTALLED = installed_older("old/velumcom-2.0.5-x64.msi", "2.1.0")
BOTH_INSTALLED = [installed("old/velumcom-2.1.0-x64.msi"), installed("old/csp-x64-kc2-eng.msi")]


def remove(code):
    return f"msiexec /qn /x {code} REBOOT=R"


def plan_box(number, log="C:\\windows\\Logs\\Orventa\\setup.log"):
    return Box(CAPTION, f"{MESSAGES[number]}\n{log}", buttons=[1])


def logged(*expected):
    """A check: the log holds these lines one after another."""
    def check(run):
        lines = run.prefix.unix_path(LOG_FILE).read_bytes().decode("utf-8-sig").split("\r\n")
        texts = [found.group(1) for found in map(STAMPED.fullmatch, lines) if found]
        wanted = [run.expand(line) for line in expected]
        at = texts.index(wanted[0]) if wanted[0] in texts else len(texts)
        return compare("lines of the log", wanted, texts[at:at + len(wanted)])
    return check


def root_present(name):
    """The machine's Root store holds certificate `name` before setup.exe runs, kept in the
    registry as Windows keeps it: a serialized element, the certificate's own property (32)."""
    der = distribution.certificate_der(name)
    blob = struct.pack("<III", 32, 1, len(der)) + der
    return lambda run: run.import_registry(
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SystemCertificates\\Root\\"
        f"Certificates\\{distribution.certificate_thumbprint(name)}]\n"
        f'"Blob"=hex:{",".join(f"{byte:02x}" for byte in blob)}\n')


def installed_by_setup(*args):
    """setup.exe ran with these options before, and ended with 0."""
    def install(run):
        result = run.wine([run.helpers["launch"], run.dist_windows,
                           run.dist_windows + "\\setup.exe", *args])
        if kit.parse_launch_output(result.stdout).exit_code != 0:
            raise kit.WineError(f"setup.exe {' '.join(args)}: {result.stdout[-300:]}")
    return install


PLAN = [
    Scenario(name="-plan over an older plug-in: its removal and installation logged, nothing runs, "
                  "9, the box names the log",
             prepare=[OLDER_INSTALLED, log_folder], distribution=PLUGIN_PACKAGES,
             args=["-plan", "-log", LOG_FILE], boxes=[plan_box(PLAN_CHANGES, LOG_FILE)],
             exit_code=9, commands=[], products={PLUGIN: "2.0.5"},
             checks=[logged("the plan, before anything changes:",
                            "step 1 of 2, plug-in: remove the installed version, the newer package "
                            f"follows: {REMOVE_PLUGIN}; a failure ends the run",
                            "step 2 of 2, plug-in: install, its package named in the source list "
                            'first: msiexec /qn /i "{dist}\\plugin\\velumcom-2.1.0-x64.msi"  '
                            "REBOOT=R; a failure ends the run",
                            f"message {PLAN_CHANGES} shown, answered OK",
                            "exit code 9: a run with these options would change the machine "
                            "(-plan)")]),
    Scenario(name="-plan, the plug-in up to date: nothing to change, 0, the box names the default log",
             prepare=[installed("old/velumcom-2.1.0-x64.msi")], distribution=PLUGIN_PACKAGES,
             args=["-plan"], boxes=[plan_box(PLAN_NO_CHANGES)], commands=[],
             products={PLUGIN: "2.1.0"}),
    Scenario(name="-plan -silent without a package: 232 as the run, no box, nothing runs",
             distribution=["notes/readme.txt:text"], args=["-plan", "-silent"], exit_code=232,
             commands=[]),
]

CARD_ROOTS = CARD_PACKAGES + ["plugin/velumcom-2.1.0-x64.msi"] + CARD_FILES_X64 + [
    "a.cer:cert=A", "f.cer:cert=F"]

REMOVAL = [
    Scenario(name="-uninstall, the plug-in and the provider installed: question 150, the plug-in "
                  "removed, the provider stays, message 154",
             prepare=BOTH_INSTALLED, args=["-uninstall"],
             boxes=[question(CONFIRM_REMOVAL), result(DONE_REMOVAL)], commands=[REMOVE_PLUGIN],
             products={PROVIDER: "4.0.9842"}),
    Scenario(name="-uninstall -csp -silent: the plug-in, then the provider under its second code",
             prepare=[installed("old/velumcom-2.1.0-x64.msi"),
                      installed("old/csp-x64-kc2-eng.msi:product=csp-alt")],
             args=["-uninstall", "-csp", "-silent"],
             commands=[REMOVE_PLUGIN, remove(ALTERNATE_PROVIDER)]),
    Scenario(name="-uninstall -silent on a clean machine: nothing runs, 0",
             args=["-uninstall", "-silent"], commands=[]),
    Scenario(name="-uninstall -silent -norestart, the plug-in's removal asks for a restart: 3010",
             prepare=[installed("old/velumcom-2.0.5-x64.msi:reboot=remove")],
             args=["-uninstall", "-silent", "-norestart"], exit_code=3010,
             commands=[REMOVE_PLUGIN]),
    Scenario(name="-uninstall -ucsp after an installation that added root A and found root F: "
                  "A goes, F stays, the record is emptied",
             prepare=[root_present("F"), installed_by_setup("-ucsp", "-silent", "-norestart")],
             distribution=CARD_ROOTS, args=["-uninstall", "-ucsp", "-silent"],
             commands=[REMOVE_PLUGIN, remove(CARD_PROVIDER)], certificates=["F"],
             checks=[registry_value(r"HKLM\Software\Orventa\Setup", "AddedRoots", None)]),
]

SCENARIOS = PLAN + REMOVAL
