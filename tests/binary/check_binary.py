#!/usr/bin/env python3
"""Checks the built setup.exe for what its users rely on: a 32-bit x86 GUI program that
imports system DLLs only, small, with the Russian string table exactly as
resources/messages.inc lists it, the application manifest the program needs, the
configuration dialog (template 141), the icon group (100) and the version information.
The PE file is read with pefile (Debian's python3-pefile); the dialog template, icon
group and string blocks, which it leaves as bytes, are read here.

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
# What the build reaches (93.5 KiB, stripped and static) and a small margin.
MAX_SIZE = 95 * 1024
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
RT_STRING, RT_MANIFEST = 6, 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SUPPORTED_OS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}",
                "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"}
COMMON_CONTROLS = {"type": "win32", "name": "Microsoft.Windows.Common-Controls",
                   "version": "6.0.0.0", "processorArchitecture": "*",
                   "publicKeyToken": "6595b64144ccf1df", "language": "*"}

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION = 3, 5, 14, 16
BUTTON, STATIC = 0x80, 0x82

WELCOME_TEXT = "\n".join([
    "www.example.ru",
    "",
    "Благодарим за выбор Орвента CSP.",
    "Для продолжения установки нажмите \"Далее\",",
    "для установки специфических настроек - \"Опции\".",
    "Если вы не знаете, что выбирать, нажмите \"Далее\".",
])
SLOGAN = "Надёжная электронная подпись"

# Template 141: every field the system reads when it builds the dialog.
DIALOG = {
    "style": 0x80C808C8,
    "exstyle": 0x100,
    "rect": (0, 0, 204, 143),
    "menu": None,
    "class": None,
    "title": "VOZEdove",
    "font": (8, 400, 0, 1, "MS Shell Dlg"),
}
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


def _wide_string(data, offset):
    """A NUL-terminated UTF-16 string: (text, offset after the terminator)."""
    end = offset
    while data[end:end + 2] != b"\0\0":
        if end + 2 > len(data):
            raise ValueError("string runs past the resource's end")
        end += 2
    return data[offset:end].decode("utf-16-le"), end + 2


def _name_or_ordinal(data, offset):
    """A sz_Or_Ord field: None (absent), an int (ordinal) or a str."""
    first = struct.unpack_from("<H", data, offset)[0]
    if first == 0:
        return None, offset + 2
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, offset + 2)[0], offset + 4
    return _wide_string(data, offset)


def parse_dialog(data):
    """An extended dialog template (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items)."""
    version, signature, _, exstyle, style, count, x, y, cx, cy = struct.unpack_from(
        "<HHIIIHhhhh", data, 0)
    if (version, signature) != (1, 0xFFFF):
        raise ValueError("not an extended dialog template")
    offset = 26
    menu, offset = _name_or_ordinal(data, offset)
    window_class, offset = _name_or_ordinal(data, offset)
    title, offset = _wide_string(data, offset)
    font = None
    if style & 0x40:  # DS_SETFONT
        points, weight, italic, charset = struct.unpack_from("<HHBB", data, offset)
        face, offset = _wide_string(data, offset + 6)
        font = (points, weight, italic, charset, face)
    controls = []
    for _ in range(count):
        offset = (offset + 3) & ~3
        _, item_exstyle, item_style, ix, iy, icx, icy, item_id = struct.unpack_from(
            "<IIIhhhhI", data, offset)
        item_class, offset = _name_or_ordinal(data, offset + 24)
        text, offset = _name_or_ordinal(data, offset)
        extra = struct.unpack_from("<H", data, offset)[0]
        offset += 2 + extra
        controls.append({"id": item_id, "class": item_class, "text": text, "style": item_style,
                         "exstyle": item_exstyle, "rect": (ix, iy, icx, icy)})
    return {"style": style, "exstyle": exstyle, "rect": (x, y, cx, cy), "menu": menu,
            "class": window_class, "title": title, "font": font, "controls": controls}


def _describe(control):
    item_id, item_class, text, style, x, y, width, height = control
    return "(%r, %r, %r, %#010x, %d, %d, %d, %d)" % (item_id, item_class, text, style, x, y,
                                                      width, height)


def check_dialog(data):
    failures = []
    try:
        dialog = parse_dialog(data)
    except (ValueError, struct.error, UnicodeDecodeError) as error:
        return ["dialog 141 unreadable: %s" % error]
    for field, expected in DIALOG.items():
        if dialog[field] != expected:
            if field.endswith("style"):
                failures.append("dialog %s is %#x, expected %#x" % (field, dialog[field], expected))
            else:
                failures.append("dialog %s is %r, expected %r" % (field, dialog[field], expected))
    actual = [(c["id"], c["class"], c["text"], c["style"]) + c["rect"] for c in dialog["controls"]]
    if len(actual) != len(CONTROLS):
        failures.append("dialog has %d controls, expected %d" % (len(actual), len(CONTROLS)))
    for index, (got, expected) in enumerate(zip(actual, CONTROLS)):
        if got != expected:
            failures.append("dialog control %d is %s, expected %s"
                            % (index, _describe(got), _describe(expected)))
    for control in dialog["controls"]:
        if control["exstyle"] != 0:
            failures.append("dialog control %d has extended style %#x"
                            % (control["id"], control["exstyle"]))
    return failures


def parse_icon_group(group):
    """[(width, height, colour count, bits, size, icon id)] of an RT_GROUP_ICON."""
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    if (reserved, kind) != (0, 1):
        raise ValueError("not an icon group")
    entries = []
    for index in range(count):
        width, height, colours, _, _, bits, size, icon_id = struct.unpack_from(
            "<BBBBHHIH", group, 6 + 14 * index)
        entries.append((width or 256, height or 256, colours, bits, size, icon_id))
    return entries


def _row_bytes(bits, width):
    return (bits * width + 31) // 32 * 4


def check_icon_image(width, height, bits, image):
    """A bitmap icon image: header, palette, colour image and AND mask, nothing missing."""
    header_size, bmp_width, bmp_height, planes, bmp_bits, compression = struct.unpack_from(
        "<IiiHHI", image, 0)
    colours_used = struct.unpack_from("<I", image, 32)[0]
    what = "icon image %dx%d %d-bit" % (width, height, bits)
    if image[:8] == b"\x89PNG\r\n\x1a\n":
        return ["%s is PNG, which systems before Vista cannot show" % what]
    if (header_size, bmp_width, bmp_height, planes, bmp_bits, compression) != (
            40, width, 2 * height, 1, bits, 0):
        return ["%s has bitmap header %r" % (what, (header_size, bmp_width, bmp_height, planes,
                                                     bmp_bits, compression))]
    palette = colours_used or (1 << bits)
    expected = 40 + 4 * palette + height * (_row_bytes(bits, width) + _row_bytes(1, width))
    if len(image) != expected:
        return ["%s is %d bytes, expected %d with its AND mask" % (what, len(image), expected)]
    return []


def check_icons(groups, icons):
    """groups: {name: bytes} of RT_GROUP_ICON; icons: {name: bytes} of RT_ICON."""
    if ICON_GROUP not in groups:
        return ["icon group %d missing" % ICON_GROUP]
    try:
        entries = parse_icon_group(groups[ICON_GROUP])
    except (ValueError, struct.error) as error:
        return ["icon group %d unreadable: %s" % (ICON_GROUP, error)]
    failures = []
    shapes = sorted((width, height, bits) for width, height, _, bits, _, _ in entries)
    if shapes != sorted(ICON_IMAGES):
        failures.append("icon group %d holds %r, expected %r"
                        % (ICON_GROUP, shapes, sorted(ICON_IMAGES)))
    for width, height, colours, bits, size, icon_id in entries:
        if colours != (16 if bits == 4 else 0):
            failures.append("icon %d names %d colours for %d bits" % (icon_id, colours, bits))
        image = icons.get(icon_id)
        if image is None or len(image) != size:
            failures.append("icon %d missing or not %d bytes" % (icon_id, size))
            continue
        failures += check_icon_image(width, height, bits, image)
    return failures


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
    """[(type, name, language, bytes)] for every resource with a numeric type and name."""
    found = []
    directory = getattr(image, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in directory.entries if directory else []:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                entry = language.data.struct
                found.append((kind.id, name.id, language.id,
                               image.get_data(entry.OffsetToData, entry.Size)))
    return found


def check_version(image, language, failures):
    """The version resource as pefile reads it, and the language it is stored under."""
    if language != LANG_RUSSIAN:
        failures.append("version resource language %#x, expected 0x0419" % language)
    fixed = image.VS_FIXEDFILEINFO[0]

    def parts(ms, ls):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    for field, actual, expected in (
            ("file", parts(fixed.FileVersionMS, fixed.FileVersionLS), VERSION),
            ("product", parts(fixed.ProductVersionMS, fixed.ProductVersionLS), VERSION),
            ("flags", fixed.FileFlags, 0), ("os", fixed.FileOS, 0x40004),
            ("type", fixed.FileType, 1)):
        if actual != expected:
            failures.append("version %s is %r, expected %r" % (field, actual, expected))
    tables, translation = {}, []
    for info in image.FileInfo[0]:
        for table in getattr(info, "StringTable", []):
            tables[table.LangID.decode().upper()] = {
                key.decode(): value.decode() for key, value in table.entries.items()}
        for var in getattr(info, "Var", []):
            words = var.entry.get(b"Translation", "").split()
            translation += [(int(a, 16), int(b, 16)) for a, b in zip(words[::2], words[1::2])]
    if translation != [(LANG_RUSSIAN, CODE_PAGE_UNICODE)]:
        failures.append("version translation is %r" % translation)
    table = "%04X%04X" % (LANG_RUSSIAN, CODE_PAGE_UNICODE)
    if list(tables) != [table]:
        failures.append("version string tables %r, expected [%r]" % (list(tables), table))
    strings = dict(tables.get(table, {}))
    strings["ProductVersion"] = strings.get("ProductVersion", "").removesuffix("+changes")
    if strings != VERSION_STRINGS:
        failures.append("version strings %r, expected %r" % (tables.get(table, {}),
                                                            VERSION_STRINGS))


def expected_messages():
    escapes = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "'": "'"}
    ids = dict(re.findall(r"^#define (IDS_\w+) (\d+)",
                          (REPO / "resources" / "resource_ids.h").read_text(encoding="utf-8"),
                          re.M))
    text = (REPO / "resources" / "messages.inc").read_text(encoding="utf-8")
    messages = {}
    for name, literal in re.findall(r'^MESSAGE\((IDS_\w+),\s*"((?:[^"\\]|\\.)*)"\)', text, re.M):
        messages[int(ids[name])] = re.sub(r"\\(.)", lambda m: escapes[m.group(1)], literal)
    return messages


def string_table(blocks, failures):
    messages = {}
    for block, data in blocks:
        units = struct.unpack("<%dH" % (len(data) // 2), data)
        position = 0
        for index in range(16):
            if position >= len(units):
                failures.append("string block %d ends before entry %d" % (block, index))
                break
            length = units[position]
            if length:
                text = bytes(data[2 * position + 2:2 * (position + 1 + length)])
                messages[(block - 1) * 16 + index] = text.decode("utf-16-le")
            position += 1 + length
    return messages


def check_manifest(found, failures, summary):
    manifests = [(name, data) for kind, name, _, data in found if kind == RT_MANIFEST]
    if [name for name, _ in manifests] != [1]:
        failures.append("exactly one manifest, with id 1")
        summary.append(("manifest", len(failures)))
        return
    root = ElementTree.fromstring(manifests[0][1])
    level = root.find(".//%strustInfo/%ssecurity/%srequestedPrivileges/%srequestedExecutionLevel"
                      % ((ASM_V3,) * 4))
    if level is None or level.get("level") != "requireAdministrator" \
            or level.get("uiAccess") != "false":
        failures.append("manifest asks for requireAdministrator with uiAccess false")
    supported = {os.get("Id") for os in root.iter(COMPATIBILITY + "supportedOS")}
    if supported != SUPPORTED_OS:
        failures.append("manifest names the two supported systems, got %s" % supported)
    dependencies = [identity.attrib for identity in root.findall(
        "%sdependency/%sdependentAssembly/%sassemblyIdentity" % ((ASM_V1,) * 3))]
    if dependencies != [COMMON_CONTROLS]:
        failures.append("manifest depends on common controls 6.0.0.0 only")
    if root.find(ASM_V1 + "assemblyIdentity").get("version") != VERSION_TEXT:
        failures.append("manifest's assembly version is the program's")
    summary.append(("manifest: requireAdministrator, 2 supported systems, common controls 6",
                    len(failures)))


def check_dialog_icon_and_version(image, found, failures, summary):
    def of_type(kind):
        return {name: (lang, data) for found_kind, name, lang, data in found if found_kind == kind}

    dialogs = of_type(RT_DIALOG)
    if list(dialogs) == [141]:
        failures.extend(check_dialog(dialogs[141][1]))
    else:
        failures.append("exactly one dialog, template 141; got %s" % list(dialogs))
    summary.append(("dialog 141: %d controls, title %r" % (len(CONTROLS), DIALOG["title"]),
                    len(failures)))

    groups = {name: data for name, (_, data) in of_type(RT_GROUP_ICON).items()}
    icons = {name: data for name, (_, data) in of_type(RT_ICON).items()}
    if list(groups) != [ICON_GROUP]:
        failures.append("exactly one icon group, %d; got %s" % (ICON_GROUP, list(groups)))
    failures.extend(check_icons(groups, icons))
    summary.append(("icon group 100: 16 and 32 pixels, 4 and 8 bits per pixel", len(failures)))

    versions = of_type(RT_VERSION)
    if list(versions) == [1] and hasattr(image, "VS_FIXEDFILEINFO"):
        check_version(image, versions[1][0], failures)
    else:
        failures.append("exactly one version resource, 1; got %s" % list(versions))
    summary.append(("version %s, Russian, Unicode strings" % VERSION_TEXT, len(failures)))


def check(exe_path):
    """(failures, [(summary line, number of failures by then)]) for the program."""
    failures, summary = [], []
    data = Path(exe_path).read_bytes()
    try:
        image = pefile.PE(data=data)
    except pefile.PEFormatError as error:
        return ["%s: %s" % (exe_path, error)], summary
    header = image.OPTIONAL_HEADER
    for what, actual, expected in (("machine is i386", image.FILE_HEADER.Machine, 0x14C),
                                   ("optional header is PE32", header.Magic, 0x10B),
                                   ("subsystem is Windows GUI", header.Subsystem, 2),
                                   ("terminal-server aware",
                                    header.DllCharacteristics & 0x8000, 0x8000)):
        if actual != expected:
            failures.append("%s (%#x), got %#x" % (what, expected, actual))
    if len(data) > MAX_SIZE:
        failures.append("size %d bytes is at most %d" % (len(data), MAX_SIZE))
    summary.append(("PE32 i386 GUI, %d bytes (%.0f KiB)" % (len(data), len(data) / 1024),
                    len(failures)))

    imported = imports(image)
    dlls = {dll.lower() for dll in imported}
    if not dlls <= ALLOWED_DLLS:
        failures.append("only system DLLs imported; also found %s" % sorted(dlls - ALLOWED_DLLS))
    if dlls & LOADED_BY_PATH:
        failures.append("%s not imported" % sorted(dlls & LOADED_BY_PATH))
    functions = {name for names in imported.values() for name in names}
    if functions & RUN_TIME_ONLY:
        failures.append("newer functions not imported; found %s"
                        % sorted(functions & RUN_TIME_ONLY))
    summary.append(("imports: " + ", ".join(sorted(dlls)), len(failures)))

    found = resources(image)
    strings = [(name, lang, data) for kind, name, lang, data in found if kind == RT_STRING]
    languages = {lang for _, lang, _ in strings}
    if languages != {LANG_RUSSIAN}:
        failures.append("string table is Russian only, got %s" % sorted(map(hex, languages)))
    actual = string_table([(name, data) for name, _, data in strings], failures)
    expected = expected_messages()
    if len(expected) != 40:
        failures.append("messages.inc lists 40 messages, got %d" % len(expected))
    for number in sorted(set(expected) | set(actual)):
        if actual.get(number) != expected.get(number):
            failures.append("message %d: compiled %r, listed %r"
                            % (number, actual.get(number), expected.get(number)))
    summary.append(("string table: %d messages in blocks %s, language 0x0419"
                    % (len(actual), sorted(name for name, _, _ in strings)), len(failures)))
    check_manifest(found, failures, summary)
    check_dialog_icon_and_version(image, found, failures, summary)
    return failures, summary


def main(argv):
    sys.path.insert(0, str(REPO / "tests"))
    from wine.kit import Verdict
    exe_path = argv[1] if len(argv) > 1 else str(REPO / "build" / "windows" / "setup.exe")
    verdict = Verdict()
    try:
        failures, summary = check(exe_path)
    except OSError as error:
        failures, summary = [str(error)], []
    # Each summary line names a group of checks: the failures found since the one before.
    start = 0
    for line, end in summary + [("the file as a whole", len(failures))]:
        if line != "the file as a whole" or end > start:
            verdict.check(end == start, line, "\n  ".join(failures[start:end]))
        start = end
    return verdict.end()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
