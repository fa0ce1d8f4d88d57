#!/bin/sh
# Checks the built setup.exe for what its users rely on: a 32-bit x86 GUI program that
# imports system DLLs only, small, with the Russian string table exactly as
# resources/messages.inc lists it, the application manifest the program needs, and the
# configuration dialog, icon and version information as tools/setup_resources.py has them.
# Usage: tools/check-windows-binary.sh [path/to/setup.exe]   (exit 0 only when all pass)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-"$root/build/windows/setup.exe"}
exec python3 - "$exe" "$root/resources/messages.inc" "$root/tools" <<'PYTHON'
import re
import struct
import sys
import xml.etree.ElementTree as ElementTree

exe_path, messages_path = sys.argv[1], sys.argv[2]
sys.path.insert(0, sys.argv[3])
import setup_resources

MAX_SIZE = 300 * 1024
ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "msi.dll",
                "crypt32.dll", "comctl32.dll", "gdi32.dll", "ole32.dll", "shlwapi.dll",
                "version.dll", "msvcrt.dll"}
# Not on the system's known-DLL list: loaded by full path from the system folder at run
# time, so that a copy beside the program is never picked up.
LOADED_BY_PATH = {"msi.dll", "crypt32.dll"}
# Absent from Windows 2000 SP4 or its Windows Installer; looked up at run time.
RUN_TIME_ONLY = {"IsWow64Process", "MsiSourceListSetInfoW", "SetDllDirectoryW",
                 "SetDefaultDllDirectories", "GetModuleHandleExW", "AddVectoredExceptionHandler",
                 "EncodePointer", "DecodePointer", "InitializeSListHead", "GetNativeSystemInfo"}
RT_STRING, RT_MANIFEST = 6, 24
LANG_RUSSIAN = 0x0419
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SUPPORTED_OS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"}
COMMON_CONTROLS = {"type": "win32", "name": "Microsoft.Windows.Common-Controls",
                   "version": "6.0.0.0", "processorArchitecture": "*",
                   "publicKeyToken": "6595b64144ccf1df", "language": "*"}

failures = []
summary = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


