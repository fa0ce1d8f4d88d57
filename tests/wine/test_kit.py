"""Checks of the kit's trace readers and of the package builder, without Wine."""

import base64
import hashlib
import os
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

from wine import distribution, kit  # noqa: E402


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
                self.assertEqual(kit.decode_wine_string(escaped), text)


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
        self.events = kit.read_trace(TRACE, "00fc")

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
        events = kit.read_trace(TRACE, "0abc")
        self.assertEqual((events.commands, events.message_boxes), ([], []))


CUT_TRACE = (
    r'00fc:0100:trace:process:CreateProcessInternalW app (null) cmdline '
    r'L"msiexec /qn /i \"Z:\\\0414\0438\0441\0442"...' "\n"
    r'00fc:0100:trace:process:CreateProcessInternalW app (null) cmdline '
    r'L"msiexec /qn /i \"Z:\\\0414\04"...' "\n"
    r'00fc:0100:trace:process:CreateProcessInternalW app (null) cmdline L"regini a.acl"' "\n"
    r'00fc:0100:trace:process:CreateProcessInternalW app L"C:\\windows\\system32\\'
    r'wineboot.exe" cmdline L"C:\\windows\\system32\\wineboot.exe --kill"' "\n"
    r'00fc:0100:trace:file:CreateFileW L"Z:\\d\\a.cer" GENERIC_READ FILE_SHARE_READ' "\n"
    r'00fc:0100:trace:file:CreateFileW L"Z:\\d\\a.cer" GENERIC_READ FILE_SHARE_READ' "\n"
    r'00fc:0100:trace:file:CreateFileW L"Z:\\d\\b.p7b" GENERIC_READ FILE_SHARE_READ' "\n"
    r'00fc:0100:trace:file:CreateFileW L"Z:\\d\\a.cer" GENERIC_READ FILE_SHARE_READ' "\n"
)


class CutCommandsAndOtherEvents(unittest.TestCase):
    def setUp(self):
        self.events = kit.read_trace(CUT_TRACE, "00fc")

    def test_a_cut_through_an_escape_ends_before_it(self):
        self.assertEqual([c.text for c in self.events.commands],
                         ['msiexec /qn /i "Z:\\Дист', 'msiexec /qn /i "Z:\\Д', "regini a.acl"])

    def test_cut_lines_completed_from_the_stand_ins_log_in_order(self):
        recorded = ['msiexec /qn /i "Z:\\Дистрибутив\\a.msi"  REBOOT=R',
                    'msiexec /qn /i "Z:\\Дистрибутив\\b.msi"  REBOOT=R']
        complete = kit.complete_commands(self.events.commands, recorded)
        self.assertEqual([str(c) for c in complete], recorded + ["regini a.acl"])

    def test_a_cut_line_nobody_logged_stays_cut(self):
        complete = kit.complete_commands(self.events.commands,
                                             ['msiexec /qn /i "Z:\\Другое"'])
        self.assertEqual([str(c) for c in complete],
                         ['msiexec /qn /i "Z:\\Дист...', 'msiexec /qn /i "Z:\\Другое"',
                          "regini a.acl"])

    def test_whole_lines_use_up_their_log_entries(self):
        traced = [kit.TracedString("msiexec /x A"), kit.TracedString("msiexec /x", True)]
        complete = kit.complete_commands(traced, ["msiexec /x A", "msiexec /x B"])
        self.assertEqual([str(c) for c in complete], ["msiexec /x A", "msiexec /x B"])

    def test_a_restart_shows_as_wineboot_with_its_flags(self):
        self.assertTrue(self.events.restart_requested)
        self.assertEqual([c.text for c in self.events.restarts],
                         ["C:\\windows\\system32\\wineboot.exe --kill"])
        self.assertFalse(kit.read_trace(TRACE, "00fc").restart_requested)

    def test_files_opened_one_after_another_count_once(self):
        self.assertEqual(self.events.opened_files,
                         ["Z:\\d\\a.cer", "Z:\\d\\b.p7b", "Z:\\d\\a.cer"])


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
                self.assertEqual(kit.program_name(command), name)


class LaunchOutput(unittest.TestCase):
    def test_full_and_partial(self):
        done = kit.parse_launch_output("cwd=Z:\\tmp\\d\npid=00fc\nexit=3010\n")
        self.assertEqual((done.cwd, done.pid, done.exit_code), ("Z:\\tmp\\d", "00fc", 3010))
        # Killed while running: a pid, no exit code.
        running = kit.parse_launch_output("cwd=Z:\\tmp\\d\npid=00fc\n")
        self.assertEqual((running.pid, running.exit_code), ("00fc", None))
        failed = kit.parse_launch_output("cwd=Z:\\\nerror=CreateProcessW 2\n")
        self.assertEqual((failed.pid, failed.error), (None, "CreateProcessW 2"))

    def test_full_32_bit_codes(self):
        self.assertEqual(kit.parse_launch_output("exit=4294967295").exit_code, 4294967295)


