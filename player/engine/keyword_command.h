#pragma once
// The two bases most command classes are written with, so that a class states its keyword and its
// fields once:
// - TKeywordCommand<K, Base> gives a class the keyword K: its ClassName is the one the keyword
//   table pairs with K, and kKeyword lets the registry file it without naming the keyword again.
// - TArgsCommand<K, Args, &Args::a, &Args::b, ...> is a keyword command whose line is Flags
//   (field 0), Cond (field 1) and then one field per listed member, from field 2 on, in the
//   order listed; args() hands out the result.
// How a field is read follows the member's type; a missing field, or an integer field that is
// not a number, leaves the member's initial value (the Args struct's defaults are the line's):
//   std::int32_t   the integer
//   std::uint8_t   the low 8 bits of the integer, as stored layer state keeps them
//   bool           the integer is non-zero
//   std::string    the text as written (missing: empty)
// Commands whose line does not have this shape (lists, fields shared with a base class at other
// places, Cond elsewhere than field 1) keep their own Parse.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "player/common/sjis_text.h"
#include "player/engine/command.h"
#include "player/engine/command_registry.h"

namespace mavlet {

template <int Keyword, typename Base = TCommand>
class TKeywordCommand : public Base {
 public:
  static constexpr int kKeyword = Keyword;
  using Base::Base;
  // The table's names are literals, so the view ends in a terminating zero.
  const char* ClassName() const override { return kKeywordTable[static_cast<std::size_t>(Keyword)].class_name.data(); }
};

// A byte-sized field keeps the low 8 bits of its integer (also for the hand-written parsers).
constexpr std::uint8_t LowByte(std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

namespace command_fields {

inline void Read(std::string_view line, int n, std::int32_t& field) { field = CsvFieldInt(line, n, field); }
inline void Read(std::string_view line, int n, std::uint8_t& field) { field = LowByte(CsvFieldInt(line, n, field)); }
inline void Read(std::string_view line, int n, bool& field) { field = CsvFieldInt(line, n, field ? 1 : 0) != 0; }
inline void Read(std::string_view line, int n, std::string& field) { field = CsvField(line, n); }

// The listed members of a default Args, read from the fields first, first + 1, ...
template <typename Args, auto... Fields>
Args ReadAll(std::string_view line, int first) {
  Args args{};
  int n = first;
  (Read(line, n++, args.*Fields), ...);
  return args;
}

}  // namespace command_fields

template <int Keyword, typename ArgsT, auto... Fields>
class TArgsCommand : public TKeywordCommand<Keyword> {
 public:
  using Args = ArgsT;
  // Where the first listed member's field stands; Flags and Cond come before it.
  static constexpr int kFirstField = 2;

  using TKeywordCommand<Keyword>::TKeywordCommand;
  void Parse(std::string_view line) override {
    TCommand::Parse(line);
    args_ = command_fields::ReadAll<Args, Fields...>(line, kFirstField);
  }
  const Args& args() const { return args_; }

 protected:
  Args args_;
};

}  // namespace mavlet
