# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later

"""Window pictures taken with xwd, read without any imaging library: the pixels of a window as (r, g, b)
rows, a count of the colours in them, and a PNG writer for looking at a picture when a case fails.
"""

import struct
import subprocess
import zlib

_HEADER_FIELDS = 25  # CARD32 fields of an XWD version 7 header


class Picture:
    def __init__(self, width, height, rows):
        self.width = width
        self.height = height
        self.rows = rows  # height lists of width (r, g, b) tuples

    def colours(self):
        return {pixel for row in self.rows for pixel in row}

    def pixel(self, x, y):
        return self.rows[y][x]

    def save_png(self, path):
        raw = b"".join(b"\x00" + bytes(v for pixel in row for v in pixel) for row in self.rows)

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

        with open(path, "wb") as file:
            file.write(b"\x89PNG\r\n\x1a\n")
            file.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            file.write(chunk(b"IDAT", zlib.compress(raw)))
            file.write(chunk(b"IEND", b""))


def parse(data):
    """A TrueColor ZPixmap XWD dump (what xwd writes for a 24-bit Xvfb screen) as a Picture."""
    fields = struct.unpack(">%dI" % _HEADER_FIELDS, data[:4 * _HEADER_FIELDS])
    (header_size, version, pixmap_format, _depth, width, height, _xoffset, byte_order, _unit, _bit_order, _pad,
     bits_per_pixel, bytes_per_line, _visual, red_mask, green_mask, blue_mask, _bits_rgb, _entries, ncolours,
     *_rest) = fields
    if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise ValueError(f"not a 24/32-bit ZPixmap XWD dump (version {version}, format {pixmap_format}, "
                         f"{bits_per_pixel} bits per pixel)")
    start = header_size + ncolours * 12
    step = bits_per_pixel // 8
    order = "little" if byte_order == 0 else "big"

    def shift(mask):
        return (mask & -mask).bit_length() - 1

    shifts = (shift(red_mask), shift(green_mask), shift(blue_mask))
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
        row = []
        for x in range(0, width * step, step):
            value = int.from_bytes(line[x:x + step], order)
            row.append(((value & red_mask) >> shifts[0], (value & green_mask) >> shifts[1],
                        (value & blue_mask) >> shifts[2]))
        rows.append(row)
    return Picture(width, height, rows)


def window_picture(env, window):
    """What the screen shows of a window now (its client area, as xwd reads it from the screen)."""
    result = subprocess.run(["xwd", "-silent", "-id", str(window)], env=env, capture_output=True, timeout=20)
    if result.returncode != 0:
        raise RuntimeError(f"xwd failed: {result.stderr.decode(errors='replace').strip()}")
    return parse(result.stdout)
