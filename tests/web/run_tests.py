#!/usr/bin/env python3
"""The player in a real browser: headless Chromium against a demo site served on 127.0.0.1.

usage: run_tests.py SITE_DIR [--mavtool PATH] [--only NAME ...] [--time-limit SECONDS]

SITE_DIR is what `mavtool web` wrote for the demo title, with demo/run-demo.input copied in
beside index.html. The expected variables and pictures come from `mavtool run` on the site's
own title folder in the same run, so the browser is compared against the native runner, not
against stored files. One line per case ("ok NAME" or "FAIL NAME: why"); the exit status is
non-zero when a case failed. Every wait is bounded and the whole run stops (failing) after
--time-limit seconds.
"""

import argparse
import base64
import contextlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import devtools  # noqa: E402
import png_pixels  # noqa: E402
import static_server  # noqa: E402

ROOT = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
DEMO_EVENTS = 1026
INPUT_NAME = "run-demo.input"
# Native pictures of the demo's real-time start, by event of demo/run-demo.input: the title
# screen once the movie was skipped, the title screen waiting for its click, the start menu.
TITLE_EVENT, WAITING_EVENT, MENU_EVENT = 100, 200, 214
MENU_BOX = (252, 252, 368, 308)  # the start menu's box on the 640x480 screen (x0, y0, x1, y1)
START_ITEM = (300, 266)  # the menu's first item ("start")
# Native pictures of the room, shown after the start item was chosen (event 218), with the girl
# and her first lines.
ROOM_EVENTS = (260, 300, 340)
SCRIPTED_TIMEOUT = 150.0


class CaseFailure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise CaseFailure(message)


# --- the native side ----------------------------------------------------------------------------


class Native:
    """`mavtool run` on the site's title, with its output cached per argument list."""

    def __init__(self, mavtool, site, work):
        self.mavtool, self.site, self.work = mavtool, site, work
        self._cache = {}

    def run(self, events, depth=32, shots=()):
        """(variables text, {event: decoded picture}) of a run of the demo input."""
        key = (events, depth, tuple(shots))
        if key not in self._cache:
            args = [self.mavtool, "run", os.path.join(self.site, "title"), "--events", str(events),
                    "--input", os.path.join(self.site, INPUT_NAME), "--vars", "--depth", str(depth)]
            files = {}
            for event in shots:
                files[event] = os.path.join(self.work, f"native-{depth}-{event}.png")
                args += ["--shot", f"{event}:{files[event]}"]
            done = subprocess.run(args, capture_output=True, timeout=120, cwd=self.work,
                                  env={**os.environ, "HOME": self.work, "XDG_CONFIG_HOME": self.work})
            check(done.returncode == 0, f"mavtool run failed ({done.returncode}): {done.stderr.decode()[-400:]}")
            pictures = {e: png_pixels.decode(open(f, "rb").read()) for e, f in files.items()}
            raw = {e: open(f, "rb").read() for e, f in files.items()}
            self._cache[key] = (done.stdout.decode("utf-8"), pictures, raw)
        return self._cache[key]


# --- the browser side ---------------------------------------------------------------------------


class Context:
    """What the cases share: the server, the native runs, and every page opened (for the
    network case, which looks at all of them)."""

    def __init__(self, site, mavtool, work):
        self.site, self.mavtool, self.work = site, mavtool, work
        self.server = static_server.StaticServer(site, lifetime=600)
        self.native = Native(mavtool, site, work)
        self.pages = []
        self.extra_servers = []  # (site folder, its server) of the cases' own sites
        self.part_failures = []  # (part, message) of the running case's independent parts

    @contextlib.contextmanager
    def part(self, name):
        """A check the rest of the case does not depend on: its failure is reported under
        the case's name and the case goes on."""
        try:
            yield
        except CaseFailure as e:
            self.part_failures.append((name, str(e)))

    def browser(self, profile=None, flags=()):
        profile = profile or tempfile.mkdtemp(prefix="profile-", dir=self.work)
        return devtools.Browser(profile, extra_flags=flags)

    def open(self, browser, path, server=None):
        page = browser.new_page()
        page.send("Network.enable")
        page.send("Runtime.enable")
        self.pages.append(page)
        page.navigate((server or self.server).url(path))
        return page


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


# --- the cases ----------------------------------------------------------------------------------


def scripted_url(events, depth):
    url = f"index.html?events={events}&input={INPUT_NAME}&vars=1&shot=1"
    return url + (f"&depth={depth}" if depth != 32 else "")


