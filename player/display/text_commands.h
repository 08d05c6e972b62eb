#pragma once
// Scenario commands of the text window: typing a markup text, clearing, placing and sizing the
// window, default speed and colours, the font, a line of text input, and the text history.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/display/text_markup.h"
#include "player/backend/graphics/rect.h"
#include "player/engine/command.h"

namespace mavlet {

// PutText: types a markup text into the text window at the scenario's speed, running the
// handler streams on text start (6), while typing (2), when the window is full (3) and at the
// end (4); an inline call "\i(n)" calls scenario n and typing resumes after it on return. Its
// typing position is saved with a game.
class TComInsText : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComInsText"; }
  void Prepare(GameServices& sys, TBookManager& book) override;
  void Enter(TCallManager& mgr, GameServices& sys, TBookManager& book, std::string_view resume) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  void SaveState(TCallManager& mgr, TBookManager& book, GameServices& sys, TGameStatus& status) override;
  void LoadState(TCallManager& mgr, TBookManager& book, GameServices& sys, TGameStatus& status) override;

  // The markup text as written (it cannot hold a single-byte comma).
  const std::string& Text() const { return text_; }
  std::int32_t TokenIndex() const { return token_index_; }
  std::int32_t StopPos() const { return stop_pos_; }
  std::int32_t StartPos() const { return start_pos_; }
  bool Waiting() const { return waiting_; }
  const std::vector<TCustomPmText>& Tokens() const { return tokens_; }

 private:
  // False when typing must stop (window full or an inline call).
  bool TypeStep(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos, Rect& dirty);

  std::string text_;
  std::int32_t token_index_ = 0;
  std::int32_t stop_pos_ = 1;
  std::int32_t start_pos_ = 1;
  std::int32_t cur_color_ = 0;
  std::int32_t cur_shadow_ = 0;
  std::int32_t wait_ticks_ = 0;
  bool waiting_ = false;
  std::vector<TCustomPmText> tokens_;
};

// ClrText: empties the text window. No fields of its own.
class TComClrText : public TCommand {
 public:
  using TCommand::TCommand;
  const char* ClassName() const override { return "TComClrText"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

// TextPos: places and sizes the text window (which empties it).
class TComTextPos : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComTextPos"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  std::int32_t X() const { return x_; }
  std::int32_t Y() const { return y_; }
  std::int32_t FontSize() const { return font_size_; }
  std::int32_t Cols() const { return cols_; }
  std::int32_t Rows() const { return rows_; }
  std::int32_t RowGap() const { return row_gap_; }
  bool Bold() const { return bold_; }

 private:
  std::int32_t x_ = 0;
  std::int32_t y_ = 0;
  std::int32_t font_size_ = 24;
  std::int32_t cols_ = 5;
  std::int32_t rows_ = 5;
  std::int32_t row_gap_ = 0;
  bool bold_ = false;
};

// TextSpd: logic steps per character (0 = a whole page at once); a number expression.
class TComTextSpd : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComTextSpd"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  const std::string& SpeedExpr() const { return speed_; }

 private:
  std::string speed_;
};

// TextCol: default text colour of the next PutText. TextSCol derives from it and sets the
// shadow colour instead; later code tells them apart by class.
class TComTextCol : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComTextCol"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  std::int32_t Color() const { return color_; }
  // False for TextCol, true for TextSCol.
  virtual bool SetsShadow() const { return false; }

 private:
  std::int32_t color_ = 0;
};

class TComTextSCol : public TComTextCol {
 public:
  using TComTextCol::TComTextCol;
  const char* ClassName() const override { return "TComTextSCol"; }
  bool SetsShadow() const override { return true; }
};

// SetFont: text font name, a text expression.
class TComSetFont : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComSetFont"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  const std::string& FontExpr() const { return font_; }

 private:
  std::string font_;
};

// Input: asks for one line of full-width text into a string variable. The entry line (text
// window) shows from the first step; it waits for Return, which stores the text in the variable
// when that exists, or Escape, which leaves the variable as it was.
class TComInput : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComInput"; }
  void Prepare(GameServices& sys, TBookManager& book) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  const std::string& VarName() const { return var_name_; }
  std::int32_t Height() const { return height_; }
  std::int32_t Width() const { return width_; }
  // Characters; 0 or less = no limit.
  std::int32_t MaxLength() const { return max_length_; }
  // Position expressions; empty leaves the coordinate unset.
  const std::string& XExpr() const { return x_; }
  const std::string& YExpr() const { return y_; }
  std::int32_t TextColor() const { return text_color_; }
  std::int32_t BackColor() const { return back_color_; }

 private:
  std::string var_name_;
  std::int32_t height_ = 16;
  std::int32_t width_ = 100;
  std::int32_t max_length_ = 0;
  std::string x_;
  std::string y_;
  std::int32_t text_color_ = 0;
  std::int32_t back_color_ = 0xFFFFFF;
  bool open_ = false;  // the entry line is shown
};

// HistoryCall: shows history entry k again. No flags; field 0 is the index, field 1 the
// condition.
class TComHistoryCall : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComHistoryCall"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  const std::string& IndexExpr() const { return index_; }

 private:
  std::string index_;
};

// HistoryAdd: records the current text start. No flags; field 0 is the condition.
class TComHistoryAdd : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComHistoryAdd"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

// HistoryClear: empties the history. No flags; field 0 is the condition.
class TComHistoryClear : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComHistoryClear"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

}  // namespace mavlet
