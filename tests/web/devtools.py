"""A small client for Chromium's DevTools protocol over --remote-debugging-pipe.

Chromium reads commands from its file descriptor 3 and writes answers and events to 4, each
message one JSON object followed by a NUL byte. Browser starts a headless Chromium with a
profile folder of the caller's choosing (so a second Browser on the same folder sees the same
IndexedDB and HTTP cache), Page is one tab attached in flat mode (its commands carry the
session id).

Every wait is bounded: a command without an answer in time raises DevToolsTimeout, and a
browser that does not close when asked is killed. A browser that dies makes every pending and
later command raise DevToolsError at once instead of waiting out its time.
"""

import json
import os
import subprocess
import threading
import time

CHROMIUM = os.environ.get("MAVLET_CHROMIUM", "/usr/bin/chromium")

# Flags for a quiet, repeatable headless browser: no first-run pages, no background requests
# of its own (so the network log holds only the page's requests), no sandbox (tests run as
# root in containers) and sound that needs a gesture, as a person's browser does.
BASE_FLAGS = [
    "--headless=new",
    "--no-sandbox",
    "--no-first-run",
    "--no-default-browser-check",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--disable-default-apps",
    "--disable-extensions",
    "--disable-breakpad",
    "--disable-crash-reporter",
    "--metrics-recording-only",
    "--password-store=basic",
    "--use-mock-keychain",
    "--disable-dev-shm-usage",
    "--autoplay-policy=document-user-activation-required",
    "--window-size=1024,768",
]


class DevToolsError(Exception):
    """A command failed, the page threw, or the browser went away."""


class DevToolsTimeout(DevToolsError):
    """Nothing came back within the time allowed."""


