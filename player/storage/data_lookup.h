#pragma once
// Where the loaders find a title's data: loose packed files, archives, then data discs.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "player/backend/file_services.h"
#include "player/storage/big_file_unit.h"
#include "player/storage/byte_buffer.h"
#include "player/storage/file_unit.h"

namespace mavlet {

// A title's data folder and the services that resolve its Windows-style paths.
struct TitleFiles {
  std::filesystem::path base;
  FileServices* files = nullptr;

  // base + title_path, then the same under each data disc root; nullopt when nowhere.
  std::optional<std::filesystem::path> FindLoose(std::string_view title_path) const;
  std::optional<std::filesystem::path> FindUnder(const std::filesystem::path& root,
                                                 std::string_view title_path) const;
};

// Scenario number n: "Pmx\%d.pmx", the current small archive, "Pmx\Data1..5.pmx", then the same
// archives on each data disc. Returns the unpacked scenario text; nullopt when no source has it.
// Throws MavError for a file that exists but is damaged.
std::optional<ByteBuffer> LoadScenarioData(const TitleFiles& title, TFileUnit& archive, int number);

// A sound name: the loose "WAV\" file (base, then data discs); else, unless the name ends in
// ".WAV", an entry of the open large archive or of "WAV\Data1..5.PMW" (base, then discs).
struct SoundLocation {
  std::optional<std::filesystem::path> loose;  // a loose packed file
  int entry = -1;                              // else an entry of the large archive left open
  bool Found() const { return loose.has_value() || entry >= 0; }
};
SoundLocation FindSound(const TitleFiles& title, TBigFileUnit& archive, std::string_view name);

// A picture name: the loose "PMP\" file (base, then data discs). Pictures never come from archives.
std::optional<std::filesystem::path> FindPicture(const TitleFiles& title, std::string_view name);

}  // namespace mavlet
