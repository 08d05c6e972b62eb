#include "player/vars/name_match.h"

namespace mavlet {

bool NamesMatch(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (!a.empty() && a[0] != b[0]) return false;
  return EqualsIgnoreAsciiCase(a, b);
}

}  // namespace mavlet
