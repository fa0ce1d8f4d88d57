"""-plan, which logs what a run would do and changes nothing, and -uninstall, which takes
back what runs did: the products by their codes, and only the roots setup.exe added."""

import struct

from card_scenarios import CARD_FILES_X64
from common import (ALTERNATE_PROVIDER, CARD_PACKAGES, CARD_PROVIDER, PLUGIN, PLUGIN_PACKAGES,
                    PROVIDER, REMOVE_PLUGIN, failure, installed, installed_older, question,
                    registry_value, result)
from harness import Box, Scenario
from input_scenarios import LOG_FILE, log_folder, log_line
from texts import CAPTION, MESSAGES
from wine import distribution

PLUGIN_2_1_0 = installed("old/velumcom-2.1.0-x64.msi")
PROVIDER_4 = installed("old/csp-x64-kc2-eng.msi")
REBOOTS = installed("old/velumcom-2.0.5-x64.msi:reboot=remove")  # its removal: 3010


def root_present(name):
    """Root `name` in the machine's Root store before setup.exe runs, kept as Windows keeps it."""
    der = distribution.certificate_der(name)
    blob = ",".join(f"{byte:02x}" for byte in struct.pack("<III", 32, 1, len(der)) + der)
    return lambda run: run.import_registry(
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SystemCertificates\\Root\\"
        f'Certificates\\{distribution.certificate_thumbprint(name)}]\n"Blob"=hex:{blob}\n')


def installed_by_setup(run):
    """setup.exe -ucsp -silent -norestart ran before."""
    run.wine([run.helpers["launch"], run.dist_windows, run.dist_windows + "\\setup.exe", "-ucsp",
              "-silent", "-norestart"])


SCENARIOS = [
    Scenario(name="-plan over an older plug-in: nothing runs, 9, the removal logged, the box "
                  "names the log",
             prepare=[installed_older("old/velumcom-2.0.5-x64.msi", "2.1.0"), log_folder],
             distribution=PLUGIN_PACKAGES, args=["-plan", "-log", LOG_FILE],
             boxes=[Box(CAPTION, f"{MESSAGES[158]}\n{LOG_FILE}", buttons=[1])], exit_code=9,
             commands=[], products={PLUGIN: "2.0.5"},
             checks=[log_line("step 1 of 2, plug-in: remove the installed version, the newer "
                              f"package follows: {REMOVE_PLUGIN}; a failure ends the run")]),
    Scenario(name="-plan, the plug-in up to date: nothing to change, 0, the default log named",
             prepare=[PLUGIN_2_1_0], distribution=PLUGIN_PACKAGES,
             args=["-plan"], commands=[], products={PLUGIN: "2.1.0"},
             boxes=[Box(CAPTION, MESSAGES[159] + "\nC:\\windows\\Logs\\Orventa\\setup.log")]),
    Scenario(name="-plan -silent without a package: 232 as the run, no box, nothing runs",
             distribution=["notes/readme.txt:text"], args=["-plan", "-silent"], exit_code=232,
             commands=[]),
    Scenario(name="-uninstall -silent -norestart, the plug-in and the provider installed: the "
                  "plug-in goes (its removal asks for a restart: 3010), the provider stays",
             prepare=[REBOOTS, PROVIDER_4], args=["-uninstall", "-silent", "-norestart"],
             exit_code=3010, commands=[REMOVE_PLUGIN], products={PROVIDER: "4.0.9842"}),
    Scenario(name="-uninstall, the plug-in's removal asks for a restart: question 150, 155, No: 0",
             prepare=[REBOOTS], args=["-uninstall"], commands=[REMOVE_PLUGIN],
             boxes=[question(150), question(155, press="No")]),
    Scenario(name="-uninstall -csp, the plug-in's removal fails: question 151, 156 with 1603, "
                  "the provider stays",
             prepare=[PLUGIN_2_1_0, PROVIDER_4], stand_ins={"msiexec": "exit=1603"},
             args=["-uninstall", "-csp"], boxes=[question(151), failure(156, 1603)],
             exit_code=1603, commands=[REMOVE_PLUGIN],
             products={PLUGIN: "2.1.0", PROVIDER: "4.0.9842"}),
    Scenario(name="-uninstall -silent, msiexec says the plug-in is not installed (1605): done, 0",
             prepare=[PLUGIN_2_1_0], stand_ins={"msiexec": "exit=1605"},
             args=["-uninstall", "-silent"], commands=[REMOVE_PLUGIN], products={PLUGIN: "2.1.0"}),
    Scenario(name="-uninstall -csp -silent: the plug-in, then the provider under its second code",
             prepare=[PLUGIN_2_1_0, installed("old/csp-x64-kc2-eng.msi:product=csp-alt")],
             args=["-uninstall", "-csp", "-silent"],
             commands=[REMOVE_PLUGIN, f"msiexec /qn /x {ALTERNATE_PROVIDER} REBOOT=R"]),
    Scenario(name="-uninstall on a clean machine: question 150, nothing runs, 154, 0",
             args=["-uninstall"], boxes=[question(150), result(154)], commands=[]),
    Scenario(name="-uninstall -ucsp after an installation that added root A and found root F: "
                  "A goes, F stays, the record is emptied",
             prepare=[root_present("F"), installed_by_setup],
             distribution=(CARD_PACKAGES + CARD_FILES_X64
                           + ["plugin/velumcom-2.1.0-x64.msi", "a.cer:cert=A", "f.cer:cert=F"]),
             args=["-uninstall", "-ucsp", "-silent"], certificates=["F"],
             commands=[REMOVE_PLUGIN, f"msiexec /qn /x {CARD_PROVIDER} REBOOT=R"],
             checks=[registry_value(r"HKLM\Software\Orventa\Setup", "AddedRoots", None)]),
]
