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

  struct Args {
    std::string text;  // the markup as written (it cannot hold a single-byte comma)
    bool operator==(const Args&) const = default;
  };
  const Args& args() const { return args_; }
  const std::string& Text() const { return args_.text; }
  std::int32_t TokenIndex() const { return token_index_; }
  std::int32_t StopPos() const { return stop_pos_; }
  std::int32_t StartPos() const { return start_pos_; }
  bool Waiting() const { return waiting_; }
  const std::vector<TCustomPmText>& Tokens() const { return tokens_; }

 private:
  // False when typing must stop (window full or an inline call).
  bool TypeStep(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos, Rect& dirty);

  Args args_;
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

  struct Args {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t font_size = 24;
    std::int32_t cols = 5;
    std::int32_t rows = 5;
    std::int32_t row_gap = 0;
    bool bold = false;
    bool operator==(const Args&) const = default;
  };
  const Args& args() const { return args_; }

 private:
  Args args_;
};

// TextSpd: logic steps per character (0 = a whole page at once); a number expression.
class TComTextSpd : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComTextSpd"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  struct Args {
    std::string speed;  // number expression
    bool operator==(const Args&) const = default;
  };
  const Args& args() const { return args_; }

 private:
  Args args_;
};

// TextCol: default text colour of the next PutText. TextSCol derives from it and sets the
// shadow colour instead; later code tells them apart by class.
class TComTextCol : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComTextCol"; }
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  struct Args {
    std::int32_t color = 0;
    bool operator==(const Args&) const = default;
  };
  const Args& args() const { return args_; }
  // False for TextCol, true for TextSCol.
  virtual bool SetsShadow() const { return false; }

 private:
  Args args_;
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

  struct Args {
    std::string font;  // text expression
    bool operator==(const Args&) const = default;
  };
  const Args& args() const { return args_; }

 private:
  Args args_;
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

  struct Args {
    std::string var_name;  // as written
    std::int32_t height = 16;
    std::int32_t width = 100;
    std::int32_t max_length = 0;  // characters; 0 or less: no limit
    std::string x;                // position expressions; empty leaves the coordinate at 0
    std::string y;
    std::int32_t text_color = 0;
    std::int32_t back_color = 0xFFFFFF;
    bool operator==(const Args&) const = default;
  };
  const Args& args() const { return args_; }

 private:
  Args args_;
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

  struct Args {
    std::string index;  // number expression
    bool operator==(const Args&) const = default;
  };
  const Args& args() const { return args_; }

 private:
  Args args_;
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
