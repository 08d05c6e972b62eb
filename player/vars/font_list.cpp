#include "player/vars/font_list.h"

#include <algorithm>

#include "player/common/sjis_text.h"

namespace mavlet {
namespace {

bool HasDoubleByte(std::string_view s) {
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(s[i]))) return true;
  }
  return false;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
  return s;
}

}  // namespace

std::vector<std::string> UsableFonts(const std::vector<std::string>& screen_fonts) {
  std::vector<std::string> result;
  for (const auto& name : screen_fonts) {
    if (name.empty() || name[0] == '@' || !HasDoubleByte(name)) continue;
    result.push_back(name);
  }
  std::sort(result.begin(), result.end());
  result.erase(std::unique(result.begin(), result.end()), result.end());
  return result;
}

std::string FontListText(const std::vector<std::string>& screen_fonts, std::string_view use_fonts) {
  std::vector<std::string> fonts = UsableFonts(screen_fonts);
  std::vector<std::string_view> wanted;
  std::string_view rest = use_fonts;
  while (!rest.empty()) {
    const auto comma = rest.find(',');
    const std::string_view entry = TrimBlanks(rest.substr(0, comma));
    if (!entry.empty()) wanted.push_back(entry);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  if (!wanted.empty()) {
    std::erase_if(fonts, [&](const std::string& f) {
      return std::find(wanted.begin(), wanted.end(), f) == wanted.end();
    });
  }
  if (fonts.empty()) return kDefaultFontName;
  std::string text;
  for (const auto& f : fonts) {
    if (!text.empty()) text += "\\n";
    text += f;
  }
  return text;
}

}  // namespace mavlet
