"""The provider flow (-csp): which package each situation picks, with which arguments,
what an installed provider decides, and the refusals."""

from common import (ALL_PROVIDER_PACKAGES, ALTERNATE_PROVIDER, PLUGIN, PLUGIN_PACKAGES,
                    PLUGIN_X64, PROVIDER, PROVIDER_PACKAGES, REINSTALL, error, failure,
                    install_command, installed, installed_older, question, result, too_old)
from harness import Box, Scenario

CONFIRM, DONE, RESTART, PROVIDER_FAILED = 102, 109, 107, 105
SELECTION_DIALOG = "VOZEdove"
NEXT, OPTIONS, RUSSIAN_BUTTON, KC3 = "140", "1015", "1006", "1010"

PLUGIN_PACKAGE = "plugin/velumcom-2.1.0-x64.msi"
EVERYTHING = ALL_PROVIDER_PACKAGES + [PLUGIN_PACKAGE]
BOTH_INSTALLED = {PROVIDER: "4.0.9842", PLUGIN: "2.1.0"}


def csp(package, extra=""):
    return install_command("csp\\" + package, extra)


FRESH = [
    Scenario(name="-csp -silent installs the English x64 provider, then the plug-in",
             distribution=PROVIDER_PACKAGES + PLUGIN_PACKAGES, args=["-csp", "-silent"],
             commands=[install_command("csp\\csp-x64-kc2-eng.msi"), PLUGIN_X64],
             products=BOTH_INSTALLED,
             packages={PROVIDER: "csp-x64-kc2-eng.msi", PLUGIN: "velumcom-2.1.0-x64.msi"}),
    Scenario(name="-csp -selectDlg: KC3 and Russian chosen in the dialog pick their package",
             distribution=PROVIDER_PACKAGES + PLUGIN_PACKAGES, args=["-csp", "-selectDlg"],
             boxes=[question(CONFIRM),
                    Box(SELECTION_DIALOG, clicks=[OPTIONS, KC3, RUSSIAN_BUTTON], press=NEXT,
                        message_box=False),
                    result(DONE)],
             commands=[install_command("csp\\csp-x64-kc3-rus.msi"), PLUGIN_X64],
             products=BOTH_INSTALLED, packages={PROVIDER: "csp-x64-kc3-rus.msi"}),
    Scenario(name="-CSP -KC kc3 -LANG rus -CSPArgs: the options' pieces and arguments, any case",
             distribution=EVERYTHING,
             args=["-CSP", "-KC", "kc3", "-LANG", "rus", "-CSPArgs", "SAMPLEA=1", "-SILENT"],
             # "csp*x64**kc3**rus* ": each value between asterisks, then the blank.
             commands=[csp("csp-x64-kc3-rus.msi", "SAMPLEA=1 "), PLUGIN_X64],
             products=BOTH_INSTALLED, packages={PROVIDER: "csp-x64-kc3-rus.msi"}),
    Scenario(name="-csp: the provider's installer asks for a restart: message 107, Yes: restart",
             distribution=["csp/csp-x64-kc1-eng.msi:reboot", PLUGIN_PACKAGE], args=["-csp"],
             boxes=[question(CONFIRM), question(RESTART, press="Yes")],
             commands=[csp("csp-x64-kc1-eng.msi"), PLUGIN_X64], restart=True,
             products=BOTH_INSTALLED),
    Scenario(name="-csp: the provider's installer fails: message 105 with 1603, no plug-in",
             distribution=["csp/csp-x64-kc2-eng.msi:fail", PLUGIN_PACKAGE], args=["-csp"],
             boxes=[question(CONFIRM), failure(PROVIDER_FAILED, 1603)], exit_code=1603,
             commands=[csp("csp-x64-kc2-eng.msi")]),
    # Everything is looked at before anything changes: no provider without its plug-in.
    Scenario(name="-csp, no plug-in package: message 139, then 106 with 232, no provider installed",
             distribution=PROVIDER_PACKAGES, args=["-csp"],
             boxes=[question(CONFIRM), error(139), failure(106, 232)], exit_code=232, commands=[]),
    Scenario(
        name="-csp -CSPArgs -silent: -silent is the provider's argument, so the question shows",
        distribution=EVERYTHING, args=["-csp", "-CSPArgs", "-silent"],
        boxes=[question(CONFIRM, press="No")], commands=[]),
]


def same_version(flags, language, package, note):
    """The provider of the package's version installed with these ISReleaseFlags and
    ProductLanguage: its level and language choose the package, which is reinstalled."""
    installed_package = f"old/csp-x64.msi:lang={language}" + (f",flags={flags}" if flags else "")
    return Scenario(
        name=f"-csp, same version installed with flags {flags or '(none)'} and language "
             f"{language}: {note}",
        prepare=[installed(installed_package)], distribution=EVERYTHING,
        args=["-csp", "-CSPArgs", "SAMPLEA=1", "-silent"],
        commands=[csp(package, "SAMPLEA=1 " + REINSTALL), PLUGIN_X64],
        products=BOTH_INSTALLED, packages={PROVIDER: package})


