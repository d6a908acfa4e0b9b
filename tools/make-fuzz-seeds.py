#!/usr/bin/env python3
"""Makes the fuzz seed corpora and the hand-made regression inputs under fuzz/.

    tools/make-fuzz-seeds.py          (from the repository root; needs oggenc)

PNG seeds: the small sprites of assets/ and a tiny image of every colour type and bit depth,
plain and interlaced, with and without transparency. Ogg seeds: bell.ogg and christmas.ogg
cut to their first audio page, and tiny files oggenc makes from generated tones. Font seeds:
the game's font, whole and cut short, each ending with the size, style and characters the
target draws. Stream seeds: URLs with operation programs. The files
are written only when their bytes change, so running it twice changes nothing.
"""
import os
import struct
import subprocess
import sys
import tempfile
import wave
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ASSETS = os.path.join(ROOT, "assets")
FUZZ = os.path.join(ROOT, "fuzz")

# Sprites under this size are seeds as they are; the title and directions pictures are too
# large to mutate quickly.
SMALL_PNG = 12 * 1024


def write(kind, folder, name, data):
    path = os.path.join(FUZZ, kind, folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


# ---- PNG ---------------------------------------------------------------------------------

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
         (0, 1, 1, 2)]


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def pack_row(samples, depth):
    """One scanline's samples packed at depth bits, with filter byte 0 in front."""
    if depth == 16:
        return b"\0" + b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return b"\0" + bytes(samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc = acc << depth | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return b"\0" + bytes(out)


def make_png(width, height, color_type, depth, interlaced=False, palette=None, trns=None):
    """A PNG whose samples run through every value the depth allows."""
    channels = CHANNELS[color_type]
    top = (1 << depth) - 1
    if color_type == 3:
        top = min(top, len(palette) // 3 - 1)

    def pixel(x, y):
        return [((x * 7 + y * 13 + c * 5) * 37) % (top + 1) for c in range(channels)]

    raw = b""
    if interlaced:
        for x0, y0, dx, dy in ADAM7:
            xs = range(x0, width, dx)
            for y in range(y0, height, dy):
                if xs:
                    raw += pack_row([s for x in xs for s in pixel(x, y)], depth)
    else:
        for y in range(height):
            raw += pack_row([s for x in range(width) for s in pixel(x, y)], depth)
    header = struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, int(interlaced))
    data = PNG_SIGNATURE + chunk(b"IHDR", header)
    if palette:
        data += chunk(b"PLTE", bytes(palette))
    if trns is not None:
        data += chunk(b"tRNS", trns)
    return data + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def png_inputs():
    seeds = {}
    for name in sorted(os.listdir(ASSETS)):
        path = os.path.join(ASSETS, name)
        if name.endswith(".png") and os.path.getsize(path) <= SMALL_PNG:
            seeds["asset-" + name.replace(" ", "-")] = read(path)
    palette = [0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255]
    for color_type, depths in ((0, (1, 2, 4, 8, 16)), (2, (8, 16)), (3, (1, 2, 4, 8)),
                               (4, (8, 16)), (6, (8, 16))):
        for depth in depths:
            pal = palette if color_type == 3 else None
            base = f"type{color_type}-depth{depth}"
            seeds[base + "-1x1.png"] = make_png(1, 1, color_type, depth, palette=pal)
            seeds[base + "-interlaced-5x3.png"] = make_png(5, 3, color_type, depth, True,
                                                           palette=pal)
    # Transparency chunks: palette alpha, a grey key and a colour key.
    seeds["palette-trns-4x4.png"] = make_png(4, 4, 3, 2, palette=palette, trns=b"\x00\x80\xff")
    seeds["grey-key-3x3.png"] = make_png(3, 3, 0, 4, trns=struct.pack(">H", 5))
    seeds["rgb16-key-3x3.png"] = make_png(3, 3, 2, 16, trns=struct.pack(">HHH", 1, 2, 3))
    return seeds


def png_regressions():
    regressions = {}
    # Known fault: a header declaring 8192 x 8192 and image data that ends at once; the
    # loader sized and cleared the whole pixel buffer before libpng found the data missing.
    header = struct.pack(">IIBBBBB", 8192, 8192, 8, 6, 0, 0, 0)
    regressions["known-8192-square-no-data.png"] = (
        PNG_SIGNATURE + chunk(b"IHDR", header) + struct.pack(">I", 100) + b"IDAT")
    # One pixel past the side limit, and image data that ends in the middle of a row.
    wide = struct.pack(">IIBBBBB", 16385, 1, 8, 0, 0, 0, 0)
    regressions["side-past-limit.png"] = (
        PNG_SIGNATURE + chunk(b"IHDR", wide) + chunk(b"IDAT", zlib.compress(b"\0" * 100)) +
        chunk(b"IEND", b""))
    whole = make_png(7, 7, 6, 8)
    regressions["image-data-cut-short.png"] = whole[:len(whole) - 30]
    return regressions


# ---- Ogg ---------------------------------------------------------------------------------


def ogg_pages(data):
    pages, at = [], 0
    while at + 27 <= len(data) and data[at:at + 4] == b"OggS":
        count = data[at + 26]
        size = 27 + count + sum(data[at + 27:at + 27 + count])
        pages.append(data[at:at + size])
        at += size
    return pages


def ogg_crc(data):
    crc = 0
    for byte in data:
        crc ^= byte << 24
        for _ in range(8):
            crc = (crc << 1) ^ 0x04C11DB7 if crc & 0x80000000 else crc << 1
            crc &= 0xFFFFFFFF
    return crc


def reseal(page, granule=None, last=False):
    """The page with a new granule position and end-of-stream flag, and its checksum redone."""
    page = bytearray(page)
    if granule is not None:
        page[6:14] = struct.pack("<q", granule)
    if last:
        page[5] |= 4
    page[22:26] = b"\0\0\0\0"
    page[22:26] = struct.pack("<I", ogg_crc(bytes(page)))
    return bytes(page)


def first_pages(data, audio_pages):
    """The header pages and the first audio pages, the last of them marked as the end."""
    pages = ogg_pages(data)[:2 + audio_pages]
    return b"".join(pages[:-1]) + reseal(pages[-1], last=True)


def tone_ogg(rate, channels, frames, quality):
    with tempfile.TemporaryDirectory() as folder:
        wav = os.path.join(folder, "tone.wav")
        with wave.open(wav, "wb") as w:
            w.setnchannels(channels)
            w.setsampwidth(2)
            w.setframerate(rate)
            samples = []
            for i in range(frames):
                for c in range(channels):
                    samples.append(((i * (c + 3) * 2731) % 20000) - 10000)
            w.writeframes(struct.pack("<%dh" % len(samples), *samples))
        out = os.path.join(folder, "tone.ogg")
        subprocess.run(["oggenc", "-Q", "-q", str(quality), "--serial", "1", "-o", out, wav],
                       check=True)
        return read(out)


def ogg_inputs():
    return {
        "bell-first-page.ogg": first_pages(read(os.path.join(ASSETS, "bell.ogg")), 1),
        "christmas-first-page.ogg": first_pages(read(os.path.join(ASSETS, "christmas.ogg")), 1),
        "tone-mono-8000.ogg": tone_ogg(8000, 1, 400, -1),
        "tone-stereo-44100.ogg": tone_ogg(44100, 2, 300, 0),
        "tone-stereo-22050-long.ogg": tone_ogg(22050, 2, 6000, -1),
    }


def ogg_regressions():
    tone = tone_ogg(8000, 1, 400, -1)
    pages = ogg_pages(tone)
    # Known fault: the last page claims 0x7fff0000 frames; the loader sized its buffer by
    # that claim.
    claim = b"".join(pages[:-1]) + reseal(pages[-1], granule=0x7FFF0000, last=True)
    # Headers only: the stream opens and holds no audio.
    headers = b"".join(pages[:2])
    return {"known-granule-claims-2g-frames.ogg": claim, "headers-without-audio.ogg": headers}


# ---- Fonts -------------------------------------------------------------------------------


def font_choice(size, style, text):
    """The 8 bytes that end a font input: pixel size, style bits and six characters (see
    fuzz/truetype_fuzz.cpp)."""
    assert len(text) == 6
    return bytes([size, style]) + text


def truetype_inputs():
    font = read(os.path.join(ASSETS, "santbsb_.ttf"))
    return {
        "santbsb-9-plain.ttf": font + font_choice(9, 0, b"Candy!"),
        "santbsb-16-smooth.ttf": font + font_choice(16, 4, b"Arena~"),
        "santbsb-41-bold-italic-smooth.ttf": font + font_choice(41, 7, b"gQ@%\xe9 "),
        "santbsb-first-2k.ttf": font[:2048] + font_choice(16, 4, b"Hat 21"),
    }


def truetype_regressions():
    font = bytearray(read(os.path.join(ASSETS, "santbsb_.ttf")))
    # The table directory: 12 bytes of header, 16 per table (tag, checksum, offset, length).
    tables = struct.unpack(">H", font[4:6])[0]
    for i in range(tables):
        entry = 12 + 16 * i
        if font[entry:entry + 4] in (b"loca", b"hmtx"):
            # Offsets and lengths that point past the end of the file.
            font[entry + 8:entry + 16] = struct.pack(">II", len(font) - 4, 0x10000)
    return {"tables-past-the-end.ttf": bytes(font) + font_choice(9, 0, b"ABCxyz")}


# ---- Streams -----------------------------------------------------------------------------


def stream_inputs():
    # Operation bytes: see the switch in fuzz/stream_fuzz.cpp. A count is three bytes: kind,
    # then a 16-bit value (kinds 3-7: value % 64).
    def count(n):
        return bytes([3, n & 0xFF, n >> 8])

    read_all = b"\x01" + count(40) + b"\x03\x07\x06\x02\x08" + count(10) + b"\x09\x03"
    seek_around = b"\x02" + count(5) + b"\x03\x02" + bytes([0, 7, 0]) + b"\x03\x04" + count(3)
    copy = b"\x0a" + count(60) + b"\x0b" + count(30) + count(7)
    writes = b"\x00\x01\x0c\x05hello\x0e\x06\x05line!\x0f\x03abc\x11\x10"
    wrap = b"\x12\x01\x00\x02\x01" + count(20) + b"\x10\x03\x13"
    scratch_file = (b"\x14\x01\x00\x02\x0d\x04abcd\x10\x14\x02\x02" + count(0) + b"\x01" +
                    count(10))
    return {
        "incbin-title.txt": b"incbin::title.png\n" + read_all + seek_around,
        "incbin-upper-scheme.txt": b"INCBIN::bell.ogg\n" + seek_around + copy,
        "incbin-font.txt": b"InCbIn::vardofont.bin\n" + read_all + wrap,
        "incbin-missing.txt": b"incbin::no such asset\n" + read_all,
        "scheme-unknown.txt": b"http::data.bin\n" + read_all,
        "scheme-empty.txt": b"::\n" + writes,
        "file-data.txt": b"data.bin\n" + read_all + seek_around + copy,
        "file-backslash.txt": b".\\data.bin\n" + read_all,
        "file-folder.txt": b".\n" + read_all,
        "memory-program.txt": b"\n" + writes + wrap + scratch_file,
        "url-only.txt": b"incbin::santbsb_.ttf",
    }


def stream_regressions():
    # Known fault: the part before a zero byte named the file that was opened. Both names
    # stay inside the scratch folder.
    return {
        "known-zero-byte-in-path.txt": b"data.bin\0.png\n\x01\x03\x10\x00",
        "parent-folder-refused.txt": b"sub\\..\\..\\data.bin\n\x01\x03\x10\x00",
    }


def main():
    for folder, inputs, regressions in (
            ("png", png_inputs(), png_regressions()),
            ("png_checksummed", png_inputs(), png_regressions()),
            ("ogg", ogg_inputs(), ogg_regressions()),
            ("ogg_checksummed", ogg_inputs(), ogg_regressions()),
            ("truetype", truetype_inputs(), truetype_regressions()),
            ("stream", stream_inputs(), stream_regressions())):
        for name, data in inputs.items():
            write("seeds", folder, name, data)
        for name, data in regressions.items():
            write("regressions", folder, name, data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
