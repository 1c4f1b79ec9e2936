#!/usr/bin/env python3
"""Writes the test pictures of tests/data/images and tests/data/bad_images.

Every good picture comes with a truth file (PAM, the exact pixels a loader must give) and a
line in manifest.txt: "file truth tolerance". Every bad picture gets a line in
bad_images/manifest.txt: "file expected" where expected is Failed, TooLarge or Any (Any: the
file is damaged in a way the format tolerates; only "no crash" is required).
Run from anywhere; needs python3, cjpeg and ImageMagick's convert.
"""
import os
import struct
import subprocess
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
BAD = os.path.join(os.path.dirname(HERE), "bad_images")

W, H = 5, 3
# 15 distinct colours, so that 4- and 8-bit palettes can hold the picture.
PATTERN = [
    [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0)],
    [(10, 20, 30), (200, 100, 50), (128, 128, 128), (255, 255, 0), (0, 255, 255)],
    [(255, 0, 255), (1, 2, 3), (250, 240, 230), (64, 32, 16), (90, 180, 45)],
]
ALPHA = [[255, 0, 128, 200, 1], [17, 255, 255, 34, 99], [0, 0, 255, 128, 77]]
TWO = [[(0, 0, 0) if (x + y) % 2 else (255, 255, 255) for x in range(W)] for y in range(H)]
GREYS = [[(v, v, v) for v in row] for row in [[0, 17, 34, 51, 68], [85, 102, 119, 136, 153],
                                             [170, 187, 204, 221, 255]]]

manifest = []
bad_manifest = []


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def pam(rows, alpha=None):
    h, w = len(rows), len(rows[0])
    depth = 4 if alpha else 3
    head = "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n" % (
        w, h, depth, "RGB_ALPHA" if alpha else "RGB")
    body = bytearray()
    for y in range(h):
        for x in range(w):
            body += bytes(rows[y][x])
            if alpha:
                body.append(alpha[y][x])
    return head.encode() + bytes(body)


def good(name, data, rows, alpha=None, tolerance=0):
    write(os.path.join(HERE, name), data)
    truth = name + ".pam"
    write(os.path.join(HERE, truth), pam(rows, alpha))
    manifest.append("%s %s %d" % (name, truth, tolerance))


def bad(name, data, expected):
    write(os.path.join(BAD, name), data)
    bad_manifest.append("%s %s" % (name, expected))


# --- PNG ---------------------------------------------------------------------------------------

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def pack_bits(values, depth):
    out = bytearray()
    acc, n = 0, 0
    for v in values:
        acc = (acc << depth) | v
        n += depth
        if n == 8:
            out.append(acc)
            acc, n = 0, 0
    if n:
        out.append(acc << (8 - n))
    return bytes(out)


def png(w, h, color_type, depth, samples, palette=None, trns=None, interlace=False):
    """samples[y][x] is a tuple of channel values at the given depth."""
    def raw_row(row):
        if depth < 8:
            return pack_bits([s[0] for s in row], depth)
        if depth == 16:
            return b"".join(struct.pack(">" + "H" * len(s), *s) for s in row)
        return b"".join(bytes(s) for s in row)

    raw = bytearray()
    if interlace:
        passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4),
                  (1, 0, 2, 2), (0, 1, 1, 2)]
        for x0, y0, dx, dy in passes:
            for y in range(y0, h, dy):
                row = [samples[y][x] for x in range(x0, w, dx)]
                if row:
                    raw += b"\0" + raw_row(row)
    else:
        for y in range(h):
            raw += b"\0" + raw_row(samples[y])
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, color_type, 0, 0, 1 if interlace else 0))
    if palette:
        out += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        out += chunk(b"tRNS", trns)
    out += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    out += chunk(b"IEND", b"")
    return out


def colours_of(rows):
    seen = []
    for row in rows:
        for c in row:
            if c not in seen:
                seen.append(c)
    return seen


