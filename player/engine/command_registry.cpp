#include "player/engine/command_registry.h"

#include "player/common/ascii_case.h"
#include "player/common/sjis_text.h"

namespace mavlet {

std::optional<int> FindKeyword(std::string_view word) {
  // Cheap length and first-letter test before the case-insensitive comparison.
  if (word.empty() || word.size() > 12) return std::nullopt;
  const char first = static_cast<char>(word[0] | 0x20);
  for (int i = 0; i < kKeywordCount; ++i) {
    std::string_view k = kKeywordTable[static_cast<std::size_t>(i)].keyword;
    if (k.size() != word.size() || static_cast<char>(k[0] | 0x20) != first) continue;
    if (EqualsIgnoreAsciiCase(k, word)) return i;
  }
  return std::nullopt;
}

}  // namespace mavlet
