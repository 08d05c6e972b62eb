// The player pages' script: sets up the emscripten Module on the page's canvas, keeps the canvas
// scaled by whole multiples (black bars), shows the sound hint until the audio context runs,
// and wires the full-screen, export and import controls. index.html starts the player at once;
// drop.html first writes the dropped title into /title.
(function () {
  "use strict";
  const page = {};
  let started = false;

  function el(id) { return document.getElementById(id); }

  function setState(state, text) {
    document.body.dataset.mavlet = state;
    const status = el("mavlet-status");
    if (status && text !== undefined) status.textContent = text;
  }

  // The audio context's state: "none" before the player opens sound.
  window.mavletAudioState = function () {
    const sdl = window.Module && window.Module.SDL2;
    return sdl && sdl.audioContext ? sdl.audioContext.state : "none";
  };

  // The game's size in CSS pixels: the canvas holds the game's pixels (times the device's
  // pixel ratio when SDL draws at full density).
  function gameSize(canvas) {
    const ratio = window.devicePixelRatio || 1;
    const cssW = parseFloat(canvas.dataset.gameWidth || "0");
    if (cssW > 0) return [cssW, parseFloat(canvas.dataset.gameHeight)];
    return [Math.round(canvas.width / ratio) || 1, Math.round(canvas.height / ratio) || 1];
  }

  // Whole multiples only, at least 1; the rest of the stage is black.
  function fit() {
    const canvas = el("canvas");
    const stage = el("mavlet-stage");
    if (!canvas || !stage) return;
    const [w, h] = gameSize(canvas);
    const scale = Math.max(1, Math.floor(Math.min(stage.clientWidth / w, stage.clientHeight / h)));
    const cw = w * scale + "px";
    const ch = h * scale + "px";
    if (canvas.style.width !== cw || canvas.style.height !== ch) {
      canvas.style.width = cw;
      canvas.style.height = ch;
    }
    page.scale = scale;
  }

  // SDL answers every resize of the browser's window (going in and out of full screen too) by
  // setting the canvas's size again, which clears it even when the size stays the same: a still
  // picture would stay black until the game next draws. This listener comes before SDL's: it
  // keeps the picture, and puts it back after SDL's answer unless a frame has come since.
  function keepPictureOverResize() {
    const sdl = window.Module && window.Module.SDL2;
    const ctx = sdl && sdl.ctx;
    const canvas = el("canvas");
    if (!ctx || !canvas || !canvas.width || !canvas.height) return;
    const kept = ctx.getImageData(0, 0, canvas.width, canvas.height);
    setTimeout(function () {
      if (canvas.width !== kept.width || canvas.height !== kept.height) return;
      if (ctx.getImageData(0, 0, 1, 1).data[3] !== 0) return;  // drawn since: SDL's frames are opaque
      ctx.putImageData(kept, 0, 0);
    }, 0);
  }

  function tick() {
    fit();
    const hint = el("mavlet-audio-hint");
    if (hint) hint.hidden = window.mavletAudioState() === "running";
    if (page.onFrame) page.onFrame();
    window.requestAnimationFrame(tick);
  }

  function wireControls() {
    const full = el("mavlet-fullscreen");
    if (full) {
      full.addEventListener("click", function () { page.fullScreen(!document.fullscreenElement); });
    }
    // The player's switch follows the page's full screen (see page.takeFullScreenChange).
    document.addEventListener("fullscreenchange", function () {
      page.fullScreenChange = document.fullscreenElement ? 1 : 0;
    });
    document.addEventListener("fullscreenerror", function () { page.fullScreenChange = 0; });
    const exp = el("mavlet-export");
    if (exp) exp.addEventListener("click", function () { page.exportSaves(); });
    const imp = el("mavlet-import");
    if (imp) {
      imp.addEventListener("change", function () {
        const file = imp.files && imp.files[0];
        imp.value = "";
        if (file) page.importSaves(file);
      });
    }
    const canvas = el("canvas");
    canvas.addEventListener("contextmenu", function (e) { e.preventDefault(); });
    canvas.addEventListener("pointerdown", function () { canvas.focus(); });
  }


  // Full screen is the stage's (the canvas scaled by whole multiples on black), for the button
  // and the player's keys (F11, Alt+Enter) alike. A browser grants it only shortly after a click
  // or a key; a refusal shows on the status line and the page plays on as it was.
  page.fullScreen = function (on) {
    const stage = el("mavlet-stage");
    if (!on) {
      if (document.fullscreenElement && document.exitFullscreen) document.exitFullscreen().catch(function () {});
      return;
    }
    if (document.fullscreenElement || !stage || !stage.requestFullscreen) return;
    const asked = stage.requestFullscreen();
    if (asked && asked.catch) {
      asked.catch(function (e) {
        setState(document.body.dataset.mavlet, "The browser refused full screen: " + (e && e.message || e));
      });
    }
    const canvas = el("canvas");
    if (canvas && document.activeElement !== el("mavlet-text")) canvas.focus();
  };

  // The page's last change of full screen since the last call (1 in, 0 out, -1 none): the
  // browser also leaves it by itself (Esc) and refuses it, and the button switches it.
  page.fullScreenChange = -1;
  page.takeFullScreenChange = function () {
    const change = page.fullScreenChange;
    page.fullScreenChange = -1;
    return change;
  };

  // The Input command's text field over the caret (game pixels x, y, w, h of a gw x gh game).
  // What it commits goes to the player as records (see the player's field events); the field
  // is emptied after each commit, so Backspace and the arrows on an empty field edit the
  // title's entry line.
  const field = { queue: [], composing: false, composition: "", shown: false };
  function commitField() {
    const input = el("mavlet-text");
    if (!input || !input.value) return;
    field.queue.push("t" + input.value.replace(/\x1f/g, ""));
    input.value = "";
  }
  // Keys the field leaves to the player as if the canvas had them: its own keys (F11 and F12)
  // and anything with Alt, the Alt key included, so Alt+Enter switches full screen and is no
  // Enter for the entry line.
  function playerKey(e) { return e.key === "F11" || e.key === "F12" || e.key === "Alt" || e.altKey; }
  function wireField() {
    const input = el("mavlet-text");
    if (!input) return;
    input.addEventListener("compositionstart", function () { field.composing = true; });
    input.addEventListener("compositionupdate", function (e) { field.composition = e.data || ""; });
    input.addEventListener("compositionend", function () {
      field.composing = false;
      field.composition = "";
      commitField();
    });
    input.addEventListener("input", function (e) {
      if (!e.isComposing && !field.composing) commitField();
    });
    input.addEventListener("keydown", function (e) {
      if (playerKey(e)) return;
      e.stopPropagation();
      if (e.isComposing || field.composing || e.keyCode === 229) return;
      const empty = input.value === "";
      const keys = { Enter: "r", Escape: "e" };
      const emptyKeys = { Backspace: "b", ArrowLeft: "l", ArrowRight: "g", Home: "h", End: "n" };
      const kind = keys[e.key] || (empty ? emptyKeys[e.key] : undefined);
      if (!kind) return;
      commitField();
      field.queue.push(kind);
      e.preventDefault();
    });
    input.addEventListener("keyup", function (e) { if (!playerKey(e)) e.stopPropagation(); });
  }
  page.textShow = function (x, y, w, h, gw, gh) {
    const input = el("mavlet-text");
    const canvas = el("canvas");
    const stage = el("mavlet-stage");
    if (!input || !canvas || !stage || gw <= 0 || gh <= 0) return;
    const cr = canvas.getBoundingClientRect();
    const sr = stage.getBoundingClientRect();
    const sx = cr.width / gw;
    const sy = cr.height / gh;
    const height = Math.max(18, h * sy);
    input.style.left = Math.round(cr.left - sr.left + x * sx) + "px";
    input.style.top = Math.round(cr.top - sr.top + y * sy) + "px";
    input.style.height = Math.round(height) + "px";
    input.style.width = Math.round(Math.max(w * sx, height * 8)) + "px";
    input.style.fontSize = Math.max(12, Math.floor(height * 0.75)) + "px";
    if (!field.shown) {
      field.shown = true;
      field.queue = [];
      field.composing = false;
      field.composition = "";
      input.value = "";
      input.hidden = false;
      input.focus();
    }
  };
  page.textHide = function () {
    const input = el("mavlet-text");
    field.shown = false;
    field.queue = [];
    if (!input) return;
    input.value = "";
    input.hidden = true;
    input.blur();
    const canvas = el("canvas");
    if (canvas) canvas.focus();
  };
  page.textTake = function (composing) {
    if (composing) return field.composition;
    const records = field.queue.join("\x1f");
    field.queue = [];
    return records;
  };

  // Calls one of the player's save functions; it answers with a line for the status bar. The
  // program's own export is called, not ccall: while the program sleeps between frames, ccall
  // hands back a promise that waits for the whole program to end, so the answer never came.
  function callSaves(fn, args) {
    const M = window.Module;
    const call = M && M["_" + fn];
    if (!M || !M.calledRun || !M.mavletSaveFolder || !call) {
      setState(document.body.dataset.mavlet, "No title is playing: there are no saves to move");
      return;
    }
    const texts = [];
    let message = "";
    try {
      for (const arg of args) {
        const bytes = new TextEncoder().encode(String(arg));
        const p = M._malloc(bytes.length + 1);
        if (!p) throw new Error("out of memory");
        texts.push(p);
        M.HEAPU8.set(bytes, p);
        M.HEAPU8[p + bytes.length] = 0;
      }
      const answer = call.apply(null, texts);
      message = M.UTF8ToString(answer);
      M._free(answer);
    } catch (e) {
      message = "The saves could not be moved: " + e;
    } finally {
      for (const p of texts) M._free(p);
    }
    setState(document.body.dataset.mavlet, message);
  }

  page.exportSaves = function () {
    const M = window.Module;
    callSaves("mavlet_export_saves", [M && M.mavletSaveFolder, M && M.mavletExportName]);
  };

  page.importSaves = function (file) {
    const M = window.Module;
    if (!M || !M.calledRun || !M.mavletSaveFolder) {
      setState(document.body.dataset.mavlet, "No title is playing: there are no saves to move");
      return;
    }
    if (!window.confirm("Replace this title's saves with the ones in " + file.name + "?")) return;
    file.arrayBuffer().then(function (buffer) {
      // The player imports between two frames (writing the slots waits for IndexedDB, which a
      // call from here, while the program sleeps, cannot do) and says how it went.
      M.FS.writeFile("/tmp/mavlet-import.zip", new Uint8Array(buffer));
      M.mavletImportRequest = file.name;
      setState(document.body.dataset.mavlet, "Importing the saves from " + file.name);
    }, function (e) {
      setState(document.body.dataset.mavlet, "Import failed: " + file.name + ": cannot be read: " + e);
    });
  };

  // The drop page: files ({path, data}) written below /title, or one zip (name, data) that the
  // player unpacks there; then the player starts on them.
  page.startDropped = function (files, zip) {
    page.start(function (M) {
      M.mavletDropped = true;
      if (zip) {
        M.FS.writeFile("/tmp/mavlet-drop.zip", zip.data);
        M.mavletDroppedZip = zip.name;
        return;
      }
      for (const f of files) {
        const parts = f.path.split("/").filter(function (p) { return p && p !== "." && p !== ".."; });
        let dir = "/title";
        for (let i = 0; i + 1 < parts.length; ++i) {
          dir += "/" + parts[i];
          try { M.FS.mkdir(dir); } catch (e) { /* already there */ }
        }
        if (parts.length) M.FS.writeFile(dir + "/" + parts[parts.length - 1], f.data);
      }
    });
  };

  // Loads the player; before(Module) runs in its preRun (the drop page writes the title there).
  page.start = function (before) {
    if (started) return;
    started = true;
    const canvas = el("canvas");
    window.Module = {
      canvas: canvas,
      preRun: [function () {
        try { window.Module.FS.mkdir("/title"); } catch (e) { /* already there */ }
        if (before) before(window.Module);
      }],
      print: function (text) { console.log(text); },
      printErr: function (text) { console.error(text); },
      onAbort: function (what) { setState("error", "The player stopped: " + what); },
      mavletDropped: false,
    };
    const script = document.createElement("script");
    script.src = "mavlet.js";
    script.onerror = function () { setState("error", "mavlet.js: the player could not be loaded"); };
    document.body.appendChild(script);
    canvas.focus();
  };

  page.setState = setState;
  page.fit = fit;
  window.mavletPage = page;
  window.addEventListener("resize", keepPictureOverResize);
  wireControls();
  wireField();
  window.requestAnimationFrame(tick);
})();
