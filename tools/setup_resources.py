"""The compiled resources of setup.exe that users see besides its messages: the
configuration dialog (template 141), the icon group (100) and the version information.
Readers for their binary layouts, and checks that hold them to what the program needs.
Used by tools/check-windows-binary.sh and by the Wine test of the dialog.

Each check_* function takes the raw resource bytes and returns a list of failures, empty
when all is well.
"""
import struct

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION = 3, 5, 14, 16
BUTTON, STATIC = 0x80, 0x82

WELCOME_TEXT = "\n".join([
    "www.example.ru",
    "",
    "Благодарим за выбор Орвента CSP.",
    "Для продолжения установки нажимте \"Далее\",",
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

VERSION = (1, 0, 0, 0)
VERSION_TEXT = "1.0.0.0"
LANG_RUSSIAN = 0x0419
CODE_PAGE_UNICODE = 1200
VERSION_STRINGS = {
    "FileDescription": "Программа установки",
    "FileVersion": VERSION_TEXT,
    "InternalName": "setup",
    "OriginalFilename": "setup.exe",
    "ProductName": "Установка компонентов электронной подписи",
    "ProductVersion": VERSION_TEXT,
}


def _align4(offset):
    return (offset + 3) & ~3


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
        offset = _align4(offset)
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


def _version_node(data, offset):
    """One node of a VS_VERSIONINFO tree: (key, type, value bytes, children, end)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    if length < 6 or end > len(data):
        raise ValueError("version node at %d has length %d" % (offset, length))
    key, position = _wide_string(data, offset + 6)
    position = _align4(position)
    # Text values count characters, binary values bytes.
    value_bytes = value_length * 2 if kind == 1 else value_length
    value = data[position:position + value_bytes]
    position = _align4(position + value_bytes)
    children = []
    while position < end:
        child = _version_node(data, position)
        children.append(child)
        position = _align4(child[4])
    return key, kind, value, children, end


def parse_version(data):
    key, _, fixed, children, _ = _version_node(data, 0)
    if key != "VS_VERSION_INFO" or len(fixed) != 52:
        raise ValueError("not a version resource")
    signature, _, file_ms, file_ls, product_ms, product_ls, _, flags, os_, file_type, _, _, _ = \
        struct.unpack("<13I", fixed)
    if signature != 0xFEEF04BD:
        raise ValueError("fixed file information has signature %#x" % signature)

    def parts(ms, ls):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    result = {"file": parts(file_ms, file_ls), "product": parts(product_ms, product_ls),
              "flags": flags, "os": os_, "type": file_type, "tables": {}, "translation": []}
    for child_key, _, _, grandchildren, _ in children:
        if child_key == "StringFileInfo":
            for table_key, _, _, strings, _ in grandchildren:
                result["tables"][table_key.upper()] = {
                    name: value.decode("utf-16-le").rstrip("\0")
                    for name, _, value, _, _ in strings}
        elif child_key == "VarFileInfo":
            for var_key, _, value, _, _ in grandchildren:
                if var_key == "Translation":
                    result["translation"] += [struct.unpack_from("<HH", value, i)
                                              for i in range(0, len(value) - 3, 4)]
    return result


def check_version(data, language):
    """The version resource's bytes and the resource language it is stored under."""
    try:
        version = parse_version(data)
    except (ValueError, struct.error, UnicodeDecodeError) as error:
        return ["version resource unreadable: %s" % error]
    failures = []
    if language != LANG_RUSSIAN:
        failures.append("version resource language %#x, expected 0x0419" % language)
    for field, expected in (("file", VERSION), ("product", VERSION), ("flags", 0),
                            ("os", 0x40004), ("type", 1)):
        if version[field] != expected:
            failures.append("version %s is %r, expected %r" % (field, version[field], expected))
    if version["translation"] != [(LANG_RUSSIAN, CODE_PAGE_UNICODE)]:
        failures.append("version translation is %r" % version["translation"])
    table = "%04X%04X" % (LANG_RUSSIAN, CODE_PAGE_UNICODE)
    if list(version["tables"]) != [table]:
        failures.append("version string tables %r, expected [%r]"
                        % (list(version["tables"]), table))
    strings = version["tables"].get(table, {})
    if strings != VERSION_STRINGS:
        failures.append("version strings %r, expected %r" % (strings, VERSION_STRINGS))
    return failures
