#pragma once
// Integer conversion of scenario and save text: a complete signed 32-bit integer, decimal or
// "$"- or "0x"-prefixed hexadecimal (up to 32 bits, "$FFFFFFFF" is -1), after an optional sign,
// else the fallback. Leading blanks are skipped; a trailing blank makes the text no number (titles
// rely on both). Never throws.
#include <cstdint>
#include <optional>
#include <string_view>

namespace mavlet {

std::optional<std::int32_t> ParseInt(std::string_view s);
std::int32_t ParseIntOr(std::string_view s, std::int32_t fallback);
// Plain signed decimal only (no hexadecimal, no blanks): numeric comparisons use this.
std::optional<std::int32_t> ParseDecimalStrict(std::string_view s);
// 0..15 for a hexadecimal digit of either case, else -1.
int HexDigitValue(char c);

}  // namespace mavlet