class EntryDefaults(unittest.TestCase):
    def test_from_the_file_name(self):
        cases = [
            # description, product, version, language, flags
            ("plugin/velumcom-2.2.0-x64.msi", "plugin", "2.2.0", "1049", ""),
            ("plugin/velumcom-x64.msi", "plugin", "2.1.0", "1049", ""),
            ("csp/csp-x64-kc2-eng.msi", "csp", "4.0.9842", "1033", "kc2"),
            ("csp/CSP-win32-KC3-rus.msi", "csp", "4.0.9842", "1049", "kc3"),
            ("ucsp/ucsp-x64-eng.msi", "ucsp", "2.0.1200", "1033", ""),
            ("a/csp-3.6.5365-x64-kc1-eng.msi", "csp", "3.6.5365", "1033", "kc1"),
        ]
        for description, product, version, lang, flags in cases:
            with self.subTest(description=description):
                entry = distribution.parse_entry(description)
                self.assertEqual((entry.product, entry.version, entry.lang, entry.flags),
                                 (product, version, lang, flags))

    def test_options_win_over_the_name(self):
        entry = distribution.parse_entry(
            "csp/csp-x64-kc2-eng.msi:product=csp-alt,version=3.6.5000,lang=1049,"
            "flags=ovrmcsp,reboot,fail,npvelum=absent,x64")
        self.assertEqual(
            (entry.product, entry.version, entry.lang, entry.flags, entry.reboot, entry.fail,
             entry.npvelum_absent, entry.x64),
            ("csp-alt", "3.6.5000", "1049", "ovrmcsp", True, True, True, True))
        self.assertEqual(distribution.product_code(entry),
                         "{A93E1F07-26D4-4B8C-9F5A-71E0B3C8D264}")

    def test_plain_files(self):
        entry = distribution.parse_entry("UEC_x64_2.reg:text=REGEDIT4")
        self.assertEqual((entry.is_package, entry.text), (False, "REGEDIT4"))
        self.assertFalse(distribution.parse_entry("notes/velumcom-x64.txt:text")
                         .is_package)

    def test_mistakes_are_refused(self):
        for description in ("plugin/velumcom-x64.msi:rebot", "plugin/velumcom-x64.msi:version",
                     "plugin/setup-x64.msi"):
            with self.subTest(description=description):
                with self.assertRaises(ValueError):
                    distribution.parse_entry(description)


class CertificateFiles(unittest.TestCase):
    def setUp(self):
        self.cache = tempfile.TemporaryDirectory()
        self.addCleanup(self.cache.cleanup)
        os.environ["SAMPLE_MSI_CACHE"] = self.cache.name
        self.addCleanup(os.environ.pop, "SAMPLE_MSI_CACHE")
        self.out = Path(self.cache.name) / "dist"

    def build(self, *descriptions):
        distribution.build(self.out, list(descriptions))

    def test_der_and_pem_hold_the_named_certificate(self):
        self.build("a.cer:cert=A", "a.crt:cert=A,pem")
        der = distribution.certificate_der("A")
        self.assertEqual((self.out / "a.cer").read_bytes(), der)
        self.assertEqual(hashlib.sha1(der).hexdigest().upper(),
                         distribution.certificate_thumbprint("A"))
        pem = (self.out / "a.crt").read_text()
        self.assertTrue(pem.startswith("-----BEGIN CERTIFICATE-----\n"))
        body = "".join(pem.splitlines()[1:-1])
        self.assertEqual(base64.b64decode(body), der)

    def test_a_bundle_holds_every_named_certificate(self):
        self.build("b.p7b:cert=B+C")
        bundle = (self.out / "b.p7b").read_bytes()
        for name in ("B", "C"):
            self.assertIn(distribution.certificate_der(name), bundle)
        self.assertNotEqual(distribution.certificate_der("B"),
                            distribution.certificate_der("C"))

    def test_a_certificate_is_made_once(self):
        first = distribution.certificate_thumbprint("A")
        self.build("a.cer:cert=A")
        self.assertEqual(distribution.certificate_thumbprint("A"), first)

    def test_entries(self):
        entry = distribution.parse_entry("0-first.crt:cert=D,pem")
        self.assertEqual((entry.is_package, entry.cert, entry.pem), (False, "D", True))
        with self.assertRaises(ValueError):
            self.build("two.cer:cert=A+B")


class PackageCache(unittest.TestCase):
    """The cache keys on content: every option must change the package it serves."""

    def setUp(self):
        self.cache = tempfile.TemporaryDirectory()
        self.addCleanup(self.cache.cleanup)
        os.environ["SAMPLE_MSI_CACHE"] = self.cache.name
        self.addCleanup(os.environ.pop, "SAMPLE_MSI_CACHE")

    def build(self, description):
        target = Path(self.cache.name) / "out" / Path(description.split(":")[0]).name
        distribution.build_package(distribution.parse_entry(description), target)
        return target.read_bytes()

    def test_each_option_gives_another_package(self):
        base = "p/velumcom-2.1.0-x64.msi"
        variants = [base + ":" + option for option in (
            "version=2.1.1", "lang=1033", "flags=kc1", "reboot", "fail", "npvelum=absent",
            "x64", "product=csp")]
        built = {description: self.build(description) for description in [base] + variants}
        self.assertEqual(len(set(built.values())), len(built))

    def test_same_description_same_package(self):
        self.assertEqual(self.build("a/velumcom-2.1.0-x64.msi"),
                         self.build("b/velumcom-2.1.0-x64.msi"))
        self.assertEqual(len(list(Path(self.cache.name).glob("*.msi"))), 1)


if __name__ == "__main__":
    unittest.main()
