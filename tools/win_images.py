#!/usr/bin/env python3
"""Binary artwork that ImageMagick cannot write the way the kiosk needs it.

Subcommands (all output is deterministic, standard library only):
  pen SIZE STYLE OUT.png       the pen glyph shared by launcher, icon and cursor
  texture OUT.bmp              the soft round brush of the signature pad
  icon OUT.ico RAW:SIZE...     an icon from raw RGBA files (convert ... rgba:)
  cursor OUT.cur HX HY [PNG]   the 32 x 32 pen cursor, 24-bit, with its hot spot
                               (PNG: an enlarged-view preview for the developer)
  check FILE...                parse written BMP/ICO/CUR files back and verify them
"""
import math
import struct
import sys
import zlib

# Pen geometry in unit coordinates: the tip sits lower left, the pen rises at
# 45 degrees to the upper right, so the same glyph reads as "write here".
PEN_TIP = (0.16, 0.84)
PEN_LENGTH = 0.92
PEN_HALF_WIDTH = 0.095
PEN_NIB = 0.24
PEN_CAP = 0.16

STYLES = {
    # body, nib, cap, ink line at the very tip
    "light": ((255, 255, 255), (214, 224, 236), (242, 179, 61), (242, 179, 61)),
    "cursor": ((47, 111, 167), (226, 230, 236), (242, 179, 61), (0, 0, 0)),
}


def pen_part(px, py, tip, length, half):
    """Which part of the pen covers (px, py): None, 'tip', 'nib', 'body', 'cap'."""
    dx, dy = px - tip[0], py - tip[1]
    r = 1 / math.sqrt(2)
    t = (dx - dy) * r  # along the axis, towards the upper right
    w = abs(dx + dy) * r  # distance from the axis
    if t < 0 or t > length:
        return None
    nib = PEN_NIB / PEN_LENGTH * length
    cap = PEN_CAP / PEN_LENGTH * length
    if t < nib:
        if w > half * t / nib:
            return None
        return "tip" if t < nib * 0.35 else "nib"
    if w > half:
        return None
    if t > length - cap:
        # rounded end so the pen does not look like a stick
        end = length - half
        if t > end and math.hypot(t - end, w) > half:
            return None
        return "cap"
    return "body"


def render_pen(size, style):
    """RGBA rows of the pen, 4 x 4 supersampled for soft edges."""
    body, nib, cap, ink = STYLES[style]
    colours = {"tip": ink, "nib": nib, "body": body, "cap": cap}
    tip = (PEN_TIP[0] * size, PEN_TIP[1] * size)
    length, half = PEN_LENGTH * size, PEN_HALF_WIDTH * size
    n = 4
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    part = pen_part(x + (sx + 0.5) / n, y + (sy + 0.5) / n,
                                    tip, length, half)
                    if part:
                        c = colours[part]
                        acc = [a + b for a, b in zip(acc, c)]
                        hits += 1
            if hits:
                row += bytes(round(a / hits) for a in acc)
                row.append(round(255 * hits / (n * n)))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return rows


def write_png(path, width, height, rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + r for r in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def bmp_bytes(width, height, pixel_rgb):
    """A 24-bit bottom-up BMP with the 40-byte info header."""
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel_rgb(x, y)
            row += bytes((b, g, r))
        data += row + b"\0" * (stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data),
                       2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    return head + info + bytes(data)


def texture(path, size=32):
    # Gaussian falloff shifted so it reaches exactly 0 at the rim: black = no ink.
    k = 3.2
    floor = math.exp(-k)
    c = (size - 1) / 2

    def value(x, y):
        d = math.hypot(x - c, y - c) / (size / 2)
        if d >= 1:
            return 0
        return round(255 * (math.exp(-k * d * d) - floor) / (1 - floor))

    with open(path, "wb") as f:
        f.write(bmp_bytes(size, size, lambda x, y: (value(x, y),) * 3))


def read_raw(path, size):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) != size * size * 4:
        sys.exit(f"{path}: expected {size}x{size} RGBA, got {len(data)} bytes")
    return [data[y * size * 4:(y + 1) * size * 4] for y in range(size)]


def dib_32(size, rows):
    """Icon image: 32-bit BGRA XOR bitmap plus the 1-bit AND mask."""
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for y in range(size - 1, -1, -1):
        row = rows[y]
        bits = 0
        line = bytearray()
        for x in range(size):
            r, g, b, a = row[4 * x:4 * x + 4]
            xor += bytes((b, g, r, a))
            bits = (bits << 1) | (1 if a == 0 else 0)
            if x % 8 == 7:
                line.append(bits)
                bits = 0
        mask += line + b"\0" * (mask_stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def icon(path, sources):
    images = []
    for source in sources:
        raw, size = source.rsplit(":", 1)
        size = int(size)
        images.append((size, dib_32(size, read_raw(raw, size))))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, dib in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                           len(dib), offset)
        offset += len(dib)
    with open(path, "wb") as f:
        f.write(out + b"".join(d for _, d in images))


