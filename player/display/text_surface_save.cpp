// The text window in a save slot (keys Sfc9X, Sfc9Text ...): its place, font, grid, visibility,
// text and alignment. A saved text with a bad argument keeps what parsed before it; sizes read
// back are clamped as the setters clamp them.
#include "player/display/text_surface.h"

#include <algorithm>

#include "player/common/error.h"
#include "player/storage/game_status.h"

namespace mavlet {

namespace {

constexpr const char* kPrefix = "Sfc9";

}  // namespace

void TTextSurface::SaveToStatus(TGameStatus& status) {
  const std::string p = kPrefix;
  status.WriteInteger(p + "X", X());
  status.WriteInteger(p + "Y", Y());
  status.WriteInteger(p + "Font", font_size_);
  status.WriteBool(p + "FontB", bold_);
  status.WriteInteger(p + "FontS", row_gap_);
  status.WriteInteger(p + "Col", cols_);
  status.WriteInteger(p + "Row", rows_);
  status.WriteBool(p + "V", Visible());
  status.WriteString(p + "Text", GetText());
  status.WriteInteger(p + "Align", align_);
}

void TTextSurface::LoadFromStatus(TGameStatus& status) {
  const std::string p = kPrefix;
  SetX(status.ReadInteger(p + "X", X()));
  SetY(status.ReadInteger(p + "Y", Y()));
  font_size_ = std::clamp(status.ReadInteger(p + "Font", font_size_), 0, kMaxFontSize);
  bold_ = status.ReadBool(p + "FontB", bold_);
  row_gap_ = std::clamp(status.ReadInteger(p + "FontS", row_gap_), -kMaxFontSize, kMaxRowGap);
  SetCols(status.ReadInteger(p + "Col", cols_));
  SetRows(status.ReadInteger(p + "Row", rows_));
  {
    // A saved text with a bad argument keeps what parsed before it: the rest of the slot loads.
    std::vector<TCustomPmText> tokens;
    try {
      ParseMarkup(tokens, status.ReadString(p + "Text", GetText()));
    } catch (const MavError&) {}
    PlaceText(tokens);
  }
  align_ = static_cast<std::uint8_t>(std::clamp(status.ReadInteger(p + "Align", 0), 0, 2));
  SetVisible(status.ReadBool(p + "V", Visible()));
}

}  // namespace mavlet
