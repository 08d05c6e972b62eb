#include "player/display/layer_commands.h"

#include "player/common/sjis_text.h"

namespace mavlet {

namespace {

// Byte-sized fields keep the low 8 bits of the integer, as stored layer state does.
std::uint8_t LowByte(std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

}  // namespace

// layer, picture, X, Y, transparent, alpha, transition kind, reverse, use cache, reserved
void TComSurface::Parse(std::string_view args) {
  TCommand::Parse(args);
  layer_ = CsvFieldInt(args, 2, 0);
  src_ = CsvField(args, 3);
  x_ = CsvField(args, 4);
  y_ = CsvField(args, 5);
  transparent_ = LowByte(CsvFieldInt(args, 6, 0));
  alpha_ = CsvFieldInt(args, 7, 255);
  transition_kind_ = LowByte(CsvFieldInt(args, 8, 0));
  reverse_ = LowByte(CsvFieldInt(args, 9, 0));
  use_cache_ = LowByte(CsvFieldInt(args, 10, 0));
  reserved_ = LowByte(CsvFieldInt(args, 11, 0));
}

// layer, X, Y, width, height, colour, alpha, transition kind, reverse
void TComFillSfc::Parse(std::string_view args) {
  TCommand::Parse(args);
  layer_ = CsvFieldInt(args, 2, 0);
  src_.clear();
  x_ = CsvField(args, 3);
  y_ = CsvField(args, 4);
  width_ = CsvField(args, 5);
  height_ = CsvField(args, 6);
  color_ = CsvFieldInt(args, 7, 0);
  alpha_ = CsvFieldInt(args, 8, 255);
  transition_kind_ = LowByte(CsvFieldInt(args, 9, 0));
  reverse_ = LowByte(CsvFieldInt(args, 10, 0));
}

// layer, picture, slot, X, Y, transparent, alpha, transition kind, reverse, reload
void TComOverSfc::Parse(std::string_view args) {
  TCommand::Parse(args);
  layer_ = CsvFieldInt(args, 2, 0);
  src_ = CsvField(args, 3);
  slot_ = CsvField(args, 4);
  x_ = CsvField(args, 5);
  y_ = CsvField(args, 6);
  transparent_ = LowByte(CsvFieldInt(args, 7, 0));
  alpha_ = CsvFieldInt(args, 8, 255);
  transition_kind_ = LowByte(CsvFieldInt(args, 9, 0));
  reverse_ = LowByte(CsvFieldInt(args, 10, 0));
  reload_ = CsvFieldInt(args, 11, 0);
}

bool TComOverSfc::SourceIsSfcText() const { return EqualsIgnoreAsciiCase(src_, "@SfcText"); }

void TComBright::Parse(std::string_view args) {
  TCommand::Parse(args);
  layer_ = CsvFieldInt(args, 2, 0);
  brightness_ = CsvFieldInt(args, 3, 0);
}

void TComFrame::Parse(std::string_view args) {
  TCommand::Parse(args);
  layer_ = CsvFieldInt(args, 2, 0);
  frame_index_ = CsvFieldInt(args, 3, 0);
}

void TComFrameInc::Parse(std::string_view args) {
  TCommand::Parse(args);
  layer_ = CsvFieldInt(args, 2, 0);
}

void TComShowSfc::Parse(std::string_view args) {
  TCommand::Parse(args);
  layer_ = CsvFieldInt(args, 2, 0);
}

void TComSetBit::Parse(std::string_view args) {
  TCommand::Parse(args);
  depth_ = CsvField(args, 2);
}

void TComSetFullScr::Parse(std::string_view args) {
  TCommand::Parse(args);
  switch_ = CsvField(args, 2);
}

void TComEffect::Parse(std::string_view args) {
  TCommand::Parse(args);
  layer_ = LowByte(CsvFieldInt(args, 2, 0));
  effect_ = LowByte(CsvFieldInt(args, 3, 0));
}

// type, count, base, X, Y, picture, wait
void TComEffect2::Parse(std::string_view args) {
  TCommand::Parse(args);
  type_ = CsvFieldInt(args, 2, 0);
  count_ = CsvFieldInt(args, 3, 0);
  base_ = CsvFieldInt(args, 4, 0);
  x_ = CsvFieldInt(args, 5, 0);
  y_ = CsvFieldInt(args, 6, 0);
  picture_ = CsvField(args, 7);
  wait_ = CsvFieldInt(args, 8, 1);
}

}  // namespace mavlet
