// The text window's text as markup: written back with alignment, colour and shadow codes so that
// parsing it lays the same window out again, and set from markup (a bad integer argument is
// refused with the text named, and the window stays as it was).
#include "player/display/text_surface.h"

#include <cstdio>

#include "player/common/encoding.h"
#include "player/common/error.h"

namespace mavlet {

std::string TTextSurface::GetText() const {
  std::string out;
  std::int32_t last_colour = -1, last_shadow = -1;
  // A full window (the cursor on the row past the last) gives every row as a finished one.
  const bool full = cur_row_ >= rows_;
  const std::int32_t last_row = full ? rows_ - 1 : cur_row_;
  char buf[32];
  for (std::int32_t r = 0; r <= last_row; ++r) {
    const auto& line = lines_[static_cast<std::size_t>(r)];
    if (r == 0 || line.Align != lines_[static_cast<std::size_t>(r - 1)].Align)
      out += line.Align == 1 ? "\\m" : line.Align == 2 ? "\\r" : "\\l";
    const bool current = r == cur_row_;
    if (current && (line.Align == 1 || line.Align == 2)) {
      std::snprintf(buf, sizeof buf, "\\a(%d)", line.Length);
      out += buf;
    }
    const std::int32_t end = current ? std::min(cur_col_, cols_) : cols_;
    for (std::int32_t c = 0; c < end; ++c) {
      const auto& t = line.Tokens[static_cast<std::size_t>(c)];
      if (t.Code == 0) break;
      if (t.Color != last_colour) {
        std::snprintf(buf, sizeof buf, "\\c(%.6x)", static_cast<unsigned>(t.Color));
        out += buf;
      }
      if (t.ShadowColor != last_shadow) {
        std::snprintf(buf, sizeof buf, "\\s(%.6x)", static_cast<unsigned>(t.ShadowColor));
        out += buf;
      }
      last_colour = t.Color;
      last_shadow = t.ShadowColor;
      // A backslash character must come back as one.
      out += t.Code == '\\' ? std::string("\\\\") : TokenText(t.Code);
    }
    if (!current) out += "\\n";
  }
  return out;
}

void TTextSurface::SetText(std::string_view markup) {
  std::vector<TCustomPmText> tokens;
  try {
    ParseMarkup(tokens, markup);
  } catch (const MavError& e) {
    // A scenario's text with a bad argument is refused as PutText refuses it: the window stays.
    throw MavError("\"" + SjisToUtf8(markup) + "\": " + e.what());
  }
  PlaceText(tokens);
}

}  // namespace mavlet
