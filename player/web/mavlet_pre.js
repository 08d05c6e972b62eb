// Runs before the player's own script: the persistent folder's bookkeeping (IndexedDB at
// /persist, saved at most every 500 ms while something below it changed, and when the page is
// hidden) and the page's download helper.
Module.mavletPersist = (function () {
  let mounted = false;
  let dirty = false;
  let busy = false;
  let timer = null;
  function inPersist(path) {
    return typeof path === "string" && (path === "/persist" || path.startsWith("/persist/"));
  }
  function save() {
    if (!mounted) return;
    if (busy) {
      schedule();
      return;
    }
    busy = true;
    dirty = false;
    FS.syncfs(false, function (err) {
      busy = false;
      if (err) console.error("mavlet: saving to IndexedDB failed: " + err);
      if (dirty) schedule();
    });
  }
  function schedule() {
    if (timer === null) {
      timer = setTimeout(function () {
        timer = null;
        save();
      }, 500);
    }
  }
  function mark() {
    dirty = true;
    schedule();
  }
  // Every change below /persist passes one of these.
  function watch() {
    function wrap(name, pathOf) {
      const plain = FS[name];
      FS[name] = function () {
        const result = plain.apply(this, arguments);
        if (inPersist(pathOf.apply(null, arguments))) mark();
        return result;
      };
    }
    wrap("write", function (stream) { return stream && stream.path; });
    wrap("close", function (stream) { return stream && (stream.flags & 3) !== 0 ? stream.path : null; });
    wrap("unlink", function (path) { return path; });
    wrap("rmdir", function (path) { return path; });
    wrap("mkdir", function (path) { return path; });
    wrap("rename", function (from, to) { return inPersist(from) ? from : to; });
    wrap("truncate", function (path) { return path; });
  }
  window.addEventListener("pagehide", function () {
    if (dirty || timer !== null) save();
  });
  document.addEventListener("visibilitychange", function () {
    if (document.visibilityState === "hidden" && (dirty || timer !== null)) save();
  });
  return {
    mount: function () {
      return new Promise(function (resolve) {
        try {
          FS.mkdir("/persist");
          FS.mount(IDBFS, {}, "/persist");
        } catch (e) {
          console.error("mavlet: no IndexedDB for saves: " + e);
          resolve(1);
          return;
        }
        FS.syncfs(true, function (err) {
          if (err) console.error("mavlet: reading the saves from IndexedDB failed: " + err);
          mounted = true;
          watch();
          resolve(0);
        });
      });
    },
    sync: function () {
      dirty = true;
      save();
    },
  };
})();

Module.mavletDownload = Module.mavletDownload || function (blob, name) {
  const a = document.createElement("a");
  a.href = URL.createObjectURL(blob);
  a.download = name;
  document.body.appendChild(a);
  a.click();
  setTimeout(function () {
    URL.revokeObjectURL(a.href);
    a.remove();
  }, 1000);
};
