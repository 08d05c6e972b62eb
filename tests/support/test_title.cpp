#include "tests/support/test_title.h"

#include <gtest/gtest.h>


#include "player/common/encoding.h"
#include "player/storage/file_unit.h"
#include "player/storage/packed_file.h"
#include "player/vars/param_manager.h"
#include "tests/support/file_builders.h"

namespace mavlet::testing {

std::string Sjis(std::string_view utf8) {
  std::optional<std::string> s = Utf8ToSjis(utf8);
  EXPECT_TRUE(s.has_value()) << "not Shift-JIS: " << utf8;
  return s.value_or(std::string());
}

namespace {
std::vector<std::string> SjisAll(const std::vector<std::string>& v) {
  std::vector<std::string> out;
  for (const auto& s : v) out.push_back(Sjis(s));
  return out;
}
}  // namespace

TestTitle::TestTitle() {
  folder_.Folder("Pmx");
  global_.Title = "test";
  global_.ScreenMode = 3;
  global_.StartPage = 1;
  global_.NoRegistry = 1;
  Write();
}

TestTitle& TestTitle::Nums(const std::vector<std::string>& names) {
  global_.NumNames = SjisAll(names);
  Write();
  return *this;
}
TestTitle& TestTitle::Strs(const std::vector<std::string>& names) {
  global_.StrNames = SjisAll(names);
  Write();
  return *this;
}
TestTitle& TestTitle::Flags(const std::vector<std::string>& names) {
  global_.FlagNames = SjisAll(names);
  Write();
  return *this;
}
TestTitle& TestTitle::StartPage(int page) {
  global_.StartPage = page;
  Write();
  return *this;
}
TestTitle& TestTitle::Registry(const std::string& key) {
  global_.RegKey = Sjis(key);
  global_.NoRegistry = 0;
  Write();
  return *this;
}

namespace {
// Plain writes: the atomic, synced writer is slow and tests do not need it.
void WritePacked(const std::filesystem::path& file, const ByteBuffer& payload) { WriteFile(file, PackBuffer(payload)); }
}  // namespace

void TestTitle::Write() { WritePacked(Folder() / "Pmx" / "Global.pmx", BuildGlobalData(global_)); }

void TestTitle::Scenario(int n, std::string_view utf8_text) {
  WritePacked(Folder() / "Pmx" / (std::to_string(n) + ".pmx"), ToBytes(Sjis(utf8_text)));
}

void TestTitle::RemoveScenario(int n) { std::filesystem::remove(Folder() / "Pmx" / (std::to_string(n) + ".pmx")); }

void TestTitle::Archive(int d, const std::map<int, std::string>& scenarios) {
  std::vector<std::pair<std::string, ByteBuffer>> entries;
  for (const auto& [n, text] : scenarios) entries.emplace_back(std::to_string(n) + ".pmx", ToBytes(Sjis(text)));
  WritePacked(Folder() / "Pmx" / ("Data" + std::to_string(d) + ".pmx"), BuildFileUnitPayload(entries));
}

RunOptions Traced() {
  RunOptions o;
  o.trace = true;
  return o;
}

RunOptions WithSaves(const TestTitle& title) {
  RunOptions o;
  o.save_dir = title.Folder() / "saves";
  return o;
}

TitleRun::TitleRun(const TestTitle& title, RunOptions options) : title_(title) {
  runner_ = std::make_unique<HeadlessRunner>(std::move(options), trace_, err_);
}

void TitleRun::Load() {
  try {
    ASSERT_TRUE(runner_->Load(title_.Folder()));
  } catch (const std::exception& e) {
    FAIL() << "title did not load: " << e.what();
  }
}

void TitleRun::Events(int n) {
  for (int i = 0; i < n; ++i) runner_->RunEvent();
}

std::vector<std::string> TitleRun::TakeTrace() {
  std::vector<std::string> lines;
  std::istringstream in(trace_.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  trace_.str("");
  return lines;
}

std::int32_t TitleRun::Num(std::string_view name) {
  TParameter* p = Book().Params().Find(Sjis(name));
  EXPECT_NE(p, nullptr) << "no variable " << name;
  return p ? p->GetNum() : -999999;
}

std::string TitleRun::Str(std::string_view name) {
  TParameter* p = Book().Params().Find(Sjis(name));
  EXPECT_NE(p, nullptr) << "no variable " << name;
  return p ? SjisToUtf8(p->GetStr()) : std::string("<missing>");
}

bool TitleRun::Has(std::string_view name) { return Book().Params().Find(Sjis(name)) != nullptr; }

std::unique_ptr<TitleRun> RunTitle(const TestTitle& title, int events, RunOptions options) {
  auto run = std::make_unique<TitleRun>(title, std::move(options));
  run->Load();
  run->Events(events);
  return run;
}

}  // namespace mavlet::testing
