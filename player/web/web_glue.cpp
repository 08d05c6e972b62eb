#include "player/web/web_glue.h"

#include <emscripten.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "player/common/error.h"

// clang-format off
EM_ASYNC_JS(int, mavlet_fetch_file, (const char* url, const char* path), {
  try {
    const response = await fetch(UTF8ToString(url));
    if (!response.ok) return response.status || -1;
    const data = new Uint8Array(await response.arrayBuffer());
    FS.writeFile(UTF8ToString(path), data);
    return 0;
  } catch (e) {
    console.error("mavlet: " + UTF8ToString(url) + ": " + e);
    return -1;
  }
});

EM_JS(char*, mavlet_page_query, (), {
  const q = window.location.search || "";
  const n = lengthBytesUTF8(q) + 1;
  const p = _malloc(n);
  stringToUTF8(q, p, n);
  return p;
});

EM_JS(int, mavlet_title_dropped, (), { return Module.mavletDropped ? 1 : 0; });

EM_JS(char*, mavlet_dropped_zip, (), {
  const name = Module.mavletDroppedZip || "";
  const n = lengthBytesUTF8(name) + 1;
  const p = _malloc(n);
  stringToUTF8(name, p, n);
  return p;
});

EM_JS(char*, mavlet_take_import, (), {
  const name = Module.mavletImportRequest || "";
  Module.mavletImportRequest = "";
  const n = lengthBytesUTF8(name) + 1;
  const p = _malloc(n);
  stringToUTF8(name, p, n);
  return p;
});

EM_JS(void, mavlet_set_save_folder, (const char* folder, const char* name), {
  Module.mavletSaveFolder = UTF8ToString(folder);
  Module.mavletExportName = UTF8ToString(name);
});

EM_ASYNC_JS(int, mavlet_mount_persist, (), {
  return await Module.mavletPersist.mount();
});

EM_JS(void, mavlet_sync_persist, (), { Module.mavletPersist.sync(); });

EM_JS(void, mavlet_set_state, (const char* state, const char* status), {
  document.body.dataset.mavlet = UTF8ToString(state);
  const line = document.getElementById("mavlet-status");
  if (line) line.textContent = UTF8ToString(status);
});

EM_JS(void, mavlet_show_vars, (const char* text), {
  let pre = document.getElementById("mavlet-vars");
  if (!pre) {
    pre = document.createElement("pre");
    pre.id = "mavlet-vars";
    document.body.appendChild(pre);
  }
  pre.textContent = UTF8ToString(text);
});

EM_JS(void, mavlet_show_shot, (const char* path), {
  const bytes = FS.readFile(UTF8ToString(path));
  let text = "";
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  let img = document.getElementById("mavlet-shot");
  if (!img) {
    img = document.createElement("img");
    img.id = "mavlet-shot";
    document.body.appendChild(img);
  }
  img.src = "data:image/png;base64," + btoa(text);
});

EM_JS(void, mavlet_offer_download, (const char* path, const char* name), {
  const bytes = FS.readFile(UTF8ToString(path));
  Module.mavletDownload(new Blob([bytes]), UTF8ToString(name));
});

EM_JS(void, mavlet_full_screen, (int on), {
  if (window.mavletPage && window.mavletPage.fullScreen) window.mavletPage.fullScreen(on !== 0);
});

EM_JS(int, mavlet_take_full_screen_change, (), {
  return window.mavletPage && window.mavletPage.takeFullScreenChange ? window.mavletPage.takeFullScreenChange() : -1;
});

EM_JS(void, mavlet_first_frame, (), {
  if (window.mavletFirstFrameMs === undefined) window.mavletFirstFrameMs = performance.now();
});
// clang-format on

namespace mavlet::web {
namespace {

// A string the page handed over in memory it took with malloc, copied and freed.
std::string AdoptPageString(char* p) {
  std::string out(p);
  std::free(p);
  return out;
}

}  // namespace

void FetchToFile(const std::string& url, const std::filesystem::path& file) {
  const int status = mavlet_fetch_file(url.c_str(), file.c_str());
  if (status == 0) return;
  if (status > 0) throw MavError("the server answered " + std::to_string(status));
  throw MavError("the download failed");
}

std::string FetchText(const std::string& url) {
  const std::filesystem::path temp = "/tmp/mavlet-fetch.txt";
  try {
    FetchToFile(url, temp);
  } catch (const MavError& e) {
    throw MavError(url + ": " + e.what());
  }
  std::ifstream in(temp, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  std::error_code ec;
  std::filesystem::remove(temp, ec);
  return s.str();
}

std::string PageQuery() { return AdoptPageString(mavlet_page_query()); }

bool TitleDropped() { return mavlet_title_dropped() != 0; }

std::string DroppedZipName() { return AdoptPageString(mavlet_dropped_zip()); }

std::string TakeImportRequest() { return AdoptPageString(mavlet_take_import()); }

void SetSaveFolder(const std::filesystem::path& folder, const std::string& export_name) {
  mavlet_set_save_folder(folder.c_str(), export_name.c_str());
}

void MountPersistentFolder() {
  if (mavlet_mount_persist() != 0) {
    std::error_code ec;
    std::filesystem::create_directories("/persist", ec);
  }
}

void SyncPersistentFolder() { mavlet_sync_persist(); }

void SetPageState(const std::string& state, const std::string& status) {
  mavlet_set_state(state.c_str(), status.c_str());
}

void ShowVariables(const std::string& text) { mavlet_show_vars(text.c_str()); }

void ShowShot(const std::filesystem::path& png) { mavlet_show_shot(png.c_str()); }

void OfferDownload(const std::filesystem::path& file, const std::string& name) {
  mavlet_offer_download(file.c_str(), name.c_str());
}

void PageFullScreen(bool on) { mavlet_full_screen(on ? 1 : 0); }

std::optional<bool> TakeFullScreenChange() {
  const int change = mavlet_take_full_screen_change();
  if (change < 0) return std::nullopt;
  return change != 0;
}

double NowMs() { return emscripten_get_now(); }

void MarkFirstFrame() { mavlet_first_frame(); }

}  // namespace mavlet::web
