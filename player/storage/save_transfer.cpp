#include "player/storage/save_transfer.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <span>
#include <system_error>
#include <vector>

#include "player/common/error.h"
#include "player/storage/file_io.h"
#include "player/storage/zip_archive.h"

namespace mavlet {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kStagingPrefix = ".mavlet-import.";

std::vector<std::string> SlotFiles(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (IsSlotFileName(name) && it->is_regular_file()) names.push_back(name);
  }
  if (ec) throw MavError(folder.string() + ": cannot list the save folder: " + ec.message());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

bool IsSlotFileName(std::string_view name) {
  if (name.substr(0, 4) != "save") return false;
  std::string_view digits = name.substr(4);
  if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
  return digits.size() >= 2 && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string ExportSaves(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) throw MavError(folder.string() + ": no such save folder");
  std::vector<ZipEntry> entries;
  for (const std::string& name : SlotFiles(folder)) {
    const ByteBuffer bytes = ReadFileBytes(folder / name);
    entries.push_back({name, std::string(bytes.begin(), bytes.end())});
  }
  return WriteZip(entries);
}

void ImportSaves(std::string_view zip, const fs::path& folder, std::string_view file_name) {
  const std::vector<ZipEntry> entries = ReadZip(zip, file_name);
  for (const ZipEntry& e : entries) {
    if (!IsSlotFileName(e.name))
      throw MavError(std::string(file_name) + ": " + e.name +
                     ": not a save slot (the zip must hold slot files, save00 and so on, at its root)");
  }
  std::error_code ec;
  if (fs::exists(folder, ec) && !fs::is_directory(folder, ec))
    throw MavError(folder.string() + ": is a file, not a save folder");
  fs::create_directories(folder, ec);
  if (ec) throw MavError(folder.string() + ": cannot make the save folder: " + ec.message());
  // Every slot is written under a staging name first; the old slots stay until all are there.
  std::vector<fs::path> staged;
  try {
    for (const ZipEntry& e : entries) {
      const fs::path staging = folder / (std::string(kStagingPrefix) + e.name);
      staged.push_back(staging);
      WriteFileAtomic(staging, std::span(reinterpret_cast<const std::uint8_t*>(e.data.data()), e.data.size()));
    }
  } catch (...) {
    for (const fs::path& p : staged) fs::remove(p, ec);
    throw;
  }
  std::set<std::string> kept;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    fs::rename(staged[i], folder / entries[i].name, ec);
    if (ec) {
      const std::string why = ec.message();
      for (std::size_t j = i; j < staged.size(); ++j) fs::remove(staged[j], ec);
      throw MavError(folder.string() + ": cannot put " + entries[i].name + " in place: " + why);
    }
    kept.insert(entries[i].name);
  }
  for (const std::string& name : SlotFiles(folder)) {
    if (kept.count(name) != 0) continue;
    fs::remove(folder / name, ec);
    if (ec) throw MavError(folder.string() + ": cannot remove the old slot " + name + ": " + ec.message());
  }
}

}  // namespace mavlet
