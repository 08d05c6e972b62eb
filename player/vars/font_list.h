#pragma once
// The list of fonts a scenario may choose ("@Fonts", SetFont).
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

// The text font of a new game, and the font list's fallback: "ＭＳ ゴシック" in Shift-JIS.
inline constexpr const char* kDefaultFontName = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";

// Face names with at least one double-byte character that do not begin with "@" (vertical
// fonts), sorted by name, duplicates removed.
std::vector<std::string> UsableFonts(const std::vector<std::string>& screen_fonts);
// UsableFonts, filtered by the comma-separated UseFonts setting when it names any font (exact
// match after trimming), joined by the two characters "\n". "ＭＳ ゴシック" when nothing is left.
std::string FontListText(const std::vector<std::string>& screen_fonts, std::string_view use_fonts);

}  // namespace mavlet
