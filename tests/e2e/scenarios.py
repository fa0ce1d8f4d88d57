"""The end-to-end scenarios: a machine, a distribution, a command line, what must follow.

A new scenario is one more Scenario(...) in SCENARIOS; `prepare` steps set the machine
up (run.install(...) preinstalls a package), `checks` add observations of its own.
Default Wine prefix: 64-bit Windows 7 with WOW64 (the "*x64*" variants), system UI
language 0x409 (so the provider's default language piece is "eng*").
"""

from harness import DIST, Box, Scenario
from texts import HELP_CAPTION, help_text

PLUGIN = "{C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}"
PROVIDER = "{5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}"
CARD_PROVIDER = "{3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B}"

INSTALLSTATE_ABSENT = 2
INSTALLSTATE_LOCAL = 3

IDYES = "Yes"
CAPTION = "Орвента ЭЦП Browser plug-in"
SELECTION_DIALOG = "VOZEdove"
NEXT, OPTIONS, RUSSIAN, KC3 = "140", "1015", "1006", "1010"


def install_command(package, extra=""):
    # Two blanks before REBOOT=R when there are no extra arguments.
    return f'msiexec /qn /i "{DIST}\\{package}" {extra} REBOOT=R'


# Both architectures, and packages the locator must pass over: one directly in the start
# folder, one in a folder whose name begins with a dot, one two levels down. The win32
# variant sorts before the x64 one, so a wrong architecture piece picks it.
PLUGIN_PACKAGES = [
    "plugin/velumcom-2.1.0-win32.msi",
    "plugin/velumcom-2.1.0-x64.msi",
    "velumcom-0.9.0-x64.msi",
    ".previous/velumcom-1.0.0-x64.msi",
    "archive/old/velumcom-1.5.0-x64.msi",
]

# For "csp*x64*eng* ": the Russian KC1 package sorts first among the x64 ones, so a
# missing language piece picks it; "rus*" would pick it too; the win32 English ones sort
# before every x64 one.
PROVIDER_PACKAGES = [
    "csp/csp-win32-kc1-eng.msi",
    "csp/csp-win32-kc2-rus.msi",
    "csp/csp-x64-kc1-rus.msi",
    "csp/csp-x64-kc2-eng.msi",
    "csp/csp-x64-kc2-rus.msi",
    "csp/csp-x64-kc3-eng.msi",
    "csp/csp-x64-kc3-rus.msi",
]

# The packages themselves: later scenarios count on these answers of Wine's installer.
FIXTURES = [
    Scenario(
        name="fixture: a package that schedules a restart ends msiexec with 3010",
        program="msiexec",
        distribution=["plugin/velumcom-2.2.0-x64.msi:reboot,npvelum=absent"],
        args=["/qn", "/i", DIST + "\\plugin\\velumcom-2.2.0-x64.msi", "REBOOT=R"],
        exit_code=3010,
        products={PLUGIN: "2.2.0"},
        features={PLUGIN: INSTALLSTATE_ABSENT},
    ),
    Scenario(
        name="fixture: a package with a false launch condition ends msiexec with 1603",
        program="msiexec",
        distribution=["plugin/velumcom-2.2.0-x64.msi:fail"],
        args=["/qn", "/i", DIST + "\\plugin\\velumcom-2.2.0-x64.msi", "REBOOT=R"],
        exit_code=1603,
        products={PLUGIN: None},
    ),
]

SCENARIOS = FIXTURES + [
    Scenario(
        name="silent first installation of the plug-in",
        distribution=PLUGIN_PACKAGES,
        args=["-silent"],
        exit_code=0,
        commands=[install_command("plugin\\velumcom-2.1.0-x64.msi")],
        products={PLUGIN: "2.1.0", PROVIDER: None},
        packages={PLUGIN: "velumcom-2.1.0-x64.msi"},
        features={PLUGIN: INSTALLSTATE_LOCAL},
    ),
    Scenario(
        name="-help shows the general help and installs nothing",
        distribution=PLUGIN_PACKAGES,
        args=["-help"],
        boxes=[Box(HELP_CAPTION, help_text(), press="OK", buttons=[1])],
        exit_code=0,
        commands=[],
        products={PLUGIN: None},
    ),
    Scenario(
        name="-csp -silent installs the English x64 provider, then the plug-in",
        distribution=PROVIDER_PACKAGES + PLUGIN_PACKAGES,
        args=["-csp", "-silent"],
        exit_code=0,
        commands=[install_command("csp\\csp-x64-kc2-eng.msi"),
                  install_command("plugin\\velumcom-2.1.0-x64.msi")],
        products={PROVIDER: "4.0.9842", PLUGIN: "2.1.0", CARD_PROVIDER: None},
        packages={PROVIDER: "csp-x64-kc2-eng.msi", PLUGIN: "velumcom-2.1.0-x64.msi"},
    ),
    Scenario(
        name="-silent over an older plug-in removes it, then installs the new one",
        prepare=[lambda run: run.install_older("old/velumcom-2.0.5-x64.msi", "2.1.0")],
        distribution=PLUGIN_PACKAGES,
        args=["-silent"],
        exit_code=0,
        commands=[f"msiexec /qn /x {PLUGIN} REBOOT=R",
                  install_command("plugin\\velumcom-2.1.0-x64.msi")],
        products={PLUGIN: "2.1.0"},
        packages={PLUGIN: "velumcom-2.1.0-x64.msi"},
    ),
    Scenario(
        name="-csp -selectDlg: KC3 and Russian chosen in the dialog pick their package",
        distribution=PROVIDER_PACKAGES + PLUGIN_PACKAGES,
        args=["-csp", "-selectDlg"],
        boxes=[
            Box(CAPTION, "Установить Орвента ЭЦП Browser plug-in и CSP?", press=IDYES,
                buttons=[6, 7]),
            Box(SELECTION_DIALOG, clicks=[OPTIONS, KC3, RUSSIAN], press=NEXT,
                message_box=False),
            Box(CAPTION, "Орвента ЭЦП Browser plug-in и CSP успешно установлены.\n"
                "Для корректной работы Орвента ЭЦП Browser plug-in и CSP необходимо "
                "перезапустить браузер.", press="OK", buttons=[1]),
        ],
        exit_code=0,
        commands=[install_command("csp\\csp-x64-kc3-rus.msi"),
                  install_command("plugin\\velumcom-2.1.0-x64.msi")],
        products={PROVIDER: "4.0.9842", PLUGIN: "2.1.0"},
        packages={PROVIDER: "csp-x64-kc3-rus.msi"},
    ),
]
