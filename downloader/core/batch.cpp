// Batch run: the event queue, the terminal view and the loop; see batch.h.
#include "downloader/core/batch.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "downloader/core/format.h"

namespace quillget {
namespace {

class EventQueue {
 public:
  void Push(std::function<void()> f) {
    {
      std::lock_guard lock(mutex_);
      events_.push_back(std::move(f));
    }
    cv_.notify_one();
  }
  // Runs what arrives until the deadline; returns at the deadline or after one event.
  void RunUntil(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    if (!cv_.wait_until(lock, deadline, [this] { return !events_.empty(); })) return;
    auto f = std::move(events_.front());
    events_.pop_front();
    lock.unlock();
    f();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> events_;
};

class BatchView : public RunView {
 public:
  BatchView(const Strings& s, std::FILE* out, bool terminal) : s_(s), out_(out), terminal_(terminal) {}
  void Attach(const DownloadRun* run) { run_ = run; }

  void SetButtonState(int) override {}
  void SetRowStatus(std::size_t row, int text) override {
    if (text == 222) {
      EndLine();
      std::fprintf(out_, "quillget: %s\n", run_->entries()[row].LocalName.c_str());
    }
  }
  void FocusRow(std::size_t, bool) override {}
  void ShowMessage(int number, const std::string& detail) override {
    EndLine();
    lastMessage = number;
    std::fprintf(out_, "quillget: %d %s%s%s\n", number, std::string(s_.Text(number)).c_str(),
                 detail.empty() ? "" : " ", detail.c_str());
    std::fflush(out_);
  }
  void SetBar(int percent) override { bar_ = percent; }
  void RefreshCounts() override {}
  void RefreshRate() override {
    if (!run_ || !timer) return;
    const auto& c = run_->counters();
    const std::string line = std::to_string(bar_) + "%  " + FilesText(s_, c.filesDone, c.filesTotal) + "  " +
                             BytesPairText(s_, c.currentBytes, c.totalBytes) + "  " +
                             RateTimesText(s_, c.rate, c.elapsed, c.remaining);
    if (terminal_) {
      std::fprintf(out_, "\r%s\033[K", line.c_str());
      open_ = true;
    } else if (c.elapsed % 10 == 0) {
      std::fprintf(out_, "%s\n", line.c_str());
    }
    std::fflush(out_);
  }
  void StartTimer() override { timer = true; }
  void StopTimer() override { timer = false; }
  void EndLine() {
    if (open_) std::fputc('\n', out_);
    open_ = false;
  }

  bool timer = false;
  int lastMessage = 0;

 private:
  const Strings& s_;
  std::FILE* out_;
  bool terminal_;
  const DownloadRun* run_ = nullptr;
  int bar_ = 0;
  bool open_ = false;
};

}  // namespace

BatchResult RunBatch(std::vector<DownloadEntry>& entries, const std::filesystem::path& folder, const Strings& strings,
                     const RunSettings& settings, std::FILE* out, bool terminal) {
  EventQueue queue;
  BatchView view(strings, out, terminal);
  BatchResult result;
  {
    DownloadRun run(entries, folder, view, [&queue](std::function<void()> f) { queue.Push(std::move(f)); }, settings,
                    [&folder] { return FreeSpace(folder); });
    view.Attach(&run);
    if (run.Open()) {
      run.PressDownload(false, {});
      auto nextTick = std::chrono::steady_clock::now() + std::chrono::seconds(1);
      while (run.Busy()) {
        queue.RunUntil(nextTick);
        if (std::chrono::steady_clock::now() >= nextTick) {
          nextTick += std::chrono::seconds(1);
          if (view.timer) run.Tick();
        }
      }
    }
    view.EndLine();
  }
  result.lastMessage = view.lastMessage;
  result.allComplete = AllComplete(entries, folder);
  return result;
}

}  // namespace quillget
