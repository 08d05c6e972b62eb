"""A static file server on 127.0.0.1 for the browser tests and benchmarks.

StaticServer(folder) serves FOLDER on an ephemeral loopback port from a thread of its own,
with the types a browser needs (.wasm as application/wasm, .js as text/javascript) and every
request recorded as (method, path, status). It stops by itself after a hard time bound
(lifetime seconds), so a test that hangs or forgets it cannot leave it running, and it stops
when the with-block ends. Paths that lead outside the folder (.., encoded or not) are answered
404 and still recorded, so a test can tell that something asked for them. With isolated=True
every answer carries the headers that make a page cross-origin isolated, where the browser's
clock ticks in microseconds instead of tenths of a millisecond (the timing benchmarks).
"""

import http.server
import os
import posixpath
import threading
import time
import urllib.parse


class _Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".html": "text/html; charset=utf-8",
        ".css": "text/css",
        ".txt": "text/plain; charset=utf-8",
        ".input": "text/plain; charset=utf-8",
    }

    def __init__(self, *args, server_state, **kwargs):
        self._state = server_state
        super().__init__(*args, directory=server_state.folder, **kwargs)

    def send_head(self):
        # Refuses instead of clamping: SimpleHTTPRequestHandler drops ".." pieces silently,
        # which would serve some other file under the asked-for name.
        if not inside(self._state.folder, self.path):
            self.send_error(404, "outside the served folder")
            return None
        return super().send_head()

    def end_headers(self):
        if self._state.cache_seconds:
            self.send_header("Cache-Control", f"max-age={self._state.cache_seconds}")
        else:
            self.send_header("Cache-Control", "no-cache")
        if self._state.isolated:
            self.send_header("Cross-Origin-Opener-Policy", "same-origin")
            self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        super().end_headers()

    def send_response(self, code, message=None):
        self._state.record(self.command, self.path, code)
        super().send_response(code, message)

    def send_error(self, code, message=None, explain=None):
        # send_error calls send_response, which records the request.
        super().send_error(code, message, explain)

    def log_message(self, *args):
        pass


class StaticServer:
    """Serves FOLDER on 127.0.0.1:<free port> until stop() or LIFETIME seconds, whichever first."""

    def __init__(self, folder, lifetime=120.0, cache_seconds=0, isolated=False):
        self.folder = os.path.realpath(folder)
        self.cache_seconds = cache_seconds
        self.isolated = isolated
        self._lifetime = lifetime
        self._lock = threading.Lock()
        self._requests = []
        state = self

        class Handler(_Handler):
            def __init__(self, *args, **kwargs):
                super().__init__(*args, server_state=state, **kwargs)

        self._httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self._httpd.daemon_threads = True
        self._httpd.timeout = 1.0
        self.port = self._httpd.server_address[1]
        self.origin = f"http://127.0.0.1:{self.port}"
        self._deadline = time.monotonic() + lifetime
        self.expired = False
        self._thread = threading.Thread(target=self._serve, daemon=True)
        self._thread.start()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def url(self, path):
        return self.origin + "/" + path.lstrip("/")

    def record(self, method, path, status):
        with self._lock:
            self._requests.append((method, path, status))

    def requests(self):
        with self._lock:
            return list(self._requests)

    def clear(self):
        with self._lock:
            self._requests.clear()

    def _serve(self):
        # handle_request returns at least once a second (the socket timeout), so the time
        # bound holds even while no request comes.
        while not self._stopping():
            self._httpd.handle_request()
        self._httpd.server_close()

    def _stopping(self):
        if time.monotonic() >= self._deadline:
            self.expired = True
            return True
        return getattr(self, "_stop", False)

    def stop(self):
        self._stop = True
        self._thread.join(5.0)

    def running(self):
        return self._thread.is_alive()


def inside(folder, path):
    """Whether the URL path PATH names a file inside FOLDER (no escape through .. or links)."""
    raw = urllib.parse.unquote(urllib.parse.urlsplit(path).path)
    if "\\" in raw or any(part == ".." for part in raw.split("/")):
        return False
    local = os.path.realpath(os.path.join(folder, posixpath.normpath(raw).lstrip("/")))
    root = os.path.realpath(folder)
    return local == root or local.startswith(root + os.sep)
