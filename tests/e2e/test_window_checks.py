"""What no scenario would show: that the progress window check fails on each fault, and
that the deep start folder of input_scenarios.py is as deep as it says; without Wine."""

import json
import sys
import tempfile
import unittest
from pathlib import Path
from types import SimpleNamespace

sys.path.insert(0, str(Path(__file__).resolve().parent))

import input_scenarios  # noqa: E402
import window_checks  # noqa: E402

PROGRESS_TITLE = "Установка Орвента ЭЦП Browser plug-in..."
TITLE_TRACED = (r"\0423\0441\0442\0430\043d\043e\0432\043a\0430 \041e\0440\0432\0435\043d\0442"
                r"\0430 \042d\0426\041f Browser plug-in...")
BOX_TRACED = r"\0423\0441\0442\0430\043d\043e\0432\0438\0442\044c?"

# setup.exe is 0104: its main thread 0108 shows boxes, its progress thread 0114 the
# window. 0200 is another process with windows of its own.
CREATED = rf"""0104:0114:trace:win:WIN_CreateWindowEx L"{TITLE_TRACED}" L"Message" ex=00000000 style=00000000 362,355 300x58 parent=00000000 menu=00000000 inst=00400000 params=00000000
0200:0204:trace:win:WIN_CreateWindowEx L"other" L"Message" ex=00000000 style=00000000 1,2 3x4 parent=00000000 menu=00000000 inst=00400000 params=00000000
0200:0204:trace:win:NtUserCreateWindowEx hwnd 0x10099 cs 1,2 3x4 (1,2)-(4,6)
0104:0114:trace:win:NtUserCreateWindowEx hwnd 0x40044 cs 362,355 300x58 (362,355)-(662,413)
0104:0114:trace:win:NtUserCreateWindowEx hwnd 0x20082 cs 0,0 1x1 (0,0)-(1,1)
0104:0114:trace:win:NtUserCreateWindowEx created window 0x20082
0104:0114:trace:win:NtUserCreateWindowEx created window 0x40044
0104:0114:trace:win:WIN_CreateWindowEx (null) L"msctls_progress32"->L"6.0.2600.2982!msctls_progress32" ex=00000000 style=50000008 0,0 296x33 parent=00040044 menu=00000000 inst=00400000 params=00000000
0104:0114:trace:win:NtUserCreateWindowEx hwnd 0x20080 cs 0,0 296x33 (0,0)-(296,33)
0104:0114:trace:win:show_window hwnd=0x20080, cmd=5, was_visible 0
0104:0114:trace:win:show_window hwnd=0x40044, cmd=1, was_visible 0
"""
DESTROYED = """0104:0114:trace:win:destroy_window 0x40044
0104:0114:trace:win:destroy_window 0x20080
"""
BOX = rf"""0104:0108:trace:msgbox:MSGBOX_OnInit L"{BOX_TRACED}"
"""


def standin_record(hwnd="0x40044", visible=True, rect=(362, 355, 300, 58)):
    bar = {"hwnd": "0x20080", "class": "msctls_progress32", "visible": True,
           "rect": [0, 0, 296, 33], "style": 0x50000008, "exstyle": 0, "id": 0}
    frame = {"hwnd": hwnd, "class": "Message", "text": "", "visible": visible,
             "rect": list(rect), "style": 0x14C00000, "exstyle": 0x100, "id": 0,
             "children": [bar]}
    return {"program": "msiexec", "command": "msiexec /qn /i x.msi  REBOOT=R", "cwd": "Z:\\d",
            "parent": "0104", "waited_ms": 40, "windows": [frame]}


class ProgressWindowCheck(unittest.TestCase):
    def verdict(self, trace, records, installers=1, title=PROGRESS_TITLE):
        with tempfile.TemporaryDirectory() as folder:
            folder = Path(folder)
            (folder / "launch.err").write_text(trace, encoding="utf-8")
            (folder / "standin.log").write_text(
                "".join(json.dumps(r) + "\n" for r in records), encoding="utf-8")
            run = SimpleNamespace(workdir=folder, stand_in_log=folder / "standin.log",
                                  launch=SimpleNamespace(pid="0104"))
            return [m.what for m in window_checks.progress_window(title, installers)(run)]

    def test_shown_during_the_installer_and_destroyed_before_the_box_passes(self):
        self.assertEqual(self.verdict(CREATED + DESTROYED + BOX, [standin_record()]), [])

    def test_faults_each_show(self):
        cases = [
            ("box before the window is destroyed", CREATED + BOX + DESTROYED,
             [standin_record()], 1, PROGRESS_TITLE, ["progress window destroyed"]),
            ("never destroyed", CREATED + BOX, [standin_record()], 1, PROGRESS_TITLE,
             ["progress window destroyed"]),
            ("hidden while msiexec ran", CREATED + DESTROYED,
             [standin_record(visible=False)], 1, PROGRESS_TITLE, ["progress window while"]),
            ("another window seen by msiexec", CREATED + DESTROYED,
             [standin_record(hwnd="0x10099")], 1, PROGRESS_TITLE, ["progress window while"]),
            ("one installer too few", CREATED + DESTROYED, [standin_record()], 2,
             PROGRESS_TITLE, ["msiexec calls"]),
            ("another title", CREATED + DESTROYED, [standin_record()], 1,
             "Установка Орвента ЭЦП Browser plug-in и CSP...", ["progress window as created"]),
            ("two windows", CREATED + DESTROYED + CREATED + DESTROYED, [standin_record()], 1,
             PROGRESS_TITLE, ["progress windows created"]),
        ]
        for name, trace, records, installers, title, expected in cases:
            with self.subTest(name):
                found = self.verdict(trace, records, installers, title)
                self.assertEqual(len(found), len(expected), found)
                for what, start in zip(found, expected):
                    self.assertTrue(what.startswith(start), found)


class DeepFolder(unittest.TestCase):
    def test_every_parent_gives_the_same_length(self):
        for parent_length in range(10, 80, 7):
            parent = "Z:\\" + "p" * (parent_length - 3)
            with self.subTest(parent_length=parent_length):
                folder = input_scenarios.deep_folder(parent)
                levels = folder.split("/")
                self.assertEqual(len(parent + "\\" + folder), input_scenarios.DEEP_LENGTH)
                self.assertTrue(all(0 < len(level) < 256 for level in levels))


if __name__ == "__main__":
    unittest.main()
