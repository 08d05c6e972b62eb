#!/usr/bin/env python3
"""Draws the demo title's pictures, cursor and sound into demo/title/.

Standard library only (zlib + struct for PNG, wave for the chime); the output is the same on
every run, so the committed files can be checked with `git diff` after running it again.
Usage: demo/tools/make_demo_pictures.py [DEMO_TITLE_FOLDER]
"""
import math
import os
import struct
import sys
import wave
import zlib

KEY = (255, 0, 255)  # colour-key background: the player keys on the bottom-left pixel


# ---------------------------------------------------------------- output

def write_png(path, width, height, rows, grey=False):
    """rows: list of bytes objects (RGB or grey), top-down."""
    bpp = 1 if grey else 3
    raw = bytearray()
    prev = bytes(width * bpp)
    for row in rows:
        # Pick Sub or Up per row, whichever leaves smaller residues (smaller files).
        sub = bytes((row[i] - (row[i - bpp] if i >= bpp else 0)) & 255 for i in range(len(row)))
        up = bytes((row[i] - prev[i]) & 255 for i in range(len(row)))
        cost = lambda r: sum(v if v < 128 else 256 - v for v in r)
        if cost(up) <= cost(sub):
            raw += b"\x02" + up
        else:
            raw += b"\x01" + sub
        prev = row

    def chunk(kind, body):
        c = struct.pack(">I", len(body)) + kind + body
        return c + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0 if grey else 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


def rgb_rows(width, height, shade):
    return [bytes(c for x in range(width) for c in shade(x, y)) for y in range(height)]


# ---------------------------------------------------------------- helpers

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def ramp(stops, t):
    """stops: [(position, colour)...] sorted by position."""
    t = clamp(t)
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 0)
    return stops[-1][1]


def coverage(d):
    """Signed distance (negative inside) to pixel coverage, one pixel of soft edge."""
    return clamp(0.5 - d)


def sd_circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def sd_ellipse(x, y, cx, cy, rx, ry):
    # Good enough near the edge for anti-aliasing.
    k = math.hypot((x - cx) / rx, (y - cy) / ry)
    return (k - 1.0) * min(rx, ry)


def sd_capsule(x, y, ax, ay, bx, by, r):
    px, py, vx, vy = x - ax, y - ay, bx - ax, by - ay
    h = clamp((px * vx + py * vy) / (vx * vx + vy * vy))
    return math.hypot(px - vx * h, py - vy * h) - r


