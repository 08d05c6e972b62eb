#pragma once
// Builds a small title in a temporary folder from UTF-8 text: Global.pmx, loose packed scenario
// files and scenario archives. Runs it headless and collects trace lines (read them with
// tests/support/trace.h).
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "player/engine/global_file.h"
#include "player/runner/headless_runner.h"
#include "tests/support/temp_folder.h"

namespace mavlet::testing {

// Shift-JIS bytes of UTF-8 text; fails the test when it cannot be converted.
std::string Sjis(std::string_view utf8);

class TestTitle {
 public:
  TestTitle();
  TestTitle(const TestTitle&) = delete;
  TestTitle& operator=(const TestTitle&) = delete;

  const std::filesystem::path& Folder() const { return folder_.path(); }
  // Global.pmx fields; names and texts in UTF-8. Written by Write().
  TestTitle& Nums(const std::vector<std::string>& names);
  TestTitle& Strs(const std::vector<std::string>& names);
  TestTitle& Flags(const std::vector<std::string>& names);
  TestTitle& StartPage(int page);
  TestTitle& Registry(const std::string& key);  // clears NoRegistry
  void Write();

  // A loose "Pmx/<n>.pmx" from UTF-8 text.
  void Scenario(int n, std::string_view utf8_text);
  void RemoveScenario(int n);
  // "Pmx/Data<d>.pmx" holding the given scenarios.
  void Archive(int d, const std::map<int, std::string>& scenarios);

 private:
  TempFolder folder_{"title"};
  TGlobalData global_;
};

// A runner on a test title with the trace kept in memory.
class TitleRun {
 public:
  explicit TitleRun(const TestTitle& title, RunOptions options = {});
  // Loads the title; fails the test when it cannot be loaded.
  void Load();
  // Runs n timer events (the first of a run restarts the engine).
  void Events(int n);
  // Trace lines "event\tstream\tpage\tcom\tclass" collected so far; cleared by TakeTrace.
  std::vector<std::string> TakeTrace();
  std::int32_t Num(std::string_view utf8_name);
  std::string Str(std::string_view utf8_name);  // UTF-8
  bool Has(std::string_view utf8_name);
  std::string Errors() const { return err_.str(); }

  HeadlessRunner& R() { return *runner_; }
  TBookManager& Book() { return runner_->Book(); }

 private:
  const TestTitle& title_;
  std::ostringstream trace_;
  std::ostringstream err_;
  std::unique_ptr<HeadlessRunner> runner_;
};

// Options with tracing on.
RunOptions Traced();
// Options that keep the title's saves beside it, in saves/ (a settings key asks for a save folder).
RunOptions WithSaves(const TestTitle& title);

// A loaded run of the title after `events` timer events; fails the test when it cannot load.
std::unique_ptr<TitleRun> RunTitle(const TestTitle& title, int events, RunOptions options = {});

}  // namespace mavlet::testing
