// Download runs with a recording view: normal and selection runs, failures, the sampled stall and
// space checks, stop, rate and remaining time, and the batch loop.
#include "downloader/core/run.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <fstream>

#include "downloader/core/batch.h"
#include "tests/downloader/loopback_server.h"

namespace quillget {
namespace {

namespace fs = std::filesystem;
using testing::LoopbackServer;

// Records what the run asks of its window; runs posted events when pumped.
class FakeView : public RunView {
 public:
  void SetButtonState(int s) override { states.push_back(s); }
  void SetRowStatus(std::size_t row, int text) override { status[row] = text; }
  void FocusRow(std::size_t row, bool) override { focused.push_back(row); }
  void ShowMessage(int number, const std::string&) override { messages.push_back(number); }
  void SetBar(int p) override { bar = p; }
  void RefreshCounts() override { ++refreshes; }
  void RefreshRate() override { ++refreshes; }
  void StartTimer() override { timer = true; }
  void StopTimer() override { timer = false; }

  void Post(std::function<void()> f) {
    std::lock_guard lock(mutex);
    queue.push_back(std::move(f));
    cv.notify_one();
  }
  // Runs events until the run is idle (or 20 s pass).
  void Pump(DownloadRun& run) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (run.Busy() && std::chrono::steady_clock::now() < end) {
      std::unique_lock lock(mutex);
      if (!cv.wait_for(lock, std::chrono::milliseconds(50), [&] { return !queue.empty(); })) continue;
      auto f = std::move(queue.front());
      queue.pop_front();
      lock.unlock();
      f();
    }
  }

  std::vector<int> states, messages;
  std::vector<std::size_t> focused;
  std::map<std::size_t, int> status;
  int bar = -1;
  int refreshes = 0;
  bool timer = false;
  std::mutex mutex;
  std::condition_variable cv;
  std::deque<std::function<void()>> queue;
};

struct Fixture {
  explicit Fixture(const std::string& name) : dir(fs::path(::testing::TempDir()) / ("quillget_run_" + name)) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    settings.fetch.backoff = std::chrono::milliseconds(10);
    settings.fetch.lowSpeedSeconds = 0;
  }
  void Add(const std::string& mode, std::int64_t size, bool complete = false) {
    const std::string name = "f" + std::to_string(entries.size()) + ".dat";
    entries.push_back({server.Url("/" + mode + "/" + std::to_string(size) + "/" + name), name, name, size, complete, false});
    if (complete) std::ofstream(dir / name, std::ios::binary) << testing::Pattern(size);
  }
  std::unique_ptr<DownloadRun> Make() {
    return std::make_unique<DownloadRun>(entries, dir, view, [this](std::function<void()> f) { view.Post(std::move(f)); },
                                         settings, [this] { return freeSpace; });
  }
  LoopbackServer server;
  fs::path dir;
  std::vector<DownloadEntry> entries;
  FakeView view;
  RunSettings settings;
  double freeSpace = 1e12;
};

TEST(Run, NormalRunFetchesEveryIncompleteEntryThenFinishes) {
  Fixture f("normal");
  f.Add("plain", 1000, true);
  f.Add("plain", 70000);
  f.Add("redirect", 5);
  auto run = f.Make();
  ASSERT_TRUE(run->Open());
  EXPECT_EQ(run->counters().filesDone, 1);
  EXPECT_EQ(run->counters().bytesBefore, 1000);
  run->PressDownload(false, {});
  EXPECT_EQ(f.view.states.back(), kDownloading);
  f.view.Pump(*run);
  EXPECT_EQ(f.view.messages, std::vector<int>{263});
  EXPECT_EQ(f.view.states.back(), kFinished);
  EXPECT_TRUE(run->LaunchFlag());
  EXPECT_EQ(f.view.focused, (std::vector<std::size_t>{1, 2}));
  EXPECT_EQ(f.view.status[1], 220);
  EXPECT_EQ(f.view.status[2], 220);
  EXPECT_EQ(run->counters().filesDone, 3);
  EXPECT_EQ(run->counters().currentBytes, 71005);
  EXPECT_TRUE(AllComplete(f.entries, f.dir));
  // Pressing again with nothing left answers 263 and the finished state at once.
  run->PressDownload(false, {});
  EXPECT_EQ(f.view.messages.back(), 263);
  EXPECT_FALSE(run->Busy());
}

