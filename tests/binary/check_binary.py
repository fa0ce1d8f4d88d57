#!/usr/bin/env python3
"""Checks the built setup.exe for what its users rely on: a 32-bit x86 GUI program that
imports system DLLs only, small, with the Russian string table exactly as
resources/messages.inc lists it, the application manifest the program needs, the
configuration dialog (template 141), the icon group (100) and the version information.
pefile (Debian's python3-pefile) reads the PE file; of what it leaves as bytes, the icon
group is read here and the dialog template compared with the bytes its table makes.

    tests/binary/check_binary.py [path/to/setup.exe]     (exit 0 only when all pass)
"""
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

try:
    import pefile
except ImportError:  # a Python of its own (pyenv, venv) does not see Debian's packages
    sys.path.append("/usr/lib/python3/dist-packages")
    import pefile

REPO = Path(__file__).resolve().parents[2]
# The most the program may take, stripped and static, a release with its pins too.
MAX_SIZE = 113 * 1024
ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "msi.dll",
                "crypt32.dll", "comctl32.dll", "gdi32.dll", "ole32.dll", "shlwapi.dll",
                "version.dll", "msvcrt.dll"}
# Not on the system's known-DLL list: loaded by full path from the system folder at run
# time, so that a copy beside the program is never picked up.
LOADED_BY_PATH = {"msi.dll", "crypt32.dll", "wintrust.dll"}
# Absent from Windows 2000 SP4 or its Windows Installer; looked up at run time.
RUN_TIME_ONLY = {"IsWow64Process", "MsiSourceListSetInfoW", "SetDllDirectoryW",
                 "SetDefaultDllDirectories", "GetModuleHandleExW", "AddVectoredExceptionHandler",
                 "EncodePointer", "DecodePointer", "InitializeSListHead", "GetNativeSystemInfo"}
RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 6, 14, 16, 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SUPPORTED_OS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}",
                "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"}
COMMON_CONTROLS = {"type": "win32", "name": "Microsoft.Windows.Common-Controls",
                   "version": "6.0.0.0", "processorArchitecture": "*",
                   "publicKeyToken": "6595b64144ccf1df", "language": "*"}
BUTTON, STATIC = 0x80, 0x82

WELCOME_TEXT = ('www.example.ru\n\nБлагодарим за выбор Орвента CSP.\n'
                'Для продолжения установки нажмите "Далее",\n'
                'для установки специфических настроек - "Опции".\n'
                'Если вы не знаете, что выбирать, нажмите "Далее".')
SLOGAN = "Надёжная электронная подпись"

# Template 141: every field the system reads when it builds the dialog.
DIALOG = {"style": 0x80C808C8, "exstyle": 0x100, "rect": (0, 0, 204, 143), "menu": None,
          "class": None, "title": "VOZEdove", "font": (8, 400, 0, 1, "MS Shell Dlg")}
# (id, class, text, style, x, y, width, height) in template order.
CONTROLS = [
    (140, BUTTON, "Далее", 0x50010001, 90, 122, 50, 14),
    (2, BUTTON, "Отмена", 0x50010000, 147, 122, 50, 14),
    (1006, BUTTON, "Русский", 0x40020009, 12, 20, 42, 8),
    (1007, BUTTON, "English", 0x40000009, 12, 32, 42, 8),
    (1008, BUTTON, "KC1", 0x40020009, 14, 69, 30, 8),
    (1009, BUTTON, "KC2", 0x40000009, 14, 82, 30, 8),
    (1010, BUTTON, "KC3", 0x40000009, 14, 94, 30, 8),
    (1012, BUTTON, "Язык установки:", 0x40000007, 6, 6, 191, 44),
    (1013, BUTTON, "Уровень безопасности:", 0x40000007, 6, 55, 191, 54),
    (1011, BUTTON, SLOGAN, 0x50000007, 6, 6, 191, 103),
    (1015, BUTTON, "Опции", 0x50010000, 7, 122, 50, 14),
    (1014, STATIC, WELCOME_TEXT, 0x50020000, 15, 28, 174, 74),
]

ICON_GROUP = 100
# (width, height, bits per pixel), any order.
ICON_IMAGES = {(16, 16, 4), (16, 16, 8), (32, 32, 4), (32, 32, 8)}

# The project's one version, and the commit the build was made from.
VERSION_TEXT = re.search(r"VERSION (\S+) LANGUAGES", (REPO / "CMakeLists.txt").read_text())[1]
VERSION = tuple(int(part) for part in VERSION_TEXT.split("."))
COMMIT = (subprocess.run(["git", "-C", REPO, "rev-parse", "--short=12", "HEAD"], text=True,
                         capture_output=True).stdout.strip()
          or "unknown (not built from a git checkout)")
