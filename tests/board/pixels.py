"""Pictures of the board test: QEMU's PPM screendumps, the dashboard's own PNG snapshots, and the
comparisons between them. Pure python3: the test machine needs nothing beyond Debian's python3."""

import struct
import zlib


class Image:
    """Packed 8-bit RGB, rows top to bottom."""

    def __init__(self, w, h, data):
        assert len(data) == w * h * 3, "image data does not match its size"
        self.w, self.h, self.data = w, h, bytes(data)

    def crop(self, x, y, w, h):
        if x < 0 or y < 0 or x + w > self.w or y + h > self.h:
            raise ValueError(f"crop {w}x{h}+{x}+{y} leaves the {self.w}x{self.h} picture")
        rows = [self.data[((y + r) * self.w + x) * 3:((y + r) * self.w + x + w) * 3] for r in range(h)]
        return Image(w, h, b"".join(rows))

    def rotate90(self):
        """Turned clockwise: picture pixel (x, y) lands at (h - 1 - y, x), as the presenters turn it."""
        out = bytearray(self.w * self.h * 3)
        nw = self.h
        for y in range(self.h):
            row = self.data[y * self.w * 3:(y + 1) * self.w * 3]
            nx = self.h - 1 - y
            for x in range(self.w):
                o = (x * nw + nx) * 3
                out[o:o + 3] = row[x * 3:x * 3 + 3]
        return Image(self.h, self.w, out)

    def count_not_black(self, rects, level=24):
        """Pixels in rects with any channel above level."""
        n = 0
        for (x, y, w, h) in rects:
            for r in range(y, y + h):
                row = self.data[(r * self.w + x) * 3:(r * self.w + x + w) * 3]
                if max(row, default=0) <= level:
                    continue
                n += sum(1 for i in range(0, len(row), 3) if max(row[i], row[i + 1], row[i + 2]) > level)
        return n


def read_ppm(path):
    with open(path, "rb") as f:
        blob = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while blob[pos:pos + 1].isspace():
            pos += 1
        if blob[pos:pos + 1] == b"#":
            pos = blob.index(b"\n", pos) + 1
            continue
        end = pos
        while not blob[end:end + 1].isspace():
            end += 1
        fields.append(blob[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError(f"{path}: not an 8-bit binary PPM")
    w, h = int(fields[1]), int(fields[2])
    return Image(w, h, blob[pos + 1:pos + 1 + w * h * 3])


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def read_png(path):
    """8-bit RGB or RGBA PNG, not interlaced: what the dashboard's writer and QEMU write."""
    with open(path, "rb") as f:
        blob = f.read()
    if blob[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    pos, idat, w = 8, [], None
    while pos < len(blob):
        length, kind = struct.unpack(">I4s", blob[pos:pos + 8])
        body = blob[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            w, h, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise ValueError(f"{path}: only 8-bit RGB(A) without interlace is read here")
            bpp = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
    if w is None:
        raise ValueError(f"{path}: no IHDR")
    raw = zlib.decompress(b"".join(idat))
    stride = w * bpp
    prev = bytearray(stride)
    out = bytearray()
    for y in range(h):
        ft = raw[y * (stride + 1)]
        cur = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if ft == 1:
            for i in range(bpp, stride):
                cur[i] = (cur[i] + cur[i - bpp]) & 255
        elif ft == 2:
            for i in range(stride):
                cur[i] = (cur[i] + prev[i]) & 255
        elif ft == 3:
            for i in range(stride):
                cur[i] = (cur[i] + ((cur[i - bpp] if i >= bpp else 0) + prev[i]) // 2) & 255
        elif ft == 4:
            for i in range(stride):
                a = cur[i - bpp] if i >= bpp else 0
                c = prev[i - bpp] if i >= bpp else 0
                cur[i] = (cur[i] + _paeth(a, prev[i], c)) & 255
        elif ft != 0:
            raise ValueError(f"{path}: unknown filter {ft} in row {y}")
        if bpp == 4:
            out += b"".join(bytes(cur[i:i + 3]) for i in range(0, stride, 4))
        else:
            out += cur
        prev = cur
    return Image(w, h, out)


def write_png(image, path):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    stride = image.w * 3
    raw = b"".join(b"\0" + image.data[y * stride:(y + 1) * stride] for y in range(image.h))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", image.w, image.h, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def compare(a, b, masks=(), tolerance=8):
    """(pixels within tolerance per channel, pixels compared) of two same-sized pictures,
    leaving out the masked rectangles (x, y, w, h)."""
    if (a.w, a.h) != (b.w, b.h):
        raise ValueError(f"compare {a.w}x{a.h} with {b.w}x{b.h}")
    row_masks = [[] for _ in range(a.h)]
    for (x, y, w, h) in masks:
        for r in range(max(0, y), min(a.h, y + h)):
            row_masks[r].append((max(0, x), min(a.w, x + w)))
    good = total = 0
    for y in range(a.h):
        ra = a.data[y * a.w * 3:(y + 1) * a.w * 3]
        rb = b.data[y * a.w * 3:(y + 1) * a.w * 3]
        spans = sorted(row_masks[y])
        cols, x = [], 0
        for (x0, x1) in spans:
            if x0 > x:
                cols.append((x, x0))
            x = max(x, x1)
        if x < a.w:
            cols.append((x, a.w))
        for (x0, x1) in cols:
            sa, sb = ra[x0 * 3:x1 * 3], rb[x0 * 3:x1 * 3]
            n = x1 - x0
            total += n
            if sa == sb:
                good += n
                continue
            for i in range(0, n * 3, 3):
                if abs(sa[i] - sb[i]) <= tolerance and abs(sa[i + 1] - sb[i + 1]) <= tolerance \
                        and abs(sa[i + 2] - sb[i + 2]) <= tolerance:
                    good += 1
    return good, total


def rotate_rects90(rects, w, h):
    """The masks of a w x h picture once it is turned clockwise (see Image.rotate90)."""
    return [(h - (y + rh), x, rh, rw) for (x, y, rw, rh) in rects]