INSTALLED = [
    # The system is English throughout: a Russian package comes from the installed one.
    same_version("kc3", "1049", "csp-x64-kc3-rus.msi", "kc3*rus*"),
    same_version("ovrmcsp", "1033", "csp-x64-kc2-eng.msi", "kc2*eng* from the marker"),
    same_version("relovcspi", "1049", "csp-x64-kc1-rus.msi", "kc1*rus* from the marker"),
    Scenario(
        name="-csp, installed provider 4.1.0, package 4.0.9842 is older: no pieces, no reinstall",
        prepare=[installed_older("old/csp-4.1.0-x64-kc3-rus.msi", "4.0.9842")],
        distribution=EVERYTHING, args=["-csp", "-silent"],
        # "csp*x64*": the first x64 package. Wine's msiexec takes it, as the cached
        # package already has its version (see Run.install_older).
        commands=[csp("csp-x64-kc1-eng.msi"), PLUGIN_X64],
        products=BOTH_INSTALLED, packages={PROVIDER: "csp-x64-kc1-eng.msi"}),
    Scenario(name="-csp, the alternate product installed: its level and language, no reinstall",
             prepare=[installed("old/csp-x64-kc3-rus.msi:product=csp-alt")],
             distribution=EVERYTHING, args=["-csp", "-silent"],
             commands=[csp("csp-x64-kc3-rus.msi"), PLUGIN_X64],
             products={PROVIDER: "4.0.9842", ALTERNATE_PROVIDER: "4.0.9842", PLUGIN: "2.1.0"},
             packages={PROVIDER: "csp-x64-kc3-rus.msi"}),
    Scenario(name="-csp -selectDlg -silent -KC kc3: no dialog, the options alone, the installed "
                  "provider not asked",
             prepare=[installed("old/csp-x64-kc2-rus.msi")], distribution=EVERYTHING,
             args=["-csp", "-selectDlg", "-silent", "-KC", "kc3"],
             commands=[csp("csp-x64-kc3-eng.msi"), PLUGIN_X64], products=BOTH_INSTALLED),
]

# The level can't be told from flags that end in "kc" or hold no level: the piece "-*".
# Only the package in b/ has a "-" after its architecture; the one in a/, which Windows
# lists first, is what a missing piece or "kc*" would pick.
UNKNOWN_LEVEL_PACKAGES = ["a/csp_x64_kc_rus.msi", "b/csp_x64-unknown_rus.msi",
                          PLUGIN_PACKAGE]


def unknown_level(flags):
    installed_package = "old/csp-x64.msi:lang=1049" + (f",flags={flags}" if flags else "")
    return Scenario(
        name=f"-csp, same version installed with flags {flags or '(none)'}: level piece -*",
        prepare=[installed(installed_package)], distribution=UNKNOWN_LEVEL_PACKAGES,
        args=["-csp", "-silent"],
        commands=[install_command("b\\csp_x64-unknown_rus.msi", REINSTALL), PLUGIN_X64],
        products=BOTH_INSTALLED, packages={PROVIDER: "csp_x64-unknown_rus.msi"})


UNKNOWN_LEVEL = [unknown_level("releasekc"), unknown_level(None)]


def too_old_provider(version, silent):
    return Scenario(
        name=f"-csp{' -silent' if silent else ''}, installed provider {version} is too old: "
             f"{'no box' if silent else 'message 130 under 128'}, exit 6, no msiexec",
        prepare=[installed_older(f"old/csp-{version}-x64-kc1-rus.msi", "4.0.9842")],
        distribution=EVERYTHING, args=["-csp"] + (["-silent"] if silent else []),
        boxes=[] if silent else [question(CONFIRM), too_old(), failure(PROVIDER_FAILED, 6)],
        exit_code=6, commands=[], products={PROVIDER: version})


def updatable_provider(version, level, silent, note):
    """The oldest provider that is updated is 3.6.5365: its level and language pick the
    package, which goes over it."""
    return Scenario(
        name=f"-csp{' -silent' if silent else ''}, installed provider {version} {note}: "
             "updated",
        prepare=[installed_older(f"old/csp-{version}-x64-{level}-rus.msi", "4.0.9842")],
        distribution=EVERYTHING, args=["-csp"] + (["-silent"] if silent else []),
        boxes=[] if silent else [question(CONFIRM), result(DONE)],
        commands=[csp(f"csp-x64-{level}-rus.msi", REINSTALL), PLUGIN_X64],
        products=BOTH_INSTALLED)


TOO_OLD = [
    too_old_provider("3.6.5364", silent=False),
    too_old_provider("3.6.5364", silent=True),
    updatable_provider("3.6.5365", "kc2", silent=True, note="exactly"),
    # As text 10000 would sort before 5365.
    updatable_provider("3.6.10000", "kc1", silent=False, note="is newer than 3.6.5365"),
]

SCENARIOS = FRESH + INSTALLED + UNKNOWN_LEVEL + TOO_OLD
