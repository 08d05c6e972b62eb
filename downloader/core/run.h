#pragma once
// A download run, free of any user interface: which entry comes next (normal runs take every
// incomplete entry, selection runs the chosen rows in list order), the transfer counters, the
// sampling of every Nth progress report for the free-space and stall checks, the one-second
// rate and remaining-time step, and the messages. The dialog and the batch mode each implement
// RunView and drive the run from one thread: PressDownload, Tick and the closures the worker
// posts all run there.
//
// Failures end the run with a message and the buttons back at idle, never with "Finished":
// a failed, stopped or wrong-sized file leaves the entry incomplete and the file that was there
// untouched. Destroying the run stops and joins its worker first.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "downloader/core/definition.h"
#include "downloader/core/worker.h"

namespace quillget {

struct Counters {
  double totalBytes = 0;
  double bytesBefore = 0;
  double currentBytes = 0;
  double startBytes = 0;
  std::int64_t elapsed = 0;  // seconds of this run
  double rate = 0;           // Mbit/s, a megabit being 1048576 bits
  std::int64_t remaining = 0;
  std::int64_t filesDone = 0;
  std::int64_t filesTotal = 0;
  std::int64_t lastSampled = 0;
  int stallCount = 0;
  int reportCount = 0;
};

enum ButtonState { kDownloading = 0, kIdle = 1, kFinished = 2 };

class RunView {
 public:
  virtual ~RunView() = default;
  virtual void SetButtonState(int state) = 0;
  virtual void SetRowStatus(std::size_t row, int text) = 0;  // string number, 0 for empty
  virtual void FocusRow(std::size_t row, bool clearOthers) = 0;
  virtual void ShowMessage(int number, const std::string& detail) = 0;
  virtual void SetBar(int percent) = 0;
  virtual void RefreshCounts() = 0;  // free space, files and bytes texts
  virtual void RefreshRate() = 0;    // rate and times text
  virtual void StartTimer() = 0;     // one tick a second, calling Tick
  virtual void StopTimer() = 0;
};

struct RunSettings {
  FetchOptions fetch;
  int reportsPerSample = 300;
  int stallSamples = 3;  // unchanged samples that give a file up
  // A stalled connection sends no data and so few reports (libcurl reports about once a second
  // while idle) that the 300th one would come only after minutes: the one-second tick takes a
  // sample of its own every stallSampleSeconds, so a file that stops growing is given up after
  // stallSamples of them (30 s), well before libcurl's own low-speed limit. 0 turns it off.
  int stallSampleSeconds = 10;
};

using SpaceProbe = std::function<double()>;
// Free bytes for an unprivileged user on the volume holding folder; -1 when unknown.
double FreeSpace(const std::filesystem::path& folder);

class DownloadRun {
 public:
  DownloadRun(std::vector<DownloadEntry>& entries, std::filesystem::path folder, RunView& view, Poster post,
              RunSettings settings, SpaceProbe space);
  ~DownloadRun();

  // Counters from the entries; false (message 817, finished state) when the space cannot hold
  // what is missing.
  bool Open();
  void PressDownload(bool shift, std::vector<std::size_t> selectedRows);
  void Tick();

  bool Busy() const { return busy_; }
  bool LaunchFlag() const { return launch_; }
  void ClearLaunchFlag() { launch_ = false; }
  bool SelectionMode() const { return selectionMode_; }
  const Counters& counters() const { return c_; }
  double FreeBytes() const { return space_(); }
  bool SpaceSuffices() const;
  // Fresh counters over every entry: all of them to fetch, the complete ones already done.
  Counters CountAllEntries() const;
  const std::vector<DownloadEntry>& entries() const { return entries_; }

 private:
  bool StartEntry(std::size_t row);
  void OnReport(std::int64_t progress, std::int64_t max);
  void StallSample(std::int64_t progress);
  void OnDone(const FetchResult& result);
  void Abort(int message);
  void Finish(int state);
  bool Continue(std::size_t row);
  std::size_t FirstIncompleteFrom(std::size_t from) const;

  std::vector<DownloadEntry>& entries_;
  std::filesystem::path folder_;
  RunView& view_;
  RunSettings settings_;
  SpaceProbe space_;
  std::unique_ptr<Worker> worker_;
  Counters c_;
  bool busy_ = false;
  bool stopping_ = false;
  bool launch_ = false;
  bool selectionMode_ = false;
  std::vector<std::size_t> selected_;
  std::size_t position_ = 0;
  std::size_t row_ = 0;  // the row being fetched
  std::int64_t fileProgress_ = 0;  // the last reported progress of that file, size known or not
  int fileTicks_ = 0;              // ticks since that file started
};

}  // namespace quillget
