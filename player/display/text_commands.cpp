#include "player/display/text_commands.h"

#include "player/common/sjis_text.h"

namespace mavlet {

void TComInsText::Parse(std::string_view args) {
  TCommand::Parse(args);
  text_ = CsvField(args, 2);
}

// X, Y, font size, columns, rows, row gap, bold
void TComTextPos::Parse(std::string_view args) {
  TCommand::Parse(args);
  x_ = CsvFieldInt(args, 2, 0);
  y_ = CsvFieldInt(args, 3, 0);
  font_size_ = CsvFieldInt(args, 4, 24);
  cols_ = CsvFieldInt(args, 5, 5);
  rows_ = CsvFieldInt(args, 6, 5);
  row_gap_ = CsvFieldInt(args, 7, 0);
  bold_ = CsvFieldInt(args, 8, 0) != 0;
}

void TComTextSpd::Parse(std::string_view args) {
  TCommand::Parse(args);
  speed_ = CsvField(args, 2);
}

void TComTextCol::Parse(std::string_view args) {
  TCommand::Parse(args);
  color_ = CsvFieldInt(args, 2, 0);
}

void TComSetFont::Parse(std::string_view args) {
  TCommand::Parse(args);
  font_ = CsvField(args, 2);
}

// variable, height, width, maximum length, X, Y, text colour, background colour
void TComInput::Parse(std::string_view args) {
  TCommand::Parse(args);
  var_name_ = CsvField(args, 2);
  height_ = CsvFieldInt(args, 3, 16);
  width_ = CsvFieldInt(args, 4, 100);
  max_length_ = CsvFieldInt(args, 5, 0);
  x_ = CsvField(args, 6);
  y_ = CsvField(args, 7);
  text_color_ = CsvFieldInt(args, 8, 0);
  back_color_ = CsvFieldInt(args, 9, 0xFFFFFF);
}

void TComHistoryCall::Parse(std::string_view args) {
  SetFlags(0);
  index_ = CsvField(args, 0);
  SetCond(CsvField(args, 1));
}

void TComHistoryAdd::Parse(std::string_view args) {
  SetFlags(0);
  SetCond(CsvField(args, 0));
}

void TComHistoryClear::Parse(std::string_view args) {
  SetFlags(0);
  SetCond(CsvField(args, 0));
}

}  // namespace mavlet