LANG_RUSSIAN = 0x0419
CODE_PAGE_UNICODE = 1200
VERSION_STRINGS = {
    "FileDescription": "Программа установки",
    "FileVersion": VERSION_TEXT,
    "InternalName": "setup",
    "OriginalFilename": "setup.exe",
    "ProductName": "Установка компонентов электронной подписи",
    "ProductVersion": f"{VERSION_TEXT}, commit {COMMIT}",
}


def _sz_or_ord(value):
    """A template's name field: absent (None), an ordinal (int) or a NUL-terminated string."""
    if value is None:
        return b"\0\0"
    if isinstance(value, int):
        return struct.pack("<HH", 0xFFFF, value)
    return (value + "\0").encode("utf-16-le")


def dialog_template():
    """Template 141 as the resource compiler writes it from DIALOG and CONTROLS: the
    DLGTEMPLATEEX, then each DLGITEMTEMPLATEEX on a 4-byte boundary, with no help id, no
    extended style and no creation data. [(end offset, what)] says which part is where."""
    *font, face = DIALOG["font"]
    data = (struct.pack("<HHIIIH4h", 1, 0xFFFF, 0, DIALOG["exstyle"], DIALOG["style"],
                        len(CONTROLS), *DIALOG["rect"])
            + b"".join(map(_sz_or_ord, (DIALOG["menu"], DIALOG["class"], DIALOG["title"])))
            + struct.pack("<HHBB", *font) + _sz_or_ord(face))
    parts = [(len(data), "the dialog's own fields")]
    for control_id, control_class, text, style, *rect in CONTROLS:
        data += b"\0" * (-len(data) % 4) + struct.pack("<IIIhhhhI", 0, 0, style, *rect,
                                                        control_id)
        data += _sz_or_ord(control_class) + _sz_or_ord(text) + b"\0\0"
        parts.append((len(data), "control %r" % ((control_id, control_class, text,
                                                    hex(style), *rect),)))
    return data, parts


def check_dialog(found):
    dialogs = found.get(RT_DIALOG, [])
    failures = []
    if [name for name, _, _ in dialogs] != [141]:
        failures.append("exactly one dialog, template 141; got %s" % [n for n, _, _ in dialogs])
    expected, parts = dialog_template()
    for _, _, data in dialogs[:1]:
        if data != expected:
            first = next((i for i, (a, b) in enumerate(zip(data, expected)) if a != b),
                         min(len(data), len(expected)))
            what = next((what for end, what in parts if first < end), "the end")
            failures.append("dialog 141 (%d bytes, expected %d) differs at byte %d, in %s"
                            % (len(data), len(expected), first, what))
    return ("dialog 141: %d controls, title %r" % (len(CONTROLS), DIALOG["title"]), failures)


def _row_bytes(bits, width):
    return (bits * width + 31) // 32 * 4


def check_icon_image(width, height, bits, image):
    """A bitmap icon image: header, palette, colour image and AND mask, nothing missing."""
    what = "icon image %dx%d %d-bit" % (width, height, bits)
    if image[:8] == b"\x89PNG\r\n\x1a\n":
        return ["%s is PNG, which systems before Vista cannot show" % what]
    header = struct.unpack_from("<IiiHHI", image, 0)
    if header != (40, width, 2 * height, 1, bits, 0):
        return ["%s has bitmap header %r" % (what, header)]
    palette = struct.unpack_from("<I", image, 32)[0] or (1 << bits)
    expected = 40 + 4 * palette + height * (_row_bytes(bits, width) + _row_bytes(1, width))
    if len(image) != expected:
        return ["%s is %d bytes, expected %d with its AND mask" % (what, len(image), expected)]
    return []


