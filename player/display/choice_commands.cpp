#include "player/display/choice_commands.h"

#include <cstddef>
#include <utility>

#include "player/common/int_convert.h"
#include "player/common/sjis_text.h"

namespace mavlet {

namespace {

// All parts of s between the delimiter bytes (never a trail byte); a trailing delimiter gives an
// empty last part. One pass, so long item and point lists stay linear in practice.
std::vector<std::string> SplitAll(std::string s, std::string_view delimiter) {
  std::vector<std::string> parts;
  for (;;) {
    const std::size_t before = s.size();
    std::string head = CutToken(s, delimiter);
    const bool found = head.size() < before;
    parts.push_back(std::move(head));
    if (!found) return parts;
  }
}

std::uint8_t LowByte(std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

}  // namespace

TJumpTarget TJumpTarget::FromText(std::string text) {
  TJumpTarget t;
  t.Page = StrToIntDef(CutToken(text, ":"), -1);
  t.Label = CutToken(text, ":");
  t.Com = StrToIntDef(CutToken(text, ":"), 0);
  if (t.Com < 0) t.Com = 0;
  return t;
}

// title, title size, title colour, X, Y, font size, text colour, frame width, frame colour,
// back style, back colour, highlight style, highlight colour, "rows:bold:...", then items as
// (text, target, call flag) triples up to the first empty text.
void TComSelStr::Parse(std::string_view args) {
  TCommand::Parse(args);
  args_.title = CsvField(args, 2);
  args_.title_size = CsvFieldInt(args, 3, 10);
  args_.title_color = CsvFieldInt(args, 4, 0);
  args_.x = CsvField(args, 5);
  args_.y = CsvField(args, 6);
  args_.font_size = CsvFieldInt(args, 7, 24);
  args_.text_color = CsvFieldInt(args, 8, 0xFFFFFF);
  args_.frame_width = CsvFieldInt(args, 9, 0);
  args_.frame_color = CsvFieldInt(args, 10, 0);
  args_.back_style = LowByte(CsvFieldInt(args, 11, 0));
  args_.back_color = CsvFieldInt(args, 12, 0);
  args_.highlight_style = LowByte(CsvFieldInt(args, 13, 0));
  args_.highlight_color = CsvFieldInt(args, 14, 0);

  std::string style = CsvField(args, 15);
  args_.rows = StrToIntDef(CutToken(style, ":"), 10);
  // Columns and scrolling divide by the row count.
  if (args_.rows < 1) args_.rows = 10;
  args_.bold = StrToIntDef(CutToken(style, ":"), 0);
  args_.title_bold = StrToIntDef(CutToken(style, ":"), 0);
  args_.list_mode = StrToIntDef(CutToken(style, ":"), 0);
  args_.top = CutToken(style, ":");
  args_.scroll_back_color = StrToIntDef(CutToken(style, ":"), 0);
  args_.thumb_color = StrToIntDef(CutToken(style, ":"), 0);
  args_.scroll_frame_width = StrToIntDef(CutToken(style, ":"), 0);
  args_.scroll_frame_color = StrToIntDef(CutToken(style, ":"), 0);
  args_.scroll_back_style = LowByte(StrToIntDef(CutToken(style, ":"), 0));

  args_.items.clear();
  std::vector<std::string> fields = SplitAll(std::string(args), ",");
  constexpr std::size_t kFirstItem = 16;
  for (std::size_t i = kFirstItem; i < fields.size() && !fields[i].empty(); i += 3) {
    TSelStrItem item;
    item.Text = std::move(fields[i]);
    if (i + 1 < fields.size()) item.Target = TJumpTarget::FromText(std::move(fields[i + 1]));
    if (i + 2 < fields.size()) item.Call = StrToIntDef(fields[i + 2], 0);
    args_.items.push_back(std::move(item));
  }
}

// "kind\decide&enter&leave\x1\y1\x2\y2..."; blanks around every part (and every action) are
// ignored. The point
// count is the number of coordinate parts plus one, halved: a lone last x gets y = 0.
TSelMapRegionDef TSelMapRegionDef::FromText(std::string text) {
  TSelMapRegionDef def;
  std::vector<std::string> parts = SplitAll(std::move(text), "\\");
  def.Kind = StrToIntDef(TrimWide(parts[0]), 0);
  if (parts.size() >= 2) {
    std::string actions = TrimWide(parts[1]);
    for (TJumpTarget& target : def.Actions) {
      if (actions.empty()) break;
      target = TJumpTarget::FromText(TrimWide(CutToken(actions, "&")));
    }
  }
  const std::size_t coords = parts.size() >= 2 ? parts.size() - 2 : 0;
  const std::size_t points = (coords + 1) / 2;
  def.Points.reserve(points);
  for (std::size_t p = 0; p < points; ++p) {
    const std::size_t xi = 2 + 2 * p;
    const std::size_t yi = xi + 1;
    TMapPoint pt;
    pt.X = StrToIntDef(TrimWide(parts[xi]), 0);
    if (yi < parts.size()) pt.Y = StrToIntDef(TrimWide(parts[yi]), 0);
    def.Points.push_back(pt);
  }
  return def;
}

// picture, then region definitions up to the first empty one.
void TComSelMap::Parse(std::string_view args) {
  TCommand::Parse(args);
  args_.picture = CsvField(args, 2);
  args_.regions.clear();
  std::vector<std::string> fields = SplitAll(std::string(args), ",");
  for (std::size_t i = 3; i < fields.size(); ++i) {
    std::string def = TrimWide(fields[i]);
    if (def.empty()) break;
    args_.regions.push_back(TSelMapRegionDef::FromText(std::move(def)));
  }
}

}  // namespace mavlet
