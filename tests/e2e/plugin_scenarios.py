"""The plug-in flow: its four outcomes, the removal and what its exit code leads to, and
the final messages of a run without options."""

from common import (INSTALLSTATE_LOCAL, PLUGIN, PLUGIN_PACKAGES, PLUGIN_X64, PROVIDER,
                    REMOVE_PLUGIN, beside_first_msiexec, error, failure, got_genuine,
                    install_command, installed, installed_older, question, relinked, result,
                    stand_in_running)
from harness import COPIES, DIST, Mismatch, Scenario, compare, kit
from input_scenarios import LOG_FILE, PLUGIN_PACKAGE as PACKAGE, log_folder, log_line

CONFIRM, DONE, RESTART_PLUGIN, RESTART_TO_CONTINUE = 103, 110, 108, 115
PLUGIN_FAILED, PACKAGE_NOT_FOUND = 106, 139

OLDER_INSTALLED = installed_older("old/velumcom-2.0.5-x64.msi", "2.1.0")
PLAIN_INSTALLED = installed("old/velumcom-2.0.5-x64.msi")
# Its removal asks for a restart: msiexec /x ends with 3010.
OLDER_INSTALLED_REMOVAL_REBOOTS = installed_older("old/velumcom-2.0.5-x64.msi:reboot", "2.1.0")
# The win32 package sorts first and carries another version: the x64 one is this Windows'.
BOTH_VARIANTS = ["plugin/velumcom-2.1.0-win32.msi", "plugin/velumcom-2.2.0-x64.msi"]
BUSY_SECONDS, WAKE_SECONDS = 10, 5
# The plug-in's folder a Linux link, re-pointed at a 9.9.9 package of the same name.
RELINKED = relinked("plugin", PACKAGE + ":version=9.9.9")


# Another installation runs from before setup.exe starts: a process owns the installer's
# mutex for BUSY_SECONDS.
installer_busy = stand_in_running("busy.out", "owned", "--own-installer", BUSY_SECONDS * 1000)


def woke_on_release(run):
    """setup.exe started msiexec again at most WAKE_SECONDS after the mutex was given back:
    the times the holder wrote its last line and the stand-in recorded its last start (the
    installation that follows is msiexec's time, not the wait's)."""
    holder = run.workdir / "busy.out"
    delay = (round(run.stand_in_log.stat().st_mtime - holder.stat().st_mtime, 1)
             if "released" in holder.read_text() else None)
    return [] if delay is not None and 0 <= delay <= WAKE_SECONDS else [Mismatch(
        "seconds from the mutex's release to setup.exe's end", f"0 to {WAKE_SECONDS}", delay)]


# A writer of the share, a Windows program, tries to put a 9.9.9 package in place of the
# plug-in's once setup.exe holds it; it must see the hold and 20 or more refusals (32).
share_writer = stand_in_running("swap.out", "watching", "--swap", 20000,
                                DIST + "\\plugin\\velumcom-2.1.0-x64.msi",
                                DIST + "\\velumcom-9.9.9-x64.msi")


def swap_refused(run):
    said = (run.workdir / "swap.out").read_text().split()
    # "replaced" follows once setup.exe lets go at its end: what msiexec got, the products tell.
    refused = len(said) in (5, 6) and said[1:3] == ["held", "refused"] and int(said[3]) >= 20 \
        and said[4] == "32"
    return [] if refused else [Mismatch("the writer's attempts", "refused", " ".join(said))]


def default_log(run, name):  # in the folder of a run without -log
    return next((run.prefix.path / "drive_c" / "windows").glob("[Ll]ogs")) / "Orventa" / name


def replace_installer_log(run):
    """Another program tries to rename, delete and replace msiexec's log while setup.exe
    waits: whether the same file is still there."""
    log = next(default_log(run, "").glob("setup.log.*.msiexec.log"))
    before, path = log.stat().st_ino, "C:\\windows\\Logs\\Orventa\\" + log.name
    run.wine(["cmd", "/c", f"ren {path} x & del {path} & copy C:\\windows\\win.ini {path}.x"
              f" & move /y {path}.x {path}"], loader="/usr/lib/wine/wine64")
    return log.is_file() and log.stat().st_ino == before


def second_run(run):
    """A second setup.exe's exit code, the runs in the default log then, and its wait there."""
    result = run.wine([run.helpers["launch"], run.dist_windows, run.dist_windows + "\\setup.exe",
                       "-silent", "-norestart"],
                      extra={"STANDIN_LOG": kit.windows_path(run.stand_in_log)})
    log = kit.read_text(default_log(run, "setup.log"))
    return (kit.parse_launch_output(result.stdout).exit_code, log.count(", command line: -silent"),
            "another setup.exe runs: waiting for it" in log and "setup.exe has ended" in log)


