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
import page_cases  # noqa: E402
import png_pixels  # noqa: E402
import static_server  # noqa: E402
from browser_checks import (CaseFailure, box_match, capture_canvas, check, lit_share, pixel,  # noqa: E402
                            stable_points, to_page, wait_for_picture, wait_state)

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
        return devtools.Browser(profile or self.profile(), extra_flags=flags)

    def profile(self, name=""):
        """A new, empty browser profile folder."""
        return tempfile.mkdtemp(prefix=f"profile-{name}-" if name else "profile-", dir=self.work)

    def title_site(self, name, write):
        """(site folder, server) of a small title: WRITE(folder) writes its source, mavtool
        builds it and its site (with this run's player). Built and served once per run."""
        for site, server in self.extra_servers:
            if os.path.basename(site) == name + "-site":
                return site, server
        source, built = os.path.join(self.work, name), os.path.join(self.work, name + "-built")
        site = os.path.join(self.work, name + "-site")
        write(source)
        for args in (["title", "build", source, built], ["web", built, site, "--player", self.site]):
            done = subprocess.run([self.mavtool, *args], capture_output=True, timeout=60, cwd=self.work)
            check(done.returncode == 0, f"mavtool {args[0]} failed: {done.stderr.decode()[-300:]}")
        server = static_server.StaticServer(site, lifetime=600)
        self.extra_servers.append((site, server))
        return site, server

    def open(self, browser, path, server=None):
        page = browser.new_page()
        page.send("Network.enable")
        page.send("Runtime.enable")
        self.pages.append(page)
        page.navigate((server or self.server).url(path))
        return page


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


def case_dropped_folder(ctx):
    """The drop page plays the demo from its title folder, dropped onto the page or chosen with
    its folder control: the movie, then the title screen after a click."""
    _, native, _ = ctx.native.run(MENU_EVENT, 32, shots=(TITLE_EVENT, WAITING_EVENT, MENU_EVENT))
    title = native[TITLE_EVENT]
    background = [p for p in stable_points([title, native[WAITING_EVENT], native[MENU_EVENT]])
                  if abs(p[0] - 320) > 80 or p[1] > 400]
    folder = os.path.join(ctx.site, "title")

    def drop(page):
        r = page.evaluate("""(() => { const r = document.getElementById('mavlet-drop').getBoundingClientRect();
            return {x: r.left + r.width / 2, y: r.top + r.height / 2}; })()""")
        data = {"items": [], "files": [folder], "dragOperationsMask": 1}
        for kind in ("dragEnter", "dragOver", "drop"):
            page.send("Input.dispatchDragEvent", {"type": kind, "x": r["x"], "y": r["y"], "data": data})

    def choose(page):
        root = page.send("DOM.getDocument")["root"]["nodeId"]
        node = page.send("DOM.querySelector", {"nodeId": root, "selector": "#mavlet-drop-folder"})["nodeId"]
        page.send("DOM.setFileInputFiles", {"nodeId": node, "files": [folder]})

    for way, hand_over in [("dropped", drop), ("chosen", choose)]:
        with ctx.part(way), ctx.browser() as browser:
            page = ctx.open(browser, "drop.html")
            wait_state(page, ("loading",), 10)
            hand_over(page)
            wait_state(page, ("running",), 30)
            page.wait_for("window.mavletFirstFrameMs > 0", 20)
            if way == "chosen":  # the title found and its first frame shown are enough for the second way
                continue
            page.click(*to_page(page, 320, 240))  # skips the movie
            wait_for_picture(page, title, background, 1.0, f"title screen from the {way} folder")


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
    ("dropped-folder-plays", case_dropped_folder),
    ("save-survives-reload-and-restart", page_cases.case_save_survives_reload),
    ("saves-export-and-import", page_cases.case_saves_export_and_import),
    ("screenshot-key-downloads-png", page_cases.case_screenshot_key),
    ("full-screen-button-and-keys", page_cases.case_full_screen),
    ("text-field-invisible", page_cases.case_text_field_invisible),
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
        for _, server in ctx.extra_servers:
            server.stop()
        shutil.rmtree(work, ignore_errors=True)
    print(f"browser tests: {failed} failed" if failed else "browser tests: all passed", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
