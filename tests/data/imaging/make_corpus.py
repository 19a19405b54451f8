#!/usr/bin/env python3
"""Writes the small image corpus used by the imaging tests and the ImageLoad fuzzer.

good/: PNG files of every colour type and bit depth (with and without tRNS, plain and
interlaced) written byte by byte here, and JPEG/BMP files written by ImageMagick's
`convert`. bad/: truncated, garbled and lying variants. Run it from this folder; the
output is deterministic (fixed seeds), and committed.
"""
import os, random, struct, subprocess, zlib

W, H = 19, 13
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def samples(x, y, channels, depth):
    top = (1 << depth) - 1
    vals = [(x * 37 + y * 11) % (top + 1), (x * 5 + y * 29) % (top + 1), (x * 13 + y * 7 + 3) % (top + 1)]
    if channels == 1:
        return [(x * (top + 1) // W + y) % (top + 1)]
    if channels == 2:
        return [(x * (top + 1) // W) % (top + 1), (y * (top + 1) // H) % (top + 1)]
    if channels == 3:
        return vals
    return vals + [(x * (top + 1) // W) % (top + 1)]


def pack_row(xs, y, channels, depth, palette_size=None):
    bits = []
    for x in xs:
        vs = [(x + y * 3) % palette_size] if palette_size else samples(x, y, channels, depth)
        for v in vs:
            bits.append(v)
    out = bytearray()
    if depth >= 8:
        for v in bits:
            out += v.to_bytes(depth // 8, "big")
        return bytes(out)
    acc, n = 0, 0
    for v in bits:
        acc = (acc << depth) | v
        n += depth
        if n == 8:
            out.append(acc)
            acc, n = 0, 0
    if n:
        out.append(acc << (8 - n))
    return bytes(out)


def png(colour_type, depth, trns=None, interlace=False, palette_size=None):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    raw = bytearray()
    passes = ADAM7 if interlace else [(0, 0, 1, 1)]
    for x0, y0, dx, dy in passes:
        xs = list(range(x0, W, dx))
        if not xs:
            continue
        for y in range(y0, H, dy):
            raw += b"\0" + pack_row(xs, y, channels, depth, palette_size)
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, depth, colour_type, 0, 0, 1 if interlace else 0))
    if colour_type == 3:
        pal = bytearray()
        for i in range(palette_size):
            pal += bytes([(i * 53) % 256, (i * 97 + 40) % 256, (255 - i * 31) % 256])
        out += chunk(b"PLTE", bytes(pal))
    if trns is not None:
        out += chunk(b"tRNS", trns)
    out += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    out += chunk(b"IEND", b"")
    return out


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def good_pngs():
    for depth in (1, 2, 4, 8, 16):
        write(f"good/grey{depth}.png", png(0, depth))
    write("good/grey8_trns.png", png(0, 8, trns=struct.pack(">H", 5)))
    write("good/grey2_trns.png", png(0, 2, trns=struct.pack(">H", 1)))
    for depth in (8, 16):
        write(f"good/rgb{depth}.png", png(2, depth))
        write(f"good/greyalpha{depth}.png", png(4, depth))
        write(f"good/rgba{depth}.png", png(6, depth))
    write("good/rgb8_trns.png", png(2, 8, trns=struct.pack(">HHH", 37 % 256, 5, 3)))
    for depth in (1, 2, 4, 8):
        write(f"good/palette{depth}.png", png(3, depth, palette_size=min(1 << depth, 200)))
    write("good/palette8_trns.png", png(3, 8, trns=bytes(range(0, 250, 10)), palette_size=60))
    write("good/rgb8_interlaced.png", png(2, 8, interlace=True))
    write("good/rgba16_interlaced.png", png(6, 16, interlace=True))
    write("good/palette4_interlaced.png", png(3, 4, interlace=True, palette_size=16))


def convert(*args):
    subprocess.run(["convert", *args], check=True)


def good_converted():
    src = ["-size", "41x27", "-seed", "7", "plasma:orange-navy"]
    convert(*src, "-sampling-factor", "2x2", "-quality", "90", "good/ycc420.jpg")
    convert(*src, "-sampling-factor", "1x1", "-quality", "95", "good/ycc444.jpg")
    convert(*src, "-interlace", "JPEG", "-quality", "85", "good/progressive.jpg")
    convert(*src, "-colorspace", "Gray", "-quality", "90", "good/grey.jpg")
    convert(*src, "-colorspace", "CMYK", "-quality", "95", "good/cmyk.jpg")
    convert(*src, "-type", "TrueColor", "BMP3:good/bmp24.bmp")
    convert(*src, "-colors", "200", "-type", "Palette", "-compress", "None", "BMP3:good/bmp8.bmp")
    convert(*src, "-colors", "200", "-type", "Palette", "-compress", "RLE", "BMP3:good/bmp8_rle.bmp")
    convert(*src, "-colors", "14", "-type", "Palette", "BMP3:good/bmp4.bmp")


def bad_files():
    rng = random.Random(2024)
    sources = sorted(os.listdir("good"))
    for name in sources:
        data = open(os.path.join("good", name), "rb").read()
        stem = name.replace(".", "_")
        for cut in (len(data) // 3, len(data) * 2 // 3, len(data) - 5):
            write(f"bad/{stem}_cut{cut}", data[:cut])
        flipped = bytearray(data)
        for _ in range(6):
            i = rng.randrange(8, len(flipped))
            flipped[i] ^= 1 << rng.randrange(8)
        write(f"bad/{stem}_flipped", bytes(flipped))
    write("bad/garbage", bytes(rng.randrange(256) for _ in range(300)))
    write("bad/two_bytes", b"\xff\xd8")
    write("bad/empty", b"")
    write("bad/bm_only", b"BM" + bytes(12))
    # BMP headers that lie: pixel data past the end, huge sizes, RLE running off.
    def bmp(width, height, bits, compression, offset, body, colours=0, info=40):
        head = b"BM" + struct.pack("<IHHI", 54 + len(body), 0, 0, offset)
        head += struct.pack("<IiiHHIIiiII", info, width, height, 1, bits, compression, len(body), 0, 0, colours, 0)
        return head + body
    write("bad/bmp_offset_past_end", bmp(4, 4, 24, 0, 100000, bytes(10)))
    write("bad/bmp_huge_offset", bmp(4, 4, 8, 0, 0xFFFFFFF0, bytes(10)))
    write("bad/bmp_width_too_big", bmp(70000, 2, 24, 0, 54, bytes(64)))
    write("bad/bmp_negative_height", bmp(3, -3, 24, 0, 54, bytes(36)))
    write("bad/bmp_negative_width", bmp(-3, 3, 24, 0, 54, bytes(36)))
    write("bad/bmp_rle_overrun", bmp(4, 2, 8, 1, 54 + 8, bytes([255, 0, 255, 0]) + bytes([0, 2, 200, 200, 0, 9, 1, 2]), colours=2))
    write("bad/bmp_palette_lie", bmp(4, 2, 8, 0, 54, bytes([7, 200, 255, 3] * 2), colours=900))
    write("bad/bmp_info_size_lie", bmp(4, 2, 4, 0, 54, bytes([0x12, 0xF3] * 4), info=0xFFFFFFF0))
    write("bad/bmp_bits_odd", bmp(4, 2, 7, 0, 54, bytes(16)))
    # PNG with a lying chunk length and one with an absurd size.
    p = bytearray(png(2, 8))
    p[33:37] = struct.pack(">I", 0x7FFFFFF0)
    write("bad/png_idat_length_lie", bytes(p))
    big = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 100000, 3, 8, 2, 0, 0, 0)) + chunk(b"IEND", b"")
    write("bad/png_width_too_big", big)
    write("bad/png_no_idat", b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 5, 5, 8, 6, 0, 0, 0)) + chunk(b"IEND", b""))
    write("bad/jpeg_soi_then_garbage", b"\xff\xd8" + bytes(rng.randrange(256) for _ in range(200)))


def bombs():
    # Headers that claim a huge image their few bytes cannot hold: a 1-bit PNG of
    # 32767 x 32000 with a few rows of data, and the grey JPEG relabelled 30000 x 30000.
    rows = zlib.compress(bytes(4097 * 4), 9)
    head = chunk(b"IHDR", struct.pack(">IIBBBBB", 32767, 32000, 1, 0, 0, 0, 0))
    write("bad/png_bomb_32767x32000", b"\x89PNG\r\n\x1a\n" + head + chunk(b"IDAT", rows) + chunk(b"IEND", b""))
    jpeg = bytearray(open("good/grey.jpg", "rb").read())
    sof = jpeg.index(b"\xff\xc0")
    jpeg[sof + 5:sof + 9] = struct.pack(">HH", 30000, 30000)
    write("bad/jpeg_bomb_30000x30000", bytes(jpeg))


if __name__ == "__main__":
    os.makedirs("good", exist_ok=True)
    os.makedirs("bad", exist_ok=True)
    good_pngs()
    good_converted()
    bad_files()
    bombs()
