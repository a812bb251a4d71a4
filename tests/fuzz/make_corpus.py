#!/usr/bin/env python3
"""Writes the seed corpus for fuzz_bmp into corpus/ beside this script.

The prefix of each name says which parser must accept the file; the
regression test checks it:
  both-  ParseBmpFile and ParseBrushDib accept it
  file-  only ParseBmpFile (a header the brush reader does not know)
  dib-   only ParseBrushDib (a bare DIB without "BM")
  none-  neither
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")


def row_bytes(width, bits):
    return (bits * width + 31) // 32 * 4


def info_header(width, height, bits, compression=0, clr_used=0, size=40):
    head = struct.pack("<IiiHHIIiiII", size, width, height, 1, bits, compression,
                       0, 0, 0, clr_used, 0)
    return head + bytes(size - 40)


def core_header(width, height, bits):
    return struct.pack("<IHHHH", 12, width, height, 1, bits)


def pixels(width, height, bits):
    n = row_bytes(width, bits) * abs(height)
    return bytes((i * 37 + 11) & 0xFF for i in range(n))


def grey_table(entries, entry_size=4):
    out = bytearray()
    for i in range(entries):
        g = i * 255 // max(entries - 1, 1)
        out += bytes([g, g, g] + [0] * (entry_size - 3))
    return bytes(out)


def with_file_header(dib_head, rows, off_bits=None):
    off = 14 + len(dib_head) if off_bits is None else off_bits
    body = dib_head + bytes(max(0, off - 14 - len(dib_head))) + rows
    return struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, off) + body


def bmp(width, height, bits, clr_used=0, compression=0, masks=b"", size=40, off_bits=None):
    entries = clr_used or (1 << bits if bits <= 8 else 0)
    head = info_header(width, height, bits, compression, clr_used, size) + masks + grey_table(entries)
    return with_file_header(head, pixels(width, height, bits), off_bits)


def files():
    rgb_masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    core8 = core_header(3, 2, 8) + grey_table(256, 3)
    yield "both-24bit-3x2.bmp", bmp(3, 2, 24)
    yield "both-32bit-topdown-2x2.bmp", bmp(2, -2, 32)
    yield "both-8bit-full-table-5x2.bmp", bmp(5, 2, 8)
    yield "both-8bit-clrused2-4x1.bmp", bmp(4, 1, 8, clr_used=2)
    yield "both-4bit-3x3.bmp", bmp(3, 3, 4)
    yield "both-1bit-9x2.bmp", bmp(9, 2, 1)
    yield "both-16bit-bitfields-3x2.bmp", bmp(3, 2, 16, compression=3, masks=rgb_masks)
    yield "both-core-8bit-3x2.bmp", with_file_header(core8, pixels(3, 2, 8))
    yield "file-v5-32bit-2x2.bmp", bmp(2, 2, 32, size=124)
    yield "dib-bare-24bit-5x2.dib", info_header(5, 2, 24) + pixels(5, 2, 24)
    yield "dib-bare-core-4bit-3x2.dib", core_header(3, 2, 4) + grey_table(16, 3) + pixels(3, 2, 4)
    good = bmp(3, 2, 24)
    yield "none-truncated-rows.bmp", good[:-1]
    yield "none-offbits-in-header.bmp", good[:10] + struct.pack("<I", 40) + good[14:]
    yield "none-height-int32min.bmp", good[:22] + struct.pack("<i", -2**31) + good[26:]
    yield "none-clrused-257.bmp", bmp(2, 1, 8)[:46] + struct.pack("<I", 257) + bmp(2, 1, 8)[50:]
    yield "none-rle8.bmp", bmp(4, 2, 8, compression=1)
    yield "none-header-size-64.bmp", good[:14] + struct.pack("<I", 64) + good[18:]
    yield "none-huge-width.bmp", good[:18] + struct.pack("<i", 0x7FFFFFFF) + good[22:]


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in files():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
