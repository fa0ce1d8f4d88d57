"""The progress window, seen while an installer runs (a stand-in msiexec waits for it),
as created (Wine's window trace) and gone before the next box; the selection dialog,
answered with real keys where a user would press them."""

from common import (CARD_PROVIDER, PLUGIN, PROVIDER, RUSSIAN, failure, install_command,
                    question, result)
from harness import Box, Scenario
from window_checks import (keys_after_toggles, keys_pressed, no_progress_window,
                           progress_window, window_trace)

# The progress window's titles: messages 113 (with the provider) and 114.
PROGRESS_WITH_PROVIDER = "Установка Орвента ЭЦП Browser plug-in и CSP..."
PROGRESS_PLUGIN = "Установка Орвента ЭЦП Browser plug-in..."
SELECTION_DIALOG = "VOZEdove"
NEXT, OPTIONS, ENGLISH, KC3 = "140", "1015", "1007", "1010"
COMPACT_BUTTONS = [140, 2, 1011, 1015]  # the slogan's group box is a button too

PLUGIN_PACKAGE = "plugin/velumcom-2.1.0-x64.msi"
PLUGIN_COMMAND = install_command("plugin\\velumcom-2.1.0-x64.msi")
INSTALLED = {PROVIDER: "4.0.9842", PLUGIN: "2.1.0"}

# Each wrong piece of the provider mask picks a package of its own: the win32 one sorts
# first; one without a level sorts before the levelled ones of its language; each level
# has both languages.
DIALOG_PACKAGES = ["csp/csp-win32-kc1-eng.msi", "csp/csp-x64-base-eng.msi",
                   "csp/csp-x64-base-rus.msi", "csp/csp-x64-kc1-eng.msi",
                   "csp/csp-x64-kc1-rus.msi", "csp/csp-x64-kc2-eng.msi",
                   "csp/csp-x64-kc3-eng.msi", "csp/csp-x64-kc3-rus.msi", PLUGIN_PACKAGE]

# The stand-in msiexec waits until the progress window is on screen and writes it down.
WATCHED = [window_trace]
WATCHING = {"msiexec": "watch"}
WATCH = dict(prepare=WATCHED, stand_ins=WATCHING)


def dialog(press, clicks=()):
    """The selection dialog, read after the clicks: in the compact view its visible
    buttons tell the view (the expanded view has more than the harness reads)."""
    expanded = list(clicks).count(OPTIONS) % 2 == 1
    return Box(SELECTION_DIALOG, press=press, clicks=list(clicks), message_box=False,
               buttons=None if expanded else COMPACT_BUTTONS)


PROGRESS = [
    Scenario(name="progress window: on screen while a slow msiexec runs silently, gone after",
             distribution=[PLUGIN_PACKAGE], args=["-silent"], commands=[PLUGIN_COMMAND],
             products={PLUGIN: "2.1.0"}, checks=[progress_window(PROGRESS_PLUGIN, installers=1)],
             **WATCH),
    Scenario(name="progress window: -csp -silent titles it for the provider, one window for both "
                  "installers",
             distribution=["csp/csp-x64-kc1-eng.msi", PLUGIN_PACKAGE], args=["-csp", "-silent"],
             commands=[install_command("csp\\csp-x64-kc1-eng.msi"), PLUGIN_COMMAND],
             products=INSTALLED, checks=[progress_window(PROGRESS_WITH_PROVIDER, installers=2)],
             **WATCH),
    Scenario(name="progress window: -ucsp -silent keeps the plug-in title",
             distribution=["ucsp/ucsp-x64-eng.msi", PLUGIN_PACKAGE], args=["-ucsp", "-silent"],
             products={CARD_PROVIDER: "2.0.1200", PLUGIN: "2.1.0"},
             checks=[progress_window(PROGRESS_PLUGIN, installers=2)], **WATCH),
    Scenario(name="progress window: gone when the final message is up",
             distribution=[PLUGIN_PACKAGE], args=[], boxes=[question(103), result(110)],
             commands=[PLUGIN_COMMAND], products={PLUGIN: "2.1.0"},
             checks=[progress_window(PROGRESS_PLUGIN, installers=1)], **WATCH),
    Scenario(name="progress window: gone when the failure message is up",
             distribution=[PLUGIN_PACKAGE + ":fail"], args=[],
             boxes=[question(103), failure(106, 1603)], exit_code=1603, commands=[PLUGIN_COMMAND],
             checks=[progress_window(PROGRESS_PLUGIN, installers=1)], **WATCH),
    Scenario(name="progress window: never made when the confirmation is answered No",
             distribution=[PLUGIN_PACKAGE], args=[], boxes=[question(103, press="No")],
             commands=[], checks=[no_progress_window], **WATCH),
]

