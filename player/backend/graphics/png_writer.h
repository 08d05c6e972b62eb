#pragma once
// PNG output of a surface: screenshots and picture goldens.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "player/backend/graphics/surface.h"

namespace mavlet {

// 8-bit RGB PNG of the surface's picture.
std::vector<std::uint8_t> EncodePng(const Surface& surface);
// Writes EncodePng's result; throws MavError naming the file when it cannot be written.
void WritePng(const Surface& surface, const std::filesystem::path& file);

}  // namespace mavlet