def make_pngs():
    rgb = [[c for c in row] for row in PATTERN]
    good("rgb8.png", png(W, H, 2, 8, rgb), PATTERN)
    good("rgb8_interlaced.png", png(W, H, 2, 8, rgb, interlace=True), PATTERN)
    good("rgb16.png", png(W, H, 2, 16, [[tuple(v * 257 for v in c) for c in row] for row in PATTERN]), PATTERN)
    rgba = [[PATTERN[y][x] + (ALPHA[y][x],) for x in range(W)] for y in range(H)]
    good("rgba8.png", png(W, H, 6, 8, rgba), PATTERN, ALPHA)
    good("rgba16.png", png(W, H, 6, 16, [[tuple(v * 257 for v in c) for c in row] for row in rgba]), PATTERN, ALPHA)
    good("rgba8_interlaced.png", png(W, H, 6, 8, rgba, interlace=True), PATTERN, ALPHA)
    grey = [[(c[0],) for c in row] for row in GREYS]
    good("grey8.png", png(W, H, 0, 8, grey), GREYS)
    good("grey16.png", png(W, H, 0, 16, [[(c[0] * 257,) for c in row] for row in GREYS]), GREYS)
    good("grey4.png", png(W, H, 0, 4, [[(c[0] // 17,) for c in row] for row in GREYS]), GREYS)
    good("grey1.png", png(W, H, 0, 1, [[(1 if c == (255, 255, 255) else 0,) for c in row] for row in TWO]), TWO)
    grey2_rows = [[(v * 85,) * 3 for v in [0, 1, 2, 3, 0]] for _ in range(H)]
    good("grey2.png", png(W, H, 0, 2, [[(v,) for v in [0, 1, 2, 3, 0]] for _ in range(H)]), grey2_rows)
    good("greyalpha8.png", png(W, H, 4, 8, [[(GREYS[y][x][0], ALPHA[y][x]) for x in range(W)] for y in range(H)]), GREYS, ALPHA)
    pal = colours_of(PATTERN)
    idx = [[(pal.index(c),) for c in row] for row in PATTERN]
    good("palette8.png", png(W, H, 3, 8, idx, palette=pal), PATTERN)
    good("palette4.png", png(W, H, 3, 4, idx, palette=pal), PATTERN)
    good("palette4_interlaced.png", png(W, H, 3, 4, idx, palette=pal, interlace=True), PATTERN)
    two = colours_of(TWO)
    good("palette1.png", png(W, H, 3, 1, [[(two.index(c),) for c in row] for row in TWO], palette=two), TWO)
    # A tRNS chunk on a palette: entry 0 (red) half transparent, the rest opaque.
    pal_alpha = [[128 if PATTERN[y][x] == pal[0] else 255 for x in range(W)] for y in range(H)]
    good("palette8_trns.png", png(W, H, 3, 8, idx, palette=pal, trns=bytes([128])), PATTERN, pal_alpha)
    # A colour key on an RGB picture: pure blue becomes transparent.
    key_alpha = [[0 if PATTERN[y][x] == (0, 0, 255) else 255 for x in range(W)] for y in range(H)]
    good("rgb8_key.png", png(W, H, 2, 8, rgb, trns=struct.pack(">HHH", 0, 0, 255)), PATTERN, key_alpha)
    # The size limit: 350 x 100 is accepted, one more pixel either way is not.
    for w, h in [(350, 100), (351, 100)]:
        write(os.path.join(HERE, "size_%dx%d.png" % (w, h)), png(w, h, 2, 8, [[(0, 128, 255)] * w] * h))


# --- JPEG --------------------------------------------------------------------------------------

def ppm(rows):
    h, w = len(rows), len(rows[0])
    return ("P6\n%d %d\n255\n" % (w, h)).encode() + b"".join(bytes(c) for row in rows for c in row)


def solid(w, h, c):
    return [[c] * w for _ in range(h)]


def cjpeg(rows, *args):
    src = os.path.join(HERE, "_tmp.ppm")
    write(src, ppm(rows))
    out = subprocess.run(["cjpeg", *args, src], check=True, stdout=subprocess.PIPE).stdout
    os.remove(src)
    return out


def make_jpegs():
    # Flat 16 x 16 areas survive JPEG almost unchanged; the tolerance absorbs the rest.
    block = [[(200, 40, 90)] * 8 + [(30, 160, 220)] * 8 for _ in range(8)] + \
            [[(250, 250, 250)] * 8 + [(20, 20, 20)] * 8 for _ in range(8)]
    big = [[block[y % 16][x % 16] for x in range(32)] for y in range(32)]
    expected_big = big
    good("rgb.jpg", cjpeg(big, "-quality", "100", "-sample", "1x1"), expected_big, tolerance=6)
    good("rgb_progressive.jpg", cjpeg(big, "-quality", "100", "-sample", "1x1", "-progressive"), expected_big, tolerance=6)
    greys = [[(v, v, v)] * 16 for v in [10] * 8 + [230] * 8]
    good("grey.jpg", cjpeg(greys, "-quality", "100", "-grayscale"), greys, tolerance=3)
    cmyk_src = os.path.join(HERE, "_tmp.ppm")
    cmyk_out = os.path.join(HERE, "cmyk.jpg")
    flat = solid(16, 16, (40, 120, 200))
    write(cmyk_src, ppm(flat))
    subprocess.run(["convert", cmyk_src, "-colorspace", "CMYK", "-quality", "100", cmyk_out], check=True)
    os.remove(cmyk_src)
    with open(cmyk_out, "rb") as f:
        good("cmyk.jpg", f.read(), flat, tolerance=8)
    write(os.path.join(HERE, "size_350x101.jpg"), cjpeg(solid(350, 101, (0, 0, 0)), "-quality", "50"))
    write(os.path.join(HERE, "size_100x101.jpg"), cjpeg(solid(100, 101, (0, 0, 0)), "-quality", "50"))


# --- BMP ---------------------------------------------------------------------------------------

def bmp(w, h, bits, rows_bytes, header=40, compression=0, palette=b"", masks=b"", colours=0,
        top_down=False, extra_header=b""):
    """rows_bytes: unpadded row data, top row first."""
    stride = ((w * bits + 31) // 32) * 4
    body = bytearray()
    order = rows_bytes if top_down else list(reversed(rows_bytes))
    for r in order:
        body += r + b"\0" * (stride - len(r))
    if header == 12:
        info = struct.pack("<IHHHH", 12, w, h, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", header, w, -h if top_down else h, 1, bits,
                           compression, len(body), 2835, 2835, colours, 0)
        info += extra_header
        info += b"\0" * (header - len(info))
    offset = 14 + len(info) + len(masks) + len(palette)
    head = b"BM" + struct.pack("<IHHI", offset + len(body), 0, 0, offset)
    return head + info + masks + palette + bytes(body)


def scale(v, bits):
    m = (1 << bits) - 1
    return (v * 255 + m // 2) // m


def make_bmps():
    bgr_rows = [b"".join(bytes((c[2], c[1], c[0])) for c in row) for row in PATTERN]
    good("rgb24.bmp", bmp(W, H, 24, bgr_rows), PATTERN)
    good("rgb24_topdown.bmp", bmp(W, H, 24, bgr_rows, top_down=True), PATTERN)
    good("rgb24_core.bmp", bmp(W, H, 24, bgr_rows, header=12), PATTERN)
    pal = colours_of(PATTERN)
    pal4 = b"".join(bytes((c[2], c[1], c[0], 0)) for c in pal)
    idx_rows = [[pal.index(c) for c in row] for row in PATTERN]
    good("palette8.bmp", bmp(W, H, 8, [bytes(r) for r in idx_rows], palette=pal4, colours=len(pal)), PATTERN)
    good("palette8_core.bmp", bmp(W, H, 8, [bytes(r) for r in idx_rows], header=12,
                                  palette=b"".join(bytes((c[2], c[1], c[0])) for c in pal) +
                                  b"\0" * 3 * (256 - len(pal))), PATTERN)
    # A core header with a palette of only the colours used, the pixels right behind it.
    good("palette8_core_short.bmp", bmp(W, H, 8, [bytes(r) for r in idx_rows], header=12,
                                        palette=b"".join(bytes((c[2], c[1], c[0])) for c in pal)), PATTERN)
    good("palette4.bmp", bmp(W, H, 4, [pack_bits(r, 4) for r in idx_rows], palette=pal4 + b"\0" * 4, colours=0), PATTERN)
    two = colours_of(TWO)
    good("palette1.bmp", bmp(W, H, 1, [pack_bits([two.index(c) for c in row], 1) for row in TWO],
                             palette=b"".join(bytes((c[2], c[1], c[0], 0)) for c in two)), TWO)
    # 16 bits, 5-5-5 by default and 5-6-5 through bit fields.
    q555 = [[(c[0] >> 3, c[1] >> 3, c[2] >> 3) for c in row] for row in PATTERN]
    rows555 = [b"".join(struct.pack("<H", (r << 10) | (g << 5) | b) for r, g, b in row) for row in q555]
    good("rgb16_555.bmp", bmp(W, H, 16, rows555), [[tuple(scale(v, 5) for v in c) for c in row] for row in q555])
    q565 = [[(c[0] >> 3, c[1] >> 2, c[2] >> 3) for c in row] for row in PATTERN]
    rows565 = [b"".join(struct.pack("<H", (r << 11) | (g << 5) | b) for r, g, b in row) for row in q565]
    good("rgb16_565.bmp", bmp(W, H, 16, rows565, compression=3, masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F)),
         [[(scale(r, 5), scale(g, 6), scale(b, 5)) for r, g, b in row] for row in q565])
    # 32 bits without masks: the fourth byte is padding, whatever it holds.
    rows32 = [b"".join(bytes((c[2], c[1], c[0], 0x5A)) for c in row) for row in PATTERN]
    good("rgb32.bmp", bmp(W, H, 32, rows32), PATTERN)
    # 32 bits with an alpha mask in a V5 header (as ImageMagick and GIMP write them).
    rows32a = [b"".join(bytes((PATTERN[y][x][2], PATTERN[y][x][1], PATTERN[y][x][0], ALPHA[y][x]))
                        for x in range(W)) for y in range(H)]
    v5masks = struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    good("rgba32_v5.bmp", bmp(W, H, 32, rows32a, header=124, compression=3, extra_header=v5masks), PATTERN, ALPHA)
    good("rgba32_v5_topdown.bmp", bmp(W, H, 32, rows32a, header=124, compression=3, extra_header=v5masks, top_down=True), PATTERN, ALPHA)
    # Unusual mask order (R in the low byte) in bit fields after a 40-byte header.
    rows_rgbx = [b"".join(bytes((c[0], c[1], c[2], 0)) for c in row) for row in PATTERN]
    good("rgb32_bitfields.bmp", bmp(W, H, 32, rows_rgbx, compression=3,
                                    masks=struct.pack("<III", 0x000000FF, 0x0000FF00, 0x00FF0000)), PATTERN)
    # One mask as wide as the pixel, the others empty: a red-only picture.
    rows_wide = [b"".join(struct.pack("<I", c[0] * 0x01010101) for c in row) for row in PATTERN]
    good("red32_wide_mask.bmp", bmp(W, H, 32, rows_wide, compression=3,
                                    masks=struct.pack("<III", 0xFFFFFFFF, 0, 0)),
         [[(c[0], 0, 0) for c in row] for row in PATTERN])
    # An alpha mask over all-zero alpha: an opaque picture.
    rows32z = [b"".join(bytes((c[2], c[1], c[0], 0)) for c in row) for row in PATTERN]
    good("rgb32_v5_zero_alpha.bmp", bmp(W, H, 32, rows32z, header=124, compression=3, extra_header=v5masks), PATTERN)
    write(os.path.join(HERE, "size_100x101.bmp"), bmp(100, 101, 24, [b"\0" * 300] * 101))
    write(os.path.join(HERE, "size_350x100.bmp"), bmp(350, 100, 24, [b"\x10\x20\x30" * 350] * 100))


# --- bad files ---------------------------------------------------------------------------------

def patch(data, offset, new):
    return data[:offset] + new + data[offset + len(new):]


def fix_png_crc(data, chunk_offset):
    length = struct.unpack(">I", data[chunk_offset:chunk_offset + 4])[0]
    body = data[chunk_offset + 4:chunk_offset + 8 + length]
    return patch(data, chunk_offset + 8 + length, struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))


def make_bad():
    p = png(W, H, 2, 8, [[c for c in row] for row in PATTERN])
    bad("empty.png", b"", "Failed")
    bad("png_signature_only.png", p[:8], "Failed")
    bad("png_truncated_ihdr.png", p[:20], "Failed")
    bad("png_truncated_idat.png", p[:len(p) - 30], "Failed")
    bad("png_no_iend.png", p[:len(p) - 12], "Failed")
    bad("png_bad_ihdr_crc.png", patch(p, 29, b"\0\0\0\0"), "Failed")
    idat_at = p.index(b"IDAT") - 4
    bad("png_bad_idat_crc.png", patch(p, len(p) - 16, b"\0\0\0\0"), "Failed")
    bad("png_idat_garbage.png", fix_png_crc(patch(p, idat_at + 8, b"\xde\xad\xbe\xef" * 4), idat_at), "Failed")
    bad("png_zero_width.png", fix_png_crc(patch(p, 16, struct.pack(">I", 0)), 8), "Failed")
    bad("png_zero_height.png", fix_png_crc(patch(p, 20, struct.pack(">I", 0)), 8), "Failed")
    bad("png_bit_depth_3.png", fix_png_crc(patch(p, 24, b"\x03"), 8), "Failed")
    bad("png_colour_type_5.png", fix_png_crc(patch(p, 25, b"\x05"), 8), "Failed")
    bad("png_huge.png", fix_png_crc(patch(p, 16, struct.pack(">II", 100000, 100000)), 8), "TooLarge")
    bad("png_huge_claim_2g.png", fix_png_crc(patch(p, 16, struct.pack(">II", 0x7FFFFFFF, 1)), 8), "TooLarge")
    bad("png_width_over_2g.png", fix_png_crc(patch(p, 16, struct.pack(">II", 0x80000000, 1)), 8), "Failed")
    bad("png_small_claim_big_data.png", fix_png_crc(patch(p, 16, struct.pack(">II", 2, 2)), 8), "Any")
    bad("png_big_claim_small_data.png", fix_png_crc(patch(p, 16, struct.pack(">II", 300, 90)), 8), "Failed")
    pal = colours_of(PATTERN)
    idx = [[(pal.index(c),) for c in row] for row in PATTERN]
    bad("png_palette_index_overflow.png", png(W, H, 3, 8, idx, palette=pal[:2]), "Any")
    bad("png_palette_missing.png", png(W, H, 3, 8, idx), "Failed")
    bad("png_palette_300_entries.png", png(W, H, 3, 8, idx, palette=pal * 20), "Failed")

    j = cjpeg(solid(16, 16, (10, 200, 30)), "-quality", "75")
    bad("jpeg_soi_only.jpg", j[:3], "Failed")
    # A progressive file whose last scan comes again and again: a decoder busy for ever.
    prog = cjpeg(solid(16, 16, (10, 200, 30)), "-quality", "75", "-progressive")
    last_sos = prog.rindex(b"\xff\xda")
    bad("jpeg_endless_scans.jpg", prog[:last_sos] + prog[last_sos:-2] * 3000 + b"\xff\xd9", "Failed")
    # A valid progression of 704 scans (every coefficient alone, every bit alone): more passes
    # than any real encoder writes, refused by the scan limit. cjpeg takes 100 scans a script,
    # so the file is spliced from several runs: a scan's bytes depend only on the picture and
    # its own parameters.
    dc = ["0: 0-0, 0, 10;"] + ["0: 0-0, %d, %d;" % (a, a - 1) for a in range(10, 0, -1)]
    scans = os.path.join(HERE, "_scans.txt")
    spliced = b""
    for first in range(1, 64, 8):
        script = list(dc)
        for k in range(first, min(first + 8, 64)):
            script.append("0: %d-%d, 0, 10;" % (k, k))
            script += ["0: %d-%d, %d, %d;" % (k, k, a, a - 1) for a in range(10, 0, -1)]
        write(scans, ("\n".join(script) + "\n").encode())
        part = cjpeg(solid(16, 16, (90, 90, 90)), "-grayscale", "-scans", scans)
        # Scan segments start at a DHT or SOS marker that follows the previous scan's data.
        starts = []
        at = part.index(b"\xff\xda")
        dht = part.rfind(b"\xff\xc4", 0, at)
        at = dht if dht >= 0 else at
        while True:
            starts.append(at)
            sos = part.index(b"\xff\xda", at)
            nxt = min(x for x in (part.find(b"\xff\xc4", sos + 2), part.find(b"\xff\xda", sos + 2),
                                  part.find(b"\xff\xd9", sos + 2)) if x >= 0)
            if part[nxt:nxt + 2] == b"\xff\xd9":
                starts.append(nxt)
                break
            at = nxt
        segments = [part[starts[n]:starts[n + 1]] for n in range(len(starts) - 1)]
        assert len(segments) == len(script), (len(segments), len(script))
        if not spliced:
            spliced = part[:starts[0]] + b"".join(segments[:11])
        spliced += b"".join(segments[11:])
    os.remove(scans)
    assert spliced.count(b"\xff\xda") == 64 * 11
    bad("jpeg_704_scans.jpg", spliced + b"\xff\xd9", "Failed")
    bad("jpeg_truncated_header.jpg", j[:100], "Failed")
    bad("jpeg_truncated_scan.jpg", j[:len(j) - 40], "Failed")
    sof = j.index(b"\xff\xc0")
    bad("jpeg_huge.jpg", patch(j, sof + 5, struct.pack(">HH", 60000, 60000)), "TooLarge")
    bad("jpeg_huge_65535.jpg", patch(j, sof + 5, struct.pack(">HH", 65535, 65535)), "TooLarge")
    bad("jpeg_zero_width.jpg", patch(j, sof + 7, struct.pack(">H", 0)), "Failed")
    bad("jpeg_zero_height.jpg", patch(j, sof + 5, struct.pack(">H", 0)), "Failed")
    bad("jpeg_precision_12.jpg", patch(j, sof + 4, b"\x0c"), "Failed")
    bad("jpeg_precision_3.jpg", patch(j, sof + 4, b"\x03"), "Failed")
    bad("jpeg_components_0.jpg", patch(j, sof + 9, b"\x00"), "Failed")
    bad("jpeg_sampling_0.jpg", patch(j, sof + 11, b"\x00"), "Failed")
    sos = j.index(b"\xff\xda")
    seg = struct.unpack(">H", j[sos + 2:sos + 4])[0]
    data_at = sos + 2 + seg
    bad("jpeg_scan_garbage.jpg", patch(j, data_at, b"\xff\x00\xff\xd0" * 3 + b"\x13\x37" * 8), "Any")
    # Without DHT the decoder falls back on the standard tables (as Motion-JPEG needs).
    bad("jpeg_no_huffman_table.jpg", j.replace(b"\xff\xc4", b"\xff\xfe", 1), "Any")
    dqt = j.index(b"\xff\xdb")
    bad("jpeg_dqt_length_overrun.jpg", patch(j, dqt + 2, b"\xff\xff"), "Failed")

    b = bmp(W, H, 24, [b"".join(bytes((c[2], c[1], c[0])) for c in row) for row in PATTERN])
    bad("bmp_bm_only.bmp", b"BM", "Failed")
    bad("bmp_truncated_header.bmp", b[:30], "Failed")
    bad("bmp_truncated_pixels.bmp", b[:len(b) - 5], "Failed")
    bad("bmp_zero_width.bmp", patch(b, 18, struct.pack("<i", 0)), "Failed")
    bad("bmp_zero_height.bmp", patch(b, 22, struct.pack("<i", 0)), "Failed")
    bad("bmp_negative_width.bmp", patch(b, 18, struct.pack("<i", -5)), "Failed")
    bad("bmp_height_int_min.bmp", patch(b, 22, struct.pack("<i", -2 ** 31)), "TooLarge")
    bad("bmp_huge.bmp", patch(b, 18, struct.pack("<ii", 100000, 100000)), "TooLarge")
    bad("bmp_huge_topdown.bmp", patch(b, 18, struct.pack("<ii", 100, -100000)), "TooLarge")
    bad("bmp_bits_7.bmp", patch(b, 28, struct.pack("<H", 7)), "Failed")
    bad("bmp_bits_0.bmp", patch(b, 28, struct.pack("<H", 0)), "Failed")
    bad("bmp_bits_64.bmp", patch(b, 28, struct.pack("<H", 64)), "Failed")
    bad("bmp_rle8.bmp", patch(b, 30, struct.pack("<I", 1)), "Failed")
    bad("bmp_compression_jpeg.bmp", patch(b, 30, struct.pack("<I", 4)), "Failed")
    bad("bmp_pixel_offset_past_end.bmp", patch(b, 10, struct.pack("<I", 0xFFFFFFF0)), "Failed")
    bad("bmp_header_size_huge.bmp", patch(b, 14, struct.pack("<I", 0xFFFFFFFF)), "Failed")
    bad("bmp_header_size_13.bmp", patch(b, 14, struct.pack("<I", 13)), "Failed")
    bad("bmp_bitfields_24bit.bmp", patch(b, 30, struct.pack("<I", 3)), "Failed")
    pal = colours_of(PATTERN)
    idx_rows = [bytes(pal.index(c) for c in row) for row in PATTERN]
    small_pal = b"".join(bytes((c[2], c[1], c[0], 0)) for c in pal[:2])
    bad("bmp_palette_index_overflow.bmp", bmp(W, H, 8, idx_rows, palette=small_pal, colours=2), "Failed")
    bad("bmp_palette_count_huge.bmp", bmp(W, H, 8, idx_rows, palette=small_pal, colours=0xFFFFFFFF), "Failed")
    bad("bmp_bitfields_zero_masks.bmp", bmp(W, H, 32, [b"\0" * 20] * H, compression=3, masks=b"\0" * 12), "Failed")
    bad("bmp_bitfields_masks_cut.bmp", bmp(W, H, 16, [], compression=3)[:54 + 4], "Failed")
    bad("bmp_16bit_mask_over_16_bits.bmp", bmp(W, H, 16, [b"\0" * 10] * H, compression=3,
                                              masks=struct.pack("<III", 0xF8000000, 0x07E0, 0x1F)), "Failed")
    core = bmp(W, H, 24, [b"\0" * 15] * H, header=12)
    bad("bmp_core_zero_width.bmp", patch(core, 18, struct.pack("<H", 0)), "Failed")
    bad("bmp_core_huge.bmp", patch(core, 18, struct.pack("<HH", 60000, 60000)), "TooLarge")
    bad("not_a_picture.png", b"<html>this is not a picture</html>\n", "Failed")
    bad("gif_named_bmp.bmp", b"GIF89a\x01\x00\x01\x00\x00\x00\x00;", "Failed")


if __name__ == "__main__":
    os.makedirs(BAD, exist_ok=True)
    make_pngs()
    make_jpegs()
    make_bmps()
    make_bad()
    write(os.path.join(HERE, "manifest.txt"), ("\n".join(manifest) + "\n").encode())
    write(os.path.join(BAD, "manifest.txt"), ("\n".join(bad_manifest) + "\n").encode())
