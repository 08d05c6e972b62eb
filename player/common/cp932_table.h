#pragma once
// Code page 932 as tables, generated from glibc's iconv converter (scripts/gen-cp932-table.py),
// for builds whose C library has no such converter (the browser's): the same characters decode
// and encode the same way as on the desktop. kSingle gives a single byte's code point, 0xFFFF
// when the byte is no character on its own. kDouble gives the code point of lead byte
// 0x81..0xFC and trail byte 0x40..0xFC, 0 when the pair is no character. kEncode lists every
// encodable code point from U+0080 up, sorted, as (code point << 16 | bytes): one byte (0xA1)
// or a pair (0x8140). Below U+0080 a code point is its own byte; the tag characters
// U+E0000..U+E007F encode to nothing; nothing else outside the list encodes.
#include <cstddef>
#include <cstdint>

namespace mavlet::cp932 {

inline constexpr int kFirstLead = 0x81;
inline constexpr int kLeadCount = 0xFC - 0x81 + 1;
inline constexpr int kFirstTrail = 0x40;
inline constexpr int kTrailCount = 0xFC - 0x40 + 1;
inline constexpr std::size_t kEncodeCount = 9278;

extern const std::uint16_t kSingle[256];
extern const std::uint16_t kDouble[kLeadCount * kTrailCount];
extern const std::uint32_t kEncode[kEncodeCount];

}  // namespace mavlet::cp932
