#!/usr/bin/env python3
"""Tests of the browser tests' own tools: the loopback server, the PNG decoder, the DevTools
client. A fault in these would make the browser cases pass or fail for the wrong reason
(a clamped ".." serving another file, a mis-decoded filter hiding a pixel difference, a wait
that never ends). usage: harness_test.py (unittest; needs /usr/bin/chromium for the last class)
"""

import http.client
import os
import struct
import sys
import tempfile
import time
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import devtools  # noqa: E402
import png_pixels  # noqa: E402
import static_server  # noqa: E402


def get(server, path):
    conn = http.client.HTTPConnection("127.0.0.1", server.port, timeout=5)
    conn.request("GET", path)
    answer = conn.getresponse()
    body = answer.read()
    conn.close()
    return answer.status, answer.getheader("Content-Type"), body


class ServerTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.site = os.path.join(self.work.name, "site")
        os.makedirs(os.path.join(self.site, "title"))
        for name, data in (("mavlet.wasm", b"\0asm"), ("title/a b.txt", b"inside"), ("index.html", b"<p>")):
            with open(os.path.join(self.site, name), "wb") as f:
                f.write(data)
        with open(os.path.join(self.work.name, "secret.txt"), "wb") as f:
            f.write(b"SECRET-BYTES")

    def tearDown(self):
        self.work.cleanup()

    def test_types_and_paths(self):
        # path, status, type (None: any), body (None: any)
        cases = [
            ("/mavlet.wasm", 200, "application/wasm", b"\0asm"),
            ("/title/a%20b.txt", 200, "text/plain; charset=utf-8", b"inside"),
            ("/index.html?events=3", 200, "text/html; charset=utf-8", b"<p>"),
            ("/../secret.txt", 404, None, None),
            ("/title/../../secret.txt", 404, None, None),
            ("/%2e%2e/secret.txt", 404, None, None),
            ("/title/..%2f..%2fsecret.txt", 404, None, None),
            ("/title/../../index.html", 404, None, None),  # not /index.html under another name
            ("/missing.js", 404, None, None),
        ]
        with static_server.StaticServer(self.site, lifetime=20) as server:
            for path, status, kind, body in cases:
                with self.subTest(path=path):
                    got_status, got_kind, got_body = get(server, path)
                    self.assertEqual(got_status, status)
                    self.assertNotIn(b"SECRET-BYTES", got_body)
                    if kind:
                        self.assertEqual(got_kind, kind)
                    if body is not None:
                        self.assertEqual(got_body, body)
            asked = [p for _, p, _ in server.requests()]
        self.assertEqual(asked, [c[0] for c in cases])

    def test_inside(self):
        cases = [("/index.html", True), ("/title/x/y.png", True), ("/", True), ("/../x", False),
                 ("/a/%2E%2E/%2e%2e/x", False), ("/a\\..\\x", False), ("/title/..", False)]
        for path, want in cases:
            with self.subTest(path=path):
                self.assertEqual(static_server.inside(self.site, path), want)

    def test_stops_by_itself(self):
        server = static_server.StaticServer(self.site, lifetime=1.0)
        self.assertEqual(get(server, "/index.html")[0], 200)
        deadline = time.monotonic() + 5
        while server.running() and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertFalse(server.running())
        self.assertTrue(server.expired)
        with self.assertRaises(OSError):
            get(server, "/index.html")


def filtered_png(width, height, pixels, filters, colour=6, palette=b""):
    """A PNG whose row y is written with filter filters[y % len(filters)] (pixels: row bytes)."""
    channels = {6: 4, 2: 3, 3: 1}[colour]
    raw = bytearray()
    previous = bytes(width * channels)
    for y, row in enumerate(pixels):
        kind = filters[y % len(filters)]
        out = bytearray()
        for i, v in enumerate(row):
            left = row[i - channels] if i >= channels else 0
            up = previous[i]
            up_left = previous[i - channels] if i >= channels else 0
            predictor = [0, left, up, (left + up) >> 1, png_pixels._paeth(left, up, up_left)][kind]
            out.append((v - predictor) & 0xFF)
        raw += bytes((kind,)) + out
        previous = row

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    extra = chunk(b"PLTE", palette) if palette else b""
    return (png_pixels.SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour, 0, 0, 0)) +
            extra + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))


