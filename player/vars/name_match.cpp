#include "player/vars/name_match.h"

#include <cstdint>

#include "player/common/sjis_text.h"

namespace mavlet {
namespace {

constexpr unsigned char Fold(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

}  // namespace

bool EqualsFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const std::size_t n = a.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (IsLeadByte(ca)) {
      // Lead bytes are never letters: equal lead bytes, then the trail byte exactly.
      if (ca != cb) return false;
      if (++i < n && a[i] != b[i]) return false;
      continue;
    }
    if (Fold(ca) != Fold(cb)) return false;
  }
  return true;
}

bool NamesMatch(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (!a.empty() && a[0] != b[0]) return false;
  return EqualsFolded(a, b);
}

std::size_t FoldedHash(std::string_view s) {
  // FNV-1a over the folded bytes.
  std::uint64_t h = 14695981039346656037ull;
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n; ++i) {
    auto c = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(c)) {
      h = (h ^ c) * 1099511628211ull;
      if (++i >= n) break;
      c = static_cast<unsigned char>(s[i]);
    } else {
      c = Fold(c);
    }
    h = (h ^ c) * 1099511628211ull;
  }
  return static_cast<std::size_t>(h);
}

}  // namespace mavlet