TEST(Run, FailuresEndWithTheirMessageIdleNeverFinished) {
  struct Case {
    std::string mode;  // "badurl": an address of a refused scheme
    std::int64_t size;
    std::vector<int> messages;
    double spaceDuringRun = 1e12;
  };
  const std::vector<Case> cases = {
      {"missing", 10, {261}},
      {"small", 1000, {261}},  // a clean answer of the wrong size is no success
      {"long", 1000, {261}},
      {"tofile", 10, {261}},
      {"badurl", 5, {819}},
      {"stall", 100000, {822, 261}},       // the sampled stall check gives up
      {"stall", 100000, {817, 261}, 10},  // space running out during a transfer stops it
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode + " case " + std::to_string(n));
    Fixture f("fail" + std::to_string(n++));
    if (c.mode == "stall") f.settings.reportsPerSample = 1;
    f.Add(c.mode, c.size);
    if (c.mode == "badurl") f.entries[0].Url = "file:///etc/passwd";
    f.Add("plain", 10);
    auto run = f.Make();
    ASSERT_TRUE(run->Open());
    run->PressDownload(false, {});
    f.freeSpace = c.spaceDuringRun;
    f.view.Pump(*run);
    EXPECT_EQ(f.view.messages, c.messages);
    EXPECT_EQ(f.view.states.back(), kIdle);
    EXPECT_FALSE(run->Busy());
    EXPECT_FALSE(run->LaunchFlag());
    EXPECT_FALSE(f.entries[0].Complete);
    EXPECT_EQ(f.view.status[0], 0);
    EXPECT_FALSE(f.view.timer);
  }
}

TEST(Run, TooLittleSpaceAtOpeningGives817AndOnlyFinish) {
  const std::vector<std::pair<std::int64_t, double>> cases = {{100, 100}, {1, -1}};  // size, free; -1 for unknown
  for (const auto& [size, free] : cases) {
    SCOPED_TRACE(free);
    Fixture f("space" + std::to_string(size));
    f.Add("plain", size);
    f.freeSpace = free;
    auto run = f.Make();
    EXPECT_FALSE(run->Open());
    EXPECT_EQ(f.view.messages, std::vector<int>{817});
    EXPECT_EQ(f.view.states.back(), kFinished);
  }
}

TEST(Run, StopEndsWith261AndKeepsACompleteFile) {
  Fixture f("stop");
  f.Add("stall", 100000, true);  // complete already, fetched again in a selection run
  auto run = f.Make();
  ASSERT_TRUE(run->Open());
  run->PressDownload(true, {0});
  EXPECT_TRUE(run->SelectionMode());
  EXPECT_TRUE(run->Busy());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  run->PressDownload(false, {});  // Stop
  f.view.Pump(*run);
  EXPECT_EQ(f.view.messages, std::vector<int>{261});
  EXPECT_EQ(f.view.status[0], 220);
  EXPECT_EQ(LocalFileSize(f.dir / "f0.dat"), 100000);
}

TEST(Run, SelectionRunFetchesChosenRowsInOrderWithItsOwnTotals) {
  Fixture f("selection");
  f.Add("plain", 10, true);
  f.Add("plain", 20);
  f.Add("plain", 40, true);
  auto run = f.Make();
  ASSERT_TRUE(run->Open());
  run->PressDownload(true, {2, 0});
  EXPECT_EQ(run->counters().totalBytes, 50);
  EXPECT_EQ(run->counters().filesTotal, 2);
  EXPECT_EQ(run->counters().currentBytes, 0);
  EXPECT_EQ(run->counters().startBytes, 0);
  f.view.Pump(*run);
  EXPECT_EQ(f.view.focused, (std::vector<std::size_t>{0, 2}));
  EXPECT_EQ(f.view.messages, std::vector<int>{263});
  EXPECT_EQ(f.view.states.back(), kIdle);
  EXPECT_FALSE(run->LaunchFlag());
  EXPECT_EQ(run->counters().currentBytes, 50);
  EXPECT_FALSE(f.entries[1].Complete);
  // Shift again: back to normal mode, which fetches the one missing entry.
  run->PressDownload(true, {});
  EXPECT_FALSE(run->SelectionMode());
  f.view.Pump(*run);
  EXPECT_TRUE(run->LaunchFlag());
  EXPECT_EQ(f.view.focused.back(), 1u);
}

