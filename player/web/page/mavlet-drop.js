// The drop page: reads a dropped or chosen folder (or a .zip) in the browser and starts the
// player on it (mavlet-page.js); nothing leaves the computer.
(function () {
  "use strict";
  const page = window.mavletPage;
  const area = document.getElementById("mavlet-drop");

  function show() {
    area.hidden = true;
    area.style.display = "none";
    document.getElementById("mavlet-stage").hidden = false;
    page.setState("loading", "Reading the files");
  }

  function readAll(entries) {
    return Promise.all(entries.map(function (e) {
      return e.file.arrayBuffer().then(function (b) { return { path: e.path, data: new Uint8Array(b) }; });
    }));
  }

  function startFiles(entries) {
    show();
    readAll(entries).then(function (files) { page.startDropped(files, null); },
      function (e) { page.setState("error", "The files could not be read: " + e); });
  }

  function startZip(file) {
    show();
    file.arrayBuffer().then(function (b) { page.startDropped([], { name: file.name, data: new Uint8Array(b) }); },
      function (e) { page.setState("error", file.name + ": could not be read: " + e); });
  }

  // Folders dropped: walk their entries (webkitGetAsEntry).
  function walk(entry, prefix, out) {
    return new Promise(function (resolve) {
      if (entry.isFile) {
        entry.file(function (f) { out.push({ path: prefix + entry.name, file: f }); resolve(); }, function () { resolve(); });
        return;
      }
      const reader = entry.createReader();
      const children = [];
      (function more() {
        reader.readEntries(function (batch) {
          if (!batch.length) {
            Promise.all(children.map(function (c) { return walk(c, prefix + entry.name + "/", out); })).then(resolve);
            return;
          }
          children.push.apply(children, batch);
          more();
        }, function () { resolve(); });
      })();
    });
  }

  area.addEventListener("dragover", function (e) { e.preventDefault(); area.classList.add("over"); });
  area.addEventListener("dragleave", function () { area.classList.remove("over"); });
  area.addEventListener("drop", function (e) {
    e.preventDefault();
    area.classList.remove("over");
    const items = Array.from(e.dataTransfer.items || []);
    const entries = items.map(function (i) { return i.webkitGetAsEntry && i.webkitGetAsEntry(); }).filter(Boolean);
    const files = Array.from(e.dataTransfer.files || []);
    if (entries.length === 1 && entries[0].isFile && /\.zip$/i.test(entries[0].name)) {
      startZip(files[0]);
      return;
    }
    const out = [];
    Promise.all(entries.map(function (en) { return walk(en, "", out); })).then(function () { startFiles(out); });
  });
  document.getElementById("mavlet-drop-folder").addEventListener("change", function (e) {
    const files = Array.from(e.target.files || []);
    startFiles(files.map(function (f) { return { path: f.webkitRelativePath || f.name, file: f }; }));
  });
  document.getElementById("mavlet-drop-zip").addEventListener("change", function (e) {
    const f = e.target.files && e.target.files[0];
    if (f) startZip(f);
  });
  page.setState("loading", "Waiting for a title");
})();
