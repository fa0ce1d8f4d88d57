"""The card provider (-ucsp): its package, its registry and access-list tools, the root
certificates, and how the codes of all the steps make one."""

import shutil

from common import (CARD_PACKAGES, CARD_PROVIDER, PLUGIN, PLUGIN_PACKAGES, PLUGIN_WIN32,
                    PLUGIN_X64, PROVIDER, PROVIDER_PACKAGES, REGEDIT_X64, REGEDIT_X86,
                    REGINI_X64, REGINI_X86, REINSTALL, failure, got_genuine, install_command,
                    installed, installed_older, question, registry_value, relinked, result,
                    stand_in_running)
from harness import DIST, Scenario, kit
from wine.distribution import Entry

CONFIRM_CARD, CONFIRM_ALL, DONE_CARD, RESTART_CARD, RESTART_ALL = 122, 125, 124, 123, 126
PROVIDER_FAILED = 105

PLUGIN_PACKAGE = "plugin/velumcom-2.1.0-x64.msi"
CARD_KEY = r"HKCU\Software\SampleCard"


def registry_file(name):
    """A registry file that leaves its own name in the registry when regedit imports it."""
    return Entry(path=name, text="REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\SampleCard]\r\n"
                                 f'"Imported"="{name}"\r\n')


def imported(name):
    return registry_value(CARD_KEY, "Imported", name)


def ucsp(package, extra=""):
    return install_command("ucsp\\" + package, extra)


CARD_FILES_X64 = [registry_file("UEC_x64_2.reg"), "UEC_acl_x64.acl:text=ACL file"]
CARD_FILES_X86 = [registry_file("UEC_x86_2.reg"), "UEC_acl_x86.acl:text=ACL file"]

# The files are listed in the order Windows gives names, not in the order of the scan:
# .cer files first (the damaged one before the good one), then .p7b, then .crt; a folder
# named like one is passed over.
CERTIFICATES = ["0-bundle.p7b:cert=B+C", "0-first.crt:cert=D,pem", "c-folder.cer/x.txt:text",
                "a-damaged.cer:text=not a certificate", "b-root.cer:cert=A",
                "ucsp/e-in-a-package-folder.cer:cert=E"]
IMPORT_ORDER = ["a-damaged.cer", "b-root.cer", "0-bundle.p7b", "0-first.crt"]
IMPORTED = ["A", "B", "C", "D"]

STANDARD = CARD_PACKAGES + [PLUGIN_PACKAGE] + CARD_FILES_X64 + ["b-root.cer:cert=A"]
CARD_TOOLS = [ucsp("ucsp-x64-eng.msi"), REGEDIT_X64, REGINI_X64]
CARD_AND_PLUGIN = {CARD_PROVIDER: "2.0.1200", PLUGIN: "2.1.0"}
# Replaces the card package (a later entry wins) with one that asks for a restart.
CARD_REBOOTS = ["ucsp/ucsp-x64-eng.msi:reboot"]


def without_program(name):
    """Takes a system program out of this scenario's Windows (its own copy: the system
    folders are hard links, removing one leaves the pristine prefix as it was)."""
    def remove(run):
        for folder in ("system32", "syswow64"):
            (run.prefix.path / "drive_c" / "windows" / folder / name).unlink(missing_ok=True)
    return remove


def stand_ins_in_start_folder(*tools):
    """Puts the stand-in beside setup.exe under each tool's name: a copy that runs logs
    where it ran from, so check_commands sees it."""
    def place(run):
        for tool in tools:
            shutil.copyfile(run.helpers["standin"], run.dist / f"{tool}.exe")
    return place


