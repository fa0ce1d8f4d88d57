"""Unusual start folders and damaged inputs: Cyrillic letters and blanks, a deep folder
whose command lines Wine's trace cuts, a log in a Cyrillic folder, and files that are not
what their names say."""

import codecs
import re

from common import (CARD_PACKAGES, CARD_PROVIDER, PLUGIN, PLUGIN_X64, PROVIDER, REGEDIT_X64,
                    REGINI_X64, error, failure, install_command, installed, question,
                    wine_version)
from card_scenarios import CARD_FILES_X64, imported
from harness import COPIES, Scenario, as_expected, compare, kit

PLUGIN_PACKAGE = "plugin/velumcom-2.1.0-x64.msi"
PLUGIN_FAILED, PROVIDER_FAILED, PACKAGE_NOT_OPENED = 106, 105, 133
# What Wine's msiexec and MsiOpenPackageExW answer for a file that is not a package
# (ERROR_FUNCTION_FAILED; Windows says 1620, ERROR_INSTALL_PACKAGE_INVALID).
NOT_A_PACKAGE = 1627

CYRILLIC_FOLDER = "Дистрибутив для установки"
DEEP_LENGTH = 220  # of the start folder as Windows shows it: Z:\tmp\...


def deep_folder(parent):
    """A folder under parent whose full Windows path is DEEP_LENGTH characters long, in
    levels of 50: every command line with a package path in it passes Wine's trace limit,
    while the folder, the program and the packages stay below 260 characters."""
    left = DEEP_LENGTH - len(parent)
    count = (left - 2) // 50
    last = left - 50 * count - 1
    return "/".join([f"level-{number:02d}-".ljust(49, "x") for number in range(count)]
                    + ["d" * last])


LONG_ARGUMENT = "SAMPLELONGPROPERTY=" + "v" * 40
# Their full paths are 259 and 260 characters long: the first fits the classic
# 260-character buffer with its terminating NUL, the second does not.
FITTING_CERTIFICATE = "c" * (259 - DEEP_LENGTH - 1 - 4) + ".cer"
TOO_LONG_CERTIFICATE = "d" * (260 - DEEP_LENGTH - 1 - 4) + ".cer"