# Where a key answers the dialog, the harness presses Options (and waits for the dialog
# to close); the key follows once that switch shows in the trace.
DIALOG = [
    Scenario(
        name="-csp -selectDlg: Escape in the dialog ends with 0, no installer, no progress window",
        distribution=DIALOG_PACKAGES,
        prepare=WATCHED + [keys_after_toggles(SELECTION_DIALOG, ["Escape"], toggles=1)],
        stand_ins=WATCHING, args=["-csp", "-selectDlg"],
        boxes=[question(102), dialog(press=OPTIONS)], commands=[],
        checks=[keys_pressed, no_progress_window]),
    Scenario(name="-csp -selectDlg: Return in the compact view takes KC1 and the English default",
             distribution=DIALOG_PACKAGES,
             prepare=WATCHED + [keys_after_toggles(SELECTION_DIALOG, ["Return"], toggles=2)],
             stand_ins=WATCHING, args=["-csp", "-selectDlg"],
             boxes=[question(102), dialog(press=OPTIONS, clicks=[OPTIONS]), result(109)],
             commands=[install_command("csp\\csp-x64-kc1-eng.msi"), PLUGIN_COMMAND],
             products=INSTALLED, packages={PROVIDER: "csp-x64-kc1-eng.msi"},
             checks=[keys_pressed, progress_window(PROGRESS_WITH_PROVIDER, installers=2)]),
    Scenario(name="-csp -selectDlg on a Russian system: Return takes KC1 and Russian",
             distribution=DIALOG_PACKAGES, locale=RUSSIAN,
             prepare=WATCHED + [keys_after_toggles(SELECTION_DIALOG, ["Return"], toggles=2)],
             stand_ins=WATCHING, args=["-csp", "-selectDlg"],
             boxes=[question(102), dialog(press=OPTIONS, clicks=[OPTIONS]), result(109)],
             commands=[install_command("csp\\csp-x64-kc1-rus.msi"), PLUGIN_COMMAND],
             products=INSTALLED, packages={PROVIDER: "csp-x64-kc1-rus.msi"}, checks=[keys_pressed]),
    Scenario(name="-csp -selectDlg on a Russian system: English and KC3 chosen under Options, "
                  "Next in the compact view",
             distribution=DIALOG_PACKAGES, locale=RUSSIAN, args=["-csp", "-selectDlg"],
             boxes=[question(102), dialog(press=NEXT, clicks=[OPTIONS, ENGLISH, KC3, OPTIONS]),
                    result(109)],
             commands=[install_command("csp\\csp-x64-kc3-eng.msi"), PLUGIN_COMMAND],
             products=INSTALLED, packages={PROVIDER: "csp-x64-kc3-eng.msi"}, **WATCH),
    Scenario(name="no visible desktop, -csp -selectDlg: no dialog, no progress window, installed "
                  "as with -silent",
             # Without the dialog no level piece: the first English x64 package, not KC1.
             desktop=False, distribution=DIALOG_PACKAGES, prepare=WATCHED,
             args=["-csp", "-selectDlg"],
             commands=[install_command("csp\\csp-x64-base-eng.msi"), PLUGIN_COMMAND],
             products=INSTALLED, packages={PROVIDER: "csp-x64-base-eng.msi"},
             checks=[no_progress_window]),
    Scenario(name="-csp -KC 2 -selectDlg: the dialog's level follows the option's, not replaces it",
             # "csp*x64**2*kc1*eng* ": only the v2 package has a 2 before its kc1; the kc2 one
             # is what the option alone picks, the plain kc1 one what the dialog alone picks.
             distribution=DIALOG_PACKAGES + ["csp/csp-x64-v2-kc1-eng.msi"],
             args=["-csp", "-KC", "2", "-selectDlg"],
             boxes=[question(102), dialog(press=NEXT), result(109)],
             commands=[install_command("csp\\csp-x64-v2-kc1-eng.msi"), PLUGIN_COMMAND],
             products=INSTALLED, packages={PROVIDER: "csp-x64-v2-kc1-eng.msi"}, **WATCH),
]

SCENARIOS = PROGRESS + DIALOG
