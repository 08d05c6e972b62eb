#include "player/common/ascii_case.h"

#include <cstdint>

#include "player/common/sjis_text.h"

namespace mavlet {

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  const std::size_t n = out.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (IsLeadByte(static_cast<std::uint8_t>(out[i]))) {
      ++i;  // the trail byte stays as it is
      continue;
    }
    out[i] = AsciiToUpper(out[i]);
  }
  return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const std::size_t n = a.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (IsLeadByte(static_cast<std::uint8_t>(a[i]))) {
      // Lead bytes are never letters: equal lead bytes, then the trail byte exactly.
      if (a[i] != b[i]) return false;
      if (++i < n && a[i] != b[i]) return false;
      continue;
    }
    if (AsciiToUpper(a[i]) != AsciiToUpper(b[i])) return false;
  }
  return true;
}

std::size_t HashIgnoreAsciiCase(std::string_view s) {
  // FNV-1a over the folded bytes.
  std::uint64_t h = 14695981039346656037ull;
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n; ++i) {
    auto c = static_cast<std::uint8_t>(s[i]);
    if (IsLeadByte(c)) {
      h = (h ^ c) * 1099511628211ull;
      if (++i >= n) break;
      c = static_cast<std::uint8_t>(s[i]);
    } else {
      c = static_cast<std::uint8_t>(AsciiToUpper(static_cast<char>(c)));
    }
    h = (h ^ c) * 1099511628211ull;
  }
  return static_cast<std::size_t>(h);
}

std::string AsciiUpperBytes(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiToUpper(c);
  return out;
}

std::string AsciiLowerBytes(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiToLower(c);
  return out;
}

bool EqualsIgnoreAsciiCaseBytes(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiToLower(a[i]) != AsciiToLower(b[i])) return false;
  }
  return true;
}

bool EndsWithIgnoreAsciiCaseBytes(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && EqualsIgnoreAsciiCaseBytes(s.substr(s.size() - suffix.size()), suffix);
}

}  // namespace mavlet
