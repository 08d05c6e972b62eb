#pragma once
// Name comparison of the variable store: ASCII letters compare without case, everything else
// exactly, and the second byte of a double-byte character is never folded (the rule of
// player/common/ascii_case.h).
#include <cstddef>
#include <string_view>

#include "player/common/ascii_case.h"

namespace mavlet {

// Variable names: the first byte must be equal exactly, then EqualsIgnoreAsciiCase.
bool NamesMatch(std::string_view a, std::string_view b);

// Transparent hasher and equality for containers keyed by folded names.
struct FoldedNameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return HashIgnoreAsciiCase(s); }
};
struct FoldedNameEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return EqualsIgnoreAsciiCase(a, b); }
};

}  // namespace mavlet
