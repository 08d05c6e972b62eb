#include "player/engine/page.h"

#include <string>

#include "player/common/int_convert.h"
#include "player/common/sjis_text.h"
#include "player/engine/book_manager.h"
#include "player/engine/command_registry.h"

namespace mavlet {
namespace {

// Calls f(line) for each line of text split at CR LF, CR or LF; a final line break adds no line.
template <typename F>
void ForEachLine(std::string_view text, F&& f) {
  std::size_t start = 0;
  const std::size_t n = text.size();
  while (start < n) {
    std::size_t i = start;
    while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
    f(text.substr(start, i - start));
    if (i < n && text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
}

}  // namespace

ScenarioLine SplitScenarioLine(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    auto b = static_cast<std::uint8_t>(line[i]);
    if (IsLeadByte(b)) {
      ++i;  // skip the trail byte: a blank there is part of the character
      continue;
    }
    if (b == 0x20) return {line.substr(0, i), line.substr(i + 1)};
  }
  return {line, {}};
}

void TPage::Clear() {
  commands_.clear();
  keywords_.clear();
  number_ = -1;
  non_stop_ = 0;
  generation_ = 0;
}

int TPage::IndexOf(const TCommand* command) const {
  for (std::size_t i = 0; i < commands_.size(); ++i)
    if (commands_[i].get() == command) return static_cast<int>(i);
  return -1;
}

void TPage::LoadScenario(std::int32_t n) {
  Clear();
  number_ = n;
  if (book_ == nullptr) return;
  generation_ = book_->NextPageGeneration();
  book_->ReadScenarioInto(*this, n);
}

void TPage::ParseText(std::string_view text, const CommandRegistry& registry) {
  bool first = true;
  ForEachLine(text, [&](std::string_view line) {
    if (first) {
      first = false;
      if (line.find("NonStop=") != std::string_view::npos) {
        std::string_view value = line.substr(line.find('=') + 1);
        non_stop_ = static_cast<std::uint8_t>(ParseIntOr(value, 0) & 0xFF);
        return;
      }
    }
    ScenarioLine parts = SplitScenarioLine(line);
    std::optional<int> index = FindKeyword(parts.keyword);
    if (!index) return;
    std::unique_ptr<TCommand> command = registry.Create(*index, this);
    if (!command) return;
    command->Parse(parts.args);
    commands_.push_back(std::move(command));
    keywords_.push_back(static_cast<std::uint8_t>(*index));
  });
}

}  // namespace mavlet
