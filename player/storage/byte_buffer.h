#pragma once
#include <cstdint>
#include <vector>

namespace mavlet {

// In-memory stream of bytes: unpacked payloads, archive entries, save-slot text.
using ByteBuffer = std::vector<std::uint8_t>;

}  // namespace mavlet
