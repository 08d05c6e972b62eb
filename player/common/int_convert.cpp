#include "player/common/int_convert.h"

namespace mavlet {

namespace {

// Digits only, at least one; magnitude checked against limit.
inline bool ReadDecimal(std::string_view s, std::uint64_t limit, std::uint64_t& value) {
  if (s.empty()) return false;
  value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > limit) return false;
  }
  return true;
}

inline std::int32_t Signed(std::uint64_t magnitude, bool negative) {
  // Two's complement wrap: hexadecimal may use all 32 bits ("$FFFFFFFF" is -1).
  std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  return static_cast<std::int32_t>(bits);
}

}  // namespace

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::int32_t> ParseInt(std::string_view s) {
  // Leading blanks are skipped; trailing ones make the text no number.
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    negative = s[i] == '-';
    ++i;
  }
  std::string_view rest = s.substr(i);
  bool hex = false;
  if (!rest.empty() && rest[0] == '$') {
    hex = true;
    rest.remove_prefix(1);
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    hex = true;
    rest.remove_prefix(2);
  }
  if (hex) {
    if (rest.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : rest) {
      const int d = HexDigitValue(c);
      if (d < 0) return std::nullopt;
      value = value * 16 + static_cast<std::uint64_t>(d);
      if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    return Signed(value, negative);
  }
  std::uint64_t value = 0;
  if (!ReadDecimal(rest, negative ? 2147483648ull : 2147483647ull, value)) return std::nullopt;
  return Signed(value, negative);
}

std::int32_t ParseIntOr(std::string_view s, std::int32_t fallback) { return ParseInt(s).value_or(fallback); }

std::optional<std::int32_t> ParseDecimalStrict(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  std::uint64_t value = 0;
  if (!ReadDecimal(s, negative ? 2147483648ull : 2147483647ull, value)) return std::nullopt;
  return Signed(value, negative);
}

}  // namespace mavlet
