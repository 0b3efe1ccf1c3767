#!/usr/bin/env python3
"""Writes the small seeds in fuzz/seeds/ (pictures, EXIF blocks, settings files, update
pages): each one shows the fuzzer a feature of its format cheaply (a few dozen bytes
instead of a photograph). The JPEG seeds need cjpeg
(libjpeg-turbo-progs), the HEIF, WebP and TIFF seeds the tools of libheif-examples, webp
and libtiff-tools. Run it again only to change the seeds; the files are committed."""
import os
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds")


def write(reader, name, data):
    os.makedirs(os.path.join(HERE, reader), exist_ok=True)
    with open(os.path.join(HERE, reader, name), "wb") as f:
        f.write(data)


# ---- BMP ----

def bmp(width, height, bits, pixels, compression=0, colors=b"", masks=b"", header=40):
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression,
                           len(pixels), 2835, 2835, len(colors) // 4, 0)
    offset = 14 + len(info) + len(masks) + len(colors)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return head + info + masks + colors + pixels


def palette(n, entry=4):
    out = b""
    for i in range(n):
        v = (i * 255) // max(1, n - 1)
        out += bytes([v, 255 - v, (v * 7) & 255]) + (b"\0" if entry == 4 else b"")
    return out


def bmp_seeds():
    # RLE8: a run, an absolute run (odd, padded), a delta, end of line, end of bitmap.
    rle8 = bytes([3, 1, 0, 3, 2, 3, 4, 0, 0, 2, 1, 1, 0, 0, 4, 5, 0, 1])
    write("bmp", "rle8-delta.bmp", bmp(5, 4, 8, rle8, 1, palette(8)))
    # RLE4: alternating run, absolute run of 5 pixels (3 bytes, padded), a delta.
    rle4 = bytes([6, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 2, 2, 1, 2, 0xF0, 0, 1])
    write("bmp", "rle4-absolute.bmp", bmp(7, 3, 4, rle4, 2, palette(16)))
    # 16-bit 5-6-5 bit fields, 3 x 2, rows padded to 8 bytes.
    px = b"".join(struct.pack("<HHH", 0xF800, 0x07E0, 0x001F) + b"\0\0" for _ in range(2))
    write("bmp", "bitfields-565.bmp",
          bmp(3, 2, 16, px, 3, masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F)))
    # The OS/2 core header with a full table of 3-byte entries.
    write("bmp", "core-4bit.bmp", bmp(3, 2, 4, bytes([0x01, 0x20, 0, 0, 0xF3, 0x40, 0, 0]),
                                      header=12, colors=palette(16, 3)))
    # 32 bits, top-down rows.
    px = bytes(range(32))
    b = bytearray(bmp(2, 2, 32, px))
    struct.pack_into("<i", b, 22, -4)
    write("bmp", "topdown-32.bmp", bytes(b))
    write("bmp", "mono-9x2.bmp", bmp(9, 2, 1, bytes([0xA5, 0x80, 0, 0, 0x5A, 0x00, 0, 0]),
                                     colors=palette(2)))


# ---- PNG ----

def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, depth, color, raw_rows, interlace=0, extra_before=b"",
        extra_after=b"", idat_parts=1):
    ihdr = struct.pack(">IIBBBBB", width, height, depth, color, 0, 0, interlace)
    data = zlib.compress(raw_rows, 9)
    step = max(1, (len(data) + idat_parts - 1) // idat_parts)
    idats = b"".join(chunk(b"IDAT", data[i:i + step]) for i in range(0, len(data), step))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra_before + idats + extra_after +
            chunk(b"IEND", b""))


