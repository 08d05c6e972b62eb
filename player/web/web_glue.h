#pragma once
// The browser's side of the player, called from C++: downloads through the page's fetch (the
// program sleeps through Asyncify until they end), the persistent folder (IndexedDB under
// /persist), the page's state and status line, and files handed to the page as downloads.
// Everything here is emscripten glue; the logic it serves lives in the ordinary layers.
#include <filesystem>
#include <optional>
#include <string>

namespace mavlet::web {

// Writes the bytes at url (relative to the page) into file. Throws MavError saying what the
// server answered ("the server answered 404") or that the download failed.
void FetchToFile(const std::string& url, const std::filesystem::path& file);
// The text at url; throws MavError naming the url when it cannot be fetched.
std::string FetchText(const std::string& url);

// The page's query ("?events=..."), as location.search gives it.
std::string PageQuery();
// True when the drop page has already written a title into /title (no manifest to fetch).
bool TitleDropped();
// The name of the zip the drop page wrote to /tmp/mavlet-drop.zip; empty when it dropped a
// folder (or nothing).
std::string DroppedZipName();

// Tells the page where the title's saves are and what to call their export (the export button
// passes them back to mavlet_export_saves; an import goes through TakeImportRequest).
void SetSaveFolder(const std::filesystem::path& folder, const std::string& export_name);

// The name of the zip the page's import control wrote to /tmp/mavlet-import.zip since the last
// call, empty when none; the request is taken (the next call answers empty).
std::string TakeImportRequest();

// Mounts IndexedDB at /persist and loads what it holds (waits until done); records changes
// below it from then on, saved at most every 500 ms while there are any, and when the page is
// hidden. Failure is logged and the player runs without persistence.
void MountPersistentFolder();
// Saves the persistent folder now when something changed (after an import).
void SyncPersistentFolder();

// document.body.dataset.mavlet = state ("loading", "running", "done", "error"); the status line
// shows status.
void SetPageState(const std::string& state, const std::string& status);
// The scripted run's results: the variables' text and the PNG file's bytes as a data: URL.
void ShowVariables(const std::string& text);
void ShowShot(const std::filesystem::path& png);
// Offers a file to the person as a download named name.
void OfferDownload(const std::filesystem::path& file, const std::string& name);
// Asks the page to show the stage full screen (on) or leave full screen; the page says on its
// status line when the browser refuses.
void PageFullScreen(bool on);
// The page's last change of full screen since the last call (true: it went full screen), none
// when it did not change.
std::optional<bool> TakeFullScreenChange();
// Milliseconds since the page started (performance.now()).
double NowMs();
// Marks the first present of the real-time run (window.mavletFirstFrameMs).
void MarkFirstFrame();

}  // namespace mavlet::web
