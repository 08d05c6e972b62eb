#pragma once
// Name comparison of the variable store: ASCII letters compare without case, everything else
// exactly, and the second byte of a double-byte character is never folded (so two different
// kanji never compare equal just because a trail byte looks like a letter).
#include <cstddef>
#include <string_view>

namespace mavlet {

// Equal ignoring ASCII letter case, Shift-JIS aware.
bool EqualsFolded(std::string_view a, std::string_view b);
// Variable names: the first byte must be equal exactly, then EqualsFolded.
bool NamesMatch(std::string_view a, std::string_view b);
// A hash that agrees with EqualsFolded.
std::size_t FoldedHash(std::string_view s);

// Transparent hasher and equality for containers keyed by folded names.
struct FoldedNameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return FoldedHash(s); }
};
struct FoldedNameEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return EqualsFolded(a, b); }
};

}  // namespace mavlet
