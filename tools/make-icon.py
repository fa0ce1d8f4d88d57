#!/usr/bin/env python3
"""Draws the program's icon, a blue shield with a golden keyhole, and writes it as a .ico
file with four images: 16 x 16 and 32 x 32, each in 256 colours and in 16 colours, stored
as bitmaps with AND masks so that every Windows from 2000 on can show them.

Usage: tools/make-icon.py [OUTPUT.ico]   (default: resources/setup.ico)
Plain python3, no extra modules: the output is the same on every run.
"""
import math
import os
import struct
import sys

SUBSAMPLES = 8  # per pixel side: edges are judged on an 8 x 8 grid

# The standard 16-colour palette, in its usual order: a 16-colour display shows these
# exactly, so the 4-bit images use them and nothing else.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]

# Parts of the picture, back to front.
OUTSIDE, RIM, LIGHT, SHADE, KEY_EDGE, KEY = range(6)

# The 16-colour rendering of each part.
FLAT = {RIM: VGA[0], LIGHT: VGA[12], SHADE: VGA[4], KEY_EDGE: VGA[3], KEY: VGA[11]}


def shield_half_width(y):
    """Half the shield's width at height y (0 top, 1 bottom), or None outside it."""
    if y < 0.06 or y > 0.95:
        return None
    if y <= 0.52:
        return 0.40
    # The lower part narrows along a curve to a point.
    t = (y - 0.52) / (0.95 - 0.52)
    return 0.40 * math.sqrt(max(0.0, 1.0 - t ** 1.7))


def inside_shield(x, y):
    # The top edge dips a little towards the middle.
    top = 0.06 + 0.06 * (1.0 - ((x - 0.5) / 0.40) ** 2)
    if y < top:
        return False
    half = shield_half_width(y)
    return half is not None and abs(x - 0.5) <= half


def inside_keyhole(x, y, grow=0.0, scale=1.0):
    x = 0.5 + (x - 0.5) / scale
    y = 0.55 + (y - 0.55) / scale
    if math.hypot(x - 0.5, y - 0.40) <= 0.115 + grow:
        return True
    if 0.40 <= y <= 0.74 + grow:
        t = (y - 0.40) / 0.34
        return abs(x - 0.5) <= 0.05 + 0.05 * t + grow
    return False


def part_at(x, y, rim, key_rim, key_scale):
    """The part of the picture at (x, y); `rim` is the shield's border width, `key_rim`
    the keyhole's, `key_scale` how much larger than drawn the keyhole is."""
    if not inside_shield(x, y):
        return OUTSIDE
    near_edge = any(not inside_shield(x + dx * rim, y + dy * rim)
                    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1),
                                   (0.7, 0.7), (-0.7, 0.7), (0.7, -0.7), (-0.7, -0.7)))
    if near_edge:
        return RIM
    if inside_keyhole(x, y, scale=key_scale):
        return KEY
    if key_rim and inside_keyhole(x, y, grow=key_rim, scale=key_scale):
        return KEY_EDGE
    # The left half catches the light.
    return LIGHT if x < 0.5 else SHADE


def rich_colour(part, x, y):
    """The 256-colour rendering: gentle gradients on the same parts."""
    if part == RIM:
        return (16, 40, 96)
    if part == KEY_EDGE:
        return (120, 80, 16)
    if part == KEY:
        glow = max(0.0, 1.0 - math.hypot(x - 0.46, y - 0.36) / 0.35)
        return (int(228 + 27 * glow), int(172 + 60 * glow), int(32 + 60 * glow))
    depth = min(1.0, max(0.0, (y - 0.1) / 0.85))
    if part == LIGHT:
        return (int(72 - 40 * depth), int(146 - 50 * depth), int(236 - 36 * depth))
    return (int(34 - 16 * depth), int(92 - 36 * depth), int(186 - 40 * depth))


def render(size, flat):
    """Rows of (r, g, b) or None (transparent), top row first."""
    rim = 1.15 / size
    # At 16 pixels a border round the keyhole would leave no keyhole to see, and a
    # larger one reads better.
    key_rim = 1.0 / size if size >= 32 else 0.0
    key_scale = 1.0 if size >= 32 else 1.3
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            samples = []
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    x = (px + (sx + 0.5) / SUBSAMPLES) / size
                    y = (py + (sy + 0.5) / SUBSAMPLES) / size
                    samples.append((part_at(x, y, rim, key_rim, key_scale), x, y))
            covered = [s for s in samples if s[0] != OUTSIDE]
            # Without partial transparency a pixel belongs to the picture when the
            # picture covers at least half of it.
            if 2 * len(covered) < len(samples):
                row.append(None)
            elif flat:
                parts = [s[0] for s in covered]
                row.append(FLAT[max(set(parts), key=lambda p: (parts.count(p), p))])
            else:
                colours = [rich_colour(*s) for s in covered]
                row.append(tuple(sum(c[i] for c in colours) // len(colours) for i in range(3)))
        rows.append(row)
    return rows


def palette_for(rows):
    """At most 256 colours holding every colour of the image: the picture's own colours,
    merged on coarser steps only if there are too many."""
    colours = sorted({c for row in rows for c in row if c is not None})
    step = 1
    while len(colours) > 255:
        step *= 2
        colours = sorted({tuple(min(255, v // step * step + step // 2) for v in c)
                          for c in colours})
    return [(0, 0, 0)] + colours


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def row_bytes(bits, width):
    """Bytes of one bitmap row, padded to whole 32-bit words."""
    return (bits * width + 31) // 32 * 4


def bitmap(rows, bits):
    size = len(rows)
    palette = VGA if bits == 4 else palette_for(rows)
    palette = palette + [(0, 0, 0)] * ((1 << bits) - len(palette))
    lookup = {}
    colour_data = bytearray()
    mask_data = bytearray()
    # Bitmaps store the bottom row first.
    for row in reversed(rows):
        indices = []
        mask_bits = []
        for colour in row:
            if colour is None:
                # Transparent: black in the colour image, set in the mask, so the screen
                # shows through unchanged.
                indices.append(0)
                mask_bits.append(1)
            else:
                if colour not in lookup:
                    lookup[colour] = nearest(palette, colour)
                indices.append(lookup[colour])
                mask_bits.append(0)
        packed = bytearray()
        if bits == 8:
            packed.extend(indices)
        else:
            for i in range(0, size, 2):
                packed.append(indices[i] << 4 | indices[i + 1])
        colour_data += packed.ljust(row_bytes(bits, size), b"\0")
        mask = bytearray()
        for i in range(0, size, 8):
            byte = 0
            for bit in mask_bits[i:i + 8]:
                byte = byte << 1 | bit
            mask.append(byte)
        mask_data += mask.ljust(row_bytes(1, size), b"\0")
    # The height counts the colour image and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0,
                         len(colour_data) + len(mask_data), 0, 0, 1 << bits, 0)
    colour_table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colour_table + bytes(colour_data) + bytes(mask_data)


def icon_file(images):
    """images: [(size, bits, bitmap bytes)] in directory order."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, bits, data in images:
        colours = 1 << bits if bits < 8 else 0
        entries += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(data for _, _, data in images)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "setup.ico")
    images = []
    for size in (32, 16):
        images.append((size, 8, bitmap(render(size, flat=False), 8)))
        images.append((size, 4, bitmap(render(size, flat=True), 4)))
    with open(output, "wb") as file:
        file.write(icon_file(images))
    print("%s: %d images" % (output, len(images)))


if __name__ == "__main__":
    main()