FLOW = [
    Scenario(name="-ucsp -UCSPArgs -silent: card provider, regedit, regini, certificates in order, "
                  "plug-in",
             distribution=CARD_PACKAGES + [PLUGIN_PACKAGE] + CARD_FILES_X64 + CERTIFICATES,
             args=["-ucsp", "-UCSPArgs", "SAMPLEA=1", "-silent"],
             commands=[ucsp("ucsp-x64-eng.msi", "SAMPLEA=1 "), REGEDIT_X64, REGINI_X64, PLUGIN_X64],
             products=CARD_AND_PLUGIN, packages={CARD_PROVIDER: "ucsp-x64-eng.msi"},
             certificates=IMPORTED, certificate_files=IMPORT_ORDER,
             checks=[imported("UEC_x64_2.reg")]),
    Scenario(name="-ucsp without the registry file: regedit still ends with 0, question 122, "
                  "message 124",
             distribution=CARD_PACKAGES + [PLUGIN_PACKAGE, "UEC_acl_x64.acl:text=ACL file",
                                           "b-root.cer:cert=A"],
             args=["-ucsp"], boxes=[question(CONFIRM_CARD), result(DONE_CARD)],
             # A file that is not there goes to its tool by name, as before.
             commands=[CARD_TOOLS[0], "regedit /s UEC_x64_2.reg", REGINI_X64, PLUGIN_X64],
             products=CARD_AND_PLUGIN, certificates=["A"], checks=[imported(None)]),
    Scenario(name="-ucsp -silent, a certificate file another program holds without sharing: "
                  "can't be read, 32, the other roots imported, no plug-in",
             prepare=[stand_in_running("hold.out", "held", "--hold-file", DIST + "\\b-root.cer",
                                       60000)],
             distribution=CARD_PACKAGES + [PLUGIN_PACKAGE] + CARD_FILES_X64 + CERTIFICATES,
             args=["-ucsp", "-silent"], exit_code=32, commands=CARD_TOOLS,
             products={CARD_PROVIDER: "2.0.1200"}, certificates=["B", "C", "D"]),
    Scenario(name="-ucsp -silent: msiexec, regedit and regini run from the system folder, never "
                  "from the start folder",
             prepare=[stand_ins_in_start_folder("msiexec", "regedit", "regini")],
             distribution=STANDARD, stand_ins={"msiexec": "run", "regedit": "run", "regini": "run"},
             args=["-ucsp", "-silent"], commands=CARD_TOOLS + [PLUGIN_X64],
             products=CARD_AND_PLUGIN, certificates=["A"], checks=[imported("UEC_x64_2.reg")]),
    Scenario(name="-ucsp -silent, the registry and access-list files Linux links re-pointed at "
                  "other ones at msiexec's first start: regedit and regini get the genuine ones",
             prepare=[relinked("UEC_x64_2.reg",
                               Entry("UEC_x64_2.reg", text=registry_file("no").text)),
                      relinked("UEC_acl_x64.acl", "UEC_acl_x64.acl:text=another ACL")],
             distribution=STANDARD, stand_ins={"msiexec": "run", "regini": "digest"},
             args=["-ucsp", "-silent"], commands=CARD_TOOLS + [PLUGIN_X64],
             products=CARD_AND_PLUGIN, certificates=["A"],
             checks=[imported("UEC_x64_2.reg"), got_genuine(None, "UEC_acl_x64.acl", None)]),
    Scenario(name="-csp -ucsp -silent on a 32-bit Windows: the win32 packages, the x86 card files",
             windows="win32",
             distribution=(PROVIDER_PACKAGES + CARD_PACKAGES + PLUGIN_PACKAGES + CARD_FILES_X86
                           + CARD_FILES_X64 + ["b-root.cer:cert=A"]),
             args=["-csp", "-ucsp", "-silent"],
             commands=[install_command("csp\\csp-win32-kc1-eng.msi"), ucsp("ucsp-win32-eng.msi"),
                       REGEDIT_X86, REGINI_X86, PLUGIN_WIN32],
             products={PROVIDER: "4.0.9842", CARD_PROVIDER: "2.0.1200", PLUGIN: "2.1.0"},
             packages={PROVIDER: "csp-win32-kc1-eng.msi", CARD_PROVIDER: "ucsp-win32-eng.msi",
                       PLUGIN: "velumcom-2.1.0-win32.msi"},
             certificates=["A"], checks=[imported("UEC_x86_2.reg")]),
    Scenario(name="-csp alone: neither card tool runs, no certificate is imported",
             distribution=PROVIDER_PACKAGES + STANDARD + CERTIFICATES, args=["-csp", "-silent"],
             commands=[install_command("csp\\csp-x64-kc2-eng.msi"), PLUGIN_X64],
             products={PROVIDER: "4.0.9842", PLUGIN: "2.1.0"}, checks=[imported(None)]),
    Scenario(name="-ucsp, card provider of the same version installed: its language, reinstalled",
             prepare=[installed("old/ucsp-x64-rus.msi")], distribution=STANDARD,
             args=["-ucsp", "-silent"],
             commands=[ucsp("ucsp-x64-rus.msi", REINSTALL), REGEDIT_X64, REGINI_X64, PLUGIN_X64],
             products=CARD_AND_PLUGIN, packages={CARD_PROVIDER: "ucsp-x64-rus.msi"},
             certificates=["A"]),
    Scenario(name="-ucsp, a newer card provider installed: no language piece, no reinstall",
             prepare=[installed_older("old/ucsp-2.1.0-x64-rus.msi", "2.0.1200")],
             distribution=STANDARD, args=["-ucsp", "-silent"],
             commands=[ucsp("ucsp-x64-all.msi"), REGEDIT_X64, REGINI_X64, PLUGIN_X64],
             products=CARD_AND_PLUGIN, packages={CARD_PROVIDER: "ucsp-x64-all.msi"},
             certificates=["A"]),
]

