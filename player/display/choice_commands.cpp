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
  title_ = CsvField(args, 2);
  title_size_ = CsvFieldInt(args, 3, 10);
  title_color_ = CsvFieldInt(args, 4, 0);
  x_ = CsvField(args, 5);
  y_ = CsvField(args, 6);
  font_size_ = CsvFieldInt(args, 7, 24);
  text_color_ = CsvFieldInt(args, 8, 0xFFFFFF);
  frame_width_ = CsvFieldInt(args, 9, 0);
  frame_color_ = CsvFieldInt(args, 10, 0);
  back_style_ = LowByte(CsvFieldInt(args, 11, 0));
  back_color_ = CsvFieldInt(args, 12, 0);
  highlight_style_ = LowByte(CsvFieldInt(args, 13, 0));
  highlight_color_ = CsvFieldInt(args, 14, 0);

  std::string style = CsvField(args, 15);
  rows_ = StrToIntDef(CutToken(style, ":"), 10);
  // Columns and scrolling divide by the row count.
  if (rows_ < 1) rows_ = 10;
  bold_ = StrToIntDef(CutToken(style, ":"), 0);
  title_bold_ = StrToIntDef(CutToken(style, ":"), 0);
  list_mode_ = StrToIntDef(CutToken(style, ":"), 0);
  top_ = CutToken(style, ":");
  scroll_back_color_ = StrToIntDef(CutToken(style, ":"), 0);
  thumb_color_ = StrToIntDef(CutToken(style, ":"), 0);
  scroll_frame_width_ = StrToIntDef(CutToken(style, ":"), 0);
  scroll_frame_color_ = StrToIntDef(CutToken(style, ":"), 0);
  scroll_back_style_ = LowByte(StrToIntDef(CutToken(style, ":"), 0));

  items_.clear();
  std::vector<std::string> fields = SplitAll(std::string(args), ",");
  constexpr std::size_t kFirstItem = 16;
  for (std::size_t i = kFirstItem; i < fields.size() && !fields[i].empty(); i += 3) {
    TSelStrItem item;
    item.Text = std::move(fields[i]);
    if (i + 1 < fields.size()) item.Target = TJumpTarget::FromText(std::move(fields[i + 1]));
    if (i + 2 < fields.size()) item.Call = StrToIntDef(fields[i + 2], 0);
    items_.push_back(std::move(item));
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
  picture_ = CsvField(args, 2);
  regions_.clear();
  std::vector<std::string> fields = SplitAll(std::string(args), ",");
  for (std::size_t i = 3; i < fields.size(); ++i) {
    std::string def = TrimWide(fields[i]);
    if (def.empty()) break;
    regions_.push_back(TSelMapRegionDef::FromText(std::move(def)));
  }
}

}  // namespace mavlet