class PeImage:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = struct.unpack_from("<I", data, optional + 92)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i)
                            for i in range(min(directories, 16))]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<8sIIII", data, table + 40 * i) for i in range(sections)]

    def offset(self, rva):
        for _, virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise ValueError("RVA %#x outside every section" % rva)

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def imports(self):
        """{dll name: [function names]} from the import and delay-import tables."""
        found = {}
        for index, size, names_at, lookup_at in ((1, 20, 12, 0), (13, 32, 4, 16)):
            rva, _ = self.directory(index)
            while rva:
                fields = struct.unpack_from("<" + "I" * (size // 4), self.data, self.offset(rva))
                if not any(fields):
                    break
                dll = self.c_string(fields[names_at // 4])
                lookup = fields[lookup_at // 4] or fields[4 if index == 1 else 3]
                functions = found.setdefault(dll, [])
                while lookup:
                    thunk = struct.unpack_from("<I", self.data, self.offset(lookup))[0]
                    if not thunk:
                        break
                    if not thunk & 0x80000000:
                        functions.append(self.c_string(thunk + 2))
                    lookup += 4
                rva += size
        return found

    def resources(self):
        """[(type, name, language, bytes)] for every resource with a numeric type and name."""
        base_rva, _ = self.directory(2)
        if not base_rva:
            return []
        base = self.offset(base_rva)

        def entries(at):
            named, numbered = struct.unpack_from("<HH", self.data, base + at + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, base + at + 16 + 8 * i)
                yield name, target

        found = []
        for type_id, type_dir in entries(0):
            for name_id, name_dir in entries(type_dir & 0x7FFFFFFF):
                for language, leaf in entries(name_dir & 0x7FFFFFFF):
                    data_rva, size, _, _ = struct.unpack_from("<IIII", self.data, base + leaf)
                    start = self.offset(data_rva)
                    found.append((type_id, name_id, language, self.data[start:start + size]))
        return found


def expected_messages():
    escapes = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "'": "'"}
    text = open(messages_path, encoding="utf-8").read()
    messages = {}
    for number, literal in re.findall(r'^MESSAGE\((\d+),\s*"((?:[^"\\]|\\.)*)"\)', text, re.M):
        messages[int(number)] = re.sub(r"\\(.)", lambda m: escapes[m.group(1)], literal)
    return messages


def string_table(blocks):
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


def check_manifest(resources):
    manifests = [(name, lang, data) for kind, name, lang, data in resources if kind == RT_MANIFEST]
    if not check([name for name, _, _ in manifests] == [1], "exactly one manifest, with id 1"):
        return
    root = ElementTree.fromstring(manifests[0][2])
    level = root.find(".//%strustInfo/%ssecurity/%srequestedPrivileges/%srequestedExecutionLevel"
                      % ((ASM_V3,) * 4))
    check(level is not None and level.get("level") == "requireAdministrator"
          and level.get("uiAccess") == "false",
          "manifest asks for requireAdministrator with uiAccess false")
    supported = {os.get("Id") for os in root.iter(COMPATIBILITY + "supportedOS")}
    check(supported == SUPPORTED_OS, "manifest names the two supported systems, got %s" % supported)
    dependencies = [identity.attrib for identity in
                    root.findall("%sdependency/%sdependentAssembly/%sassemblyIdentity" % ((ASM_V1,) * 3))]
    check(dependencies == [COMMON_CONTROLS], "manifest depends on common controls 6.0.0.0 only")
    summary.append("manifest: requireAdministrator, 2 supported systems, common controls 6")


def check_dialog_icon_and_version(resources):
    def of_type(kind):
        return {name: (lang, data) for found, name, lang, data in resources if found == kind}

    dialogs = of_type(setup_resources.RT_DIALOG)
    if check(list(dialogs) == [141], "exactly one dialog, template 141; got %s" % list(dialogs)):
        failures.extend(setup_resources.check_dialog(dialogs[141][1]))
    summary.append("dialog 141: %d controls, title %r" % (len(setup_resources.CONTROLS),
                                                          setup_resources.DIALOG["title"]))

    groups = {name: data for name, (_, data) in of_type(setup_resources.RT_GROUP_ICON).items()}
    icons = {name: data for name, (_, data) in of_type(setup_resources.RT_ICON).items()}
    check(list(groups) == [setup_resources.ICON_GROUP],
          "exactly one icon group, %d; got %s" % (setup_resources.ICON_GROUP, list(groups)))
    failures.extend(setup_resources.check_icons(groups, icons))
    summary.append("icon group 100: 16 and 32 pixels, 4 and 8 bits per pixel")

    versions = of_type(setup_resources.RT_VERSION)
    if check(list(versions) == [1], "exactly one version resource, 1; got %s" % list(versions)):
        language, data = versions[1]
        failures.extend(setup_resources.check_version(data, language))
    summary.append("version %s, Russian, Unicode strings" % setup_resources.VERSION_TEXT)


def main():
    try:
        data = open(exe_path, "rb").read()
        image = PeImage(data)
    except (OSError, ValueError) as error:
        print("FAIL: %s: %s" % (exe_path, error))
        return 1
    check(image.machine == 0x14C, "machine is i386 (0x14c), got %#x" % image.machine)
    check(image.magic == 0x10B, "optional header is PE32 (0x10b), got %#x" % image.magic)
    check(image.subsystem == 2, "subsystem is Windows GUI (2), got %d" % image.subsystem)
    check(len(data) <= MAX_SIZE, "size %d bytes is at most %d" % (len(data), MAX_SIZE))
    summary.append("PE32 i386 GUI, %d bytes (%.0f KiB)" % (len(data), len(data) / 1024))

    imports = image.imports()
    dlls = {dll.lower() for dll in imports}
    check(dlls <= ALLOWED_DLLS, "only system DLLs imported; also found %s" % sorted(dlls - ALLOWED_DLLS))
    check(not dlls & LOADED_BY_PATH, "%s not imported" % sorted(dlls & LOADED_BY_PATH))
    functions = {name for names in imports.values() for name in names}
    check(not functions & RUN_TIME_ONLY,
          "newer functions not imported; found %s" % sorted(functions & RUN_TIME_ONLY))
    summary.append("imports: " + ", ".join(sorted(dlls)))

    resources = image.resources()
    strings = [(name, lang, data) for kind, name, lang, data in resources if kind == RT_STRING]
    languages = {lang for _, lang, _ in strings}
    check(languages == {LANG_RUSSIAN}, "string table is Russian only, got %s" % sorted(map(hex, languages)))
    actual = string_table([(name, data) for name, _, data in strings])
    expected = expected_messages()
    check(len(expected) == 40, "messages.inc lists 40 messages, got %d" % len(expected))
    for number in sorted(set(expected) | set(actual)):
        check(actual.get(number) == expected.get(number),
              "message %d: compiled %r, listed %r" % (number, actual.get(number), expected.get(number)))
    summary.append("string table: %d messages in blocks %s, language 0x0419"
                   % (len(actual), sorted(name for name, _, _ in strings)))
    check_manifest(resources)
    check_dialog_icon_and_version(resources)

    for line in summary:
        print("  " + line)
    for failure in failures:
        print("FAIL: " + failure)
    print("%s: %s" % (exe_path, "FAILED" if failures else "OK"))
    return 1 if failures else 0


sys.exit(main())
PYTHON
