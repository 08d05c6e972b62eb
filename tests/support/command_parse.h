#pragma once
// Parse tests as tables: a command parses one scenario line's arguments into its Flags, Cond
// and plain Args struct, compared with == against the expected row. Commands are made without
// a page, as the parse needs none.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace mavlet::testing {

template <typename Args>
struct ParsedLine {
  std::int32_t flags = 0;
  std::string cond;
  Args args;
  bool operator==(const ParsedLine&) const = default;
};

// What command T makes of the arguments `line`.
template <typename T>
ParsedLine<typename T::Args> ParseLine(std::string_view line) {
  T command(nullptr);
  command.Parse(line);
  return {command.Flags(), command.Cond(), command.args()};
}

// The command itself, for the fields beyond its Args.
template <typename T>
std::unique_ptr<T> Parsed(std::string_view line) {
  auto command = std::make_unique<T>(nullptr);
  command->Parse(line);
  return command;
}

}  // namespace mavlet::testing
