#!/usr/bin/env python3
"""The web player's figures, each against its goal and against a baseline timed in the same run.

usage: run_bench.py SITE_DIR [--speed-dir DIR --native-speed PATH] [--quick]

- size: the player's files in SITE_DIR (everything but title/ and fonts/), raw and gzip -9,
  against 6 MiB and 2.5 MiB;
- first frame: navigation to window.mavletFirstFrameMs of the real-time page in headless
  Chromium on a loopback server, cold (fresh profile) and warm (a second tab of the same
  browser, HTTP cache warm), against 2 s and against a blank page's load in the same browser;
- display speed: bench_display_speed natively and in the browser (DIR holds display_speed.html,
  bench_display_speed.js and .wasm from the emscripten build), a scene compose and the slowest
  transition step at 640x480, browser over native (goal: at most 2).

Figures are printed, never judged: the exit status is non-zero only when a figure could not be
measured (a page that never shows a frame, a program that fails).
"""

import argparse
import gzip
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "web"))
import devtools  # noqa: E402
import static_server  # noqa: E402

MIB = 1024 * 1024
PLAYER_FILES = ("index.html", "drop.html", "mavlet.js", "mavlet.wasm", "mavlet-page.js", "mavlet.css")


def line(name, value, unit, goal=None, baseline=None, baseline_name=None):
    text = f"{name:<34} {value:>10.2f} {unit}"
    if goal:
        text += f"   {value / goal:5.2f} of the goal ({goal:g} {unit})"
    if baseline:
        text += f"   {value / baseline:6.2f}x {baseline_name}"
    print(text, flush=True)


def sizes(site):
    raw = packed = 0
    missing = []
    for name in PLAYER_FILES:
        path = os.path.join(site, name)
        if not os.path.exists(path):
            missing.append(name)
            continue
        data = open(path, "rb").read()
        raw += len(data)
        packed += len(gzip.compress(data, compresslevel=9))
    if missing:
        print(f"size: the site has no {', '.join(missing)}")
    wasm = os.path.getsize(os.path.join(site, "mavlet.wasm")) if "mavlet.wasm" not in missing else 0
    line("player files, raw", raw / MIB, "MiB", goal=6)
    line("player files, gzip -9", packed / MIB, "MiB", goal=2.5)
    line("  of which mavlet.wasm, raw", wasm / MIB, "MiB")


def first_frame(page, url, timeout=30.0):
    page.navigate(url, timeout)
    return page.wait_for("window.mavletFirstFrameMs", timeout)


def blank_load(page, url):
    page.navigate(url)
    return page.evaluate("performance.getEntriesByType('navigation')[0].loadEventEnd")


def startup(site):
    """Each browser starts on a fresh profile: the blank page's first load in one is the
    baseline for the player's first load (cold) in the other; a second tab of that one loads
    the player again with its HTTP cache (and compiled code cache) warm."""
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, "blank.html"), "w") as f:
            f.write("<!doctype html><title>blank</title><link rel=icon href='data:,'>")
        # The blank page from a server of its own: the site's folder stays as mavtool web wrote it.
        with static_server.StaticServer(work, lifetime=60, cache_seconds=3600) as blank_server, \
                devtools.Browser(os.path.join(work, "profile-blank")) as browser:
            blank = blank_load(browser.new_page(), blank_server.url("blank.html"))
        with static_server.StaticServer(site, lifetime=120, cache_seconds=3600) as server, \
                devtools.Browser(os.path.join(work, "profile")) as browser:
            cold = first_frame(browser.new_page(), server.url("index.html"))
            cold_requests = len(server.requests())
            server.clear()
            warm = first_frame(browser.new_page(), server.url("index.html"))
            warm_requests = len(server.requests())
    line("blank page, first load (baseline)", blank, "ms")
    line("first frame, cold", cold, "ms", goal=2000, baseline=blank, baseline_name="the blank page")
    line("first frame, warm", warm, "ms", goal=2000, baseline=blank, baseline_name="the blank page")
    print(f"  (requests the server answered: {cold_requests} cold, {warm_requests} warm)")


def parse_speed(text):
    figures = {}
    for row in text.splitlines():
        parts = row.split()
        if len(parts) == 2 and parts[0] != "slowest_kind":
            figures[parts[0]] = float(parts[1])
        elif len(parts) == 3 and parts[0] == "slowest_kind":
            figures["slowest_kind"] = int(parts[1])
    return figures


def speed(speed_dir, native_program, quick):
    args = [native_program] + (["--quick"] if quick else [])

    def run_native():
        return parse_speed(subprocess.run(args, capture_output=True, check=True, timeout=120, text=True).stdout)
    # Native runs before and after the browser's, each figure the better of the two: on a shared
    # machine the load changes from one minute to the next, and the ratio should not be the
    # browser's luck against a slow native minute.
    before = run_native()
    with tempfile.TemporaryDirectory() as work, \
            static_server.StaticServer(speed_dir, lifetime=240, isolated=True) as server, \
            devtools.Browser(os.path.join(work, "profile")) as browser:
        page = browser.new_page()
        page.navigate(server.url("display_speed.html" + ("?quick" if quick else "")))
        deadline = time.monotonic() + 180
        while page.evaluate("document.body.dataset.state") == "loading":
            if time.monotonic() > deadline:
                raise RuntimeError("display_speed did not finish in the browser within 180 s")
            time.sleep(0.25)
        text = page.evaluate("document.getElementById('out').textContent")
        if not page.evaluate("self.crossOriginIsolated"):
            print("  (the timing page was not cross-origin isolated: its clock ticks in 0.1 ms)")
        if page.evaluate("document.body.dataset.state") != "done":
            raise RuntimeError("display_speed failed in the browser: " + text[-300:])
    web = parse_speed(text)
    after = run_native()
    native = {k: min(v, after.get(k, v)) for k, v in before.items() if k != "slowest_kind"}
    native["slowest_kind"] = max((k for k in native if k.startswith("transition_")), key=native.get)[11:]
    line("compose 640x480, native", native["compose_us"], "us")
    line("compose 640x480, browser", web["compose_us"], "us", goal=2 * native["compose_us"],
         baseline=native["compose_us"], baseline_name="native")
    kind = native["slowest_kind"]
    key = f"transition_{kind}"
    line(f"slowest step (kind {kind}), native", native[key], "ms")
    line(f"slowest step (kind {kind}), browser", web[key], "ms", baseline=native[key], baseline_name="native")
    # Steps under 50 us natively are left out: the browser's clock ticks in 5 us even isolated.
    timed = [k for k in web if k.startswith("transition_") and native.get(k, 0) >= 0.05]
    worst = max(timed, key=lambda k: web[k] / native[k])
    line(f"worst kind ({worst[11:]}) browser/native", web[worst] / native[worst], "x")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("site")
    parser.add_argument("--speed-dir")
    parser.add_argument("--native-speed")
    parser.add_argument("--quick", action="store_true")
    args = parser.parse_args()
    failed = 0
    for name, step in (("size", lambda: sizes(args.site)), ("startup", lambda: startup(args.site)),
                       ("speed", lambda: speed(args.speed_dir, args.native_speed, args.quick)
                        if args.speed_dir and args.native_speed else print("speed: not measured (no build)"))):
        try:
            step()
        except (devtools.DevToolsError, RuntimeError, OSError, subprocess.SubprocessError, KeyError) as e:
            failed += 1
            print(f"{name}: could not be measured: {e}", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
