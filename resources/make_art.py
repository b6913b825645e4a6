#!/usr/bin/env python3
"""Draws Bildkranz's artwork: the wizard emblem (emblem.gif) and the
application icon (Bildkranz.ico).

Both files are committed, so building the program never needs Python. Run
this again only after changing the drawing below:

    python3 resources/make_art.py

Standard library only, and deterministic: every run writes the same bytes,
and a file whose bytes did not change is not touched, so the resource
compiler does not rebuild for nothing. Before anything is written, the
script reads its own output back with separate, deliberately naive
decoders and refuses to write if they disagree.
"""

import math
import os
import random
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

EMBLEM_SIZE = 96
ICON_SIZES = (16, 32, 48)

# Colour of the wizard panel the emblem sits on. GIF has no partial
# transparency, so the soft edge is pre-blended against this (the dialog
# face colour of the classic and current light themes); pixels whose centre
# lies outside the circle are fully transparent regardless.
PANEL = (240, 240, 240)

TRANSPARENT_INDEX = 0


# ---------------------------------------------------------------------------
# Drawing
# ---------------------------------------------------------------------------

def _lerp(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def _smooth(t):
    t = 0.0 if t < 0.0 else 1.0 if t > 1.0 else t
    return t * t * (3.0 - 2.0 * t)


SKY_LIGHT = (200, 236, 247)
SKY_DEEP = (70, 146, 204)
SUN_CORE = (255, 226, 120)
SUN_EDGE = (252, 184, 56)
GLOW = (255, 236, 170)
BACK_LIT = (108, 148, 176)
BACK_SHADE = (76, 112, 148)
SNOW_LIT = (246, 251, 253)
SNOW_SHADE = (206, 226, 238)
FRONT_LIT = (38, 128, 138)
FRONT_SHADE = (24, 96, 116)
MEADOW_TOP = (52, 150, 128)
MEADOW_BOTTOM = (22, 100, 98)
RIM = (16, 50, 92)


class Scene:
    """The motif in unit coordinates: x to the right, y downwards, the badge
    is the unit disc. Sizes that would vanish on small icons are held to a
    minimum in device pixels, which is why a scene belongs to one size."""

    def __init__(self, radius_px):
        px = 1.0 / radius_px                      # one device pixel, in units
        small = radius_px < 12
        self.rim = max(0.055, 1.0 * px)          # never thinner than a pixel
        self.highlight = 0.035 if radius_px >= 20 else 0.0
        self.sun_x, self.sun_y = 0.36, -0.36
        self.sun_r = max(0.19, 1.6 * px)
        # On a 16-pixel icon a halo only smears the sun into the sky.
        self.glow = 0.0 if small else 0.55
        # Each mountain: peak and the two flank slopes (dy per dx). Small
        # icons get taller, steeper peaks, or they read as one grey lump.
        if small:
            self.back = (-0.30, -0.34, 1.30, 1.15)
            self.front = (0.28, -0.06, 1.30, 1.05)
        else:
            self.back = (-0.30, -0.22, 1.05, 0.95)
            self.front = (0.24, 0.02, 1.10, 0.90)
        self.snow_depth = max(0.17, (2.2 if small else 1.5) * px)
        # The meadow is the top of a large circle, a gentle hill.
        self.meadow_cy, self.meadow_r = 2.35, 1.85

    def colour(self, x, y):
        """Colour at (x, y) inside the disc."""
        r = math.hypot(x, y)
        if r > 1.0 - self.rim:
            return RIM

        # Sky: a soft radial gradient lit from the sun's side.
        d = math.hypot(x - 0.25, y + 0.55)
        c = _lerp(SKY_LIGHT, SKY_DEEP, _smooth(d / 1.75))

        # Sun with a halo that fades out over a little more than its radius.
        ds = math.hypot(x - self.sun_x, y - self.sun_y)
        if ds <= self.sun_r:
            c = _lerp(SUN_CORE, SUN_EDGE, (ds / self.sun_r) ** 2)
        else:
            glow = math.exp(-((ds - self.sun_r) / 0.22) ** 2) * self.glow
            c = _lerp(c, GLOW, glow)

        c = self._mountain(x, y, self.back, BACK_LIT, BACK_SHADE, c, snow=True)
        c = self._mountain(x, y, self.front, FRONT_LIT, FRONT_SHADE, c, snow=False)

        # Meadow across the bottom.
        dm = math.hypot(x * 0.9, y - self.meadow_cy)
        if dm <= self.meadow_r:
            t = _smooth((y - (self.meadow_cy - self.meadow_r)) / 0.7)
            c = _lerp(MEADOW_TOP, MEADOW_BOTTOM, t)

        # A faint bright ring just inside the rim gives the badge some depth.
        if self.highlight and r > 1.0 - self.rim - self.highlight:
            c = _lerp(c, (255, 255, 255), 0.28)
        return c

    def _mountain(self, x, y, shape, lit, shade, under, snow):
        px, py, left, right = shape
        dx = x - px
        edge = py + (left * -dx if dx < 0 else right * dx)
        if y < edge:
            return under
        # Light comes from the sun at the upper right: the right flank is lit.
        # The ridge line between the faces leans slightly to the left.
        ridge = px - 0.18 * (y - py)
        is_lit = x >= ridge
        if snow and y < py + self.snow_depth + 0.05 * math.sin(x * 31.0):
            return SNOW_LIT if is_lit else SNOW_SHADE
        depth = _smooth((y - py) / 1.2) * 0.25
        base = lit if is_lit else shade
        return _lerp(base, (base[0] * 0.7, base[1] * 0.7, base[2] * 0.8), depth)


def render(size, samples, margin):
    """Returns (colours, coverage) row by row, top row first. colours[i] is
    the average RGB of the covered subsamples of pixel i (None when nothing
    of the pixel is covered); coverage[i] is the covered fraction."""
    centre = size / 2.0
    radius = size / 2.0 - margin
    scene = Scene(radius)
    colours, coverage = [], []
    step = 1.0 / samples
    for py in range(size):
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            hit = 0
            for sy in range(samples):
                y = (py + (sy + 0.5) * step - centre) / radius
                for sx in range(samples):
                    x = (px + (sx + 0.5) * step - centre) / radius
                    if x * x + y * y > 1.0:
                        continue
                    c = scene.colour(x, y)
                    acc[0] += c[0]
                    acc[1] += c[1]
                    acc[2] += c[2]
                    hit += 1
            if hit:
                colours.append(tuple(v / hit for v in acc))
            else:
                colours.append(None)
            coverage.append(hit / (samples * samples))
    return colours, coverage


def inside(coverage):
    """The pixel belongs to the picture when its centre lies on the disc,
    which for a convex edge is as good as at least half covered."""
    return coverage >= 0.5


def to_bytes(c):
    return tuple(max(0, min(255, int(round(v)))) for v in c)


# ---------------------------------------------------------------------------
# Palette
# ---------------------------------------------------------------------------

def median_cut(counts, wanted):
    """Median cut over {rgb: pixel count}; returns at most `wanted` colours.
    Everything is ordered explicitly so the result never depends on dict or
    hash order."""
    colours = sorted(counts)
    if len(colours) <= wanted:
        return colours
    boxes = [colours]
    while len(boxes) < wanted:
        best, best_key = None, None
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spans = [max(c[ch] for c in box) - min(c[ch] for c in box) for ch in range(3)]
            weight = sum(counts[c] for c in box)
            key = (max(spans) * math.sqrt(weight), -i)
            if best_key is None or key > best_key:
                best, best_key = i, key
        if best is None:
            break
        box = boxes[best]
        spans = [max(c[ch] for c in box) - min(c[ch] for c in box) for ch in range(3)]
        ch = spans.index(max(spans))
        box = sorted(box, key=lambda c: (c[ch], c))
        total = sum(counts[c] for c in box)
        run, cut = 0, 1
        for j, c in enumerate(box):
            run += counts[c]
            if run * 2 >= total:
                cut = min(max(j + 1, 1), len(box) - 1)
                break
        boxes[best:best + 1] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        n = sum(counts[c] for c in box)
        palette.append(tuple(
            int(round(sum(c[ch] * counts[c] for c in box) / n)) for ch in range(3)))
    return palette


def nearest(palette, c, cache):
    hit = cache.get(c)
    if hit is None:
        best, best_d = 0, None
        for i, p in enumerate(palette):
            d = ((p[0] - c[0]) * 0.30) ** 2 + ((p[1] - c[1]) * 0.59) ** 2 + ((p[2] - c[2]) * 0.11) ** 2
            if best_d is None or d < best_d:
                best, best_d = i, d
        cache[c] = hit = best
    return hit


# ---------------------------------------------------------------------------
# GIF
# ---------------------------------------------------------------------------

def lzw_encode(indices, min_code_size):
    """GIF flavour of LZW: codes are packed LSB first, the width grows from
    min_code_size + 1 up to 12 bits, and once the last code is handed out the
    table is cleared. The width grows one code late, as decoders expect,
    because the decoder learns each new string one code after the encoder."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    acc = 0
    nbits = 0

    def emit(code, width):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    width = min_code_size + 1
    next_code = end + 1
    table = {}
    emit(clear, width)
    if not indices:
        emit(end, width)
    else:
        prefix = indices[0]
        for k in indices[1:]:
            key = (prefix << 8) | k
            code = table.get(key)
            if code is not None:
                prefix = code
                continue
            emit(prefix, width)
            if next_code >= (1 << width) and width < 12:
                width += 1
            if next_code >= 4095:
                # 4095 itself stays unassigned: after the clear the decoder
                # must not have seen a code it cannot represent in 12 bits.
                emit(clear, width)
                table.clear()
                width = min_code_size + 1
                next_code = end + 1
            else:
                table[key] = next_code
                next_code += 1
            prefix = k
        emit(prefix, width)
        if next_code >= (1 << width) and width < 12:
            width += 1
        emit(end, width)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def make_gif(width, height, palette, indices, transparent):
    assert len(palette) == 256 and len(indices) == width * height
    out = bytearray(b"GIF89a")
    # Global colour table present, 8 bits of colour resolution, 256 entries.
    out += struct.pack("<HHBBB", width, height, 0xF7, transparent, 0)
    for r, g, b in palette:
        out += bytes((r, g, b))
    # Graphic Control Extension: no disposal, no delay, transparency on.
    out += b"\x21\xF9\x04" + struct.pack("<BHB", 0x01, 0, transparent) + b"\x00"
    out += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    out.append(8)
    out += sub_blocks(lzw_encode(indices, 8))
    out.append(0x3B)
    return bytes(out)


def build_emblem():
    size = EMBLEM_SIZE
    colours, coverage = render(size, 6, 0.35)
    pixels = []
    for c, cov in zip(colours, coverage):
        if not inside(cov):
            pixels.append(None)
        else:
            # Fold the uncovered part of an edge pixel into the panel colour.
            pixels.append(to_bytes(_lerp(PANEL, c, cov)))
    counts = {}
    for p in pixels:
        if p is not None:
            counts[p] = counts.get(p, 0) + 1
    picture = median_cut(counts, 255)
    # Index 0 is reserved for transparency and never used by a visible pixel;
    # its colour is the panel's so that a viewer ignoring the flag still
    # shows something sensible. Unused slots are padded to a full table.
    palette = [PANEL] + picture
    palette += [(0, 0, 0)] * (256 - len(palette))
    cache = {}
    indices = bytes(TRANSPARENT_INDEX if p is None else 1 + nearest(picture, p, cache)
                    for p in pixels)
    return make_gif(size, size, palette, indices, TRANSPARENT_INDEX), palette, indices


# ---------------------------------------------------------------------------
# ICO
# ---------------------------------------------------------------------------

# Each image is stored as PNG, which Windows reads in icons since Vista (and
# Wine's user32 too): half the bytes of the same pixels as bitmaps.

def _png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def _filtered(line, prev, kind, bpp=4):
    out = bytearray([kind])
    for i, v in enumerate(line):
        a = line[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        out.append((v - (0, a, b, (a + b) // 2, _paeth(a, b, c))[kind]) & 0xFF)
    return out


def make_png(size, rgba):
    """RGBA rows, each with the filter that leaves the smallest differences
    (the usual heuristic), compressed as tightly as zlib can."""
    raw = bytearray()
    prev = bytes(size * 4)
    for row in range(size):
        line = bytes(rgba[row * size * 4:(row + 1) * size * 4])
        raw += min((_filtered(line, prev, kind) for kind in range(5)),
                   key=lambda f: sum(v if v < 128 else 256 - v for v in f[1:]))
        prev = line
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _png_chunk(b"IHDR", header) +
            _png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _png_chunk(b"IEND", b""))


def make_icon_image(size):
    # Fewer subsamples on the smallest icon keep its few pixels crisp
    # instead of averaging every shape into its neighbours.
    colours, coverage = render(size, 4 if size <= 16 else 8, 0.75)
    rgba = bytearray()
    for i in range(size * size):
        if inside(coverage[i]):
            # No blending at the edge: an icon lands on any background,
            # light or dark, so a pre-blended fringe would show somewhere.
            rgba += bytes(to_bytes(colours[i])) + b"\xff"
        else:
            rgba += bytes(4)
    return make_png(size, rgba)


def make_ico(sizes):
    images = [make_icon_image(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    return bytes(out)


# ---------------------------------------------------------------------------
# Self-check: independent readers for what was written above
# ---------------------------------------------------------------------------

class CheckFailed(Exception):
    pass


def check(cond, what):
    if not cond:
        raise CheckFailed(what)


def lzw_decode(data, min_code_size):
    """Textbook GIF LZW decoder, written from the format rather than from the
    encoder above: it keeps the strings themselves in a list."""
    clear = 1 << min_code_size
    end = clear + 1
    pos = 0
    total_bits = len(data) * 8

    def read(width):
        nonlocal pos
        check(pos + width <= total_bits, "LZW data ends without an end code")
        v = 0
        for i in range(width):
            bit = (data[(pos + i) >> 3] >> ((pos + i) & 7)) & 1
            v |= bit << i
        pos += width
        return v

    out = []
    table = None
    width = min_code_size + 1
    prev = None
    while True:
        code = read(width)
        if code == clear:
            table = [[i] for i in range(clear)] + [None, None]
            width = min_code_size + 1
            prev = None
            continue
        if code == end:
            break
        check(table is not None, "LZW data does not start with a clear code")
        if prev is None:
            check(code < clear, "first code after clear is not a literal")
            entry = table[code]
        elif code < len(table):
            check(table[code] is not None, "LZW code refers to a control code")
            entry = table[code]
            table.append(prev + entry[:1])
        elif code == len(table):
            entry = prev + prev[:1]
            table.append(entry)
        else:
            raise CheckFailed("LZW code %d beyond table size %d" % (code, len(table)))
        out.extend(entry)
        prev = entry
        if len(table) >= (1 << width) and width < 12:
            width += 1
        check(len(table) <= 4096, "LZW table overflow without a clear code")
    return out


def read_gif(data):
    check(data[:6] == b"GIF89a", "GIF signature")
    w, h, packed, bg, aspect = struct.unpack_from("<HHBBB", data, 6)
    check(packed & 0x80, "global colour table flag")
    ncolours = 2 << (packed & 7)
    pos = 13
    palette = [tuple(data[pos + 3 * i:pos + 3 * i + 3]) for i in range(ncolours)]
    pos += 3 * ncolours
    transparent = None
    indices = None
    while True:
        tag = data[pos]
        pos += 1
        if tag == 0x21:
            label = data[pos]
            pos += 1
            blocks = []
            while data[pos]:
                blocks.append(data[pos + 1:pos + 1 + data[pos]])
                pos += 1 + data[pos]
            pos += 1
            if label == 0xF9:
                check(len(blocks) == 1 and len(blocks[0]) == 4, "graphic control block size")
                if blocks[0][0] & 1:
                    transparent = blocks[0][3]
        elif tag == 0x2C:
            left, top, iw, ih, ipacked = struct.unpack_from("<HHHHB", data, pos)
            pos += 9
            check((left, top, iw, ih) == (0, 0, w, h), "image covers the screen")
            check(not ipacked & 0x80 and not ipacked & 0x40, "no local table, not interlaced")
            mcs = data[pos]
            pos += 1
            raw = bytearray()
            while data[pos]:
                raw += data[pos + 1:pos + 1 + data[pos]]
                pos += 1 + data[pos]
            pos += 1
            indices = lzw_decode(bytes(raw), mcs)
        elif tag == 0x3B:
            check(pos == len(data), "nothing after the trailer")
            break
        else:
            raise CheckFailed("unknown GIF block 0x%02X" % tag)
    return w, h, palette, transparent, indices


def read_png(data):
    check(data[:8] == b"\x89PNG\r\n\x1a\n", "PNG signature")
    pos, chunks = 8, {}
    while pos < len(data):
        (length,) = struct.unpack_from(">I", data, pos)
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack_from(">I", data, pos + 8 + length)
        check(crc == zlib.crc32(kind + body), "PNG chunk checksum")
        chunks[kind] = chunks.get(kind, b"") + body
        pos += 12 + length
    check(list(chunks)[-1] == b"IEND", "PNG ends with IEND")
    w, h, depth, colour, method, filt, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    check((depth, colour, method, filt, interlace) == (8, 6, 0, 0, 0), "8-bit RGBA PNG")
    raw = zlib.decompress(chunks[b"IDAT"])
    check(len(raw) == h * (1 + 4 * w), "PNG data length")
    pixels, prev = [], bytearray(4 * w)
    for row in range(h):
        kind, line = raw[row * (1 + 4 * w)], bytearray(raw[row * (1 + 4 * w) + 1:(row + 1) * (1 + 4 * w)])
        check(kind <= 4, "PNG filter type")
        for i in range(len(line)):
            a = line[i - 4] if i >= 4 else 0
            b, c = prev[i], prev[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        pixels += [tuple(line[4 * x:4 * x + 4]) for x in range(w)]
        prev = line
    return w, h, pixels


def read_ico(data):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    check(reserved == 0 and kind == 1, "icon directory header")
    images = []
    for n in range(count):
        w, h, colours, res, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * n)
        w = w or 256
        h = h or 256
        img = data[offset:offset + length]
        check(len(img) == length, "icon image inside the file")
        check((planes, bpp, colours, res) == (1, 32, 0, 0), "directory entry")
        pw, ph, pixels = read_png(img)
        check((pw, ph) == (w, h), "PNG size matches the directory")
        for p in pixels:
            check(p[3] in (0, 255), "alpha is all or nothing")
            check(p[3] or p == (0, 0, 0, 0), "a transparent pixel is black")
        images.append((w, h, [p[:3] for p in pixels], [p[3] == 255 for p in pixels]))
    return images


def self_check(gif, palette, indices, ico):
    # The encoder against the decoder on inputs that fill the table several
    # times over, cross the width steps and end on awkward boundaries.
    rng = random.Random(1905)
    cases = [b"", b"\x07", bytes(5000), bytes(range(256)) * 40]
    for n in (1, 2, 255, 256, 257, 511, 512, 513, 4093, 4094, 4095, 4096, 30000):
        cases.append(bytes(rng.randrange(256) for _ in range(n)))
        cases.append(bytes(rng.randrange(3) for _ in range(n)))
    for case in cases:
        check(lzw_decode(lzw_encode(case, 8), 8) == list(case),
              "LZW round trip of %d symbols" % len(case))

    w, h, pal, transparent, got = read_gif(gif)
    check((w, h) == (EMBLEM_SIZE, EMBLEM_SIZE), "emblem size")
    check(len(pal) == 256 and pal == [tuple(p) for p in palette], "emblem palette")
    check(transparent == TRANSPARENT_INDEX, "emblem transparent index")
    check(got == list(indices), "emblem pixels survive encoding")
    c = (EMBLEM_SIZE - 1) / 2.0
    for i, v in enumerate(got):
        x, y = i % w - c, i // w - c
        if math.hypot(x, y) > EMBLEM_SIZE / 2.0:
            check(v == transparent, "emblem corner pixel %d is transparent" % i)
        if math.hypot(x, y) < EMBLEM_SIZE / 2.0 - 2:
            check(v != transparent, "emblem pixel %d inside the disc is opaque" % i)

    images = read_ico(ico)
    check([(img[0], img[1]) for img in images] == [(s, s) for s in ICON_SIZES], "icon sizes")
    for w, h, rgb, opaque in images:
        check(not opaque[0] and not opaque[w - 1] and not opaque[-1], "icon corners masked")
        check(opaque[(h // 2) * w + w // 2], "icon centre opaque")


# ---------------------------------------------------------------------------

def write_if_changed(path, data):
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return False
    except FileNotFoundError:
        pass
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)
    return True


def main():
    gif, palette, indices = build_emblem()
    ico = make_ico(ICON_SIZES)
    try:
        self_check(gif, palette, indices, ico)
    except CheckFailed as e:
        sys.exit("make_art.py: self-check failed: %s" % e)
    for name, data in (("emblem.gif", gif), ("Bildkranz.ico", ico)):
        path = os.path.join(HERE, name)
        state = "written" if write_if_changed(path, data) else "unchanged"
        print("%s: %d bytes, %s" % (name, len(data), state))


if __name__ == "__main__":
    main()