class Browser:
    """One headless Chromium process; use as a context manager (it closes on exit)."""

    def __init__(self, profile_dir, extra_flags=(), command_timeout=30.0):
        self._timeout = command_timeout
        self._next_id = 0
        self._lock = threading.Condition()
        self._write_lock = threading.Lock()
        self._answers = {}
        self._events = []  # (session id, method, params), in arrival order
        self._closed = False
        self._stderr_tail = []
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()
        # The child sees the pipes at 3 and 4 whatever numbers they have here.
        self._proc = subprocess.Popen(
            [CHROMIUM, *BASE_FLAGS, "--remote-debugging-pipe", f"--user-data-dir={profile_dir}",
             *extra_flags, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
            # close_fds would run after the pre-exec step and close 3 and 4 again; Python opens
            # its own descriptors non-inheritable, so none but these two reach the browser.
            close_fds=False, preexec_fn=_place_fds(to_browser_r, from_browser_w))
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self._stderr_reader = threading.Thread(target=self._read_stderr, daemon=True)
        self._stderr_reader.start()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # -- commands ---------------------------------------------------------------------------

    def send(self, method, params=None, session=None, timeout=None):
        """Sends one command and returns its result; raises DevToolsError on an error answer."""
        with self._lock:
            if self._closed:
                raise DevToolsError(f"{method}: the browser has gone ({self._why_gone()})")
            self._next_id += 1
            msg_id = self._next_id
        message = {"id": msg_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        data = json.dumps(message).encode() + b"\0"
        try:
            with self._write_lock:
                _write_all(self._to_browser, data)
        except OSError as e:
            raise DevToolsError(f"{method}: cannot write to the browser: {e}") from e
        deadline = time.monotonic() + (timeout or self._timeout)
        with self._lock:
            while msg_id not in self._answers:
                left = deadline - time.monotonic()
                if self._closed:
                    raise DevToolsError(f"{method}: the browser has gone ({self._why_gone()})")
                if left <= 0:
                    raise DevToolsTimeout(f"{method}: no answer within {timeout or self._timeout:.0f} s")
                self._lock.wait(left)
            answer = self._answers.pop(msg_id)
        if "error" in answer:
            raise DevToolsError(f"{method}: {answer['error'].get('message')} {answer['error'].get('data', '')}")
        return answer.get("result", {})

    def new_page(self, url="about:blank"):
        """Opens a tab and attaches to it; returns its Page."""
        target = self.send("Target.createTarget", {"url": url})["targetId"]
        session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        return Page(self, session, target)

    def events(self, session=None, method=None):
        """Events received so far (optionally of one session and one method), oldest first."""
        with self._lock:
            return [(m, p) for s, m, p in self._events
                    if (session is None or s == session) and (method is None or m == method)]

    def wait_event(self, method, session=None, timeout=10.0, since=0, predicate=None):
        """Waits for an event of METHOD (the since-th one of that kind and later); returns its params."""
        deadline = time.monotonic() + timeout
        with self._lock:
            while True:
                seen = [p for s, m, p in self._events
                        if m == method and (session is None or s == session) and (predicate is None or predicate(p))]
                if len(seen) > since:
                    return seen[since]
                left = deadline - time.monotonic()
                if self._closed:
                    raise DevToolsError(f"waiting for {method}: the browser has gone ({self._why_gone()})")
                if left <= 0:
                    raise DevToolsTimeout(f"no {method} within {timeout:.0f} s")
                self._lock.wait(left)

    def close(self, timeout=10.0):
        """Asks the browser to close, kills it when it does not; waits for the process."""
        if self._proc.poll() is None:
            try:
                self.send("Browser.close", timeout=3.0)
            except DevToolsError:
                pass
            try:
                self._proc.wait(timeout)
            except subprocess.TimeoutExpired:
                self._proc.kill()
                self._proc.wait(5.0)
        with self._lock:
            self._closed = True
            self._lock.notify_all()
        for fd in (self._to_browser,):
            try:
                os.close(fd)
            except OSError:
                pass
        self._reader.join(5.0)

    # -- the reader threads -------------------------------------------------------------------

    def _read(self):
        buffer = b""
        try:
            while True:
                chunk = os.read(self._from_browser, 1 << 16)
                if not chunk:
                    break
                buffer += chunk
                *messages, buffer = buffer.split(b"\0")
                for raw in messages:
                    self._dispatch(json.loads(raw))
        except (OSError, ValueError):
            pass
        finally:
            os.close(self._from_browser)
            with self._lock:
                self._closed = True
                self._lock.notify_all()

    def _dispatch(self, message):
        with self._lock:
            if "id" in message:
                self._answers[message["id"]] = message
            else:
                self._events.append((message.get("sessionId"), message.get("method"), message.get("params", {})))
            self._lock.notify_all()

    def _read_stderr(self):
        for line in self._proc.stderr:
            self._stderr_tail = (self._stderr_tail + [line.decode(errors="replace").rstrip()])[-20:]

    def _why_gone(self):
        code = self._proc.poll()
        tail = "; ".join(self._stderr_tail[-3:])
        return f"exit code {code}" + (f": {tail}" if tail else "")


class Page:
    """One attached tab: its commands, events and a few helpers built on them."""

    def __init__(self, browser, session, target):
        self.browser = browser
        self.session = session
        self.target = target

    def send(self, method, params=None, timeout=None):
        return self.browser.send(method, params, session=self.session, timeout=timeout)

    def events(self, method=None):
        return self.browser.events(self.session, method)

    def wait_event(self, method, timeout=10.0, since=0, predicate=None):
        return self.browser.wait_event(method, self.session, timeout, since, predicate)

    def navigate(self, url, timeout=20.0):
        """Navigates and waits for the load event; raises when the navigation failed."""
        self.send("Page.enable")
        loads = len(self.events("Page.loadEventFired"))
        result = self.send("Page.navigate", {"url": url})
        if result.get("errorText"):
            raise DevToolsError(f"navigating to {url}: {result['errorText']}")
        self.wait_event("Page.loadEventFired", timeout, since=loads)

    def evaluate(self, expression, await_promise=False, timeout=None):
        """The value of a JavaScript expression in the page; raises DevToolsError when it throws."""
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": await_promise, "userGesture": False},
                           timeout=timeout)
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            text = details.get("exception", {}).get("description") or details.get("text")
            raise DevToolsError(f"{expression[:60]!r} threw: {text}")
        return result.get("result", {}).get("value")

    def wait_for(self, expression, timeout=10.0, interval=0.05):
        """Evaluates EXPRESSION until it is truthy and returns its value; DevToolsTimeout after TIMEOUT."""
        deadline = time.monotonic() + timeout
        last = None
        while True:
            last = self.evaluate(expression)
            if last:
                return last
            if time.monotonic() >= deadline:
                raise DevToolsTimeout(f"{expression!r} still {last!r} after {timeout:.0f} s")
            time.sleep(interval)

    def click(self, x, y):
        """A left click at page coordinates (press and release)."""
        for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
            self.send("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": "left",
                                                   "buttons": 1 if kind == "mousePressed" else 0,
                                                   "clickCount": 1})

    def tap(self, x, y):
        """A one-finger tap at page coordinates."""
        self.send("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": [{"x": x, "y": y, "id": 1}]})
        self.send("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})

    def key(self, key, code=None, key_code=0, text=None):
        """Presses and releases one key."""
        down = {"type": "keyDown", "key": key, "code": code or key, "windowsVirtualKeyCode": key_code,
                "nativeVirtualKeyCode": key_code}
        if text:
            down["text"] = text
        self.send("Input.dispatchKeyEvent", down)
        self.send("Input.dispatchKeyEvent", {"type": "keyUp", "key": key, "code": code or key,
                                             "windowsVirtualKeyCode": key_code, "nativeVirtualKeyCode": key_code})

    def screenshot_png(self):
        """The tab's viewport as PNG bytes."""
        import base64
        return base64.b64decode(self.send("Page.captureScreenshot", {"format": "png"})["data"])

    def close(self):
        try:
            self.browser.send("Target.closeTarget", {"targetId": self.target}, timeout=5.0)
        except DevToolsError:
            pass


def _place_fds(read_fd, write_fd):
    """A pre-exec step putting READ_FD at 3 and WRITE_FD at 4 in the child."""
    def place():
        # Out of the way first, so dup2 onto 3 cannot close the other end; dup2 leaves the
        # copies inheritable.
        r, w = os.dup(read_fd), os.dup(write_fd)
        os.dup2(r, 3)
        os.dup2(w, 4)
    return place


def _write_all(fd, data):
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]