TEST(Run, ShiftWithNoRowSelectedLeavesTheCountersAsShown) {
  Fixture f("shiftnone");
  f.Add("plain", 10, true);
  f.Add("plain", 20);
  auto run = f.Make();
  ASSERT_TRUE(run->Open());
  const Counters before = run->counters();
  const int refreshes = f.view.refreshes;
  run->PressDownload(true, {});
  EXPECT_TRUE(run->SelectionMode());
  EXPECT_FALSE(run->Busy());
  EXPECT_EQ(f.view.refreshes, refreshes);
  const Counters& after = run->counters();
  EXPECT_EQ(after.totalBytes, before.totalBytes);
  EXPECT_EQ(after.bytesBefore, before.bytesBefore);
  EXPECT_EQ(after.currentBytes, before.currentBytes);
  EXPECT_EQ(after.filesDone, before.filesDone);
  EXPECT_EQ(after.filesTotal, before.filesTotal);
  EXPECT_TRUE(f.view.messages.empty());
}

// A server that sends half and then holds the connection sends almost no reports: the tick's own
// samples give the file up (822, then 261 when the worker has ended) after three of them.
TEST(Run, StalledConnectionIsGivenUpByTheTickSamples) {
  Fixture f("stalltick");
  f.settings.stallSampleSeconds = 1;  // the default reportsPerSample (300) never comes
  f.Add("stall", 100000);
  auto run = f.Make();
  ASSERT_TRUE(run->Open());
  run->PressDownload(false, {});
  // Run reports until the first half is in.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (f.view.bar < 50 && std::chrono::steady_clock::now() < end) {
    std::unique_lock lock(f.view.mutex);
    if (!f.view.cv.wait_for(lock, std::chrono::milliseconds(50), [&] { return !f.view.queue.empty(); })) continue;
    auto next = std::move(f.view.queue.front());
    f.view.queue.pop_front();
    lock.unlock();
    next();
  }
  ASSERT_EQ(f.view.bar, 50);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 4; ++i) run->Tick();  // the first takes the sample the next three compare with
  EXPECT_EQ(f.view.messages, std::vector<int>{822});
  f.view.Pump(*run);
  EXPECT_EQ(f.view.messages, (std::vector<int>{822, 261}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(f.view.states.back(), kIdle);
  EXPECT_EQ(LocalFileSize(PartPath(f.dir / "f0.dat")), 50000);  // kept for the next start
}

TEST(Run, RateAndRemainingTime) {
  Fixture f("rate");
  f.Add("plain", 1048576 * 3);
  auto run = f.Make();
  ASSERT_TRUE(run->Open());
  run->Tick();
  EXPECT_EQ(run->counters().rate, 0);
  EXPECT_EQ(run->counters().remaining, 0);
  run->PressDownload(false, {});
  f.view.Pump(*run);
  run->Tick();
  run->Tick();  // 3 MiB over 2 s: 12 Mbit/s, nothing left
  EXPECT_DOUBLE_EQ(run->counters().rate, 12.0);
  EXPECT_EQ(run->counters().remaining, 0);
}

TEST(Batch, PrintsMessagesAndReportsCompleteness) {
  struct Case {
    std::vector<std::pair<std::string, std::int64_t>> files;  // mode, size
    Language language;
    bool allComplete;
    int lastMessage;
    std::string printed;
  };
  const std::vector<Case> cases = {
      {{{"plain", 5000}, {"reset", 200000}}, Language::English, true, 263, "quillget: 263 Download was completed."},
      {{{"missing", 5}}, Language::Japanese, false, 261, "quillget: 261 キャンセルされました。"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.printed);
    Fixture f("batch" + std::to_string(n++));
    for (const auto& [mode, size] : c.files) f.Add(mode, size);
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    const auto r = RunBatch(f.entries, f.dir, Strings(c.language), f.settings, out, false);
    std::fclose(out);
    const std::string printed(text, size);
    std::free(text);
    EXPECT_EQ(r.allComplete, c.allComplete);
    EXPECT_EQ(r.lastMessage, c.lastMessage);
    EXPECT_NE(printed.find(c.printed), std::string::npos) << printed;
  }
}

}  // namespace
}  // namespace quillget
