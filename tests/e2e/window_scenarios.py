"""Scenarios about the program's windows: the progress window and the selection dialog.

The progress window is checked where it matters: while an installer runs (a stand-in
msiexec.exe waits until it is on screen and writes down what it sees), as it was created
(Wine's window trace), and gone before the next message box. The dialog is answered with
real keys where a user would press them.
"""

from harness import Box, Scenario
from scenarios import (CAPTION, CARD_PROVIDER, PLUGIN, PROVIDER, SELECTION_DIALOG,
                       install_command)
from window_checks import (keys_after_toggles, keys_pressed, no_progress_window,
                           progress_window, slow_msiexec, window_trace)

PROGRESS_PLUGIN = "Установка Орвента ЭЦП Browser plug-in..."
PROGRESS_WITH_PROVIDER = "Установка Орвента ЭЦП Browser plug-in и CSP..."
CONFIRM_PLUGIN = "Установить Орвента ЭЦП Browser plug-in?"
CONFIRM_WITH_PROVIDER = "Установить Орвента ЭЦП Browser plug-in и CSP?"
DONE_PLUGIN = ("Орвента ЭЦП Browser plug-in успешно установлен.\n"
               "Для корректной работы Орвента ЭЦП Browser plug-in необходимо "
               "перезапустить браузер.")
DONE_WITH_PROVIDER = ("Орвента ЭЦП Browser plug-in и CSP успешно установлены.\n"
                      "Для корректной работы Орвента ЭЦП Browser plug-in и CSP необходимо "
                      "перезапустить браузер.")
PLUGIN_FAILED = ("В процессе установки или обновления Орвента ЭЦП Browser plug-in возникла "
                 "ошибка: 1603.")

NEXT, CANCEL, OPTIONS, ENGLISH, KC3 = "140", "2", "1015", "1007", "1010"
RUSSIAN = "ru_RU.UTF-8"  # LC_ALL: Wine then reports the system UI language 0x419

PLUGIN_PACKAGE = "plugin/velumcom-2.1.0-x64.msi"
PLUGIN_COMMAND = install_command("plugin\\velumcom-2.1.0-x64.msi")

# Each wrong piece of the provider mask picks a package of its own: the win32 one sorts
# first; one without a level sorts before the levelled ones of its language; each level
# has both languages.
DIALOG_PACKAGES = [
    "csp/csp-win32-kc1-eng.msi",
    "csp/csp-x64-base-eng.msi",
    "csp/csp-x64-base-rus.msi",
    "csp/csp-x64-kc1-eng.msi",
    "csp/csp-x64-kc1-rus.msi",
    "csp/csp-x64-kc2-eng.msi",
    "csp/csp-x64-kc3-eng.msi",
    "csp/csp-x64-kc3-rus.msi",
    PLUGIN_PACKAGE,
]

WATCHED = [window_trace, slow_msiexec]


COMPACT_BUTTONS = [140, 2, 1011, 1015]  # the slogan's group box is a button too
EXPANDED_BUTTONS = [140, 2, 1006, 1007, 1008, 1009, 1010, 1012, 1013, 1015]


def dialog(press, clicks=()):
    """The selection dialog, read after the clicks: its visible buttons show the view."""
    expanded = list(clicks).count(OPTIONS) % 2 == 1
    return Box(SELECTION_DIALOG, press=press, clicks=list(clicks), message_box=False,
               buttons=EXPANDED_BUTTONS if expanded else COMPACT_BUTTONS)


def done_with_provider():
    return Box(CAPTION, DONE_WITH_PROVIDER, press="OK", buttons=[1])


def confirm_with_provider(press="Yes"):
    return Box(CAPTION, CONFIRM_WITH_PROVIDER, press=press, buttons=[6, 7])


PROGRESS = [
    Scenario(
        name="progress window: on screen while a slow msiexec runs silently, gone after",
        distribution=[PLUGIN_PACKAGE],
        prepare=WATCHED,
        args=["-silent"],
        exit_code=0,
        commands=[PLUGIN_COMMAND],
        products={PLUGIN: "2.1.0"},
        checks=[progress_window(PROGRESS_PLUGIN, installers=1)],
    ),
    Scenario(
        name="progress window: -csp -silent titles it for the provider, one window for both "
             "installers",
        distribution=["csp/csp-x64-kc1-eng.msi", PLUGIN_PACKAGE],
        prepare=WATCHED,
        args=["-csp", "-silent"],
        exit_code=0,
        commands=[install_command("csp\\csp-x64-kc1-eng.msi"), PLUGIN_COMMAND],
        products={PROVIDER: "4.0.9842", PLUGIN: "2.1.0"},
        checks=[progress_window(PROGRESS_WITH_PROVIDER, installers=2)],
    ),
    Scenario(
        name="progress window: -ucsp -silent keeps the plug-in title",
        distribution=["ucsp/ucsp-x64-eng.msi", PLUGIN_PACKAGE],
        prepare=WATCHED,
        args=["-ucsp", "-silent"],
        exit_code=0,
        products={CARD_PROVIDER: "2.0.1200", PLUGIN: "2.1.0"},
        checks=[progress_window(PROGRESS_PLUGIN, installers=2)],
    ),
    Scenario(
        name="progress window: gone when the final message is up",
        distribution=[PLUGIN_PACKAGE],
        prepare=WATCHED,
        args=[],
        boxes=[Box(CAPTION, CONFIRM_PLUGIN, press="Yes", buttons=[6, 7]),
               Box(CAPTION, DONE_PLUGIN, press="OK", buttons=[1])],
        exit_code=0,
        commands=[PLUGIN_COMMAND],
        products={PLUGIN: "2.1.0"},
        checks=[progress_window(PROGRESS_PLUGIN, installers=1)],
    ),
    Scenario(
        name="progress window: gone when the failure message is up",
        distribution=[PLUGIN_PACKAGE + ":fail"],
        prepare=WATCHED,
        args=[],
        boxes=[Box(CAPTION, CONFIRM_PLUGIN, press="Yes", buttons=[6, 7]),
               Box(CAPTION, PLUGIN_FAILED, press="OK", buttons=[1])],
        exit_code=1603,
        commands=[PLUGIN_COMMAND],
        checks=[progress_window(PROGRESS_PLUGIN, installers=1)],
    ),
    Scenario(
        name="progress window: never made when the confirmation is answered No",
        distribution=[PLUGIN_PACKAGE],
        prepare=WATCHED,
        args=[],
        boxes=[Box(CAPTION, CONFIRM_PLUGIN, press="No", buttons=[6, 7])],
        exit_code=0,
        commands=[],
        checks=[no_progress_window],
    ),
]

