#include "player/runner/input_script.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <utility>

#include "player/common/error.h"

namespace mavlet {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

std::optional<int> ToInt(std::string_view s) {
  int v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
  return v;
}

}  // namespace

std::vector<InputAction> ParseInputScript(std::string_view text, std::string_view source_name) {
  static constexpr std::pair<std::string_view, InputAction::Kind> kActions[] = {
      {"click", InputAction::Kind::kClick}, {"cancel", InputAction::Kind::kCancel},
      {"up", InputAction::Kind::kUp},       {"down", InputAction::Kind::kDown},
      {"left", InputAction::Kind::kLeft},   {"right", InputAction::Kind::kRight},
      {"ctrl", InputAction::Kind::kCtrl},   {"home", InputAction::Kind::kHome},
      {"end", InputAction::Kind::kEnd},     {"pageup", InputAction::Kind::kPageUp},
      {"pagedown", InputAction::Kind::kPageDown}, {"mouse", InputAction::Kind::kMouse},
      {"press", InputAction::Kind::kPress}, {"release", InputAction::Kind::kRelease},
      {"wheel", InputAction::Kind::kWheel}, {"debug-step", InputAction::Kind::kDebugStep},
      {"debug-break", InputAction::Kind::kDebugBreak}, {"text", InputAction::Kind::kText},
      {"return", InputAction::Kind::kReturn}, {"escape", InputAction::Kind::kEscape},
      {"backspace", InputAction::Kind::kBackspace}, {"f11", InputAction::Kind::kF11},
      {"f12", InputAction::Kind::kF12},     {"alt+return", InputAction::Kind::kAltReturn}};
  std::vector<InputAction> actions;
  int line_no = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    auto words = Words(line);
    if (words.empty() || words[0].starts_with('#')) continue;
    auto fail = [&](const std::string& problem) -> MavError {
      return MavError(std::string(source_name) + ":" + std::to_string(line_no) + ": " + problem);
    };
    if (words.size() < 2) throw fail("expected \"EVENT ACTION\"");
    std::optional<int> event = ToInt(words[0]);
    if (!event || *event < 1) throw fail("event number must be a positive integer, not \"" + std::string(words[0]) + "\"");
    InputAction a;
    a.event = *event;
    auto it = std::find_if(std::begin(kActions), std::end(kActions), [&](const auto& k) { return k.first == words[1]; });
    if (it == std::end(kActions))
      throw fail("unknown action \"" + std::string(words[1]) +
                 "\" (click, cancel, up, down, left, right, ctrl, home, end, pageup, pagedown, mouse X Y, "
                 "press X Y, release X Y, wheel N, debug-step, debug-break NAME [VALUE], text STRING, return, "
                 "escape, backspace, f11, f12, alt+return)");
    a.kind = it->second;
    if (a.kind == InputAction::Kind::kMouse || a.kind == InputAction::Kind::kPress ||
        a.kind == InputAction::Kind::kRelease) {
      if (words.size() != 4) throw fail("expected \"EVENT " + std::string(words[1]) + " X Y\"");
      auto x = ToInt(words[2]);
      auto y = ToInt(words[3]);
      if (!x || !y) throw fail("mouse coordinates must be integers");
      a.x = *x;
      a.y = *y;
    } else if (a.kind == InputAction::Kind::kWheel) {
      if (words.size() != 3) throw fail("expected \"EVENT wheel N\"");
      auto n = ToInt(words[2]);
      if (!n || *n < -1000 || *n > 1000) throw fail("wheel notches must be an integer from -1000 to 1000");
      a.x = *n;
    } else if (a.kind == InputAction::Kind::kDebugBreak) {
      if (words.size() < 3) throw fail("expected \"EVENT debug-break NAME [VALUE]\"");
      a.name = std::string(words[2]);
      if (words.size() > 3) {
        // The value is the rest of the line, blanks inside it kept.
        std::string_view rest = line.substr(static_cast<std::size_t>(words[3].data() - line.data()));
        while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
        a.value = std::string(rest);
      }
    } else if (a.kind == InputAction::Kind::kText) {
      if (words.size() < 3) throw fail("expected \"EVENT text STRING\"");
      // The rest of the line after the blank that ends "text", blanks inside kept.
      const std::size_t at = static_cast<std::size_t>(words[1].data() - line.data()) + words[1].size() + 1;
      a.text = std::string(line.substr(at));
    } else if (words.size() != 2) {
      throw fail("unexpected text after the action");
    }
    actions.push_back(a);
    if (end == text.size()) break;
  }
  std::stable_sort(actions.begin(), actions.end(), [](const InputAction& l, const InputAction& r) { return l.event < r.event; });
  return actions;
}

}  // namespace mavlet
