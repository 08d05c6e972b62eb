#pragma once
// The project description "Pmx\Global.pmx": title, screen mode, start page, settings key and the
// declared variable names. Reading is strict about sizes so a damaged file cannot make us allocate
// more than the file could describe.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "player/storage/byte_buffer.h"

namespace mavlet {

struct TGlobalData {
  std::string Title;      // Shift-JIS
  std::uint8_t ScreenMode = 0;
  std::int32_t StartPage = -1;
  std::string RegKey;     // Shift-JIS
  std::uint8_t NoRegistry = 0;
  std::vector<std::string> NumNames;
  std::vector<std::string> StrNames;
  std::vector<std::string> FlagNames;
};

// Parses an unpacked Global.pmx payload. `what` names the source in errors. Throws MavError when
// a count or length runs past the end of the payload.
TGlobalData ParseGlobalData(std::span<const std::uint8_t> payload, std::string_view what);
// Builds the unpacked payload (the inverse of ParseGlobalData).
ByteBuffer BuildGlobalData(const TGlobalData& data);

// Unpacks and parses a packed Global.pmx file.
TGlobalData ReadGlobalFile(const std::filesystem::path& file);
// Packs and writes it.
void WriteGlobalFile(const std::filesystem::path& file, const TGlobalData& data);

}  // namespace mavlet