def check_icons(found):
    line = "icon group 100: 16 and 32 pixels, 4 and 8 bits per pixel"
    groups = {name: data for name, _, data in found.get(RT_GROUP_ICON, [])}
    icons = {name: data for name, _, data in found.get(RT_ICON, [])}
    failures = []
    if list(groups) != [ICON_GROUP]:
        failures.append("exactly one icon group, %d; got %s" % (ICON_GROUP, list(groups)))
    if ICON_GROUP not in groups:
        return line, failures + ["icon group %d missing" % ICON_GROUP]
    group = groups[ICON_GROUP]
    try:
        if struct.unpack_from("<HH", group) != (0, 1):
            raise ValueError("not an icon group")
        # GRPICONDIRENTRY: width, height, colours, reserved, planes, bits, size, icon id.
        entries = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * index)
                   for index in range(struct.unpack_from("<H", group, 4)[0])]
    except (ValueError, struct.error) as error:
        return line, failures + ["icon group %d unreadable: %s" % (ICON_GROUP, error)]
    shapes = sorted((width or 256, height or 256, bits) for width, height, *_, bits, _, _
                    in entries)
    if shapes != sorted(ICON_IMAGES):
        failures.append("icon group %d holds %r, expected %r"
                        % (ICON_GROUP, shapes, sorted(ICON_IMAGES)))
    for width, height, colours, _, _, bits, size, icon_id in entries:
        if colours != (16 if bits == 4 else 0):
            failures.append("icon %d names %d colours for %d bits" % (icon_id, colours, bits))
        image = icons.get(icon_id)
        if image is None or len(image) != size:
            failures.append("icon %d missing or not %d bytes" % (icon_id, size))
        else:
            failures += check_icon_image(width or 256, height or 256, bits, image)
    return line, failures


def imports(exe):
    """{dll name: [function names]} from the import and delay-import tables."""
    image = exe if isinstance(exe, pefile.PE) else pefile.PE(str(exe))
    found = {}
    for table in ("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT"):
        for dll in getattr(image, table, []):
            found.setdefault(dll.dll.decode("ascii"), []).extend(
                function.name.decode("ascii") for function in dll.imports if function.name)
    return found


def resources(image):
    """{type: [(name, language, bytes)]} for every resource with a numeric type and name, and
    {string id: text} of the string tables as pefile reads them."""
    found, strings = {}, {}
    directory = getattr(image, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in directory.entries if directory else []:
        for name in kind.directory.entries:
            strings.update(getattr(name.directory, "strings", {}) if kind.id == RT_STRING else {})
            for language in name.directory.entries:
                entry = language.data.struct
                found.setdefault(kind.id, []).append(
                    (name.id, language.id, image.get_data(entry.OffsetToData, entry.Size)))
    return found, strings


def check_version(image, found):
    line = "version %s, Russian, Unicode strings" % VERSION_TEXT
    versions = found.get(RT_VERSION, [])
    if [name for name, _, _ in versions] != [1] or not hasattr(image, "VS_FIXEDFILEINFO"):
        return line, ["exactly one version resource, 1; got %s" % [n for n, _, _ in versions]]
    fixed, tables, translation = image.VS_FIXEDFILEINFO[0], {}, []

    def dotted(high, low):
        return (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)

    for info in image.FileInfo[0]:
        for table in getattr(info, "StringTable", []):
            tables[table.LangID.decode().upper()] = {
                key.decode(): value.decode() for key, value in table.entries.items()}
        for var in getattr(info, "Var", []):
            words = var.entry.get(b"Translation", "").split()
            translation += [(int(a, 16), int(b, 16)) for a, b in zip(words[::2], words[1::2])]
    table = "%04X%04X" % (LANG_RUSSIAN, CODE_PAGE_UNICODE)
    strings = dict(tables.get(table, {}))
    strings["ProductVersion"] = strings.get("ProductVersion", "").removesuffix("+changes")
    failures = ["version %s is %r, expected %r" % (field, actual, expected)
                for field, actual, expected in (
                    ("resource language", hex(versions[0][1]), hex(LANG_RUSSIAN)),
                    ("file", dotted(fixed.FileVersionMS, fixed.FileVersionLS), VERSION),
                    ("product", dotted(fixed.ProductVersionMS, fixed.ProductVersionLS), VERSION),
                    ("flags", fixed.FileFlags, 0), ("os", fixed.FileOS, 0x40004),
                    ("type", fixed.FileType, 1),
                    ("translation", translation, [(LANG_RUSSIAN, CODE_PAGE_UNICODE)]),
                    ("string tables", list(tables), [table]),
                    ("strings", strings, VERSION_STRINGS))
                if actual != expected]
    return line, failures


def expected_messages():
    escapes = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "'": "'"}
    ids = dict(re.findall(r"^#define (IDS_\w+) (\d+)",
                          (REPO / "resources" / "resource_ids.h").read_text(encoding="utf-8"),
                          re.M))
    text = (REPO / "resources" / "messages.inc").read_text(encoding="utf-8")
    return {int(ids[name]): re.sub(r"\\(.)", lambda m: escapes[m.group(1)], literal)
            for name, literal in re.findall(r'^MESSAGE\((IDS_\w+),\s*"((?:[^"\\]|\\.)*)"\)',
                                            text, re.M)}