class PngTest(unittest.TestCase):
    W, H = 7, 10

    def rgba_rows(self):
        return [bytes(((x * 53 + y * 17) & 0xFF, (x * y * 29) & 0xFF, (255 - x * 31) & 0xFF, (y * 40) & 0xFF)
                      [c] for x in range(self.W) for c in range(4)) for y in range(self.H)]

    def test_every_filter_decodes(self):
        rows = self.rgba_rows()
        for filters in ([0], [1], [2], [3], [4], [0, 1, 2, 3, 4]):
            with self.subTest(filters=filters):
                w, h, got = png_pixels.decode(filtered_png(self.W, self.H, rows, filters))
                self.assertEqual((w, h), (self.W, self.H))
                self.assertEqual(got, rows)

    def test_rgb_and_palette(self):
        rgb = [bytes(v for x in range(self.W) for v in (x * 30, y * 20, 7)) for y in range(self.H)]
        _, _, got = png_pixels.decode(filtered_png(self.W, self.H, rgb, [4, 1], colour=2))
        self.assertEqual(got[3][:8], bytes((0, 60, 7, 255, 30, 60, 7, 255)))
        palette = bytes((10, 20, 30, 40, 50, 60))
        indexed = [bytes((x + y) % 2 for x in range(self.W)) for y in range(self.H)]
        _, _, got = png_pixels.decode(filtered_png(self.W, self.H, indexed, [0], colour=3, palette=palette))
        self.assertEqual(got[0][:8], bytes((10, 20, 30, 255, 40, 50, 60, 255)))

    def test_round_trip_and_difference(self):
        rows = self.rgba_rows()
        a = png_pixels.decode(png_pixels.encode(self.W, self.H, rows))
        self.assertEqual(a[2], rows)
        self.assertIsNone(png_pixels.first_difference(a, a))
        changed = list(rows)
        changed[4] = changed[4][:8] + b"\1\2\3\4" + changed[4][12:]
        b = png_pixels.decode(png_pixels.encode(self.W, self.H, changed))
        self.assertIn("1 pixels differ, first at (2,4)", png_pixels.first_difference(a, b))
        self.assertIn("sizes differ", png_pixels.first_difference(a, (1, 1, [b"\0\0\0\0"])))

    def test_bad_files_are_refused(self):
        good = png_pixels.encode(2, 2, [bytes(8)] * 2)
        cases = [("signature", b"GIF89a" + good[6:]), ("truncated", good[:30]),
                 ("bad CRC", good[:20] + bytes((good[20] ^ 1,)) + good[21:]),
                 ("no IEND", good[:-12])]
        for name, data in cases:
            with self.subTest(name):
                with self.assertRaises((ValueError, zlib.error)):
                    png_pixels.decode(data)


@unittest.skipUnless(os.path.exists(devtools.CHROMIUM), "no chromium")
class DevToolsTest(unittest.TestCase):
    def test_page_round_trip(self):
        with tempfile.TemporaryDirectory() as work:
            site = os.path.join(work, "site")
            os.makedirs(site)
            with open(os.path.join(site, "index.html"), "w") as f:
                f.write("<!doctype html><link rel=icon href='data:,'><body style='margin:0'>"
                        "<canvas id=c width=20 height=10></canvas><script>window.got=[];"
                        "addEventListener('mousedown',e=>got.push('click '+e.clientX+','+e.clientY));"
                        "addEventListener('touchstart',e=>got.push('tap'));"
                        "addEventListener('keydown',e=>got.push('key '+e.key));"
                        "const g=c.getContext('2d');g.fillStyle='#0a1428';g.fillRect(0,0,20,10);</script>")
            with static_server.StaticServer(site, lifetime=60) as server, \
                    devtools.Browser(os.path.join(work, "profile")) as browser:
                page = browser.new_page()
                page.navigate(server.url("index.html"))
                self.assertEqual(page.evaluate("1 + 2"), 3)
                page.click(5, 6)
                page.tap(3, 3)
                page.key("Enter", key_code=13)
                page.wait_for("got.length >= 4", 5)
                # A tap is followed by the browser's compatibility mouse press, as on a phone.
                self.assertEqual(page.evaluate("got"), ["click 5,6", "tap", "click 3,3", "key Enter"])
                with self.assertRaises(devtools.DevToolsError):
                    page.evaluate("no_such_name")
                start = time.monotonic()
                with self.assertRaises(devtools.DevToolsTimeout):
                    page.wait_for("false", 0.5)
                self.assertLess(time.monotonic() - start, 3)
                w, h, rows = png_pixels.decode(page.screenshot_png())
                self.assertEqual(rows[5][4 * 5:4 * 5 + 4], bytes((10, 20, 40, 255)))

    def test_a_browser_that_cannot_start_fails_at_once(self):
        saved = devtools.CHROMIUM
        devtools.CHROMIUM = "/bin/false"
        try:
            with tempfile.TemporaryDirectory() as work:
                start = time.monotonic()
                browser = devtools.Browser(work, command_timeout=20)
                with self.assertRaises(devtools.DevToolsError):
                    browser.new_page()
                browser.close()
                self.assertLess(time.monotonic() - start, 10)
        finally:
            devtools.CHROMIUM = saved


if __name__ == "__main__":
    unittest.main(verbosity=1)
