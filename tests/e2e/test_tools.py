"""Checks of the harness's own readers and of the package builder, without Wine."""

import os
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))

import sample_distribution  # noqa: E402
import winekit  # noqa: E402


class DecodeWineString(unittest.TestCase):
    def test_escapes(self):
        cases = [
            ("plain text", "plain text"),
            (r"C:\\dist\\p.msi", "C:\\dist\\p.msi"),
            (r"msiexec /i \"a b\"  REBOOT=R", 'msiexec /i "a b"  REBOOT=R'),
            (r"line\nnext\ttab\r", "line\nnext\ttab\r"),
            (r"\0421\043f\0440\0430\0432\043a\0430", "Справка"),
            # An escaped backslash before digits is a backslash, not a code unit.
            (r"\\0421", "\\0421"),
            # Four hex digits exactly: the fifth character is text again.
            (r"\04210", "С0"),
            (r"\0001", "\x01"),
        ]
        for escaped, text in cases:
            with self.subTest(escaped=escaped):
                self.assertEqual(winekit.decode_wine_string(escaped), text)


TRACE = r"""0020:0024:trace:process:CreateProcessInternalW app (null) cmdline L"Z:\\d\\setup.exe -silent"
0020:0024:trace:process:CreateProcessInternalW started process pid 00fc tid 0100
00fc:0100:trace:process:CreateProcessInternalW app (null) cmdline L"C:\\windows\\system32\\winemenubuilder.exe -a -r"
00fc:0100:trace:process:CreateProcessInternalW app (null) cmdline L"msiexec /qn /i \"Z:\\d\\plugin\\v-x64.msi\"  REBOOT=R"
00fc:0100:trace:process:CreateProcessInternalW started process pid 0110 tid 0114
0110:0114:trace:process:CreateProcessInternalW app (null) cmdline L"msiexec -Embedding"
00fc:0100:trace:process:CreateProcessInternalW app L"C:\\tools\\regedit.exe" cmdline (null)
00fc:0100:trace:process:CreateProcessInternalW app (null) cmdline L"regini \0444\0430\0439\043b"...
00fc:0100:trace:msgbox:MSGBOX_OnInit L"\0421\043f\0440\0430\0432\043a\0430\n"
00fc:0100:fixme:msgbox:MSGBOX_OnInit L"not a trace line"
0110:0114:trace:msgbox:MSGBOX_OnInit L"another process"
"""


class ReadTrace(unittest.TestCase):
    def setUp(self):
        self.events = winekit.read_trace(TRACE, "00fc")

    def test_commands_of_that_process_only_without_wines_own(self):
        self.assertEqual([str(c) for c in self.events.commands], [
            'msiexec /qn /i "Z:\\d\\plugin\\v-x64.msi"  REBOOT=R',
            "C:\\tools\\regedit.exe",
            "regini файл...",
        ])

    def test_cut_strings_are_marked(self):
        self.assertEqual([c.truncated for c in self.events.commands], [False, False, True])

    def test_message_boxes_of_that_process(self):
        self.assertEqual([str(b) for b in self.events.message_boxes], ["Справка\n"])

    def test_unknown_pid_sees_nothing(self):
        events = winekit.read_trace(TRACE, "0abc")
        self.assertEqual((events.commands, events.message_boxes), ([], []))


class ProgramName(unittest.TestCase):
    def test_first_token(self):
        cases = [
            ("msiexec /qn /i x", "msiexec"),
            ('"C:\\Program Files\\Wine\\explorer.exe" /desktop', "explorer.exe"),
            ("C:\\windows\\system32\\services.exe", "services.exe"),
            ("  Regedit.EXE /s a.reg", "regedit.exe"),
        ]
        for command, name in cases:
            with self.subTest(command=command):
                self.assertEqual(winekit.program_name(command), name)


class LaunchOutput(unittest.TestCase):
    def test_full_and_partial(self):
        done = winekit.parse_launch_output("cwd=Z:\\tmp\\d\npid=00fc\nexit=3010\n")
        self.assertEqual((done.cwd, done.pid, done.exit_code), ("Z:\\tmp\\d", "00fc", 3010))
        # Killed while running: a pid, no exit code.
        running = winekit.parse_launch_output("cwd=Z:\\tmp\\d\npid=00fc\n")
        self.assertEqual((running.pid, running.exit_code), ("00fc", None))
        failed = winekit.parse_launch_output("cwd=Z:\\\nerror=CreateProcessW 2\n")
        self.assertEqual((failed.pid, failed.error), (None, "CreateProcessW 2"))

    def test_full_32_bit_codes(self):
        self.assertEqual(winekit.parse_launch_output("exit=4294967295").exit_code, 4294967295)


