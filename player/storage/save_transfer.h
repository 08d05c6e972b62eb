#pragma once
// A save folder as one zip and back, so a game moves between the browser and the desktop: the
// zip holds the folder's slot files ("save" and the slot number, as the player names them) at
// its root, nothing else.
// ExportSaves fails with a MavError naming the folder when it is missing or a slot cannot be
// read. ImportSaves checks the whole zip first (ReadZip's checks, then every entry must be a
// slot file at the root), writes the slots beside their final names and only then renames them
// into place and removes the slots the zip does not hold: a bad zip changes nothing, and a
// failed write leaves the folder's slots as they were. Its errors name the zip (file_name) and
// the entry, or the folder.
#include <filesystem>
#include <string>
#include <string_view>

namespace mavlet {

// True for the names of slot files: "save", an optional "-" and at least two digits.
bool IsSlotFileName(std::string_view name);

std::string ExportSaves(const std::filesystem::path& folder);
// The folder is created when missing.
void ImportSaves(std::string_view zip, const std::filesystem::path& folder, std::string_view file_name);

}  // namespace mavlet
