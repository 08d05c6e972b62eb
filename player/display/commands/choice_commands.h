#pragma once
// Scenario commands that let the player choose: SelStr (a window of text items on layer 10) and
// SelMap (clickable regions over a picture on layer 11). Parse cuts the item and region lists
// once into plain Args structs; variables in item texts and positions are evaluated when the
// choice opens (Prepare, also after loading a game saved while the choice was open). Both wait,
// step by step, for the player: mouse, wheel, keys and pad move, decide chooses, cancel goes on
// with the next command. Call-flag items and map actions run their scenario on a temporary
// stream of kind 7 through the engine's bounded run-to-end helper, so a sub-scenario that never
// ends cannot freeze us.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "player/display/choice_definition.h"
#include "player/engine/keyword_command.h"

namespace mavlet {

struct TSelStrItem {
  // As written; one starting with "@" names a string variable whose text may hold several
  // items separated by "\n".
  std::string Text;
  JumpTarget Target;
  // Non-zero: run the target as a sub-scenario and keep the choice open.
  std::int32_t Call = 0;
  bool operator==(const TSelStrItem&) const = default;
};

class TComSelStr : public TKeywordCommand<KeywordIndex("SelStr")> {
 public:
  // Scroll bar interaction.
  enum ScrollState : std::uint8_t { kIdle = 0, kDragging = 1, kPageUp = 2, kPageDown = 3, kLineUp = 4, kLineDown = 5 };
  static constexpr std::uint32_t kFirstRepeatMs = 300;
  static constexpr std::uint32_t kRepeatMs = 100;
  // Rows a wheel notch scrolls a list.
  static constexpr std::int32_t kWheelRows = 3;

  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  void Prepare(GameServices& sys, TBookManager& book) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  std::uint8_t Scroll() const { return scroll_state_; }
  bool FirstStep() const { return first_step_; }

  struct Args {
    std::string title;  // text expression
    std::int32_t title_size = 10;
    std::int32_t title_color = 0;
    std::string x;  // number expressions; empty gives 0
    std::string y;
    std::int32_t font_size = 24;
    std::int32_t text_color = 0xFFFFFF;
    std::int32_t frame_width = 0;
    std::int32_t frame_color = 0;
    std::uint8_t back_style = 0;
    std::int32_t back_color = 0;
    std::uint8_t highlight_style = 0;
    std::int32_t highlight_color = 0;
    std::int32_t rows = 10;  // always at least 1: the layout divides by it
    std::int32_t bold = 0;
    std::int32_t title_bold = 0;
    std::int32_t list_mode = 0;
    std::string top;  // number expression for the first visible list item
    std::int32_t scroll_back_color = 0;
    std::int32_t thumb_color = 0;
    std::int32_t scroll_frame_width = 0;
    std::int32_t scroll_frame_color = 0;
    std::uint8_t scroll_back_style = 0;
    std::vector<TSelStrItem> items;
    bool operator==(const Args&) const = default;
  };
  const Args& args() const { return args_; }

 private:
  Args args_;

  // Interaction state.
  bool first_step_ = true;
  std::int32_t last_mouse_x_ = -1;
  std::int32_t last_mouse_y_ = -1;
  std::uint8_t scroll_state_ = kIdle;
  std::int32_t drag_offset_ = 0;
  std::uint32_t repeat_start_ = 0;
  std::uint32_t repeat_delay_ = 0;
};

class TComSelMap : public TKeywordCommand<KeywordIndex("SelMap")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  void Prepare(GameServices& sys, TBookManager& book) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  struct Args {
    std::string picture;  // highlight picture, shown inside the region under the mouse
    std::vector<SelMapRegionDef> regions;
    bool operator==(const Args&) const = default;
  };
  const Args& args() const { return args_; }

 private:
  Args args_;
  bool first_step_ = true;
};

}  // namespace mavlet
