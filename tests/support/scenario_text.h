#pragma once
// Pieces of scenario text that tests put in front of the lines they check.
#include <string>

namespace mavlet::testing {

// n comment lines: moves the following commands n indexes on.
inline std::string Comments(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "Comment\n";
  return s;
}

}  // namespace mavlet::testing
