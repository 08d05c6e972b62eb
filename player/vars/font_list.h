#pragma once
// The list of fonts a scenario may choose ("@Fonts", SetFont).
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

// Face names with at least one double-byte character that do not begin with "@" (vertical
// fonts), sorted by name, duplicates removed.
std::vector<std::string> UsableFonts(const std::vector<std::string>& screen_fonts);
// UsableFonts, filtered by the comma-separated UseFonts setting when it names any font (exact
// match after trimming), joined by the two characters "\n". "ＭＳ ゴシック" when nothing is left.
std::string FontListText(const std::vector<std::string>& screen_fonts, std::string_view use_fonts);

}  // namespace mavlet