def png_seeds():
    # 2-bit gray, 5 x 5, Adam7: the passes' rows one after the other, filter 0.
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4),
              (1, 0, 2, 2), (0, 1, 1, 2)]
    raw = b""
    for x0, y0, dx, dy in passes:
        w = max(0, (5 - x0 + dx - 1) // dx)
        h = max(0, (5 - y0 + dy - 1) // dy)
        if w and h:
            raw += (b"\0" + bytes([0b11100100] * ((w * 2 + 7) // 8))) * h
    write("png", "gray2-interlaced.png", png(5, 5, 2, 0, raw, interlace=1,
                                             extra_before=chunk(b"tRNS", b"\0\2")))
    # 1-bit palette with a transparent entry.
    raw = b"\0\xA0" + b"\0\x50" + b"\0\xF0"
    write("png", "pal1-trns.png", png(4, 3, 1, 3, raw,
                                      extra_before=chunk(b"PLTE", b"\xff\0\0\0\0\xff") +
                                      chunk(b"tRNS", b"\0")))
    # 16-bit RGBA with gamma, every filter type once.
    rows = b""
    for f in range(5):
        rows += bytes([f]) + bytes((f * 37 + i * 11) & 255 for i in range(3 * 8))
    write("png", "rgba16-filters-gamma.png",
          png(3, 5, 16, 6, rows, extra_before=chunk(b"gAMA", struct.pack(">I", 45455))))
    # Gray and alpha split over several IDAT chunks.
    rows = b"".join(bytes([1]) + bytes((y * 5 + i) & 255 for i in range(2 * 6))
                    for y in range(6))
    write("png", "graya8-split-idat.png", png(6, 6, 8, 4, rows, idat_parts=4))
    # RGB with the text chunks, the time and an unknown ancillary chunk.
    rows = b"".join(b"\x02" + bytes(range(y, y + 6)) for y in range(2))
    extra = (chunk(b"tEXt", b"Title\0seed") + chunk(b"zTXt", b"Comment\0\0" +
                                                    zlib.compress(b"text " * 20)) +
             chunk(b"tIME", struct.pack(">HBBBBB", 2024, 1, 2, 3, 4, 5)) +
             chunk(b"cHRM", bytes(32)) + chunk(b"prVt", b"private"))
    write("png", "rgb8-text-chunks.png", png(2, 2, 8, 2, rows, extra_before=extra,
                                             extra_after=chunk(b"tEXt", b"After\0x")))


# ---- GIF ----

def lzw(indices, min_size):
    """Encodes with a growing table, as GIF decoders expect."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    table = {bytes([i]): i for i in range(clear)}
    width, free = min_size + 1, end + 1
    out, acc, nbits = bytearray(), 0, 0

    def emit(code):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 255)
            acc >>= 8
            nbits -= 8

    emit(clear)
    w = b""
    for i in indices:
        wc = w + bytes([i])
        if wc in table:
            w = wc
            continue
        emit(table[w])
        if free < 4096:
            table[wc] = free
            free += 1
            if free > (1 << width) and width < 12:
                width += 1
        w = bytes([i])
    if w:
        emit(table[w])
    emit(end)
    if nbits:
        out.append(acc & 255)
    blocks = b"".join(bytes([len(out[i:i + 255])]) + out[i:i + 255]
                      for i in range(0, len(out), 255))
    return bytes([min_size]) + blocks + b"\0"


def gif_image(left, top, w, h, indices, local=b"", interlace=False, min_size=2):
    packed = (0x40 if interlace else 0)
    if local:
        packed |= 0x80 | ((len(local) // 3).bit_length() - 2)
    return (b"\x2c" + struct.pack("<HHHHB", left, top, w, h, packed) + local +
            lzw(indices, min_size))


def gif_seeds():
    screen = struct.pack("<HHBBB", 6, 4, 0xF1, 0, 0)  # global table of 4 entries
    colors = b"\0\0\0\xff\0\0\0\xff\0\0\0\xff"
    loop = b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    control = b"\x21\xf9\x04\x09\x0a\x00\x02\x00"  # restore to background, transparent 2
    comment = b"\x21\xfe\x05hello\x00"
    frame1 = gif_image(0, 0, 6, 4, [(x + y) & 3 for y in range(4) for x in range(6)])
    frame2 = gif_image(2, 1, 3, 2, [1, 2, 3, 3, 2, 1], local=b"\x10\x20\x30" * 2 + b"\0" * 6)
    write("gif", "animated-loop.gif", b"GIF89a" + screen + colors + loop + control + comment +
          frame1 + control + frame2 + b"\x3b")
    text = b"\x21\x01\x0c" + bytes(12) + b"\x03abc\x00"
    write("gif", "interlaced-text.gif",
          b"GIF89a" + screen + colors + text +
          gif_image(0, 0, 6, 4, [y for y in range(4) for _ in range(6)], interlace=True) +
          b"\x3b")
    # Eight-bit codes, so the code width grows past 9 bits.
    big = struct.pack("<HHBBB", 40, 40, 0xF7, 0, 0)
    write("gif", "codes-grow.gif",
          b"GIF87a" + big + bytes(range(256)) * 3 +
          gif_image(0, 0, 40, 40, [(x * y) & 255 for y in range(40) for x in range(40)],
                    min_size=8) + b"\x3b")


# ---- JPEG ----

def jpeg_seeds():
    w, h = 17, 11
    ppm = b"P6\n%d %d\n255\n" % (w, h) + bytes(
        (x * 15 + c * 80 + y * 9) & 255 for y in range(h) for x in range(w) for c in range(3))
    variants = {
        "baseline-restart.jpg": ["-restart", "1B"],
        "progressive-420.jpg": ["-progressive"],
        "arithmetic-progressive.jpg": ["-arithmetic", "-progressive"],
        "gray-progressive.jpg": ["-grayscale", "-progressive"],
        "sampling-444-optimized.jpg": ["-sample", "1x1", "-optimize"],
        "sampling-mixed.jpg": ["-sample", "2x1,1x2,1x1"],
    }
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "in.ppm")
        with open(src, "wb") as f:
            f.write(ppm)
        for name, options in variants.items():
            data = subprocess.run(["cjpeg", "-quality", "50", *options, src],
                                  check=True, capture_output=True).stdout
            write("jpeg", name, data)


# ---- EXIF (the data of an APP1 segment) ----

def tiff_ifd(order, entries, next_ifd):
    """An image file directory; entries are (tag, type, count, 4 value bytes)."""
    out = struct.pack(order + "H", len(entries))
    for tag, typ, count, value in entries:
        out += struct.pack(order + "HHI", tag, typ, count) + value
    return out + struct.pack(order + "I", next_ifd)


def short(order, v):
    return struct.pack(order + "HH", v, 0)


def long_(order, v):
    return struct.pack(order + "I", v)


def exif(order, ifds_at_8):
    magic = b"II" if order == "<" else b"MM"
    return b"Exif\0\0" + magic + struct.pack(order + "HI", 42, 8) + ifds_at_8


def exif_seeds():
    # A camera's layout: IFD0 (make, orientation, a pointer to the EXIF directory), the
    # make's text, the EXIF directory, then IFD1 (the thumbnail's, with its own tag).
    for order, name, value in (("<", "ii-camera-6.exif", 6), (">", "mm-camera-8.exif", 8)):
        ifd0_len = 2 + 3 * 12 + 4
        make_at = 8 + ifd0_len
        make = b"Phone\0"
        sub_at = make_at + len(make)
        sub = tiff_ifd(order, [(0x9003, 2, 4, b"2026")], 0)
        ifd1_at = sub_at + len(sub)
        ifd0 = tiff_ifd(order, [(0x010F, 2, len(make), long_(order, make_at)),
                                (0x0112, 3, 1, short(order, value)),
                                (0x8769, 4, 1, long_(order, sub_at))], ifd1_at)
        ifd1 = tiff_ifd(order, [(0x0112, 3, 1, short(order, 1))], 0)
        write("exif", name, exif(order, ifd0 + make + sub + ifd1))
    # The orientation as the only entry, value 3; its directory points back at itself.
    write("exif", "mm-loop-3.exif",
          exif(">", tiff_ifd(">", [(0x0112, 3, 1, short(">", 3))], 8)))
    # Cut inside the orientation entry.
    whole = exif("<", tiff_ifd("<", [(0x0100, 4, 1, long_("<", 640)),
                                     (0x0112, 3, 1, short("<", 5))], 0))
    write("exif", "ii-cut-in-entry.exif", whole[:6 + 8 + 2 + 12 + 7])
    # An orientation out of range, and one of the wrong type.
    write("exif", "ii-value-9-long.exif",
          exif("<", tiff_ifd("<", [(0x0112, 3, 1, short("<", 9)),
                                   (0x0112, 4, 1, long_("<", 6))], 0)))


# ---- Settings file ----

def settings_seeds():
    # The first byte chooses the key that fuzz_settings writes: low two bits 0 a key of
    # the file, 1 a new key in a section of the file, 2 a new section, 3 the usual key;
    # the top bit writes an empty value.
    write("settings", "program-file.ini", b"\x00" + (
        "[WindowState]\nLeft=50\nTop=50\nWidth=900\nHeight=850\nMaximized=0\n"
        "Last_used_tab=1\n[Resize]\nradXDecrease=1\nradXIncrease=0\n[Updates]\n"
        "spnAutoUpdate=4\nLastCheck=12/10/2026\n[Settings]\ntrkQuality=74\ncmbResampleQ=6\n"
        "LastPath=/home/user/Pictures/\n").encode())
    write("settings", "crlf-hex-no-final-break.ini",
          b"\x05[resize]\r\nA = 0x1F\r\nb=$FFFFFFFF\r\n\r\n[Settings]\r\nspnOpacity=-3\r\n"
          b"chkPreview=7")
    write("settings", "comments-duplicates.ini",
          b"\x02; written by hand\n  [ Settings ]  \n# a note\nOldKey = kept \ngarbage line\n"
          b"=no key\n[Settings]\ntrkQuality=5\ntrkquality=6\n[Broken\nx=1\r")
    write("settings", "bom-nul-utf8.ini",
          b"\x83\xef\xbb\xbf[S]\nLastPath=/tmp/\xc3\xa9t\xc3\xa9\x00hidden\n[]\n[\tT\t]\nk=v")


# ---- Update information page ----

def update_seeds():
    write("update", "program-page.html",
          b'<html><head>\n<META NAME="TarnoProduct" CONTENT="Velora Image Resizer">\n'
          b'<meta name="TarnoVersion" content="1.6.0.0">\r\n'
          b'<META NAME="TarnoDownload" CONTENT="http://example.test/velora-1.6.0.0.tar.gz">\r'
          b'<META NAME="TarnoClientSideName" CONTENT="velora-1.6.0.0.tar.gz">\n'
          b'<META NAME="TarnoAuthor" CONTENT="Tarno"><META NAME="TarnoEmail" CONTENT="x">\n'
          b"</head></html>\n")
    write("update", "redirection-odd-tags.html",
          b'<META NAME="TarnoRedirection" CONTENT="http://example.test/other.html">\n'
          b'<META NAME="TarnoVersion" CONTENT="1.5.10">\n<META NAME="TarnoVersion" CONTENT="2">\n'
          b'<META NAME = "TarnoVersion" CONTENT="9.9">\n'
          b"<META NAME='TarnoVersion' CONTENT=\"9.9\">\n"
          b'<META NAME="TarnoRunParameters" CONTENT=/silent>\n<META NAME="TarnoProduct">\n')
    write("update", "nul-ends-text.html",
          b'META NAME="TarnoVersion" CONTENT="1.5.2.55"\x00'
          b'META NAME="TarnoProduct" CONTENT="after the end"\n')


# ---- HEIF, WebP and TIFF (made by the format libraries' own tools) ----

def rgba_png(w, h, alpha, deep=False):
    """A small gradient as PNG: RGB or RGBA, 8 or 16 bits."""
    rows = b""
    for y in range(h):
        rows += b"\0"
        for x in range(w):
            px = [(x * 37 + y * 11) & 255, (x * 5 + y * 41) & 255, (x * y * 7 + 90) & 255]
            if alpha:
                px.append((x * 60 + y * 30) & 255)
            rows += bytes(v for c in px for v in ((c, c ^ 0x5A) if deep else (c,)))
    return png(w, h, 16 if deep else 8, 6 if alpha else 2, rows)


def run_tool(args):
    subprocess.run(args, check=True, capture_output=True)


def heif_seeds():
    with tempfile.TemporaryDirectory() as tmp:
        def encode(name, picture, options):
            src = os.path.join(tmp, "in.png")
            out = os.path.join(tmp, name)
            with open(src, "wb") as f:
                f.write(picture)
            run_tool(["heif-enc", "-q", "20", *options, "-o", out, src])
            with open(out, "rb") as f:
                write("heif", name, f.read())
        encode("hevc-rgb.heic", rgba_png(16, 8, False), [])
        encode("hevc-alpha.heic", rgba_png(8, 8, True), [])
        encode("hevc-444-10bit.heic", rgba_png(8, 8, False, True), ["-p", "chroma=444", "-b", "10"])
        encode("av1-rgb.avif", rgba_png(16, 8, False), ["-A"])
        encode("av1-alpha-12bit.avif", rgba_png(8, 8, True, True), ["-A", "-b", "12"])


def webp_seeds():
    with tempfile.TemporaryDirectory() as tmp:
        def path(name):
            return os.path.join(tmp, name)
        with open(path("rgb.png"), "wb") as f:
            f.write(rgba_png(16, 8, False))
        with open(path("rgba.png"), "wb") as f:
            f.write(rgba_png(16, 8, True))
        run_tool(["cwebp", "-quiet", "-q", "20", path("rgb.png"), "-o", path("lossy.webp")])
        run_tool(["cwebp", "-quiet", "-lossless", path("rgba.png"), "-o", path("lossless-alpha.webp")])
        run_tool(["cwebp", "-quiet", "-q", "20", path("rgba.png"), "-o", path("lossy-alpha.webp")])
        with open(path("icc"), "wb") as f:
            f.write(b"\0\0\0\x20appl\x02\x10\0\0mntrRGB XYZ " + bytes(4))
        with open(path("exif"), "wb") as f:
            f.write(b"II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0")
        run_tool(["webpmux", "-set", "icc", path("icc"), path("lossy.webp"), "-o", path("icc.webp")])
        run_tool(["webpmux", "-set", "exif", path("exif"), path("icc.webp"), "-o",
                  path("icc-exif-6.webp")])
        run_tool(["img2webp", "-loop", "0", "-lossless", path("rgb.png"), "-d", "50", "-lossy",
                  path("rgba.png"), "-o", path("animated.webp")])
        for name in ("lossy.webp", "lossless-alpha.webp", "lossy-alpha.webp", "icc-exif-6.webp",
                     "animated.webp"):
            with open(path(name), "rb") as f:
                write("webp", name, f.read())


def tiff(w, h, bits, spp, photometric, data, extra=(), order="<"):
    """A little-endian one-strip TIFF; extra holds further (tag, type, values) entries."""
    entries = [(256, 3, [w]), (257, 3, [h]), (258, 3, [bits] * spp), (259, 3, [1]),
               (262, 3, [photometric]), (277, 3, [spp]), (278, 3, [h]),
               (279, 4, [len(data)]), *extra]
    entries.sort()
    sizes = {3: 2, 4: 4}
    head = 8
    ifd_len = 2 + 12 * (len(entries) + 1) + 4  # with the strip offset
    blob_at = head + ifd_len
    blobs = b""
    packed = []
    for tag, typ, values in entries:
        raw = b"".join(struct.pack(order + ("H" if typ == 3 else "I"), v) for v in values)
        if len(raw) <= 4:
            packed.append((tag, typ, len(values), raw.ljust(4, b"\0")))
        else:
            packed.append((tag, typ, len(values), struct.pack(order + "I", blob_at + len(blobs))))
            blobs += raw
    data_at = blob_at + len(blobs)
    packed.append((273, 4, 1, struct.pack(order + "I", data_at)))
    packed.sort()
    ifd = struct.pack(order + "H", len(packed))
    for tag, typ, count, value in packed:
        ifd += struct.pack(order + "HHI", tag, typ, count) + value
    ifd += struct.pack(order + "I", 0)
    magic = b"II" if order == "<" else b"MM"
    return magic + struct.pack(order + "HI", 42, head) + ifd + blobs + data


def tiff_seeds():
    w, h = 9, 4
    rgb = bytes((x * 29 + y * 7 + c * 85) & 255 for y in range(h) for x in range(w) for c in range(3))
    write("tiff", "rgb8.tif", tiff(w, h, 8, 3, 2, rgb, [(274, 3, [6])]))
    write("tiff", "rgba16-unassociated.tif",
          tiff(w, h, 16, 4, 2, bytes((i * 13) & 255 for i in range(w * h * 8)),
               [(338, 3, [2])]))
    write("tiff", "gray16-white.tif",
          tiff(w, h, 16, 1, 0, bytes((i * 29) & 255 for i in range(w * h * 2)), [(274, 3, [3])]))
    write("tiff", "gray4.tif", tiff(w, h, 4, 1, 1, bytes(range(5 * h))))
    write("tiff", "bilevel.tif", tiff(w, h, 1, 1, 0, bytes([0xA5, 0x80] * h)))
    cmap = [(i * 4369) & 0xFFFF for i in range(3 * 4)]
    write("tiff", "palette2.tif", tiff(w, h, 2, 1, 3, bytes([0x1B, 0xE4, 0x40] * h),
                                       [(320, 3, cmap)], order="<"))
    write("tiff", "cmyk8.tif", tiff(w, h, 8, 4, 5, bytes((i * 7) & 255 for i in range(w * h * 4))))
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "in.tif")
        with open(src, "wb") as f:
            f.write(tiff(w, h, 8, 3, 2, rgb))
        for name, options in (("lzw-tiles.tif", ["-c", "lzw:2", "-t", "-w", "16", "-l", "16"]),
                              ("zip-strips.tif", ["-c", "zip", "-r", "1"]),
                              ("packbits.tif", ["-c", "packbits"]),
                              ("jpeg-ycbcr.tif", ["-c", "jpeg:r:50", "-r", "16"])):
            out = os.path.join(tmp, name)
            run_tool(["tiffcp", *options, src, out])
            with open(out, "rb") as f:
                write("tiff", name, f.read())


if __name__ == "__main__":
    bmp_seeds()
    png_seeds()
    gif_seeds()
    jpeg_seeds()
    heif_seeds()
    webp_seeds()
    tiff_seeds()
    exif_seeds()
    settings_seeds()
    update_seeds()