def cursor_pixels(hx, hy, size=32):
    """Crisp pen for a 1-bit mask: each pixel is either opaque or not.

    The pen is drawn so that its tip pixel is the hot spot and nothing lies
    beyond it, with a black outline that keeps it visible on the white pad.
    """
    body, nib, cap, ink = STYLES["cursor"]
    colours = {"tip": ink, "nib": nib, "body": body, "cap": cap}
    tip = (hx + 0.5, hy + 0.5)
    length, half = 29.0, 3.2

    def part(x, y):
        return pen_part(x + 0.5, y + 0.5, tip, length, half)

    pix = {}
    for y in range(size):
        for x in range(size):
            p = part(x, y)
            if p:
                pix[(x, y)] = colours[p]
    outline = {}
    for (x, y) in pix:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                q = (x + dx, y + dy)
                behind_tip = (q[0] - hx) - (q[1] - hy) <= 0
                if q not in pix and not behind_tip and 0 <= q[0] < size and 0 <= q[1] < size:
                    outline[q] = (0, 0, 0)
    pix.update(outline)
    pix[(hx, hy)] = ink
    return pix


def cursor(path, hx, hy, preview=None, size=32):
    pix = cursor_pixels(hx, hy, size)
    stride = size * 3
    mask_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = 0
        line = bytearray()
        for x in range(size):
            c = pix.get((x, y))
            # transparent: AND 1 with XOR black leaves the screen unchanged
            xor += bytes((c[2], c[1], c[0])) if c else b"\0\0\0"
            bits = (bits << 1) | (0 if c else 1)
            if x % 8 == 7:
                line.append(bits)
                bits = 0
        mask += line + b"\0" * (mask_stride - len(line))
    assert len(xor) == stride * size
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    dib = info + bytes(xor) + bytes(mask)
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, hx, hy, len(dib), 22)
    with open(path, "wb") as f:
        f.write(head + entry + dib)
    if preview:
        rows = []
        for y in range(size):
            row = bytearray()
            for x in range(size):
                c = pix.get((x, y))
                row += bytes(c) + b"\xff" if c else b"\0\0\0\0"
            rows.append(bytes(row))
        write_png(preview, size, size, rows)


def fail(path, why):
    sys.exit(f"check failed: {path}: {why}")


def check_bmp(path, data):
    magic, fsize, _, _, off = struct.unpack_from("<2sIHHI", data, 0)
    size, w, h, planes, bpp, comp = struct.unpack_from("<IiiHHI", data, 14)
    if magic != b"BM" or fsize != len(data) or off != 54:
        fail(path, "bad file header")
    if size != 40 or planes != 1 or bpp != 24 or comp != 0 or h <= 0:
        fail(path, f"header {size}/{bpp}/{comp}/{h}: want 40-byte, 24 bpp, BI_RGB, bottom-up")
    if off + ((w * 3 + 3) & ~3) * h > len(data):
        fail(path, "pixel data too short")
    return f"{w}x{h} 24bpp BMP"


def check_icon_dir(path, data, want_type):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != want_type or count < 1:
        fail(path, "bad icon directory")
    entries = []
    for i in range(count):
        w, h, _, _, f1, f2, length, off = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        size, dw, dh, planes, bpp = struct.unpack_from("<IiiHH", data, off)
        if size != 40 or dw != (w or 256) or dh != 2 * dw or off + length > len(data):
            fail(path, f"entry {i}: bad image header")
        entries.append((w or 256, f1, f2, bpp))
    return entries


def cursor_opaque_at(data, x, y):
    """AND-mask bit of a single-image 32 x 32 24-bit cursor; 0 means drawn."""
    off = struct.unpack_from("<I", data, 18)[0]
    mask = off + 40 + 32 * 32 * 3
    row = 31 - y  # bottom-up
    byte = data[mask + row * 4 + x // 8]
    return not (byte >> (7 - x % 8)) & 1


def check(paths):
    for path in paths:
        with open(path, "rb") as f:
            data = f.read()
        if path.endswith(".bmp"):
            what = check_bmp(path, data)
        elif path.endswith(".cur"):
            e = check_icon_dir(path, data, 2)
            if len(e) != 1 or e[0] != (32, 4, 26, 24):
                fail(path, f"want one 32x32 24-bit image, hot spot (4, 26): {e}")
            if not cursor_opaque_at(data, 4, 26):
                fail(path, "the hot spot pixel is transparent")
            what = f"cursor 32x32 24bpp hot spot ({e[0][1]}, {e[0][2]})"
        elif path.endswith(".ico"):
            e = check_icon_dir(path, data, 1)
            what = "icon " + ", ".join(f"{s}x{s}/{b}bpp" for s, _, _, b in e)
        else:
            fail(path, "unknown kind")
        print(f"ok {path}: {what}")


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    cmd = argv[1]
    if cmd == "pen" and len(argv) == 5:
        size = int(argv[2])
        write_png(argv[4], size, size, render_pen(size, argv[3]))
    elif cmd == "texture" and len(argv) == 3:
        texture(argv[2])
    elif cmd == "icon" and len(argv) >= 4:
        icon(argv[2], argv[3:])
    elif cmd == "cursor" and len(argv) in (5, 6):
        cursor(argv[2], int(argv[3]), int(argv[4]), argv[5] if len(argv) == 6 else None)
    elif cmd == "check":
        check(argv[2:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