def case_scripted(depth):
    def run(ctx):
        want_vars, _, want_raw = ctx.native.run(DEMO_EVENTS, depth, shots=(DEMO_EVENTS,))
        with ctx.browser() as browser:
            page = ctx.open(browser, scripted_url(DEMO_EVENTS, depth))
            wait_state(page, ("done",), SCRIPTED_TIMEOUT)
            got_vars = page.evaluate("(document.getElementById('mavlet-vars')||{}).textContent")
            src = page.evaluate("(document.getElementById('mavlet-shot')||{}).src || ''")
        check(got_vars is not None, "no <pre id=mavlet-vars> after the run")
        if got_vars != want_vars:
            got_lines, want_lines = got_vars.splitlines(), want_vars.splitlines()
            diff = [f"{i + 1}: browser {g!r} native {w!r}" for i, (g, w) in
                    enumerate(zip(got_lines + [None] * 99, want_lines + [None] * 99)) if g != w][:3]
            raise CaseFailure("the variables differ from mavtool run --vars: " + "; ".join(diff))
        prefix = "data:image/png;base64,"
        check(src.startswith(prefix), f"<img id=mavlet-shot> src is not a PNG data URL: {src[:40]!r}")
        got_png = base64.b64decode(src[len(prefix):])
        if got_png != want_raw[DEMO_EVENTS]:
            difference = png_pixels.first_difference(png_pixels.decode(got_png),
                                                     png_pixels.decode(want_raw[DEMO_EVENTS]))
            check(difference is None, f"the last picture differs from mavtool run --shot: {difference}")
    return run


def case_realtime(ctx):
    """Movie, audio hint and context, click and tap, on one real-time page."""
    _, native, _ = ctx.native.run(MENU_EVENT, 32, shots=(TITLE_EVENT, WAITING_EVENT, MENU_EVENT))
    title, waiting, menu = native[TITLE_EVENT], native[WAITING_EVENT], native[MENU_EVENT]
    # The checks below mean something only if the native pictures tell the screens apart.
    check(box_match(waiting, menu, MENU_BOX) < 0.5, "the native start menu does not show in its box")
    background = [p for p in stable_points([title, waiting, menu]) if abs(p[0] - 320) > 80 or p[1] > 400]
    check(len(background) >= 20, f"only {len(background)} still background points on the title screen")
    with ctx.browser() as browser:
        page = ctx.open(browser, "index.html")
        wait_state(page, ("running",), 30)
        page.wait_for("window.mavletFirstFrameMs > 0", 20)
        # Before any gesture the browser keeps sound suspended, and the page says so.
        with ctx.part("sound-waits-for-a-gesture"):
            before = page.evaluate("window.mavletAudioState()")
            check(before in ("none", "suspended"), f"audio is '{before}' before any gesture")
            hint = page.evaluate("""(() => { const h = document.getElementById('mavlet-audio-hint');
                return !!h && h.getClientRects().length > 0 && getComputedStyle(h).visibility != 'hidden'; })()""")
            check(hint, "the sound hint is not visible before the first gesture")

        # The opening movie (three seconds) plays as the page opens, before any gesture:
        # several different, not black, pictures in its first second.
        with ctx.part("movie-plays"):
            frames = []
            for _ in range(5):
                frames.append(capture_canvas(page))
                time.sleep(0.2)
            distinct = {b"".join(f[2]) for f in frames}
            lit = max(lit_share(f) for f in frames)
            check(len(distinct) >= 3 and lit > 0.3, f"the movie shows {len(distinct)} different pictures in its "
                  f"first second, at most {lit:.0%} of their pixels not black")
            check(any(pixel(frames[0], x, y) != pixel(title, x, y) for x, y in background),
                  "the title screen shows instead of the opening movie")

        # A click skips the movie (to the title screen) and starts the sound.
        page.click(*to_page(page, 320, 240))
        deadline = time.monotonic() + 10
        while True:
            shown = capture_canvas(page)
            wrong = [(x, y) for x, y in background if pixel(shown, x, y) != pixel(title, x, y)]
            if not wrong:
                break
            check(time.monotonic() < deadline, f"no title screen 10 s after the click: {len(wrong)} of "
                  f"{len(background)} background points differ, first at {wrong[0]}")
            time.sleep(0.2)
        check(lit_share(shown) > 0.9, "the title screen is mostly black")
        with ctx.part("sound-starts-at-the-first-gesture"):
            try:
                page.wait_for("window.mavletAudioState() == 'running'", 5)
                page.wait_for("""(() => { const h = document.getElementById('mavlet-audio-hint');
                    return !h || h.getClientRects().length == 0 || getComputedStyle(h).visibility == 'hidden'; })()""", 5)
            except devtools.DevToolsTimeout as e:
                raise CaseFailure(str(e)) from e

        # A tap, once the title screen waits for one, opens the start menu. The pointer
        # stays far from the menu so the sparkles that follow it do not cover the box.
        check(box_match(shown, menu, MENU_BOX) < 0.5, "the start menu shows before the tap")
        page.send("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 2})
        time.sleep(2.5)
        match = 0.0
        for _ in range(4):
            page.tap(*to_page(page, 600, 450))
            deadline = time.monotonic() + 1.5
            while time.monotonic() < deadline:
                match = box_match(capture_canvas(page), menu, MENU_BOX)
                if match > 0.9:
                    return
                time.sleep(0.2)
        raise CaseFailure(f"no start menu after four taps (its box matches the native one {match:.0%})")


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


def case_start_item_opens_room(ctx):
    """A click on the start menu's first item, in real time, leads to the room."""
    _, native, _ = ctx.native.run(ROOM_EVENTS[-1], 32, shots=(TITLE_EVENT, MENU_EVENT) + ROOM_EVENTS)
    title, menu, rooms = native[TITLE_EVENT], native[MENU_EVENT], [native[e] for e in ROOM_EVENTS]
    # The room's wall and window, where neither the girl, the text window nor (in these pictures)
    # a petal is; the title screen must differ there, or the check says nothing.
    room = [(x, y) for x, y in stable_points(rooms) if x < 400 and y < 340]
    check(len(room) >= 100, f"only {len(room)} still points in the native room")
    check(sum(1 for x, y in room if pixel(title, x, y) == pixel(rooms[0], x, y)) < len(room) // 4,
          "the native title screen looks like the room")
    background = [p for p in stable_points([title, menu]) if abs(p[0] - 320) > 80 or p[1] > 400]
    with ctx.browser() as browser:
        page = ctx.open(browser, "index.html")
        wait_state(page, ("running",), 30)
        page.wait_for("window.mavletFirstFrameMs > 0", 20)
        page.click(*to_page(page, 320, 240))  # skips the movie
        wait_for_picture(page, title, background, 1.0, "title screen")
        # The title screen turns its sparkle for a while before a click opens the menu.
        deadline = time.monotonic() + 10
        while box_match(capture_canvas(page), menu, MENU_BOX) < 0.9:
            check(time.monotonic() < deadline, "no start menu 10 s after the title screen showed")
            page.click(*to_page(page, 600, 450))
            time.sleep(0.5)
        # Over the first item (it lights up) and, a moment later, a click on it.
        x, y = to_page(page, *START_ITEM)
        page.send("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": x, "y": y})
        time.sleep(0.3)
        page.click(x, y)
        wait_for_picture(page, rooms[0], room, 0.9, "room after the start item was clicked")