# The first failing code wins unchanged; 3010 only when nothing failed.
CODES = [
    Scenario(name="-csp -ucsp: provider 3010, card provider and tools 0: 3010, message 126, No",
             distribution=["csp/csp-x64-kc1-eng.msi:reboot"] + STANDARD, args=["-csp", "-ucsp"],
             boxes=[question(CONFIRM_ALL), question(RESTART_ALL, press="No")],
             commands=[install_command("csp\\csp-x64-kc1-eng.msi")] + CARD_TOOLS + [PLUGIN_X64],
             products={PROVIDER: "4.0.9842", CARD_PROVIDER: "2.0.1200", PLUGIN: "2.1.0"},
             certificates=["A"]),
    Scenario(name="-csp -ucsp: provider 1603, card provider 3010: 1603 (not 4035), the card "
                  "branch ran, no plug-in",
             distribution=STANDARD + CARD_REBOOTS + ["csp/csp-x64-kc1-eng.msi:fail"],
             args=["-csp", "-ucsp"], boxes=[question(CONFIRM_ALL), failure(PROVIDER_FAILED, 1603)],
             exit_code=1603, commands=[install_command("csp\\csp-x64-kc1-eng.msi")] + CARD_TOOLS,
             products={CARD_PROVIDER: "2.0.1200"}, certificates=["A"],
             checks=[imported("UEC_x64_2.reg")]),
    Scenario(name="-ucsp -silent: card provider 3010, regedit 2, regini 5: 2 (not 3015)",
             distribution=STANDARD + CARD_REBOOTS,
             stand_ins={"regedit": "exit=2", "regini": "exit=5"}, args=["-ucsp", "-silent"],
             exit_code=2, commands=CARD_TOOLS, products={CARD_PROVIDER: "2.0.1200"},
             certificates=["A"]),
    Scenario(name="-ucsp: regedit 1603, then regini 3010: 1603 (not 4035), message 105",
             distribution=STANDARD, stand_ins={"regedit": "exit=1603", "regini": "exit=3010"},
             args=["-ucsp"], boxes=[question(CONFIRM_CARD), failure(PROVIDER_FAILED, 1603)],
             exit_code=1603, commands=CARD_TOOLS, products={CARD_PROVIDER: "2.0.1200"},
             certificates=["A"]),
    Scenario(name="-ucsp: regini 3010 alone: success with a restart, message 123, No",
             distribution=STANDARD, stand_ins={"regedit": "run", "regini": "exit=3010"},
             args=["-ucsp"], boxes=[question(CONFIRM_CARD), question(RESTART_CARD, press="No")],
             commands=CARD_TOOLS + [PLUGIN_X64], products=CARD_AND_PLUGIN, certificates=["A"],
             checks=[imported("UEC_x64_2.reg")]),
    Scenario(name="-ucsp: regini in neither the system nor the Windows folder: not started, 2, "
                  "message 105 with it",
             prepare=[without_program("regini.exe")], distribution=STANDARD, args=["-ucsp"],
             boxes=[question(CONFIRM_CARD), failure(PROVIDER_FAILED, 2)], exit_code=2,
             commands=[ucsp("ucsp-x64-eng.msi"), REGEDIT_X64], products={CARD_PROVIDER: "2.0.1200"},
             certificates=["A"], checks=[imported("UEC_x64_2.reg")]),
]



def signed_but_the_provider(run):
    """setup.exe, the card provider's and the plug-in's packages signed by one publisher, the
    provider's package by none."""
    kit.sign(run.workdir, "Vendor A", [run.dist / "setup.exe", run.dist / "ucsp/ucsp-x64-eng.msi",
                                       run.dist / PLUGIN_PACKAGE])


CODES.append(Scenario(
    name="signed setup.exe, -csp -ucsp, the provider's package unsigned: refused before "
         "anything, no card provider, file, root or plug-in",
    prepare=[signed_but_the_provider], distribution=["csp/csp-x64-kc1-eng.msi"] + STANDARD,
    args=["-csp", "-ucsp", "-silent"], exit_code=0x800B0100, commands=[],
    checks=[imported(None)]))

SCENARIOS = FLOW + CODES
