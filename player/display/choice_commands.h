#pragma once
// Scenario commands that let the player choose: SelStr (a window of text items on layer 10) and
// SelMap (clickable regions over a picture on layer 11). Parse cuts the item and region lists
// once; variables in item texts and positions are evaluated when the choice opens (Prepare, also
// after loading a game saved while the choice was open). Both wait, step by step, for the
// player: mouse, wheel, keys and pad move, decide chooses, cancel goes on with the next command.
// Call-flag items and map actions run their scenario on a temporary stream of kind 7 through
// the engine's bounded run-to-end helper, so a sub-scenario that never ends cannot freeze us.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "player/engine/command.h"

namespace mavlet {

// "page:label:com". The label is kept for the author only; a missing page is -1 (none) and a
// negative command index counts as 0.
struct TJumpTarget {
  std::int32_t Page = -1;
  std::string Label;
  std::int32_t Com = 0;

  static TJumpTarget FromText(std::string text);
  bool operator==(const TJumpTarget&) const = default;
};

struct TSelStrItem {
  // As written; one starting with "@" names a string variable whose text may hold several
  // items separated by "\n".
  std::string Text;
  TJumpTarget Target;
  // Non-zero: run the target as a sub-scenario and keep the choice open.
  std::int32_t Call = 0;
};

class TComSelStr : public TCommand {
 public:
  // Scroll bar interaction.
  enum ScrollState : std::uint8_t { kIdle = 0, kDragging = 1, kPageUp = 2, kPageDown = 3, kLineUp = 4, kLineDown = 5 };
  static constexpr std::uint32_t kFirstRepeatMs = 300;
  static constexpr std::uint32_t kRepeatMs = 100;
  // Rows a wheel notch scrolls a list.
  static constexpr std::int32_t kWheelRows = 3;

  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComSelStr"; }
  void Prepare(GameServices& sys, TBookManager& book) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  std::uint8_t Scroll() const { return scroll_state_; }
  bool FirstStep() const { return first_step_; }

  // Text expression.
  const std::string& TitleExpr() const { return title_; }
  std::int32_t TitleSize() const { return title_size_; }
  std::int32_t TitleColor() const { return title_color_; }
  // Number expressions; empty gives 0.
  const std::string& XExpr() const { return x_; }
  const std::string& YExpr() const { return y_; }
  std::int32_t FontSize() const { return font_size_; }
  std::int32_t TextColor() const { return text_color_; }
  std::int32_t FrameWidth() const { return frame_width_; }
  std::int32_t FrameColor() const { return frame_color_; }
  std::uint8_t BackStyle() const { return back_style_; }
  std::int32_t BackColor() const { return back_color_; }
  std::uint8_t HighlightStyle() const { return highlight_style_; }
  std::int32_t HighlightColor() const { return highlight_color_; }
  // Always at least 1: the layout divides by it.
  std::int32_t Rows() const { return rows_; }
  std::int32_t Bold() const { return bold_; }
  std::int32_t TitleBold() const { return title_bold_; }
  std::int32_t ListMode() const { return list_mode_; }
  // Number expression for the first visible list item.
  const std::string& TopExpr() const { return top_; }
  std::int32_t ScrollBackColor() const { return scroll_back_color_; }
  std::int32_t ThumbColor() const { return thumb_color_; }
  std::int32_t ScrollFrameWidth() const { return scroll_frame_width_; }
  std::int32_t ScrollFrameColor() const { return scroll_frame_color_; }
  std::uint8_t ScrollBackStyle() const { return scroll_back_style_; }
  const std::vector<TSelStrItem>& Items() const { return items_; }

 private:
  std::string title_;
  std::int32_t title_size_ = 10;
  std::int32_t title_color_ = 0;
  std::string x_;
  std::string y_;
  std::int32_t font_size_ = 24;
  std::int32_t text_color_ = 0xFFFFFF;
  std::int32_t frame_width_ = 0;
  std::int32_t frame_color_ = 0;
  std::uint8_t back_style_ = 0;
  std::int32_t back_color_ = 0;
  std::uint8_t highlight_style_ = 0;
  std::int32_t highlight_color_ = 0;
  std::int32_t rows_ = 10;
  std::int32_t bold_ = 0;
  std::int32_t title_bold_ = 0;
  std::int32_t list_mode_ = 0;
  std::string top_;
  std::int32_t scroll_back_color_ = 0;
  std::int32_t thumb_color_ = 0;
  std::int32_t scroll_frame_width_ = 0;
  std::int32_t scroll_frame_color_ = 0;
  std::uint8_t scroll_back_style_ = 0;
  std::vector<TSelStrItem> items_;

  // Interaction state.
  bool first_step_ = true;
  std::int32_t last_mouse_x_ = -1;
  std::int32_t last_mouse_y_ = -1;
  std::uint8_t scroll_state_ = kIdle;
  std::int32_t drag_offset_ = 0;
  std::uint32_t repeat_start_ = 0;
  std::uint32_t repeat_delay_ = 0;
};

struct TMapPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  bool operator==(const TMapPoint&) const = default;
};

// One region of a map choice, in game-area pixels: "kind\actions\x1\y1\x2\y2...".
struct TSelMapRegionDef {
  enum Action { kDecide = 0, kEnter = 1, kLeave = 2 };
  // 0 rectangle, 1 ellipse (both from the first two points as opposite corners), anything
  // else a winding-rule polygon over all points. Too few points give an empty region.
  std::int32_t Kind = 0;
  std::array<TJumpTarget, 3> Actions;
  std::vector<TMapPoint> Points;

  static TSelMapRegionDef FromText(std::string text);
};

class TComSelMap : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComSelMap"; }
  void Prepare(GameServices& sys, TBookManager& book) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  // Highlight picture, shown inside the region under the mouse.
  const std::string& Picture() const { return picture_; }
  const std::vector<TSelMapRegionDef>& Regions() const { return regions_; }

 private:
  std::string picture_;
  std::vector<TSelMapRegionDef> regions_;
  bool first_step_ = true;
};

}  // namespace mavlet