def write_save_title(folder):
    """A title that counts its starts in a stored value and shows red the first time, green after."""
    os.makedirs(os.path.join(folder, "pictures"))
    os.makedirs(os.path.join(folder, "scenario"))
    with open(os.path.join(folder, "title.txt"), "w", encoding="utf-8") as f:
        f.write("title = save check\nscreen_mode = 640x480\nstart_page = 1\n"
                "reg_key = Software\\Mavlet\\BrowserSaveCheck\nnum = runs\n")
    with open(os.path.join(folder, "scenario", "1.txt"), "w", encoding="utf-8") as f:
        f.write("Load 0,,runs,runs,0\nCalc 0,,runs = runs + 1\nSave 0,,runs,runs\n"
                "Jump 0,runs > 1,1,again,6\nSetSfc 0,,0,first.pmp,0,0,0,255,1\nJump 0,,1,wait,8\n"
                "Label 0,,again\nSetSfc 0,,0,again.pmp,0,0,0,255,1\nLabel 0,,wait\nWaitClick 0,\n"
                "Jump 0,,1,wait,8\n")
    for name, colour in SAVE_COLOURS.items():
        with open(os.path.join(folder, "pictures", name + ".png"), "wb") as f:
            f.write(png_pixels.encode(640, 480, [bytes(colour + (255,)) * 640] * 480))


SAVE_COLOURS = {"first": (200, 30, 30), "again": (30, 200, 30)}


