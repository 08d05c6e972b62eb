#include "player/display/commands/choice_commands.h"

#include <cstddef>
#include <utility>

#include "player/common/int_convert.h"
#include "player/common/sjis_text.h"
#include "player/display/choice_definition.h"

namespace mavlet {

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
  args_.rows = ParseIntOr(CutToken(style, ":"), 10);
  // Columns and scrolling divide by the row count.
  if (args_.rows < 1) args_.rows = 10;
  args_.bold = ParseIntOr(CutToken(style, ":"), 0);
  args_.title_bold = ParseIntOr(CutToken(style, ":"), 0);
  args_.list_mode = ParseIntOr(CutToken(style, ":"), 0);
  args_.top = CutToken(style, ":");
  args_.scroll_back_color = ParseIntOr(CutToken(style, ":"), 0);
  args_.thumb_color = ParseIntOr(CutToken(style, ":"), 0);
  args_.scroll_frame_width = ParseIntOr(CutToken(style, ":"), 0);
  args_.scroll_frame_color = ParseIntOr(CutToken(style, ":"), 0);
  args_.scroll_back_style = LowByte(ParseIntOr(CutToken(style, ":"), 0));

  args_.items.clear();
  std::vector<std::string> fields = SplitAll(std::string(args), ",");
  constexpr std::size_t kFirstItem = 16;
  for (std::size_t i = kFirstItem; i < fields.size() && !fields[i].empty(); i += 3) {
    TSelStrItem item;
    item.Text = std::move(fields[i]);
    if (i + 1 < fields.size()) item.Target = JumpTarget::FromText(std::move(fields[i + 1]));
    if (i + 2 < fields.size()) item.Call = ParseIntOr(fields[i + 2], 0);
    args_.items.push_back(std::move(item));
  }
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
    args_.regions.push_back(SelMapRegionDef::FromText(std::move(def)));
  }
}

}  // namespace mavlet
