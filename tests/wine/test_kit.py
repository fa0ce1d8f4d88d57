"""What no suite would show of the kit's faults: cut trace strings completed wrongly, a
scenario's mistyped package option taken silently, a stale package from the cache."""

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


CUT_TRACE = (
    r'00fc:0100:trace:process:CreateProcessInternalW app (null) cmdline '
    r'L"msiexec /qn /i \"Z:\\\0414\0438\0441\0442"...' "\n"
    r'00fc:0100:trace:process:CreateProcessInternalW app (null) cmdline '
    r'L"msiexec /qn /i \"Z:\\\0414\04"...' "\n"
    r'00fc:0100:trace:process:CreateProcessInternalW app (null) cmdline L"regini a.acl"' "\n"
)


class CutCommands(unittest.TestCase):
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
        complete = kit.complete_commands(self.events.commands, ['msiexec /qn /i "Z:\\Другое"'])
        self.assertEqual([str(c) for c in complete],
                         ['msiexec /qn /i "Z:\\Дист...', 'msiexec /qn /i "Z:\\Другое"',
                          "regini a.acl"])

    def test_whole_lines_use_up_their_log_entries(self):
        traced = [kit.TracedString("msiexec /x A"), kit.TracedString("msiexec /x", True)]
        complete = kit.complete_commands(traced, ["msiexec /x A", "msiexec /x B"])
        self.assertEqual([str(c) for c in complete], ["msiexec /x A", "msiexec /x B"])


class EntryOptions(unittest.TestCase):
    def test_mistakes_are_refused(self):
        for description in ("plugin/velumcom-x64.msi:rebot", "plugin/velumcom-x64.msi:version",
                            "plugin/setup-x64.msi"):
            with self.subTest(description=description):
                with self.assertRaises(ValueError):
                    distribution.parse_entry(description)


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


if __name__ == "__main__":
    unittest.main()