def sd_polygon(x, y, pts):
    d = float("inf")
    inside = False
    n = len(pts)
    for i in range(n):
        (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
        vx, vy, px, py = bx - ax, by - ay, x - ax, y - ay
        h = clamp((px * vx + py * vy) / (vx * vx + vy * vy))
        d = min(d, math.hypot(px - vx * h, py - vy * h))
        if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
            inside = not inside
    return -d if inside else d


class Lcg:
    """The player's own generator, so 'random' details repeat exactly."""

    def __init__(self, seed):
        self.seed = seed

    def next(self, n):
        self.seed = (self.seed * 134775813 + 1) & 0xFFFFFFFF
        return (self.seed * n) >> 32


# ---------------------------------------------------------------- pictures

def background_dusk():
    w, h = 640, 480
    sky = [(0.0, (18, 24, 70)), (0.45, (92, 58, 128)), (0.75, (226, 110, 112)), (1.0, (255, 196, 120))]
    rnd = Lcg(7)
    stars = {(rnd.next(w), rnd.next(200)): 120 + rnd.next(136) for _ in range(90)}
    horizon = 330

    def hill(x, base, amp, freq, phase):
        return base - amp * (0.6 * math.sin(x * freq + phase) + 0.4 * math.sin(x * freq * 2.3 + phase * 1.7))

    def shade(x, y):
        c = ramp(sky, y / horizon)
        # Sun low over the hills, with a glow.
        d = math.hypot(x - 430, y - 300)
        c = mix(c, (255, 236, 190), clamp(1.2 - d / 150) ** 2 * 0.8)
        c = mix(c, (255, 250, 230), coverage(d - 42))
        if (x, y) in stars:
            c = mix(c, (255, 255, 255), stars[(x, y)] / 255 * clamp(1 - y / 220))
        # Three layers of hills, nearer ones darker.
        for base, amp, freq, phase, col in ((350, 30, 0.012, 1.0, (120, 70, 120)),
                                            (385, 26, 0.017, 2.5, (72, 40, 86)),
                                            (425, 22, 0.023, 0.3, (34, 20, 48))):
            top = hill(x, base, amp, freq, phase)
            a = coverage(top - y)
            if a > 0:
                c = mix(c, mix(col, (20, 10, 30), clamp((y - top) / 160)), a)
        return c

    return w, h, rgb_rows(w, h, shade)


def background_room(lit=False):
    """The room; lit=True is the map choice's highlight picture: window and door glowing."""
    w, h = 640, 480
    wall = [(0.0, (86, 64, 58)), (0.6, (168, 132, 104)), (1.0, (196, 160, 122))]
    floor_top = 360

    def shade(x, y):
        if y >= floor_top:
            t = (y - floor_top) / (h - floor_top)
            plank = int((y - floor_top) ** 1.15 / 9)
            base = (120, 78, 46) if plank % 2 else (136, 90, 54)
            c = mix(base, (70, 44, 28), 1 - t)
            if (x + plank * 97) % 160 < 2:
                c = mix(c, (60, 36, 20), 0.6)
            return c
        c = ramp(wall, y / floor_top)
        # Vertical wallpaper stripes.
        if (x // 24) % 2 == 0:
            c = mix(c, (255, 230, 200), 0.06)
        if y > floor_top - 14:
            c = (92, 60, 40) if y < floor_top - 3 else (62, 40, 26)
        # Window with a night sky and the moon.
        wx0, wy0, wx1, wy1 = 60, 60, 300, 280
        if wx0 - 10 <= x < wx1 + 10 and wy0 - 10 <= y < wy1 + 10:
            c = (230, 220, 200)
            if wx0 <= x < wx1 and wy0 <= y < wy1:
                c = ramp([(0.0, (10, 16, 48)), (1.0, (46, 70, 130))], (y - wy0) / (wy1 - wy0))
                c = mix(c, (250, 246, 220), coverage(sd_circle(x, y, 220, 120, 26)))
                c = mix(c, (160, 180, 220), clamp(1 - sd_circle(x, y, 220, 120, 26) / 40) * 0.25)
                if abs(x - (wx0 + wx1) // 2) < 4 or abs(y - (wy0 + wy1) // 2) < 4:
                    c = (230, 220, 200)
        # A door on the right wall, with its knob.
        dx0, dy0, dx1, dy1 = 450, 110, 570, 348
        if dx0 - 8 <= x < dx1 + 8 and dy0 - 8 <= y < dy1:
            c = (88, 56, 38)
            if dx0 <= x < dx1 and dy0 <= y:
                c = (132, 88, 56) if (x - dx0) // 30 % 2 == 0 else (124, 82, 52)
                if abs(x - (dx0 + dx1) // 2) < 2 and y < dy1 - 10:
                    c = (104, 68, 44)
                c = mix(c, (230, 190, 90), coverage(sd_circle(x, y, dx1 - 16, 236, 6)))
        # Soft lamp light from the right.
        glow = clamp(1 - math.hypot(x - 540, y - 150) / 420)
        c = mix(c, (255, 214, 150), glow * glow * 0.35)
        if lit:
            c = mix(c, (255, 244, 200), 0.45)
        return c

    return w, h, rgb_rows(w, h, shade)


def room_lit():
    return background_room(lit=True)


def note():
    """A paper note for the demo's call item: cream paper, ruled, with a few scribbled lines."""
    w, h = 260, 140
    rnd = Lcg(7)
    lengths = [rnd.next(120) + 100 for _ in range(4)]

    def shade(x, y):
        c = (248, 240, 214)
        if x < 4 or y < 4 or x >= w - 4 or y >= h - 4:
            return (150, 120, 80)
        if (y - 20) % 26 == 0:
            c = (190, 200, 230)
        row = (y - 14) // 26
        if 0 <= row < 4 and 10 <= (y - 14) % 26 < 16 and 20 <= x < 20 + lengths[row]:
            if (x // 7 + row) % 5 != 4:
                c = (60, 50, 90)
        return c

    return w, h, rgb_rows(w, h, shade)


def girl_shape(x, y):
    """Signed distance to a standing girl seen from the front, in a 240x400 box."""
    d = sd_circle(x, y, 120, 70, 40)                                      # head
    d = min(d, sd_ellipse(x, y, 120, 64, 52, 50))                         # hair
    d = min(d, sd_polygon(x, y, [(70, 60), (170, 60), (178, 190), (62, 190)]))  # long hair
    d = min(d, sd_capsule(x, y, 120, 100, 120, 130, 12))                  # neck
    d = min(d, sd_polygon(x, y, [(84, 130), (156, 130), (172, 200), (200, 370), (40, 370), (68, 200)]))
    d = min(d, sd_capsule(x, y, 82, 140, 56, 250, 13))                    # arms
    d = min(d, sd_capsule(x, y, 158, 140, 184, 250, 13))
    d = min(d, sd_capsule(x, y, 96, 360, 96, 396, 10))                    # legs
    d = min(d, sd_capsule(x, y, 144, 360, 144, 396, 10))
    return d


def girl():
    w, h = 240, 400
    rows, mask = [], []
    for y in range(h):
        row, mrow = bytearray(), bytearray()
        for x in range(w):
            d = girl_shape(x, y)
            a = coverage(d)
            # Dress gradient with a cool rim light on the left edge.
            body = ramp([(0.0, (44, 36, 92)), (0.5, (70, 48, 130)), (1.0, (110, 60, 150))], y / h)
            rim = clamp(1 + d / 6) * clamp(1 - (x - 40) / 140)
            body = mix(body, (170, 200, 255), rim * 0.55)
            if sd_circle(x, y, 120, 74, 34) < 0 and y > 62:               # face
                body = mix((242, 210, 190), (210, 170, 160), clamp((y - 62) / 50))
            c = body if a > 0 else KEY
            row += bytes(c)
            mrow.append(int(round(255 * (1 - a))))
        rows.append(bytes(row))
        mask.append(bytes(mrow))
    # The colour key must be the bottom-left pixel for titles drawn without masks.
    rows[-1] = bytes(KEY) + rows[-1][3:]
    mask[-1] = bytes([255]) + mask[-1][1:]
    return w, h, rows, mask


def star(size=64):
    def shade(x, y):
        cx = cy = size / 2
        pts = []
        for i in range(10):
            r = size * (0.46 if i % 2 == 0 else 0.2)
            a = -math.pi / 2 + i * math.pi / 5
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
        d = sd_polygon(x + 0.5, y + 0.5, pts)
        if d > 0:
            return KEY
        return mix((255, 250, 190), (250, 170, 40), clamp(math.hypot(x - cx, y - cy) / (size * 0.45)))
    return size, size, rgb_rows(size, size, shade)


# 5x7 capitals for the logo.
FONT = {
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    " ": ["00000"] * 7,
}


def logo():
    text, cell = "MAVLET", 10
    w, h = 520, 130  # room beside the letters for the stars stamped on at run time
    left = (w - (len(text) * 6 - 1) * cell) // 2
    top = 20

    def lit(x, y):
        gx, gy = (x - left) // cell, (y - top) // cell
        if gy < 0 or gy >= 7 or gx < 0 or gx >= len(text) * 6:
            return False
        ch, col = divmod(gx, 6)
        return col < 5 and FONT[text[ch]][gy][col] == "1"

    def shade(x, y):
        if lit(x, y):
            return ramp([(0.0, (255, 240, 200)), (1.0, (250, 150, 90))], (y - top) / (7 * cell))
        if lit(x - 4, y - 4):
            return (40, 20, 60)  # drop shadow
        if 104 <= y < 110 and 100 <= x < 420:
            return mix((250, 150, 90), (255, 240, 200), abs(x - 260) / 160)
        return KEY
    return w, h, rgb_rows(w, h, shade)


def sparkle(frame, frames=6, size=64):
    angle = frame * math.pi / (2 * frames)
    pulse = 0.75 + 0.25 * math.cos(frame * 2 * math.pi / frames)

    def shade(x, y):
        cx = cy = size / 2
        px, py = x + 0.5 - cx, y + 0.5 - cy
        rx = px * math.cos(angle) + py * math.sin(angle)
        ry = -px * math.sin(angle) + py * math.cos(angle)
        arm = min(abs(rx) * 6 + abs(ry), abs(ry) * 6 + abs(rx)) - size * 0.45 * pulse
        core = math.hypot(px, py) - 6 * pulse
        d = min(arm / 3, core)
        if d > 0:
            return KEY
        return mix((255, 255, 255), (150, 200, 255), clamp(math.hypot(px, py) / (size * 0.45)))
    return size, size, rgb_rows(size, size, shade)


def twinkle(frame, frames=4, size=17):
    """A small four-pointed sparkle for the particles that follow the mouse on the title screen."""
    pulse = 0.7 + 0.3 * math.cos(frame * 2 * math.pi / frames)
    angle = frame * math.pi / (4 * frames)

    def shade(x, y):
        px, py = x + 0.5 - size / 2, y + 0.5 - size / 2
        rx = px * math.cos(angle) + py * math.sin(angle)
        ry = -px * math.sin(angle) + py * math.cos(angle)
        arm = min(abs(rx) * 5 + abs(ry), abs(ry) * 5 + abs(rx)) - size * 0.5 * pulse
        core = math.hypot(px, py) - 2.2 * pulse
        if min(arm / 2.5, core) > 0:
            return KEY
        return mix((255, 255, 240), (255, 210, 120), clamp(math.hypot(px, py) / (size * 0.5)))
    return size, size, rgb_rows(size, size, shade)


def petal(frame, frames=4, w=14, h=12):
    """A cherry petal tumbling as it falls in the room: an ellipse whose width turns with the frame."""
    turn = abs(math.cos(frame * math.pi / frames))
    rx, ry = max(1.5, (w / 2 - 1) * (0.35 + 0.65 * turn)), h / 2 - 1.5

    def shade(x, y):
        px, py = x + 0.5 - w / 2, y + 0.5 - h / 2
        # a notch at the top, as petals have
        if py < -ry * 0.7 and abs(px) < rx * 0.18:
            return KEY
        d = sd_ellipse(x + 0.5, y + 0.5, w / 2, h / 2, rx, ry)
        if d > 0:
            return KEY
        return mix((255, 236, 242), (240, 150, 185), clamp(math.hypot(px, py) / max(rx, ry)))
    rows = rgb_rows(w, h, shade)
    return w, h, rows


def cursor():
    """32x32 Windows cursor (32-bit colour with AND mask), hot spot at the arrow's tip."""
    size = 32
    pts = [(1, 1), (1, 22), (6, 17), (10, 26), (13, 25), (9, 16), (16, 16)]
    xor = bytearray()
    for y in reversed(range(size)):  # bottom-up rows
        for x in range(size):
            d = sd_polygon(x + 0.5, y + 0.5, pts)
            if d < -1.2:
                b, g, r, a = 255, 240, 230, 255
            elif d < 0.6:
                b, g, r, a = 60, 30, 40, 255
            else:
                b, g, r, a = 0, 0, 0, 0
            xor += bytes((b, g, r, a))
    and_mask = bytes(size * 4)  # 1 bit per pixel, all zero: the alpha channel decides
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + bytes(xor) + and_mask
    directory = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 1, len(image), 22)
    return directory + image


def chime(path):
    rate, seconds = 11025, 0.6
    frames = bytearray()
    for i in range(int(rate * seconds)):
        t = i / rate
        v = (math.sin(2 * math.pi * 880 * t) * 0.6 + math.sin(2 * math.pi * 1320 * t) * 0.3) * math.exp(-5 * t)
        frames.append(int(round(128 + 100 * v)))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "title")
    pics = os.path.join(root, "pictures")
    for name, make in (("bg_dusk", background_dusk), ("bg_room", background_room), ("room_lit", room_lit),
                       ("note", note), ("star", star), ("logo", logo)):
        w, h, rows = make()
        write_png(os.path.join(pics, name + ".png"), w, h, rows)
    w, h, rows, mask = girl()
    write_png(os.path.join(pics, "girl.png"), w, h, rows)
    write_png(os.path.join(pics, "girl-m.png"), w, h, mask, grey=True)
    frames_dir = os.path.join(pics, "spark.pmf.frames")
    for k in range(6):
        w, h, rows = sparkle(k)
        write_png(os.path.join(frames_dir, "%d.png" % k), w, h, rows)
    with open(os.path.join(frames_dir, "flags.txt"), "w") as f:
        f.write("1 1 1 1 1 1\n")
    # Particle pictures (title sparkles, room petals): frame lists keyed by their bottom-left pixel.
    for name, make in (("twinkle", twinkle), ("petal", petal)):
        frames_dir = os.path.join(pics, name + ".pmf.frames")
        for k in range(4):
            w, h, rows = make(k)
            write_png(os.path.join(frames_dir, "%d.png" % k), w, h, rows)
        with open(os.path.join(frames_dir, "flags.txt"), "w") as f:
            f.write("1 1 1 1\n")
    with open(os.path.join(pics, "arrow.cur"), "wb") as f:
        f.write(cursor())
    chime(os.path.join(root, "sounds", "chime.wav"))


if __name__ == "__main__":
    main()
