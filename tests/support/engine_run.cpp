#include "tests/support/engine_run.h"

#include <gtest/gtest.h>

#include <exception>
#include <optional>
#include <utility>

#include "player/common/encoding.h"
#include "player/engine/engine_commands.h"
#include "player/engine/global_file.h"
#include "player/vars/param_manager.h"

namespace mavlet::testing {

namespace {
// Shift-JIS of UTF-8 text; fails the test when it cannot be converted.
std::string ToSjis(std::string_view utf8) {
  std::optional<std::string> s = Utf8ToSjis(utf8);
  EXPECT_TRUE(s.has_value()) << "not Shift-JIS: " << utf8;
  return s.value_or(std::string());
}

std::vector<std::string> ToSjis(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (const std::string& n : names) out.push_back(ToSjis(n));
  return out;
}
}  // namespace

void FakeGame::BeginStep() {
  click_now = click;
  cancel_now = cancel;
}
bool FakeGame::ClickPressed() { return std::exchange(click_now, false); }
bool FakeGame::CancelPressed() { return std::exchange(cancel_now, false); }

EngineRun::EngineRun(std::map<int, std::string> pages, EngineNames names, Clock* clock)
    : clock_in_use_(clock != nullptr ? clock : &clock_) {
  for (auto& [n, text] : pages) pages_[n] = ToSjis(text);
  RegisterEngineCommands(registry_);
  RegisterPlaceholders(registry_);
  EngineServices s;
  s.registry = &registry_;
  s.files = &files_;
  s.settings = &settings_;
  s.dialogs = &dialogs_;
  s.clock = clock_in_use_;
  s.log = &log_;
  s.scenario_source = [this](std::int32_t n) -> std::optional<ByteBuffer> {
    auto it = pages_.find(n);
    if (it == pages_.end()) return std::nullopt;
    return ByteBuffer(it->second.begin(), it->second.end());
  };
  book = std::make_unique<TBookManager>(s);
  TGlobalData global;
  global.StartPage = 1;
  global.NoRegistry = 1;
  global.NumNames = ToSjis(names.nums);
  global.StrNames = ToSjis(names.strs);
  global.FlagNames = ToSjis(names.flags);
  book->InitFrom({}, global);
  book->Restart();
}

EngineRun::~EngineRun() = default;

int EngineRun::Warnings(std::string_view part) const {
  int n = 0;
  for (const auto& e : log_.entries) n += e.message.find(part) != std::string::npos ? 1 : 0;
  return n;
}

void EngineRun::Steps(int n) {
  for (int i = 0; i < n; ++i) {
    clock_in_use_->SleepMs(30);
    try {
      main_ended_ = book->Tick(game);
    } catch (const std::exception& e) {
      errors_.emplace_back(e.what());
    }
  }
}

std::int32_t EngineRun::Num(std::string_view utf8_name) {
  TParameter* p = book->Params().Find(ToSjis(utf8_name));
  EXPECT_NE(p, nullptr) << "no variable " << utf8_name;
  return p ? p->GetNum() : -999999;
}

std::string EngineRun::Str(std::string_view utf8_name) {
  TParameter* p = book->Params().Find(ToSjis(utf8_name));
  EXPECT_NE(p, nullptr) << "no variable " << utf8_name;
  return p ? SjisToUtf8(p->GetStr()) : std::string("<missing>");
}

bool EngineRun::Has(std::string_view utf8_name) { return book->Params().Find(ToSjis(utf8_name)) != nullptr; }

}  // namespace mavlet::testing