def numbers_compared(installed_version, on_disk, note, commands):
    """Fields compare as numbers: as text 2.0.10 would sort before 2.0.9."""
    return Scenario(
        name=f"installed plug-in {installed_version}, package {on_disk} is {note}",
        prepare=[installed_older(f"old/velumcom-{installed_version}-x64.msi", on_disk)],
        distribution=[f"plugin/velumcom-{on_disk}-x64.msi"], args=["-silent"],
        commands=commands, products={PLUGIN: on_disk if commands else installed_version})


def not_found(name, silent_name, **shared):
    """No package for this Windows, asked and then -silent: 139 and 106 with 232, or 232
    without a box; nothing runs."""
    shared.update(exit_code=232, commands=[])
    return [Scenario(name=name, args=[], boxes=[question(CONFIRM), error(PACKAGE_NOT_FOUND),
                                                failure(PLUGIN_FAILED, 232)], **shared),
            Scenario(name=silent_name, args=["-silent"], **shared)]


def restart_asked(name, args, **expected):
    """The plug-in's installer asks for a restart."""
    return Scenario(name=name, distribution=[PACKAGE + ":reboot"], args=args,
                    commands=[PLUGIN_X64], products={PLUGIN: "2.1.0"}, **expected)


OUTCOMES = [
    Scenario(
        name="silent first installation of the plug-in",
        distribution=PLUGIN_PACKAGES, args=["-silent"], commands=[PLUGIN_X64],
        products={PLUGIN: "2.1.0", PROVIDER: None}, packages={PLUGIN: "velumcom-2.1.0-x64.msi"},
        features={PLUGIN: INSTALLSTATE_LOCAL}),
    Scenario(
        name="no options: question 103, the x64 package, message 110",
        distribution=PLUGIN_PACKAGES, args=[], boxes=[question(CONFIRM), result(DONE)],
        commands=[PLUGIN_X64], products={PLUGIN: "2.1.0"}, features={PLUGIN: INSTALLSTATE_LOCAL}),
    Scenario(name="-silent over an older plug-in removes it, then installs the new one; a writer "
                  "of the share replacing the package meanwhile is refused",
             prepare=[OLDER_INSTALLED, share_writer], stand_ins={"msiexec": "hold=4000"},
             distribution=PLUGIN_PACKAGES + ["velumcom-9.9.9-x64.msi"], args=["-silent"],
             commands=[REMOVE_PLUGIN, PLUGIN_X64], products={PLUGIN: "2.1.0"},
             packages={PLUGIN: "velumcom-2.1.0-x64.msi"}, checks=[swap_refused]),
    Scenario(name="-silent over an older plug-in, its folder a Linux link re-pointed at another "
                  "package during the removal: msiexec gets the run's copy, the genuine 2.1.0",
             prepare=[OLDER_INSTALLED, RELINKED], stand_ins={"msiexec": "hold=4000,digest"},
             distribution=PLUGIN_PACKAGES, args=["-silent"], commands=[REMOVE_PLUGIN, PLUGIN_X64],
             products={PLUGIN: "2.1.0"}, checks=[got_genuine(None, PACKAGE)]),
    Scenario(name="-VelumArgs twice: both values reach the installation, not the removal",
             prepare=[OLDER_INSTALLED], distribution=PLUGIN_PACKAGES,
             args=["-VelumArgs", "SAMPLEA=1", "-silent", "-velumargs", "SAMPLEB=2"],
             commands=[REMOVE_PLUGIN,
                       install_command("plugin\\velumcom-2.1.0-x64.msi", "SAMPLEA=1 SAMPLEB=2 ")],
             products={PLUGIN: "2.1.0"}),
    Scenario(name="same version installed without NPVELUM: the feature is added",
             # The package on disk is the installed one, as a distribution would hold it.
             prepare=[installed("old/velumcom-2.1.0-x64.msi:npvelum=absent")],
             distribution=["plugin/velumcom-2.1.0-x64.msi:npvelum=absent"], args=[],
             boxes=[question(CONFIRM), result(DONE)],
             commands=[install_command("plugin\\velumcom-2.1.0-x64.msi", " ADDLOCAL=NPVELUM")],
             products={PLUGIN: "2.1.0"}, features={PLUGIN: INSTALLSTATE_LOCAL}),
    Scenario(name="same version installed with NPVELUM: nothing runs, message 110",
             prepare=[installed("old/velumcom-2.1.0-x64.msi")], distribution=PLUGIN_PACKAGES,
             args=[], boxes=[question(CONFIRM), result(DONE)], commands=[],
             products={PLUGIN: "2.1.0"}, features={PLUGIN: INSTALLSTATE_LOCAL}),
    numbers_compared("2.0.9", "2.0.10", "newer: removed, then installed",
                     [REMOVE_PLUGIN, install_command("plugin\\velumcom-2.0.10-x64.msi")]),
    numbers_compared("2.0.10", "2.0.9", "older: nothing removed, nothing installed", []),
    Scenario(name="-silent, plug-in 2.1.0 installed, x64 2.2.0 beside win32 2.1.0: this Windows' "
                  "variant is newer, 2.1.0 removed, 2.2.0 installed",
             prepare=[installed_older("old/velumcom-2.1.0-x64.msi", "2.2.0")],
             distribution=BOTH_VARIANTS, args=["-silent"],
             commands=[REMOVE_PLUGIN, install_command("plugin\\velumcom-2.2.0-x64.msi")],
             products={PLUGIN: "2.2.0"}, packages={PLUGIN: "velumcom-2.2.0-x64.msi"}),
    Scenario(name="-silent again, x64 2.2.0 installed, win32 2.1.0 beside it: nothing removed or "
                  "installed",
             prepare=[installed("old/velumcom-2.2.0-x64.msi")], distribution=BOTH_VARIANTS,
             args=["-silent"], commands=[], products={PLUGIN: "2.2.0"}),
]