# The harness answers the dialog by pressing Options (it then waits for the dialog to
# close); the key does the rest once that switch shows in the trace.
DIALOG = [
    Scenario(
        name="-csp -selectDlg: Escape in the dialog ends with 0, no installer, no progress "
             "window",
        distribution=DIALOG_PACKAGES,
        prepare=WATCHED + [keys_after_toggles(SELECTION_DIALOG, ["Escape"], toggles=1)],
        args=["-csp", "-selectDlg"],
        boxes=[confirm_with_provider(), dialog(press=OPTIONS)],
        exit_code=0,
        commands=[],
        checks=[keys_pressed, no_progress_window],
    ),
    Scenario(
        name="-csp -selectDlg: Return in the compact view takes KC1 and the English default",
        distribution=DIALOG_PACKAGES,
        prepare=WATCHED + [keys_after_toggles(SELECTION_DIALOG, ["Return"], toggles=2)],
        args=["-csp", "-selectDlg"],
        boxes=[confirm_with_provider(), dialog(press=OPTIONS, clicks=[OPTIONS]),
               done_with_provider()],
        exit_code=0,
        commands=[install_command("csp\\csp-x64-kc1-eng.msi"), PLUGIN_COMMAND],
        products={PROVIDER: "4.0.9842", PLUGIN: "2.1.0"},
        packages={PROVIDER: "csp-x64-kc1-eng.msi"},
        checks=[keys_pressed, progress_window(PROGRESS_WITH_PROVIDER, installers=2)],
    ),
    Scenario(
        name="-csp -selectDlg on a Russian system: Return takes KC1 and Russian",
        distribution=DIALOG_PACKAGES,
        locale=RUSSIAN,
        prepare=WATCHED + [keys_after_toggles(SELECTION_DIALOG, ["Return"], toggles=2)],
        args=["-csp", "-selectDlg"],
        boxes=[confirm_with_provider(), dialog(press=OPTIONS, clicks=[OPTIONS]),
               done_with_provider()],
        exit_code=0,
        commands=[install_command("csp\\csp-x64-kc1-rus.msi"), PLUGIN_COMMAND],
        products={PROVIDER: "4.0.9842", PLUGIN: "2.1.0"},
        packages={PROVIDER: "csp-x64-kc1-rus.msi"},
        checks=[keys_pressed],
    ),
    Scenario(
        name="-csp -selectDlg on a Russian system: English and KC3 chosen under Options, "
             "Next in the compact view",
        distribution=DIALOG_PACKAGES,
        locale=RUSSIAN,
        prepare=WATCHED,
        args=["-csp", "-selectDlg"],
        boxes=[confirm_with_provider(),
               dialog(press=NEXT, clicks=[OPTIONS, ENGLISH, KC3, OPTIONS]),
               done_with_provider()],
        exit_code=0,
        commands=[install_command("csp\\csp-x64-kc3-eng.msi"), PLUGIN_COMMAND],
        products={PROVIDER: "4.0.9842", PLUGIN: "2.1.0"},
        packages={PROVIDER: "csp-x64-kc3-eng.msi"},
    ),
    Scenario(
        name="-csp -KC 2 -selectDlg: the dialog's level follows the option's, not replaces it",
        # "csp*x64**2*kc1*eng* ": only the v2 package has a 2 before its kc1; the kc2 one
        # is what the option alone picks, the plain kc1 one what the dialog alone picks.
        distribution=DIALOG_PACKAGES + ["csp/csp-x64-v2-kc1-eng.msi"],
        prepare=WATCHED,
        args=["-csp", "-KC", "2", "-selectDlg"],
        boxes=[confirm_with_provider(), dialog(press=NEXT), done_with_provider()],
        exit_code=0,
        commands=[install_command("csp\\csp-x64-v2-kc1-eng.msi"), PLUGIN_COMMAND],
        products={PROVIDER: "4.0.9842", PLUGIN: "2.1.0"},
        packages={PROVIDER: "csp-x64-v2-kc1-eng.msi"},
    ),
]

SCENARIOS = PROGRESS + DIALOG
