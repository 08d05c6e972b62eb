#pragma once
// Scenario commands of the text window: typing a markup text, clearing, placing and sizing the
// window, default speed and colours, the font, a line of text input, and the text history.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/graphics/rect.h"
#include "player/display/text_markup.h"
#include "player/engine/keyword_command.h"

namespace mavlet {

struct PutTextArgs {
  std::string text;  // the markup as written (it cannot hold a single-byte comma)
  bool operator==(const PutTextArgs&) const = default;
};

// PutText: types a markup text into the text window at the scenario's speed, running the
// handler streams on text start (6), while typing (2), when the window is full (3) and at the
// end (4); an inline call "\i(n)" calls scenario n and typing resumes after it on return. Its
// typing position is saved with a game.
class TComInsText : public TArgsCommand<KeywordIndex("PutText"), PutTextArgs, &PutTextArgs::text> {
 public:
  using TArgsCommand::TArgsCommand;
  void Prepare(GameServices& sys, TBookManager& book) override;
  void Enter(TCallManager& mgr, GameServices& sys, TBookManager& book, std::string_view resume) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
  void SaveState(TCallManager& mgr, TBookManager& book, GameServices& sys, TGameStatus& status) override;
  void LoadState(TCallManager& mgr, TBookManager& book, GameServices& sys, TGameStatus& status) override;

  const std::string& Text() const { return args_.text; }
  std::int32_t TokenIndex() const { return token_index_; }
  std::int32_t StopPos() const { return stop_pos_; }
  std::int32_t StartPos() const { return start_pos_; }
  bool Waiting() const { return waiting_; }
  const std::vector<TCustomPmText>& Tokens() const { return tokens_; }

 private:
  // False when typing must stop (window full or an inline call).
  bool TypeStep(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos, Rect& dirty);

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
class TComClrText : public TKeywordCommand<KeywordIndex("ClrText")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct TextPosArgs {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t font_size = 24;
  std::int32_t cols = 5;
  std::int32_t rows = 5;
  std::int32_t row_gap = 0;
  bool bold = false;
  bool operator==(const TextPosArgs&) const = default;
};

// TextPos: places and sizes the text window (which empties it).
class TComTextPos : public TArgsCommand<KeywordIndex("TextPos"), TextPosArgs, &TextPosArgs::x, &TextPosArgs::y,
                                        &TextPosArgs::font_size, &TextPosArgs::cols, &TextPosArgs::rows,
                                        &TextPosArgs::row_gap, &TextPosArgs::bold> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct TextSpdArgs {
  std::string speed;  // number expression
  bool operator==(const TextSpdArgs&) const = default;
};

// TextSpd: logic steps per character (0 = a whole page at once); a number expression.
class TComTextSpd : public TArgsCommand<KeywordIndex("TextSpd"), TextSpdArgs, &TextSpdArgs::speed> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct TextColArgs {
  std::int32_t color = 0;
  bool operator==(const TextColArgs&) const = default;
};

// TextCol: default text colour of the next PutText. TextSCol derives from it and sets the
// shadow colour instead; later code tells them apart by class.
class TComTextCol : public TArgsCommand<KeywordIndex("TextCol"), TextColArgs, &TextColArgs::color> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  // False for TextCol, true for TextSCol.
  virtual bool SetsShadow() const { return false; }
};

class TComTextSCol : public TKeywordCommand<KeywordIndex("TextSCol"), TComTextCol> {
 public:
  using TKeywordCommand::TKeywordCommand;
  bool SetsShadow() const override { return true; }
};

struct SetFontArgs {
  std::string font;  // text expression
  bool operator==(const SetFontArgs&) const = default;
};

// SetFont: text font name, a text expression.
class TComSetFont : public TArgsCommand<KeywordIndex("SetFont"), SetFontArgs, &SetFontArgs::font> {
 public:
  using TArgsCommand::TArgsCommand;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

struct InputArgs {
  std::string var_name;  // as written
  std::int32_t height = 16;
  std::int32_t width = 100;
  std::int32_t max_length = 0;  // characters; 0 or less: no limit
  std::string x;                // position expressions; empty leaves the coordinate at 0
  std::string y;
  std::int32_t text_color = 0;
  std::int32_t back_color = 0xFFFFFF;
  bool operator==(const InputArgs&) const = default;
};

// Input: asks for one line of full-width text into a string variable. The entry line (text
// window) shows from the first step; it waits for Return, which stores the text in the variable
// when that exists, or Escape, which leaves the variable as it was.
class TComInput : public TArgsCommand<KeywordIndex("Input"), InputArgs, &InputArgs::var_name, &InputArgs::height,
                                      &InputArgs::width, &InputArgs::max_length, &InputArgs::x, &InputArgs::y,
                                      &InputArgs::text_color, &InputArgs::back_color> {
 public:
  using TArgsCommand::TArgsCommand;
  void Prepare(GameServices& sys, TBookManager& book) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

 private:
  bool open_ = false;  // the entry line is shown
};

// HistoryCall: shows history entry k again. No flags; field 0 is the index, field 1 the
// condition.
class TComHistoryCall : public TKeywordCommand<KeywordIndex("HistoryCall")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  struct Args {
    std::string index;  // number expression
    bool operator==(const Args&) const = default;
  };
  const Args& args() const { return args_; }

 private:
  Args args_;
};

// HistoryAdd: records the current text start. No flags; field 0 is the condition.
class TComHistoryAdd : public TKeywordCommand<KeywordIndex("HistoryAdd")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

// HistoryClear: empties the history. No flags; field 0 is the condition.
class TComHistoryClear : public TKeywordCommand<KeywordIndex("HistoryClear")> {
 public:
  using TKeywordCommand::TKeywordCommand;
  void Parse(std::string_view args) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;
};

}  // namespace mavlet