REMOVAL_REBOOTS = dict(prepare=[OLDER_INSTALLED_REMOVAL_REBOOTS], distribution=PLUGIN_PACKAGES,
                       commands=[REMOVE_PLUGIN], products={PLUGIN: None})

REMOVAL = [
    Scenario(name="removal asks for a restart: message 115, No: exit 0, the new one not installed",
             args=[], boxes=[question(CONFIRM), question(RESTART_TO_CONTINUE, press="No")],
             **REMOVAL_REBOOTS),
    Scenario(name="removal asks for a restart: message 115, Yes: the restart is requested",
             args=[], boxes=[question(CONFIRM), question(RESTART_TO_CONTINUE, press="Yes")],
             restart=True, **REMOVAL_REBOOTS),
    Scenario(name="-silent, removal asks for a restart: restart at once, no installation",
             args=["-silent"], restart=True, **REMOVAL_REBOOTS),
    Scenario(name="-csp, removal asks for a restart: message 115 all the same, No: exit 0",
             # The provider went in, the plug-in is gone: never "successfully installed".
             prepare=[OLDER_INSTALLED_REMOVAL_REBOOTS],
             distribution=PLUGIN_PACKAGES + ["csp/csp-x64-kc2-eng.msi"], args=["-csp"],
             boxes=[question(102), question(RESTART_TO_CONTINUE, press="No")],
             commands=[install_command("csp\\csp-x64-kc2-eng.msi"), REMOVE_PLUGIN],
             products={PROVIDER: "4.0.9842", PLUGIN: None}),
    Scenario(name="removal fails with 1603: message 106 with it, nothing installed",
             prepare=[OLDER_INSTALLED], distribution=PLUGIN_PACKAGES,
             stand_ins={"msiexec": "exit=1603"}, args=[],
             boxes=[question(CONFIRM), failure(PLUGIN_FAILED, 1603)], exit_code=1603,
             commands=[REMOVE_PLUGIN], products={PLUGIN: "2.0.5"}),
    *not_found("newer package only for the other architecture: 139 before any removal, 232",
               "-silent, newer package only for the other architecture: 232, nothing removed",
               prepare=[OLDER_INSTALLED], distribution=["plugin/velumcom-2.1.0-win32.msi"],
               products={PLUGIN: "2.0.5"}),
]