class EntryDefaults(unittest.TestCase):
    def test_from_the_file_name(self):
        cases = [
            # spec, product, version, language, flags
            ("plugin/velumcom-2.2.0-x64.msi", "plugin", "2.2.0", "1049", ""),
            ("plugin/velumcom-x64.msi", "plugin", "2.1.0", "1049", ""),
            ("csp/csp-x64-kc2-eng.msi", "csp", "4.0.9842", "1033", "kc2"),
            ("csp/CSP-win32-KC3-rus.msi", "csp", "4.0.9842", "1049", "kc3"),
            ("ucsp/ucsp-x64-eng.msi", "ucsp", "2.0.1200", "1033", ""),
            ("a/csp-3.6.5365-x64-kc1-eng.msi", "csp", "3.6.5365", "1033", "kc1"),
        ]
        for spec, product, version, lang, flags in cases:
            with self.subTest(spec=spec):
                entry = sample_distribution.parse_entry(spec)
                self.assertEqual((entry.product, entry.version, entry.lang, entry.flags),
                                 (product, version, lang, flags))

    def test_options_win_over_the_name(self):
        entry = sample_distribution.parse_entry(
            "csp/csp-x64-kc2-eng.msi:product=csp-alt,version=3.6.5000,lang=1049,"
            "flags=ovrmcsp,reboot,fail,npvelum=absent,x64")
        self.assertEqual(
            (entry.product, entry.version, entry.lang, entry.flags, entry.reboot, entry.fail,
             entry.npvelum_absent, entry.x64),
            ("csp-alt", "3.6.5000", "1049", "ovrmcsp", True, True, True, True))
        self.assertEqual(sample_distribution.product_code(entry),
                         "{A93E1F07-26D4-4B8C-9F5A-71E0B3C8D264}")

    def test_plain_files(self):
        entry = sample_distribution.parse_entry("UEC_x64_2.reg:text=REGEDIT4")
        self.assertEqual((entry.is_package, entry.text), (False, "REGEDIT4"))
        self.assertFalse(sample_distribution.parse_entry("notes/velumcom-x64.txt:text")
                         .is_package)

    def test_mistakes_are_refused(self):
        for spec in ("plugin/velumcom-x64.msi:rebot", "plugin/velumcom-x64.msi:version",
                     "plugin/setup-x64.msi"):
            with self.subTest(spec=spec):
                with self.assertRaises(ValueError):
                    sample_distribution.parse_entry(spec)


class PackageCache(unittest.TestCase):
    """The cache keys on content: every option must change the package it serves."""

    def setUp(self):
        self.cache = tempfile.TemporaryDirectory()
        self.addCleanup(self.cache.cleanup)
        os.environ["SAMPLE_MSI_CACHE"] = self.cache.name
        self.addCleanup(os.environ.pop, "SAMPLE_MSI_CACHE")

    def build(self, spec):
        target = Path(self.cache.name) / "out" / Path(spec.split(":")[0]).name
        sample_distribution.build_package(sample_distribution.parse_entry(spec), target)
        return target.read_bytes()

    def test_each_option_gives_another_package(self):
        base = "p/velumcom-2.1.0-x64.msi"
        variants = [base + ":" + option for option in (
            "version=2.1.1", "lang=1033", "flags=kc1", "reboot", "fail", "npvelum=absent",
            "x64", "product=csp")]
        built = {spec: self.build(spec) for spec in [base] + variants}
        self.assertEqual(len(set(built.values())), len(built))

    def test_same_description_same_package(self):
        self.assertEqual(self.build("a/velumcom-2.1.0-x64.msi"),
                         self.build("b/velumcom-2.1.0-x64.msi"))
        self.assertEqual(len(list(Path(self.cache.name).glob("*.msi"))), 1)


if __name__ == "__main__":
    unittest.main()
