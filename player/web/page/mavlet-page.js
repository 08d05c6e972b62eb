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
    // SDL's own full screen (F11, Alt+Enter) sizes the canvas to the screen itself.
    if (document.fullscreenElement === canvas) return;
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
      full.addEventListener("click", function () {
        const stage = el("mavlet-stage");
        if (document.fullscreenElement) document.exitFullscreen();
        else if (stage.requestFullscreen) stage.requestFullscreen();
        el("canvas").focus();
      });
    }
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
    input.addEventListener("keyup", function (e) { e.stopPropagation(); });
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

  // Calls one of the player's save functions; it answers with a line for the status bar.
  function callSaves(fn, args) {
    const M = window.Module;
    if (!M || !M.calledRun || !M.mavletSaveFolder) {
      setState(document.body.dataset.mavlet, "No title is playing: there are no saves to move");
      return;
    }
    const p = M.ccall(fn, "number", args.map(function () { return "string"; }), args);
    const message = M.UTF8ToString(p);
    M._free(p);
    setState(document.body.dataset.mavlet, message);
  }

  page.exportSaves = function () {
    const M = window.Module;
    callSaves("mavlet_export_saves", [M && M.mavletSaveFolder, M && M.mavletExportName]);
  };

  page.importSaves = function (file) {
    const M = window.Module;
    if (!M || !M.mavletSaveFolder) {
      callSaves("mavlet_import_saves", []);
      return;
    }
    if (!window.confirm("Replace this title's saves with the ones in " + file.name + "?")) return;
    file.arrayBuffer().then(function (buffer) {
      M.FS.writeFile("/tmp/mavlet-import.zip", new Uint8Array(buffer));
      callSaves("mavlet_import_saves", [M.mavletSaveFolder, file.name]);
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
  wireControls();
  wireField();
  window.requestAnimationFrame(tick);
})();