RESULTS = [
    restart_asked("the plug-in's installer asks for a restart: message 108, No: exit 0", [],
                  boxes=[question(CONFIRM), question(RESTART_PLUGIN, press="No")]),
    restart_asked("-silent, the plug-in's installer asks for a restart: restart at once",
                  ["-silent"], restart=True),
    restart_asked("-silent -NoRestart, the plug-in's installer asks for a restart: 3010, no "
                  "restart", ["-silent", "-NoRestart"], exit_code=3010),
    restart_asked("-norestart, the plug-in's installer asks for a restart: the confirmation "
                  "only, 3010", ["-norestart"], boxes=[question(CONFIRM)], exit_code=3010),
    restart_asked("no visible desktop, the plug-in's installer asks for a restart: no box, "
                  "3010, no restart", [], desktop=False, exit_code=3010),
    Scenario(
        name="-silent -norestart, another installation holds the installer: 1618 waited out, "
             "the same msiexec line again once it is free; its log (in the default folder) and "
             "the package can't be renamed, deleted or replaced meanwhile",
        prepare=[installer_busy, beside_first_msiexec(replace_installer_log), share_writer],
        distribution=["plugin/velumcom-2.1.0-x64.msi", "velumcom-9.9.9-x64.msi"],
        stand_ins={"msiexec": "busy"}, args=["-silent", "-norestart"],
        commands=[PLUGIN_X64, PLUGIN_X64], products={PLUGIN: "2.1.0"},
        checks=[woke_on_release, swap_refused, lambda run: compare(
            "msiexec's log not renamed, deleted or replaced", True, run.beside())]),
    Scenario(name="-silent -norestart, another installation holds the installer, the plug-in's "
                  "folder a Linux link re-pointed at another package meanwhile: the run's copy, "
                  "the genuine 2.1.0",
             prepare=[installer_busy, RELINKED], distribution=[PACKAGE],
             stand_ins={"msiexec": "busy,digest"}, args=["-silent", "-norestart"],
             commands=[PLUGIN_X64, PLUGIN_X64], products={PLUGIN: "2.1.0"},
             checks=[got_genuine(PACKAGE, PACKAGE)]),
    # The stand-in saw the first run's msiexec only: the second ran none.
    Scenario(
        name="two setup.exe at once, without -log: the second waits for the first, installs "
             "nothing, and both log into the default folder",
        prepare=[beside_first_msiexec(second_run)], distribution=["plugin/velumcom-2.1.0-x64.msi"],
        stand_ins={"msiexec": "hold=8000"}, args=["-silent", "-norestart"], commands=[PLUGIN_X64],
        products={PLUGIN: "2.1.0"}, checks=[lambda run: compare(
            "the second run's exit code, runs in the default log, the wait logged", (0, 2, True),
            run.beside())]),
    Scenario(name="the plug-in's installer fails: message 106 with 1603",
             distribution=["plugin/velumcom-2.1.0-x64.msi:fail"], args=[],
             boxes=[question(CONFIRM), failure(PLUGIN_FAILED, 1603)], exit_code=1603,
             commands=[PLUGIN_X64]),
    Scenario(name="confirmation answered No: exit 0, nothing runs",
             distribution=PLUGIN_PACKAGES, args=[], boxes=[question(CONFIRM, press="No")],
             commands=[]),
    *not_found("no package at all: message 139, then 106 with 232",
               "-silent, no package at all: 232 without a box",
               distribution=["notes/readme.txt:text"]),
    *not_found("plug-in installed, no package to compare with: 139, then 106 with 232",
               "-silent, plug-in installed, no package to compare with: no box, 232",
               prepare=[PLAIN_INSTALLED], products={PLUGIN: "2.0.5"}),
    Scenario(name="a folder whose name fits the mask is passed over for the package after it",
             distribution=["plugin/velumcom-1-x64-old/readme.txt:text",
                           "plugin/velumcom-2.1.0-x64.msi"],
             args=["-silent"], commands=[PLUGIN_X64], products={PLUGIN: "2.1.0"}),
    Scenario(name="two folders hold the plug-in: the first in Windows' order wins",
             # Windows lists names without regard to case: alpha before Zeta.
             distribution=["Zeta/velumcom-2.1.0-x64.msi", "alpha/velumcom-2.1.0-x64.msi"],
             args=["-silent"], commands=[install_command("alpha\\velumcom-2.1.0-x64.msi")],
             products={PLUGIN: "2.1.0"}),
]

SIGNED_BY_A = 'setup.exe is signed by "Vendor A": '


def signed_run(name, package_signer, verdict, **expected):
    """setup.exe signed by Vendor A, its package by package_signer (None: unsigned; Wine
    checks no chain to a root), a -log run whose line on the package says `verdict`."""
    def sign(run):
        kit.sign(run.workdir, "Vendor A", [run.dist / "setup.exe"])
        if package_signer:
            kit.sign(run.workdir, package_signer, [run.dist / PACKAGE])
    return Scenario(name=name, distribution=[PACKAGE], prepare=[sign, log_folder], **expected,
                    args=["-silent", "-log", LOG_FILE], checks=[log_line(
                        f"signature: {COPIES}\\velumcom-2.1.0-x64.msi is {verdict}")])


SIGNED = [
    signed_run("setup.exe and the plug-in's package signed by the same publisher: installed",
               "Vendor A", f'signed by "Vendor A"; {SIGNED_BY_A}the same publisher, accepted',
               products={PLUGIN: "2.1.0"}),
    signed_run("signed setup.exe, the plug-in's package unsigned: refused, no msiexec, its code",
               None, f"not signed (0x800b0100); {SIGNED_BY_A}refused with 0x800b0100",
               exit_code=0x800B0100, commands=[]),  # TRUST_E_NOSIGNATURE
    signed_run("signed setup.exe, the plug-in's package signed by another publisher: refused",
               "Vendor B", f'signed by "Vendor B"; {SIGNED_BY_A}another publisher, refused with '
               "0x800b0004", exit_code=0x800B0004, commands=[]),  # TRUST_E_SUBJECT_NOT_TRUSTED
]

SCENARIOS = OUTCOMES + REMOVAL + RESULTS + SIGNED
