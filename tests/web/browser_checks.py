"""What the browser cases check on a page: its state, the canvas's pixels as the screen shows
them, and waits for either, every one bounded in time. A failed check raises CaseFailure with
a message saying what the page showed instead.
"""

import base64
import time

import png_pixels


class CaseFailure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise CaseFailure(message)


def page_state(page):
    return page.evaluate("document.body && document.body.dataset.mavlet || ''")


def wait_state(page, states, timeout):
    """Waits until the page's state is one of STATES; fails with the status line on error."""
    deadline = time.monotonic() + timeout
    while True:
        state = page_state(page)
        if state == "error":
            raise CaseFailure("the page reports an error: " + str(page.evaluate(
                "(document.getElementById('mavlet-status')||{}).textContent")))
        if state in states:
            return state
        if time.monotonic() > deadline:
            status = page.evaluate("(document.getElementById('mavlet-status')||{}).textContent")
            console = [" ".join(str(a.get("value", a.get("description", ""))) for a in e.get("args", []))
                       for _, e in page.events("Runtime.consoleAPICalled")]
            raise CaseFailure(f"the page is still '{state}' after {timeout:.0f} s (waiting for {'/'.join(states)}); "
                              f"status {status!r}" + (f", last console line {console[-1]!r}" if console else ""))
        time.sleep(0.1)


def canvas_rect(page):
    rect = page.evaluate("""(() => { const c = document.getElementById('canvas');
        if (!c) return null; const r = c.getBoundingClientRect();
        return {x: r.left, y: r.top, w: r.width, h: r.height, cw: c.width, ch: c.height}; })()""")
    check(rect and rect["w"] > 0 and rect["h"] > 0, "the page has no visible canvas#canvas")
    return rect


def capture_canvas(page):
    """What the canvas shows, at the canvas's own size (integer CSS scaling undone)."""
    r = canvas_rect(page)
    data = page.send("Page.captureScreenshot", {"format": "png", "clip": {
        "x": r["x"], "y": r["y"], "width": r["w"], "height": r["h"], "scale": 1}})["data"]
    w, h, rows = png_pixels.decode(base64.b64decode(data))
    sx, sy = w // r["cw"], h // r["ch"]
    check(sx >= 1 and sy >= 1, f"the canvas shows {w}x{h} for a {r['cw']}x{r['ch']} screen")
    if sx == 1 and sy == 1:
        return w, h, rows
    return r["cw"], r["ch"], [b"".join(rows[y * sy][4 * x * sx:4 * x * sx + 4] for x in range(r["cw"]))
                              for y in range(r["ch"])]


def to_page(page, x, y):
    """Page coordinates of a point on the title's screen."""
    r = canvas_rect(page)
    return r["x"] + (x + 0.5) * r["w"] / r["cw"], r["y"] + (y + 0.5) * r["h"] / r["ch"]


def pixel(picture, x, y):
    return picture[2][y][4 * x:4 * x + 3]


def lit_share(picture):
    """The share of pixels that are not black."""
    w, h, rows = picture
    lit = sum(1 for row in rows[::4] for x in range(0, w, 4) if row[4 * x:4 * x + 3] != b"\0\0\0")
    return lit / (len(rows[::4]) * len(range(0, w, 4)))


def box_match(a, b, box):
    """The share of pixels in BOX that two pictures have alike."""
    x0, y0, x1, y1 = box
    same = sum(1 for y in range(y0, y1) for x in range(x0, x1) if pixel(a, x, y) == pixel(b, x, y))
    return same / ((x1 - x0) * (y1 - y0))


def stable_points(pictures, step=16, margin=8):
    """Points where every picture has the same pixel: the title screen's still background."""
    first = pictures[0]
    w, h, _ = first
    return [(x, y) for y in range(margin, h - margin, step) for x in range(margin, w - margin, step)
            if all(pixel(p, x, y) == pixel(first, x, y) for p in pictures[1:])]



def wait_for_picture(page, want, points, share, what, timeout=10.0):
    """Waits until at least SHARE of POINTS show on the canvas as in WANT; fails naming WHAT."""
    deadline = time.monotonic() + timeout
    while True:
        shown = capture_canvas(page)
        alike = sum(1 for x, y in points if pixel(shown, x, y) == pixel(want, x, y)) / len(points)
        if alike >= share:
            return
        check(time.monotonic() < deadline, f"no {what} after {timeout:.0f} s: {alike:.0%} of "
              f"{len(points)} points match the native picture")
        time.sleep(0.2)