# What GetSystemDirectoryW gives a 32-bit program on 64-bit Windows too; the file system
# redirects it to syswow64.
SYSTEM_FOLDER = "C:\\windows\\system32"
LOG_FOLDER = "C:\\журналы установки"
LOG_FILE = LOG_FOLDER + "\\setup.log"
STAMPED = re.compile(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  (.*)", re.S)
# A licence key through -CSPArgs: msiexec gets it, the log only its length.
KEY, MASKED_KEY = "PIDKEY=ABCDE-12345", "PIDKEY=<11 characters>"
# The last thing on each msiexec command line: its own log, beside the run's, numbered.
INSTALLER_LOG = re.compile(r' /l\*v\+ "' + re.escape(LOG_FILE)
                           + r'(\.\d{8}-\d{6}-(\d+)\.msiexec\.log)"$')


def log_folder(run):
    run.prefix.unix_path(LOG_FOLDER).mkdir(parents=True)


def run_log(commands):
    """A check: setup.exe started `commands` (DIST for the folder), each msiexec one with
    a log of its own appended, numbered; its own log is UTF-8 with the mark, one
    time-stamped CRLF line each, and has every command line with the tool's full path,
    then the tool's code, and the run's exit code last; no licence key, only its length."""
    def check(run):
        data = run.prefix.unix_path(LOG_FILE).read_bytes()
        mismatches = compare("the log's first bytes", codecs.BOM_UTF8, data[:3])
        lines = data[3:].decode("utf-8").split("\r\n")
        mismatches += compare("the log's last line ends with CRLF", "", lines.pop())
        mismatches += compare("the key's value in the log", False, b"ABCDE-12345" in data)
        stamped = [STAMPED.fullmatch(line) for line in lines]
        mismatches += compare("lines without a time stamp or with a lone line break", [],
                              [line for line, text in zip(lines, stamped)
                               if not text or "\n" in line])
        texts = [text.group(1) for text in stamped if text]

        started = [str(c) for c in run.events.commands]
        installer_logs = [found for found in map(INSTALLER_LOG.search, started) if found]
        mismatches += compare("command lines started, without their log arguments",
                              [run.expand(c) for c in commands],
                              [as_expected(INSTALLER_LOG.sub("", c)) for c in started])
        installers = sum(c.startswith("msiexec") for c in commands)
        mismatches += compare("installer logs appended, by number",
                              [str(n) for n in range(1, installers + 1)],
                              [found.group(2) for found in installer_logs])
        mismatches += compare("files in the log folder",
                              ["setup.log"] + ["setup.log" + f.group(1) for f in installer_logs],
                              sorted(f.name for f in run.prefix.unix_path(LOG_FOLDER).iterdir()))

        runs = [i for i, text in enumerate(texts) if text.startswith("run ")]
        mismatches += compare(
            "tools run as the log tells, each with the line after it",
            [f"run {SYSTEM_FOLDER}\\{kit.program_name(c)}.exe: {c.replace(KEY, MASKED_KEY)}"
             " | exit code 0"
             for c in started],
            [texts[i] + " | " + re.sub(r" after \d+ ms$", "", "".join(texts[i + 1:i + 2]))
             for i in runs])
        mismatches += compare("the log's last line", "exit code 0: success",
                              texts[-1] if texts else None)
        return mismatches
    return check


def log_line(expected):
    """A check: the log's first line (after its time stamp) beginning with the word that
    `expected` begins with is `expected`."""
    def check(run):
        lines = run.prefix.unix_path(LOG_FILE).read_bytes().decode("utf-8-sig").split("\r\n")
        word = expected.split(" ")[0] + " "
        return compare(f"the log's line beginning {word!r}", run.expand(expected),
                       next((as_expected(text.group(1)) for text in map(STAMPED.fullmatch, lines)
                             if text and text.group(1).startswith(word)), None))
    return check


PATHS = [
    Scenario(
        name="Cyrillic start folder with blanks: -ucsp -silent, whole command lines recorded",
        folder=CYRILLIC_FOLDER,
        distribution=(CARD_PACKAGES + ["Плагин браузера/velumcom-2.1.0-x64.msi", "a.cer:cert=A"]
                      + CARD_FILES_X64),
        stand_ins={"msiexec": "run"}, args=["-ucsp", "-silent"],
        commands=[install_command("ucsp\\ucsp-x64-eng.msi"), REGEDIT_X64, REGINI_X64,
                  install_command("Плагин браузера\\velumcom-2.1.0-x64.msi")],
        products={CARD_PROVIDER: "2.0.1200", PLUGIN: "2.1.0"},
        packages={PLUGIN: "velumcom-2.1.0-x64.msi"}, certificates=["A"],
        checks=[imported("UEC_x64_2.reg")]),
    Scenario(name="-csp -CSPArgs -ucsp -silent -log into a Cyrillic folder: a UTF-8 log of every "
                  "tool run, no licence key in it, a log of each msiexec beside it",
             prepare=[log_folder],
             distribution=(["csp/csp-x64-kc2-eng.msi"] + CARD_PACKAGES
                           + [PLUGIN_PACKAGE, "a.cer:cert=A"] + CARD_FILES_X64),
             # The trace cuts the Cyrillic log paths: the stand-in keeps the whole lines.
             stand_ins={"msiexec": "run"},
             args=["-csp", "-CSPArgs", KEY, "-ucsp", "-silent", "-log", LOG_FILE],
             products={PROVIDER: "4.0.9842", CARD_PROVIDER: "2.0.1200", PLUGIN: "2.1.0"},
             certificates=["A"],
             checks=[run_log([install_command("csp\\csp-x64-kc2-eng.msi", KEY + " "),
                              install_command("ucsp\\ucsp-x64-eng.msi"), REGEDIT_X64, REGINI_X64,
                              PLUGIN_X64])]),
    Scenario(name="-silent from the root of drive D:, the package path joined with one backslash",
             drive="D", prepare=[log_folder], distribution=[PLUGIN_PACKAGE],
             args=["-silent", "-log", LOG_FILE], products={PLUGIN: "2.1.0"},
             checks=[log_line(f"copy {COPIES}\\velumcom-2.1.0-x64.msi made of "
                              "D:\\plugin\\velumcom-2.1.0-x64.msi"), run_log([PLUGIN_X64])]),
    Scenario(name="-silent -log on Windows 10: the log names 10.0, not the 6.2 GetVersionExW gives "
                  "a program whose manifest names no Windows 10",
             prepare=[wine_version("win10"), log_folder], distribution=[PLUGIN_PACKAGE],
             args=["-silent", "-log", LOG_FILE], products={PLUGIN: "2.1.0"},
             # Wine 8.0's Windows 10 (RtlGetVersion); GetVersionExW says 6.2.9200 here.
             checks=[log_line("Windows 10.0.18362, service pack 0")]),
    Scenario(name="deep start folder: -ucsp -VelumArgs -silent, command lines past the trace's "
                  "limit, a certificate path of 259 imported",
             folder=deep_folder,
             distribution=(CARD_PACKAGES + [PLUGIN_PACKAGE, f"{FITTING_CERTIFICATE}:cert=F"]
                           + CARD_FILES_X64),
             stand_ins={"msiexec": "run"}, args=["-ucsp", "-VelumArgs", LONG_ARGUMENT, "-silent"],
             commands=[install_command("ucsp\\ucsp-x64-eng.msi"), REGEDIT_X64, REGINI_X64,
                       install_command("plugin\\velumcom-2.1.0-x64.msi", LONG_ARGUMENT + " ")],
             products={CARD_PROVIDER: "2.0.1200", PLUGIN: "2.1.0"}, certificates=["F"],
             checks=[imported("UEC_x64_2.reg")]),
    Scenario(name="deep start folder, -ucsp, a certificate path of 260: 206 before anything changes",
             folder=deep_folder,
             distribution=CARD_PACKAGES + [PLUGIN_PACKAGE, f"{TOO_LONG_CERTIFICATE}:cert=G"],
             args=["-ucsp", "-silent"], exit_code=206, commands=[]),
]

GARBAGE_OVER_INSTALLED = dict(
    prepare=[installed("old/velumcom-2.0.5-x64.msi")],
    distribution=["plugin/velumcom-2.1.0-x64.msi:text=garbage"], exit_code=NOT_A_PACKAGE,
    commands=[], products={PLUGIN: "2.0.5"})

DAMAGED = [
    Scenario(
        name="an empty file where the plug-in's package is expected: msiexec's code, message 106",
        distribution=["plugin/velumcom-2.1.0-x64.msi:text="], args=[],
        boxes=[question(103), failure(PLUGIN_FAILED, NOT_A_PACKAGE)], exit_code=NOT_A_PACKAGE,
        commands=[PLUGIN_X64]),
    Scenario(name="a text file matching the plug-in's mask (no .msi in it) is handed to msiexec",
             distribution=["notes/velumcom-x64-readme.txt:text"], args=["-silent"],
             exit_code=NOT_A_PACKAGE, commands=[install_command("notes\\velumcom-x64-readme.txt")]),
    Scenario(
        name="-csp, garbage where the provider's package is expected: its code, message 105, "
             "no plug-in",
        distribution=["csp/csp-x64-kc2-eng.msi:text=garbage", PLUGIN_PACKAGE], args=["-csp"],
        boxes=[question(102), failure(PROVIDER_FAILED, NOT_A_PACKAGE)], exit_code=NOT_A_PACKAGE,
        commands=[install_command("csp\\csp-x64-kc2-eng.msi")]),
    Scenario(name="plug-in installed, garbage package on disk: message 133, then 106 with the code",
             args=[], boxes=[question(103), error(PACKAGE_NOT_OPENED),
                             failure(PLUGIN_FAILED, NOT_A_PACKAGE)], **GARBAGE_OVER_INSTALLED),
    Scenario(name="-silent, plug-in installed, garbage package on disk: no box, the code",
             args=["-silent"], **GARBAGE_OVER_INSTALLED),
    Scenario(name="-csp -silent, provider installed, no provider package: no box, 232",
             prepare=[installed("old/csp-x64-kc2-eng.msi")], distribution=[PLUGIN_PACKAGE],
             args=["-csp", "-silent"], exit_code=232, commands=[], products={PROVIDER: "4.0.9842"}),
]

SCENARIOS = PATHS + DAMAGED
