#include "player/storage/data_lookup.h"

#include <string>

#include "player/common/error.h"
#include "player/storage/archive_index.h"
#include "player/storage/packed_file.h"

namespace mavlet {
namespace {

// Archives are looked for as Data1 .. Data5.
constexpr int kArchiveCount = 5;

FileServices& Services(const TitleFiles& title) {
  if (title.files == nullptr) throw MavError("no file services to look up title data");
  return *title.files;
}

// The extension of a title path is ".WAV", ignoring case.
bool HasWavExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::size_t sep = name.find_last_of("\\/");
  if (sep != std::string_view::npos && sep > dot) return false;
  return ArchiveNameUpperBytes(name.substr(dot)) == ".WAV";
}

// The scenario entry in the small archive at `root`/Pmx/Data<d>.pmx, trying d = 1..5.
std::optional<ByteBuffer> ScenarioFromArchives(const TitleFiles& title, const std::filesystem::path& root,
                                               TFileUnit& archive, const std::string& entry) {
  for (int d = 1; d <= kArchiveCount; ++d) {
    const auto file = title.FindUnder(root, "Pmx\\Data" + std::to_string(d) + ".pmx");
    if (!file) continue;
    archive.LoadArchive(*file);
    ByteBuffer out;
    if (archive.ExtractEntry(entry, out)) return out;
  }
  return std::nullopt;
}

// The sound entry in the large archives at `root`/WAV/Data<d>.PMW, trying d = 1..5.
int SoundFromArchives(const TitleFiles& title, const std::filesystem::path& root, TBigFileUnit& archive,
                      std::string_view name) {
  for (int d = 1; d <= kArchiveCount; ++d) {
    const auto file = title.FindUnder(root, "WAV\\Data" + std::to_string(d) + ".PMW");
    if (!file) continue;
    archive.OpenArchive(*file);
    const int index = archive.IndexOfEntry(name);
    if (index >= 0) return index;
  }
  return -1;
}

}  // namespace

std::optional<std::filesystem::path> TitleFiles::FindUnder(const std::filesystem::path& root,
                                                           std::string_view title_path) const {
  return Services(*this).Resolve(root, title_path);
}

std::optional<std::filesystem::path> TitleFiles::FindLoose(std::string_view title_path) const {
  if (auto found = FindUnder(base, title_path)) return found;
  for (const std::filesystem::path& root : Services(*this).DataDiscRoots()) {
    if (auto found = FindUnder(root, title_path)) return found;
  }
  return std::nullopt;
}

std::optional<ByteBuffer> LoadScenarioData(const TitleFiles& title, TFileUnit& archive, int number) {
  const std::string entry = std::to_string(number) + ".pmx";
  if (const auto loose = title.FindUnder(title.base, "Pmx\\" + entry)) return UnpackFile(*loose);
  if (archive.Loaded()) {
    ByteBuffer out;
    if (archive.ExtractEntry(entry, out)) return out;
  }
  if (auto found = ScenarioFromArchives(title, title.base, archive, entry)) return found;
  for (const std::filesystem::path& root : Services(title).DataDiscRoots()) {
    if (auto found = ScenarioFromArchives(title, root, archive, entry)) return found;
  }
  return std::nullopt;
}

SoundLocation FindSound(const TitleFiles& title, TBigFileUnit& archive, std::string_view name) {
  SoundLocation where;
  where.loose = title.FindLoose("WAV\\" + std::string(name));
  if (where.loose || HasWavExtension(name)) return where;
  if (!archive.FileName().empty()) {
    where.entry = archive.IndexOfEntry(name);
    if (where.entry >= 0) return where;
  }
  where.entry = SoundFromArchives(title, title.base, archive, name);
  if (where.entry >= 0) return where;
  for (const std::filesystem::path& root : Services(title).DataDiscRoots()) {
    where.entry = SoundFromArchives(title, root, archive, name);
    if (where.entry >= 0) return where;
  }
  return where;
}

std::optional<std::filesystem::path> FindPicture(const TitleFiles& title, std::string_view name) {
  return title.FindLoose("PMP\\" + std::string(name));
}

}  // namespace mavlet
