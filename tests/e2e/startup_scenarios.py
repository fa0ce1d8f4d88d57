"""Before anything is installed: the help, the prerequisite checks, the confirmation,
and the system's UI language as the default language of the providers."""

from common import (CARD_PACKAGES, CARD_PROVIDER, PLUGIN, PLUGIN_X64, PROVIDER, REGEDIT_X64,
                    REGINI_X64, RUSSIAN, install_command, question, result, windows_version,
                    wine_version)
from harness import Box, Scenario
from texts import HELP_CAPTION, help_text

PLUGIN_PACKAGE = "plugin/velumcom-2.1.0-x64.msi"
# English and Russian of each level: a missing language piece picks the English one.
PROVIDER_PACKAGES = [f"csp/csp-x64-kc{level}-{language}.msi"
                     for level in (1, 2) for language in ("eng", "rus")]
NOT_UNDERSTOOD = 1639


def help_scenario(args, provider=False, card_provider=False, note="", exit_code=0):
    return Scenario(name=f"{' '.join(args)}: the help{note}, nothing installed, exit {exit_code}",
                    distribution=[PLUGIN_PACKAGE], args=args,
                    boxes=[Box(HELP_CAPTION, help_text(provider, card_provider), buttons=[1])],
                    exit_code=exit_code, commands=[])


HELP = [
    help_scenario(["-help"], note=" with the general options"),
    help_scenario(["-csp", "-ucsp", "-help"], provider=True, card_provider=True,
                  note=" with all twelve pieces"),
    help_scenario(["-csp", "--help", "-ucsp"], provider=True,
                  note=" for the options before it only"),
    help_scenario(["-ucsp", "/HELP"], card_provider=True, note=" with the card provider's"),
    help_scenario(["-silent", "-help"], note=" all the same"),
    help_scenario(["-?"], note=" asked for"),
    help_scenario(["-csp", "-install"], provider=True, note=" for an unknown argument",
                  exit_code=NOT_UNDERSTOOD),
    help_scenario(["-KC", "kc2"], note=": -KC before -csp is not understood",
                  exit_code=NOT_UNDERSTOOD),
    help_scenario(["-csp", "-KC"], provider=True, note=": -KC without its value",
                  exit_code=NOT_UNDERSTOOD),
    Scenario(name="-silent -slient: not understood, no box, exit 1639",
             distribution=[PLUGIN_PACKAGE], args=["-silent", "-slient"],
             exit_code=NOT_UNDERSTOOD, commands=[]),
    Scenario(name="no visible desktop, -help: no box, exit 0", desktop=False,
             distribution=[PLUGIN_PACKAGE], args=["-help"], commands=[]),
]


def refused(name, prepare, message, code, silent_too=True):
    """A system setup.exe refuses: its message (with -silent no box), its code, nothing run."""
    return [Scenario(name=f"{name}{' -silent' if silent else ''}: "
                          f"{'no box' if silent else f'message {message}'}, exit {code}",
                     prepare=[prepare], distribution=[PLUGIN_PACKAGE],
                     args=["-silent"] if silent else [],
                     boxes=[] if silent else [result(message)], exit_code=code, commands=[])
            for silent in ([False, True] if silent_too else [False])]


def passes(name, prepare):
    return Scenario(name=name, prepare=[prepare], distribution=[PLUGIN_PACKAGE],
                    args=["-silent"], commands=[PLUGIN_X64], products={PLUGIN: "2.1.0"})


NT40 = wine_version("nt40")

PREREQUISITES = [
    *refused("Windows XP SP1", windows_version(5, 1, 2600, 1), 118, 4),
    *refused("Windows 2000 SP3", windows_version(5, 0, 2195, 3), 117, 3),
    *refused("Windows Server 2003 SP1", windows_version(5, 2, 3790, 1), 119, 5),
    *refused("Windows NT 4.0", NT40, 116, 1150, silent_too=False),
    Scenario(name="Windows NT 4.0 -silent: message 116 all the same, exit 1150", prepare=[NT40],
             distribution=[PLUGIN_PACKAGE], args=["-silent"], boxes=[result(116)],
             exit_code=1150, commands=[]),
    Scenario(name="Windows NT 4.0 -help: the help comes before the checks", prepare=[NT40],
             distribution=[PLUGIN_PACKAGE], args=["-help"],
             boxes=[Box(HELP_CAPTION, help_text(), buttons=[1])], commands=[]),
    passes("Windows XP SP2 passes the checks", windows_version(5, 1, 2600, 2)),
    passes("Windows Vista without a service pack passes the checks",
           windows_version(6, 0, 6000, 0)),
]

CARD_FILES = ["UEC_x64_2.reg:text=REGEDIT4", "UEC_acl_x64.acl:text=ACL file"]

QUESTIONS = [
    Scenario(name="-csp -ucsp, confirmation 125 answered No: exit 0, no installer, no tool, "
                  "no certificate",
             distribution=PROVIDER_PACKAGES + CARD_PACKAGES + [PLUGIN_PACKAGE, "a.cer:cert=A"]
             + CARD_FILES,
             args=["-csp", "-ucsp"], boxes=[question(125, press="No")], commands=[]),
    Scenario(name="-selectDlg without -csp: no dialog, question 103, the plug-in, message 110",
             distribution=PROVIDER_PACKAGES + [PLUGIN_PACKAGE], args=["-selectDlg"],
             boxes=[question(103), result(110)], commands=[PLUGIN_X64], products={PLUGIN: "2.1.0"}),
    Scenario(name="-ucsp, confirmation 122 answered No: exit 0, nothing runs",
             distribution=CARD_PACKAGES + [PLUGIN_PACKAGE] + CARD_FILES, args=["-ucsp"],
             boxes=[question(122, press="No")], commands=[]),
]


def both_providers(name, language, args, **expected):
    """-csp -ucsp -KC kc2: both providers' packages of that language, then the plug-in."""
    return Scenario(
        name=name, distribution=PROVIDER_PACKAGES + CARD_PACKAGES + [PLUGIN_PACKAGE] + CARD_FILES,
        args=["-csp", "-ucsp", "-KC", "kc2"] + args,
        commands=[install_command(f"csp\\csp-x64-kc2-{language}.msi"),
                  install_command(f"ucsp\\ucsp-x64-{language}.msi"), REGEDIT_X64, REGINI_X64,
                  PLUGIN_X64],
        products={PROVIDER: "4.0.9842", CARD_PROVIDER: "2.0.1200", PLUGIN: "2.1.0"},
        packages={PROVIDER: f"csp-x64-kc2-{language}.msi",
                  CARD_PROVIDER: f"ucsp-x64-{language}.msi"}, **expected)


LANGUAGES = [
    both_providers("Russian system: -csp -ucsp -KC kc2 take the Russian packages, message 127",
                   "rus", [], locale=RUSSIAN, boxes=[question(125), result(127)]),
    both_providers("English system: -csp -ucsp -KC kc2 -silent take the English packages",
                   "eng", ["-silent"]),
    Scenario(name="Russian system, -csp -Lang eng -silent: the option wins over the system",
             locale=RUSSIAN, distribution=PROVIDER_PACKAGES + [PLUGIN_PACKAGE],
             args=["-csp", "-Lang", "eng", "-KC", "kc2", "-silent"],
             # "csp*x64**kc2**eng* "
             commands=[install_command("csp\\csp-x64-kc2-eng.msi"), PLUGIN_X64],
             products={PROVIDER: "4.0.9842", PLUGIN: "2.1.0"}),
]

SCENARIOS = HELP + PREREQUISITES + QUESTIONS + LANGUAGES
