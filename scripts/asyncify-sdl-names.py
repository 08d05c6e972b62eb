#!/usr/bin/env python3
"""Rewrites player/web/asyncify-remove.json with the SDL functions that never sleep.

usage: asyncify-sdl-names.py LIST.json ARCHIVE.a... [--wasm NAMED.wasm]

In the browser SDL sleeps only through SDL_Delay and the present of a frame
(emscripten_sleep(0) in the WebGL swap and in the software framebuffer's update), and it never
calls back into the player on the way (the player sets no event filter, watch, timer, hint or
log callback; the mixer's music hook runs in the audio callback, which the page enters afresh).
Every function the archives (SDL2, SDL2_mixer, SDL2_image; read with emnm) define is written
to the list but those on a path to a sleep (KEEP). Without this, Asyncify instruments every
SDL function that calls SDL_malloc, SDL_SetError or a driver through a function pointer.
A static function defined more than once is named "name.N" after the link, and the list's
reader turns "." into a space, so such names get a "name*" pattern. --wasm (a link with
--profiling-funcs) keeps only the names the link holds and checks that no pattern matches a
function outside the archives.
Entries that are no SDL function are kept as they are. Fails naming the archive emnm cannot read.
"""
import argparse
import json
import re
import subprocess
import sys

KEEP = {
    "SDL_Delay", "SDL_PollEvent", "SDL_WaitEvent", "SDL_WaitEventTimeout",
    "SDL_RenderPresent", "SDL_SimulateRenderVSync", "GLES2_RenderPresent", "GLES_RenderPresent",
    "GL_RenderPresent", "SW_RenderPresent", "SDL_GL_SwapWindow", "SDL_GL_SwapWindowWithResult",
    "Emscripten_GLES_SwapWindow", "SDL_UpdateWindowSurface", "SDL_UpdateWindowSurfaceRects",
    "SDL_UpdateWindowTexture", "Emscripten_UpdateWindowFramebuffer",
}


def defined(path):
    out = subprocess.run(["emnm", "--defined-only", path], capture_output=True, text=True)
    if out.returncode:
        sys.exit(f"asyncify-sdl-names: emnm cannot read {path}: {out.stderr.strip()}")
    counts = {}
    for line in out.stdout.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[1] in "TtWw":
            counts[parts[2]] = counts.get(parts[2], 0) + 1
    return counts


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("list")
    parser.add_argument("archives", nargs="+")
    parser.add_argument("--wasm")
    args = parser.parse_args()
    counts = {}
    for path in args.archives:
        for name, n in defined(path).items():
            counts[name] = counts.get(name, 0) + n
    linked = None
    if args.wasm:
        import importlib.util
        spec = importlib.util.spec_from_file_location("ws", f"{sys.path[0]}/wasm-sizes.py")
        ws = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(ws)
        linked = ws.Module(args.wasm).names.values()
    names, patterns = [], []
    for name, n in sorted(counts.items()):
        if name in KEEP:
            continue
        if n > 1:
            if any(k.startswith(name) for k in KEEP):
                continue  # a pattern would cover a function that sleeps
            patterns.append(name + "*")
        else:
            names.append(name)
    if linked is not None:
        present = {re.sub(r"\.\d+$", "", fn) for fn in linked}
        names = [n for n in names if n in present]
        for pattern in patterns:
            prefix = pattern[:-1]
            for fn in linked:
                base = re.sub(r"\.\d+$", "", fn)
                if fn.startswith(prefix) and base not in counts:
                    sys.exit(f"asyncify-sdl-names: {pattern} also matches {fn}")
    old = json.load(open(args.list))
    kept = [e for e in old if e.rstrip("*") not in counts]
    with open(args.list, "w") as f:
        json.dump(kept + names + patterns, f, indent=0)
        f.write("\n")
    print(f"{len(kept)} entries kept, {len(names)} SDL names and {len(patterns)} patterns added")


if __name__ == "__main__":
    main()