def case_save_survives_reload(ctx):
    source = os.path.join(ctx.work, "save-title")
    built = os.path.join(ctx.work, "save-title-built")
    site = os.path.join(ctx.work, "save-site")
    write_save_title(source)
    for args in (["title", "build", source, built], ["web", built, site, "--player", ctx.site]):
        done = subprocess.run([ctx.mavtool, *args], capture_output=True, timeout=60, cwd=ctx.work)
        check(done.returncode == 0, f"mavtool {args[0]} failed: {done.stderr.decode()[-300:]}")

    def shows(page, name):
        colour = bytes(SAVE_COLOURS[name])
        deadline = time.monotonic() + 15
        while True:
            got = pixel(capture_canvas(page), 320, 240)
            if got == colour:
                return
            check(time.monotonic() < deadline, f"the screen shows {got.hex()}, not the '{name}' picture")
            time.sleep(0.2)

    profile = tempfile.mkdtemp(prefix="profile-save-", dir=ctx.work)
    with static_server.StaticServer(site, lifetime=120) as server:
        ctx.extra_servers.append((site, server))
        with ctx.browser(profile) as browser:
            page = ctx.open(browser, "index.html", server)
            wait_state(page, ("running",), 30)
            shows(page, "first")
            time.sleep(1.0)  # the page writes its files back within 500 ms of a change
            page.send("Page.reload")
            page.wait_event("Page.loadEventFired", 20, since=1)
            wait_state(page, ("running",), 30)
            shows(page, "again")
        # A browser restart on the same profile: the save is in IndexedDB, not in memory.
        with ctx.browser(profile) as browser:
            page = ctx.open(browser, "index.html", server)
            wait_state(page, ("running",), 30)
            shows(page, "again")


def case_nothing_from_outside(ctx):
    """Every request of every page so far went to the server, for a file inside its site."""
    check(ctx.pages, "no page was opened before this case")
    servers = [(ctx.site, ctx.server)] + ctx.extra_servers
    origins = {server.origin for _, server in servers}
    outside = []
    for page in ctx.pages:
        for _, params in page.events("Network.requestWillBeSent"):
            url = params["request"]["url"]
            if not (url.startswith("data:") or url.startswith("blob:") or
                    any(url.startswith(o + "/") for o in origins)):
                outside.append(url)
    check(not outside, f"{len(outside)} requests left the served site, first {outside[0][:120] if outside else ''}")
    for site, server in servers:
        requests = server.requests()
        check(requests, f"the server for {site} saw no request")
        bad = [p for _, p, _ in requests if not static_server.inside(site, p)]
        check(not bad, f"the server was asked for paths outside its folder: {bad[:3]}")
        missing = sorted({p for _, p, status in requests if status == 404 and p != "/favicon.ico"})
        check(not missing, f"the page asked for files the site does not have: {missing[:5]}")


CASES = [
    ("scripted-run-matches-runner-32", case_scripted(32)),
    ("scripted-run-matches-runner-16", case_scripted(16)),
    ("realtime-movie-sound-click-tap", case_realtime),
    ("realtime-start-item-opens-room", case_start_item_opens_room),
    ("save-survives-reload-and-restart", case_save_survives_reload),
    ("nothing-fetched-from-outside", case_nothing_from_outside),  # last: it checks every page above
]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("site")
    parser.add_argument("--mavtool", default=os.path.join(ROOT, "build", "release", "tools", "mavtool", "mavtool"))
    parser.add_argument("--only", nargs="*", default=None, help="case names to run (default: all)")
    parser.add_argument("--time-limit", type=float, default=420)
    args = parser.parse_args()
    site = os.path.realpath(args.site)
    for name in ("index.html", "mavlet.js", "mavlet.wasm", INPUT_NAME, "title"):
        if not os.path.exists(os.path.join(site, name)):
            print(f"run_tests: {site} has no {name} (build it with mavtool web and copy demo/{INPUT_NAME})")
            return 2

    def out_of_time(*_):
        print(f"FAIL the browser tests did not finish within {args.time_limit:.0f} s", flush=True)
        os._exit(1)
    signal.signal(signal.SIGALRM, out_of_time)
    signal.alarm(int(args.time_limit))

    work = tempfile.mkdtemp(prefix="mavlet-web-tests-")
    failed = 0
    ctx = Context(site, os.path.realpath(args.mavtool), work)
    try:
        for name, case in CASES:
            if args.only is not None and name not in args.only:
                continue
            start = time.monotonic()
            ctx.part_failures = []
            try:
                case(ctx)
                for part, message in ctx.part_failures:
                    print(f"FAIL {name}/{part}: {message}", flush=True)
                failed += 1 if ctx.part_failures else 0
                state = "FAIL" if ctx.part_failures else "ok  "
                print(f"{state} {name} ({time.monotonic() - start:.1f} s)", flush=True)
            except (CaseFailure, devtools.DevToolsError, subprocess.SubprocessError, ValueError, OSError) as e:
                failed += 1
                for part, message in ctx.part_failures:
                    print(f"FAIL {name}/{part}: {message}", flush=True)
                print(f"FAIL {name} ({time.monotonic() - start:.1f} s): {e}", flush=True)
                if os.environ.get("MAVLET_WEB_TESTS_TRACE"):
                    traceback.print_exc()
    finally:
        ctx.server.stop()
        shutil.rmtree(work, ignore_errors=True)
    print(f"browser tests: {failed} failed" if failed else "browser tests: all passed", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
