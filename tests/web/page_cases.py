"""The page's own controls in headless Chromium, each on a small title of its own: saves kept
across a reload and a browser restart, exported as a zip and imported into another browser (a
bad zip refused), F12's screenshot download, full screen from the button and the player's keys,
and the Input command's text field, which must take keys and an input method's composition
without showing over the entry line the game draws.

Every case takes the run's Context (run_tests.py): ctx.title_site(name, writer) builds a title
source with mavtool and serves its site, ctx.browser() and ctx.open() start Chromium and pages.
"""

import base64
import io
import json
import os
import threading
import time
import zipfile

import devtools
import png_pixels
from browser_checks import CaseFailure, capture_canvas, check, pixel, to_page, wait_state

# --- titles -------------------------------------------------------------------------------------


def write_title(folder, settings, commands, pictures):
    """A title source: title.txt from SETTINGS lines, scenario 1 from COMMANDS, where "@name"
    stands for the index of the command "Label 0,,name", and PICTURES {name: (w, h, rows)}."""
    os.makedirs(os.path.join(folder, "pictures"))
    os.makedirs(os.path.join(folder, "scenario"))
    labels = {c.split(",,", 1)[1]: i for i, c in enumerate(commands) if c.startswith("Label 0,,")}
    text = "\n".join(c.rsplit(",", 1)[0] + "," + str(labels[c.rsplit(",@", 1)[1]]) if ",@" in c else c
                     for c in commands)
    with open(os.path.join(folder, "title.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(["screen_mode = 640x480", "start_page = 1"] + settings) + "\n")
    with open(os.path.join(folder, "scenario", "1.txt"), "w", encoding="utf-8") as f:
        f.write(text + "\n")
    for name, (w, h, rows) in pictures.items():
        with open(os.path.join(folder, "pictures", name + ".png"), "wb") as f:
            f.write(png_pixels.encode(w, h, rows))


def plain(colour):
    return 640, 480, [bytes(colour + (255,)) * 640] * 480


def counting_title(key, colours):
    """A title that counts its starts in a stored value (the store slot, save99) and shows
    COLOURS[n - 1] on its n-th start, the last colour from then on."""
    def write(folder):
        commands = ["Load 0,,runs,runs,0", "Calc 0,,runs = runs + 1", "Save 0,,runs,runs"]
        for n in range(1, len(colours)):
            commands += [f"Jump 0,runs > {n},1,after{n},@after{n}", f"SetSfc 0,,0,c{n}.pmp,0,0,0,255,1",
                         "Jump 0,,1,wait,@wait", f"Label 0,,after{n}"]
        commands += [f"SetSfc 0,,0,c{len(colours)}.pmp,0,0,0,255,1", "Label 0,,wait", "WaitClick 0,",
                     "Jump 0,,1,wait,@wait"]
        write_title(folder, [f"title = {key}", f"reg_key = Software\\Mavlet\\{key}", "num = runs"], commands,
                    {f"c{n + 1}": plain(c) for n, c in enumerate(colours)})
    return write


# A picture where neighbouring pixels differ, so a shifted or scaled copy does not pass as it.
PATTERN = (640, 480, [bytes(b for x in range(640) for b in (x & 255, y & 255, (x ^ y) & 255, 255))
                      for y in range(480)])
ENTRY_BOX = (124, 420, 364, 440)  # the Input command's entry line below (x0, y0, x1, y1)


def write_field_title(folder):
    """The pattern, a click, then the Input command's entry line (8 characters into "name")."""
    write_title(folder, ["title = field check", "reg_key = Software\\Mavlet\\FieldCheck", "str = name"],
                ["SetSfc 0,,0,pattern.pmp,0,0,0,255,1", "WaitClick 0,",
                 "Input 0,,name,20,240,8,124,420,$302018,$F0E0C0", "Label 0,,wait", "WaitClick 0,",
                 "Jump 0,,1,wait,@wait"], {"pattern": PATTERN})


# --- page helpers -------------------------------------------------------------------------------


def status(page):
    return page.evaluate("(document.getElementById('mavlet-status')||{}).textContent || ''")


def shows(page, colour, timeout=15.0):
    """Waits until the screen's middle shows COLOUR."""
    deadline = time.monotonic() + timeout
    while True:
        got = pixel(capture_canvas(page), 320, 240)
        if got == bytes(colour):
            return
        check(time.monotonic() < deadline, f"the screen shows {got.hex()}, not {bytes(colour).hex()}")
        time.sleep(0.2)


def shows_pattern(page, timeout=15.0, when="now"):
    """Waits until the screen shows PATTERN; returns what it showed."""
    deadline = time.monotonic() + timeout
    points = [(x, y) for y in range(8, 400, 37) for x in range(8, 632, 41)]
    while True:
        shown = capture_canvas(page)
        wrong = [p for p in points if pixel(shown, *p) != pixel(PATTERN, *p)]
        if not wrong:
            return shown
        check(time.monotonic() < deadline, f"{when}: no pattern on the screen: {len(wrong)} of {len(points)} points "
              f"differ, first at {wrong[0]}")
        time.sleep(0.2)


def reload(page):
    loads = len(page.events("Page.loadEventFired"))
    page.send("Page.reload")
    page.wait_event("Page.loadEventFired", 20, since=loads)
    wait_state(page, ("running",), 30)


def click_element(page, element_id):
    """A real click on the middle of an element of the page."""
    r = json.loads(page.evaluate(f"JSON.stringify(document.getElementById('{element_id}').getBoundingClientRect())"))
    check(r["width"] > 0 and r["height"] > 0, f"#{element_id} is not on the page")
    page.click(r["x"] + r["width"] / 2, r["y"] + r["height"] / 2)


def slot_files(page):
    """{name: bytes} of the files in the page's save folder (the browser's copy, /persist)."""
    listing = page.evaluate("""(() => { const M = window.Module, d = M && M.mavletSaveFolder;
        if (!d) return null; const out = {};
        for (const n of M.FS.readdir(d)) { if (n == '.' || n == '..') continue;
          let s = ''; const b = M.FS.readFile(d + '/' + n);
          for (let i = 0; i < b.length; ++i) s += String.fromCharCode(b[i]);
          out[n] = btoa(s); }
        return out; })()""")
    check(listing is not None, "the page knows no save folder")
    return {name: base64.b64decode(data) for name, data in listing.items()}


def watch_downloads(browser, folder):
    """Downloads of every page of BROWSER land in FOLDER, each named by its guid."""
    os.makedirs(folder, exist_ok=True)
    browser.send("Browser.setDownloadBehavior", {"behavior": "allowAndName", "downloadPath": folder,
                                                 "eventsEnabled": True})


def wait_download(browser, folder, index, timeout=10.0):
    """(suggested name, bytes) of the index-th download since watch_downloads, once complete."""
    try:
        begun = browser.wait_event("Browser.downloadWillBegin", timeout=timeout, since=index)
        browser.wait_event("Browser.downloadProgress", timeout=timeout, predicate=lambda p: (
            p.get("guid") == begun["guid"] and p.get("state") in ("completed", "canceled")))
    except devtools.DevToolsTimeout as e:
        raise CaseFailure(f"no download {index + 1}: {e}") from e
    path = os.path.join(folder, begun["guid"])
    check(os.path.exists(path), f"the download of {begun['suggestedFilename']} did not complete")
    with open(path, "rb") as f:
        return begun["suggestedFilename"], f.read()


def import_saves(page, path, timeout=10.0):
    """Chooses PATH in the page's import control, accepts its question, and returns the status
    line it ends with."""
    page.evaluate("document.getElementById('mavlet-status').textContent = ''")
    dialogs = len(page.events("Page.javascriptDialogOpening"))
    root = page.send("DOM.getDocument")["root"]["nodeId"]
    node = page.send("DOM.querySelector", {"nodeId": root, "selector": "#mavlet-import"})["nodeId"]
    # The answer to setFileInputFiles waits for the question the page asks on the change.
    chooser = threading.Thread(target=page.send, args=("DOM.setFileInputFiles", {"nodeId": node, "files": [path]}),
                               daemon=True)
    chooser.start()
    try:
        question = page.wait_event("Page.javascriptDialogOpening", timeout, since=dialogs)
        check(os.path.basename(path) in question.get("message", ""),
              f"the import asks {question.get('message')!r}, not naming the file")
        page.send("Page.handleJavaScriptDialog", {"accept": True})
        chooser.join(timeout)
        # "Importing ..." until the player has done it between two frames
        return page.wait_for("""(() => { const t = document.getElementById('mavlet-status').textContent;
            return t.startsWith('Importing') ? '' : t; })()""", timeout)
    except devtools.DevToolsTimeout as e:
        raise CaseFailure(f"importing {os.path.basename(path)}: {e}") from e


# --- cases --------------------------------------------------------------------------------------

SAVE_COLOURS = [(200, 30, 30), (30, 200, 30)]


def case_save_survives_reload(ctx):
    _, server = ctx.title_site("save-title", counting_title("BrowserSaveCheck", SAVE_COLOURS))
    profile = ctx.profile("save")
    with ctx.browser(profile) as browser:
        page = ctx.open(browser, "index.html", server)
        wait_state(page, ("running",), 30)
        shows(page, SAVE_COLOURS[0])
        time.sleep(1.0)  # the page writes its files back within 500 ms of a change
        reload(page)
        shows(page, SAVE_COLOURS[1])
    # A browser restart on the same profile: the save is in IndexedDB, not in memory.
    with ctx.browser(profile) as browser:
        page = ctx.open(browser, "index.html", server)
        wait_state(page, ("running",), 30)
        shows(page, SAVE_COLOURS[1])


EXPORT_COLOURS = [(200, 30, 30), (30, 200, 30), (30, 30, 200)]  # the first, second, later starts


def stray_entry_zip():
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as z:
        z.writestr("save01", b"not much of a game")
        z.writestr("notes.txt", b"a file that is no slot")
    return out.getvalue()


# name, bytes: zips the import refuses, changing nothing
BAD_ZIPS = [
    ("garbage.zip", b"this is no zip at all\n" * 20),
    ("stray-entry.zip", stray_entry_zip()),
]


def case_saves_export_and_import(ctx):
    """Saves made in one browser leave through the export button as a zip holding the slot as
    the browser keeps it, and load in a fresh browser after its import; bad zips are refused."""
    _, server = ctx.title_site("export-title", counting_title("ExportCheck", EXPORT_COLOURS))
    downloads = os.path.join(ctx.work, "export-downloads")
    with ctx.browser() as browser:
        watch_downloads(browser, downloads)
        page = ctx.open(browser, "index.html", server)
        wait_state(page, ("running",), 30)
        shows(page, EXPORT_COLOURS[0])
        time.sleep(1.0)
        reload(page)
        shows(page, EXPORT_COLOURS[1])
        kept = slot_files(page)
        check(list(kept) == ["save99"], f"the save folder holds {sorted(kept)}, not the one slot")
        click_element(page, "mavlet-export")
        name, data = wait_download(browser, downloads, 0)
        said = status(page)
    check(name.endswith("-saves.zip") and "ExportCheck" in name, f"the export is named {name!r}")
    check(name in said, f"after the export the status line says {said!r}")
    try:
        with zipfile.ZipFile(io.BytesIO(data)) as z:
            exported = {n: z.read(n) for n in z.namelist()}
    except zipfile.BadZipFile as e:
        raise CaseFailure(f"the export is no zip: {e}") from e
    check(exported == kept, f"the zip holds {sorted(exported)}, not the slot as the browser keeps it")
    export_file = os.path.join(ctx.work, name)
    with open(export_file, "wb") as f:
        f.write(data)

    with ctx.browser() as browser:  # a fresh profile: the title starts for the first time
        page = ctx.open(browser, "index.html", server)
        wait_state(page, ("running",), 30)
        shows(page, EXPORT_COLOURS[0])
        own = slot_files(page)
        for bad_name, bad_data in BAD_ZIPS:
            with ctx.part(f"refuses-{bad_name}"):
                path = os.path.join(ctx.work, bad_name)
                with open(path, "wb") as f:
                    f.write(bad_data)
                said = import_saves(page, path)
                check(said.startswith("Import failed") and bad_name in said,
                      f"importing {bad_name} says {said!r}")
                check(slot_files(page) == own, f"importing {bad_name} changed the slots")
        said = import_saves(page, export_file)
        check(said.startswith("Saves imported"), f"importing the export says {said!r}")
        check(slot_files(page) == kept, "the imported slots differ from the exported ones")
        time.sleep(1.0)
        reload(page)
        # The imported count (two starts) plus this one.
        shows(page, EXPORT_COLOURS[2])


def case_screenshot_key(ctx):
    """F12 offers a PNG download of the screen at the game's size, from the canvas and from the
    Input command's text field alike."""
    _, server = ctx.title_site("field-title", write_field_title)
    downloads = os.path.join(ctx.work, "shot-downloads")
    with ctx.browser() as browser:
        watch_downloads(browser, downloads)
        page = ctx.open(browser, "index.html", server)
        wait_state(page, ("running",), 30)
        shows_pattern(page)
        # where the key is pressed, how to get there
        for n, (where, reach) in enumerate([
            ("canvas", lambda: None),
            ("mavlet-text", lambda: page.click(*to_page(page, 320, 240))),
        ]):
            reach()
            page.wait_for(f"document.activeElement && document.activeElement.id == '{where}'", 5)
            time.sleep(0.3)
            shown = capture_canvas(page)
            page.key("F12", "F12", 123)
            name, data = wait_download(browser, downloads, n)
            check(name.endswith(".png"), f"F12 in #{where} downloads {name!r}, no PNG")
            try:
                picture = png_pixels.decode(data)
            except ValueError as e:
                raise CaseFailure(f"F12 in #{where}: the download is no PNG: {e}") from e
            difference = png_pixels.first_difference(picture, shown)
            check(difference is None, f"F12 in #{where}: the PNG is not what the canvas shows: {difference}")


def in_full_screen(page):
    return page.evaluate("document.fullscreenElement ? document.fullscreenElement.id : ''")


def case_full_screen(ctx):
    """The button, F11 and Alt+Enter put the stage in full screen, where the page goes on
    showing the game at a whole scale, and the keys take it out again; after the browser or the
    button changed it, one F11 switches it back."""
    _, server = ctx.title_site("field-title", write_field_title)

    def alt_enter():
        # Alt held down around Enter, as a keyboard sends it
        for kind, key, code, modifiers in [("rawKeyDown", "Alt", 18, 1), ("rawKeyDown", "Enter", 13, 1),
                                           ("keyUp", "Enter", 13, 1), ("keyUp", "Alt", 18, 0)]:
            page.send("Input.dispatchKeyEvent", {"type": kind, "key": key, "code": "AltLeft" if code == 18 else key,
                                                 "modifiers": modifiers, "windowsVirtualKeyCode": code,
                                                 "nativeVirtualKeyCode": code})

    with ctx.browser() as browser:
        page = ctx.open(browser, "index.html", server)
        wait_state(page, ("running",), 30)
        shows_pattern(page)
        # way, how it goes in, how it comes out (the button is not on the stage)
        for way, enter, leave in [
            ("the button", lambda: click_element(page, "mavlet-fullscreen"),
             lambda: page.evaluate("document.exitFullscreen(), 1")),
            ("F11", lambda: page.key("F11", "F11", 122), lambda: page.key("F11", "F11", 122)),
            ("Alt+Enter", alt_enter, alt_enter),
        ]:
            enter()
            try:
                page.wait_for("document.fullscreenElement && document.fullscreenElement.id == 'mavlet-stage'", 5)
            except devtools.DevToolsTimeout:
                raise CaseFailure(f"{way}: no full screen (the page shows {in_full_screen(page)!r} full screen; "
                                  f"status {status(page)!r})") from None
            time.sleep(0.3)
            scale = page.evaluate("parseFloat(document.getElementById('canvas').style.width) / 640")
            check(scale >= 1 and scale == int(scale), f"{way}: the canvas is scaled by {scale} in full screen")
            shows_pattern(page, 5, f"in full screen from {way}")
            leave()
            try:
                page.wait_for("!document.fullscreenElement", 5)
            except devtools.DevToolsTimeout:
                raise CaseFailure(f"{way}: still full screen after leaving it") from None
            check(page.evaluate("document.body.dataset.mavlet") == "running", f"{way}: the page stopped playing")
            shows_pattern(page, 5, f"after full screen from {way}")
        # The browser leaves full screen by itself (Esc), or the button puts the page in it: the
        # player's switch follows, and one F11 switches what the page shows.
        def esc():
            page.key("F11", "F11", 122)
            page.wait_for("!!document.fullscreenElement", 5)
            page.evaluate("document.exitFullscreen(), 1")

        # way, what happens outside the player, full screen after it
        for way, outside, full in [("Esc", esc, False),
                                   ("the button", lambda: click_element(page, "mavlet-fullscreen"), True)]:
            outside()
            page.wait_for("!!document.fullscreenElement" if full else "!document.fullscreenElement", 5)
            time.sleep(0.3)
            page.key("F11", "F11", 122)
            try:
                page.wait_for("!document.fullscreenElement" if full else "!!document.fullscreenElement", 5)
            except devtools.DevToolsTimeout:
                raise CaseFailure(f"after {way}, F11 does not switch full screen (the page shows "
                                  f"{in_full_screen(page)!r} full screen)") from None
            if not full:
                page.key("F11", "F11", 122)
                page.wait_for("!document.fullscreenElement", 5)


def canvas_pixels(page):
    """The canvas's own pixels, without anything the page lays over it."""
    url = page.evaluate("document.getElementById('canvas').toDataURL('image/png')")
    return png_pixels.decode(base64.b64decode(url.split(",", 1)[1]))


def case_text_field_invisible(ctx):
    """The Input command's text field has the focus and takes an input method's composition and
    text, yet nothing of it shows: the screen is the canvas's own pixels, where the game draws
    the name."""
    _, server = ctx.title_site("field-title", write_field_title)
    with ctx.browser() as browser:
        page = ctx.open(browser, "index.html", server)
        wait_state(page, ("running",), 30)
        shows_pattern(page)
        page.click(*to_page(page, 320, 240))
        try:
            page.wait_for("document.activeElement && document.activeElement.id == 'mavlet-text'", 5)
        except devtools.DevToolsTimeout:
            raise CaseFailure("the text field does not take the focus for the Input command") from None
        empty = None
        # step, what is done in the field
        for step, act in [
            ("empty", lambda: None),
            ("composing", lambda: page.send("Input.imeSetComposition", {
                "text": "なま", "selectionStart": 2, "selectionEnd": 2})),
            ("committed", lambda: page.send("Input.insertText", {"text": "なまえ"})),
        ]:
            act()
            time.sleep(0.5)
            own = canvas_pixels(page)
            difference = png_pixels.first_difference(capture_canvas(page), own)
            check(difference is None, f"{step}: the text field shows over the game: {difference}")
            check(page.evaluate("document.activeElement.id") == "mavlet-text", f"{step}: the field lost the focus")
            if empty is None:
                empty = own
        x0, y0, x1, y1 = ENTRY_BOX
        drawn = sum(1 for y in range(y0, y1) for x in range(x0, x1) if pixel(own, x, y) != pixel(empty, x, y))
        check(drawn > 20, f"the game did not draw the typed name ({drawn} pixels of its entry line changed)")
