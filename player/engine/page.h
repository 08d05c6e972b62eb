#pragma once
// One loaded scenario page: the command objects of its recognised lines, in order. The command
// index used everywhere in the engine is the position in this list, never a line number.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "player/engine/command.h"

namespace mavlet {

class CommandRegistry;

class TPage {
 public:
  // book may be null for a page parsed on its own (tools, fuzzing).
  explicit TPage(TBookManager* book) : book_(book) {}
  TPage(const TPage&) = delete;
  TPage& operator=(const TPage&) = delete;

  // Destroys every command; Number := -1 (an empty cache entry), NonStop := 0.
  void Clear();
  // Clears the page, sets Number := n, finds scenario n through the owning engine and parses it.
  // A missing scenario leaves the page empty under its number (the engine shows the message).
  void LoadScenario(std::int32_t n);
  // Parses scenario text (Shift-JIS) into commands, appending to the page. Lines split at
  // CR LF, CR or LF; a first line holding "NonStop=" is the header.
  void ParseText(std::string_view text, const CommandRegistry& registry);

  std::int32_t Number() const { return number_; }
  void SetNumber(std::int32_t n) { number_ = n; }
  std::uint8_t NonStop() const { return non_stop_; }
  // Which load of the page this is (TBookManager::NextPageGeneration); 0 for pages parsed
  // without an engine and for empty cache entries.
  std::uint64_t Generation() const { return generation_; }
  TBookManager* Book() const { return book_; }

  int Count() const { return static_cast<int>(commands_.size()); }
  // nullptr when the index is outside the page.
  TCommand* At(std::int32_t index) const {
    return index >= 0 && index < Count() ? commands_[static_cast<std::size_t>(index)].get() : nullptr;
  }
  // Keyword-table index of the command at a valid index.
  int KeywordAt(std::int32_t index) const { return keywords_[static_cast<std::size_t>(index)]; }
  // Index of a command of this page, -1 when it is not one.
  int IndexOf(const TCommand* command) const;

 private:
  TBookManager* book_;
  std::vector<std::unique_ptr<TCommand>> commands_;
  std::vector<std::uint8_t> keywords_;
  std::int32_t number_ = -1;
  std::uint8_t non_stop_ = 0;
  std::uint64_t generation_ = 0;
};

// Splits a scenario line into keyword and argument text at the first blank that is not the
// second byte of a double-byte character. Nothing is trimmed.
struct ScenarioLine {
  std::string_view keyword;
  std::string_view args;
};
ScenarioLine SplitScenarioLine(std::string_view line);

}  // namespace mavlet