def check_strings(found, actual):
    blocks = found.get(RT_STRING, [])
    failures = []
    languages = {lang for _, lang, _ in blocks}
    if languages != {LANG_RUSSIAN}:
        failures.append("string table is Russian only, got %s" % sorted(map(hex, languages)))
    for block, _, data in blocks:
        # Its 16 entries, each a length and UTF-16 text, and nothing else: what pefile
        # read from the block, written back, must be the block.
        texts = [actual.get((block - 1) * 16 + index, "").encode("utf-16-le")
                 for index in range(16)]
        if data != b"".join(struct.pack("<H", len(text) // 2) + text for text in texts):
            failures.append("string block %d is not 16 entries exactly" % block)
    expected = expected_messages()
    if len(expected) != 50:
        failures.append("messages.inc lists 50 messages, got %d" % len(expected))
    failures += ["message %d: compiled %r, listed %r"
                 % (number, actual.get(number), expected.get(number))
                 for number in sorted(set(expected) | set(actual))
                 if actual.get(number) != expected.get(number)]
    return ("string table: %d messages in blocks %s, language 0x0419"
            % (len(actual), sorted(name for name, _, _ in blocks)), failures)


def check_manifest(found):
    line = "manifest: requireAdministrator, 2 supported systems, common controls 6"
    manifests = found.get(RT_MANIFEST, [])
    if [name for name, _, _ in manifests] != [1]:
        return line, ["exactly one manifest, with id 1"]
    root = ElementTree.fromstring(manifests[0][2])

    def attributes(path):
        return getattr(root.find(path), "attrib", {})

    level = attributes(".//{0}trustInfo/{0}security/{0}requestedPrivileges/"
                       "{0}requestedExecutionLevel".format(ASM_V3))
    return line, ["manifest: %s expected, got %r" % (what, actual) for what, actual, expected in (
        ("requireAdministrator with uiAccess false", (level.get("level"), level.get("uiAccess")),
         ("requireAdministrator", "false")),
        ("the two supported systems",
         {os.get("Id") for os in root.iter(COMPATIBILITY + "supportedOS")}, SUPPORTED_OS),
        ("a dependency on common controls 6.0.0.0 only", [identity.attrib for identity in
         root.findall("{0}dependency/{0}dependentAssembly/{0}assemblyIdentity".format(ASM_V1))],
         [COMMON_CONTROLS]),
        ("the program's version as the assembly's",
         attributes(ASM_V1 + "assemblyIdentity").get("version"), VERSION_TEXT))
        if actual != expected]


def check(exe_path):
    """[(summary line, failures)], a line for each group of checks."""
    data = Path(exe_path).read_bytes()
    try:
        image = pefile.PE(data=data)
    except pefile.PEFormatError as error:
        return [("the file as a whole", ["%s: %s" % (exe_path, error)])]
    header = image.OPTIONAL_HEADER
    failures = ["%s (%#x), got %#x" % (what, expected, actual) for what, actual, expected in (
        ("machine is i386", image.FILE_HEADER.Machine, 0x14C),
        ("optional header is PE32", header.Magic, 0x10B),
        ("subsystem is Windows GUI", header.Subsystem, 2),
        ("terminal-server aware", header.DllCharacteristics & 0x8000, 0x8000))
        if actual != expected]
    if len(data) > MAX_SIZE:
        failures.append("size %d bytes is at most %d" % (len(data), MAX_SIZE))
    groups = [("PE32 i386 GUI, %d bytes (%.0f KiB)" % (len(data), len(data) / 1024), failures)]

    imported = imports(image)
    dlls = {dll.lower() for dll in imported}
    functions = {name for names in imported.values() for name in names}
    groups.append(("imports: " + ", ".join(sorted(dlls)), [
        message % sorted(found) for message, found in (
            ("only system DLLs imported; also found %s", dlls - ALLOWED_DLLS),
            ("%s not imported", dlls & LOADED_BY_PATH),
            ("newer functions not imported; found %s", functions & RUN_TIME_ONLY)) if found]))

    found, strings = resources(image)
    return groups + [check_strings(found, strings), check_manifest(found), check_dialog(found),
                     check_icons(found), check_version(image, found)]


def main(argv):
    sys.path.insert(0, str(REPO / "tests"))
    from wine.kit import Verdict
    exe_path = argv[1] if len(argv) > 1 else str(REPO / "build" / "windows" / "setup.exe")
    verdict = Verdict()
    try:
        groups = check(exe_path)
    except OSError as error:
        groups = [("the file as a whole", [str(error)])]
    for line, failures in groups:
        verdict.check(not failures, line, "\n  ".join(failures))
    return verdict.end()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
