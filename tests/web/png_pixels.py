"""PNG to pixels with the standard library, for comparing the page's pictures with the runner's.

decode(data) gives (width, height, rows) where rows is a list of bytes objects of 4*width
bytes, RGBA, for 8-bit greyscale, grey+alpha, RGB, RGBA and palette images without
interlacing (what the player, the runner and Chromium's screenshots write). Anything else, a
bad signature, a bad chunk CRC or truncated data raises ValueError naming the problem.
encode(width, height, rows) writes an RGBA PNG (for test pictures).
"""

import struct
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
_CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def _chunks(data):
    if data[:8] != SIGNATURE:
        raise ValueError("not a PNG (bad signature)")
    pos = 8
    while pos < len(data):
        if pos + 8 > len(data):
            raise ValueError("truncated chunk header")
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if len(body) != length or pos + 12 + length > len(data):
            raise ValueError(f"truncated {kind!r} chunk")
        crc = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]
        if zlib.crc32(kind + body) != crc:
            raise ValueError(f"bad CRC in {kind!r} chunk")
        yield kind, body
        pos += 12 + length
        if kind == b"IEND":
            return
    raise ValueError("no IEND chunk")


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode(data):
    header = None
    palette = b""
    transparency = b""
    idat = []
    for kind, body in _chunks(data):
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            palette = body
        elif kind == b"tRNS":
            transparency = body
        elif kind == b"IDAT":
            idat.append(body)
    if header is None:
        raise ValueError("no IHDR chunk")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in _CHANNELS or interlace:
        raise ValueError(f"unsupported PNG: depth {depth}, colour type {colour}, interlace {interlace}")
    channels = _CHANNELS[colour]
    stride = width * channels
    raw = zlib.decompress(b"".join(idat))
    if len(raw) != height * (stride + 1):
        raise ValueError(f"image data holds {len(raw)} bytes, {height * (stride + 1)} expected")
    previous = bytearray(stride)
    rows = []
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        line = bytearray(raw[start + 1:start + 1 + stride])
        if kind == 1:
            for i in range(channels, stride):
                line[i] = (line[i] + line[i - channels]) & 0xFF
        elif kind == 2:
            for i in range(stride):
                line[i] = (line[i] + previous[i]) & 0xFF
        elif kind == 3:
            for i in range(stride):
                left = line[i - channels] if i >= channels else 0
                line[i] = (line[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                left = line[i - channels] if i >= channels else 0
                up_left = previous[i - channels] if i >= channels else 0
                line[i] = (line[i] + _paeth(left, previous[i], up_left)) & 0xFF
        elif kind != 0:
            raise ValueError(f"row {y}: unknown filter {kind}")
        rows.append(_to_rgba(bytes(line), colour, palette, transparency))
        previous = line
    return width, height, rows


def _to_rgba(line, colour, palette, transparency):
    if colour == 6:
        return line
    out = bytearray()
    if colour == 2:
        for i in range(0, len(line), 3):
            out += line[i:i + 3] + b"\xff"
    elif colour == 0:
        for v in line:
            out += bytes((v, v, v, 255))
    elif colour == 4:
        for i in range(0, len(line), 2):
            out += bytes((line[i], line[i], line[i], line[i + 1]))
    else:
        for index in line:
            if 3 * index + 3 > len(palette):
                raise ValueError(f"palette index {index} past the palette")
            alpha = transparency[index] if index < len(transparency) else 255
            out += palette[3 * index:3 * index + 3] + bytes((alpha,))
    return bytes(out)


def encode(width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\0" + bytes(row) for row in rows)
    return (SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def first_difference(a, b):
    """None when two decoded images are equal, else a line saying where they first differ."""
    (wa, ha, ra), (wb, hb, rb) = a, b
    if (wa, ha) != (wb, hb):
        return f"sizes differ: {wa}x{ha} against {wb}x{hb}"
    differing = 0
    first = None
    for y in range(ha):
        if ra[y] != rb[y]:
            for x in range(wa):
                if ra[y][4 * x:4 * x + 4] != rb[y][4 * x:4 * x + 4]:
                    differing += 1
                    if first is None:
                        first = (x, y, ra[y][4 * x:4 * x + 4].hex(), rb[y][4 * x:4 * x + 4].hex())
    if first is None:
        return None
    x, y, pa, pb = first
    return f"{differing} pixels differ, first at ({x},{y}): {pa} against {pb}"
