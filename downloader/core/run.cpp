// Download run sequencing, counters and checks; see run.h.
#include "downloader/core/run.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cmath>

#include "downloader/core/format.h"

namespace quillget {

double FreeSpace(const std::filesystem::path& folder) {
  struct statvfs s {};
  if (::statvfs(folder.c_str(), &s) != 0) return -1;
  return static_cast<double>(s.f_bavail) * static_cast<double>(s.f_frsize);
}

DownloadRun::DownloadRun(std::vector<DownloadEntry>& entries, std::filesystem::path folder, RunView& view, Poster post,
                         RunSettings settings, SpaceProbe space)
    : entries_(entries),
      folder_(std::move(folder)),
      view_(view),
      settings_(settings),
      space_(std::move(space)),
      worker_(std::make_unique<Worker>(std::move(post), settings.fetch)) {
  if (settings_.reportsPerSample < 1) settings_.reportsPerSample = 1;
}

DownloadRun::~DownloadRun() { worker_.reset(); }  // stops and joins before anything else goes

bool DownloadRun::SpaceSuffices() const {
  const double free = space_();
  return free >= 0 && free > c_.totalBytes - c_.currentBytes;
}

Counters DownloadRun::CountAllEntries() const {
  Counters c;
  c.filesTotal = static_cast<std::int64_t>(entries_.size());
  for (const auto& e : entries_) {
    c.totalBytes += static_cast<double>(e.Size);
    if (e.Complete) {
      ++c.filesDone;
      c.bytesBefore += static_cast<double>(e.Size);
    }
  }
  return c;
}

bool DownloadRun::Open() {
  c_ = CountAllEntries();
  c_.currentBytes = c_.startBytes = c_.bytesBefore;
  view_.RefreshCounts();
  view_.RefreshRate();
  const double free = space_();
  if (free < 0 || c_.totalBytes - c_.bytesBefore >= free) {
    view_.ShowMessage(817, "");
    view_.SetButtonState(kFinished);
    launch_ = false;
    return false;
  }
  view_.SetButtonState(kIdle);
  return true;
}

std::size_t DownloadRun::FirstIncompleteFrom(std::size_t from) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const std::size_t row = (from + i) % entries_.size();
    if (!entries_[row].Complete) return row;
  }
  return entries_.size();
}

void DownloadRun::PressDownload(bool shift, std::vector<std::size_t> selectedRows) {
  if (busy_) {
    view_.StopTimer();
    stopping_ = true;
    worker_->RequestStop();
    return;
  }
  if (shift) selectionMode_ = !selectionMode_;
  if (selectionMode_) {
    std::sort(selectedRows.begin(), selectedRows.end());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    std::erase_if(selectedRows, [&](std::size_t r) { return r >= entries_.size(); });
    // A selection run without selected rows starts nothing and leaves the counters as shown.
    if (selectedRows.empty()) return;
  }
  // Every run measures from its own totals: rate, remaining time and the space check.
  c_ = Counters{};
  if (selectionMode_) {
    selected_ = std::move(selectedRows);
    for (auto r : selected_) c_.totalBytes += static_cast<double>(entries_[r].Size);
    c_.filesTotal = static_cast<std::int64_t>(selected_.size());
  } else {
    c_ = CountAllEntries();
  }
  c_.currentBytes = c_.startBytes = c_.bytesBefore;
  view_.RefreshCounts();
  view_.RefreshRate();
  if (!SpaceSuffices()) {
    view_.ShowMessage(817, "");
    return;
  }
  std::size_t row;
  if (selectionMode_) {
    position_ = 0;
    row = selected_[0];
    view_.FocusRow(row, false);
  } else {
    row = FirstIncompleteFrom(0);
    if (row == entries_.size()) {
      Finish(kFinished);
      return;
    }
    position_ = row;
    view_.FocusRow(row, true);
  }
  if (StartEntry(row)) view_.StartTimer();
}

bool DownloadRun::StartEntry(std::size_t row) {
  row_ = row;
  const auto& e = entries_[row];
  view_.SetBar(0);
  if (!UrlAcceptable(e.Url)) {
    view_.StopTimer();
    view_.SetRowStatus(row, e.Complete ? 220 : 0);
    view_.ShowMessage(819, e.LocalName + ": " + e.Url);
    view_.SetButtonState(kIdle);
    return false;
  }
  view_.SetRowStatus(row, 222);
  stopping_ = false;
  c_.reportCount = 0;
  fileProgress_ = 0;
  fileTicks_ = 0;
  const bool started = worker_->Start(
      FetchJob{e.Url, folder_ / e.Path, e.Size}, [this](std::int64_t p, std::int64_t m) { OnReport(p, m); },
      [this](const FetchResult& r) { OnDone(r); });
  if (!started) {
    view_.StopTimer();
    view_.SetRowStatus(row, e.Complete ? 220 : 0);
    view_.ShowMessage(820, "");
    view_.SetButtonState(kIdle);
    return false;
  }
  busy_ = true;
  view_.SetButtonState(kDownloading);
  return true;
}

void DownloadRun::Abort(int message) {
  stopping_ = true;
  worker_->RequestStop();
  view_.StopTimer();
  view_.ShowMessage(message, entries_[row_].LocalName);
  view_.SetButtonState(kIdle);
}

void DownloadRun::OnReport(std::int64_t progress, std::int64_t max) {
  if (!busy_ || stopping_) return;
  fileProgress_ = progress;
  if (max <= 0) return;
  view_.SetBar(BarPosition(progress, max));
  c_.currentBytes = static_cast<double>(progress) + c_.bytesBefore;
  if (++c_.reportCount > settings_.reportsPerSample) c_.reportCount = 1;
  if (c_.reportCount != settings_.reportsPerSample) return;
  view_.RefreshCounts();
  if (!SpaceSuffices()) {
    Abort(817);
  } else {
    StallSample(progress);
  }
}

// One sample of the stall rule: the file has not grown since the last sample.
void DownloadRun::StallSample(std::int64_t progress) {
  if (progress == c_.lastSampled) {
    if (++c_.stallCount >= settings_.stallSamples) Abort(822);
  } else {
    c_.lastSampled = progress;
  }
}

void DownloadRun::Tick() {
  if (busy_ && !stopping_ && settings_.stallSampleSeconds > 0 && ++fileTicks_ % settings_.stallSampleSeconds == 0)
    StallSample(fileProgress_);
  c_.elapsed = std::llabs(c_.elapsed + 1);
  c_.rate = std::fabs(c_.currentBytes - c_.startBytes) * 8 / (static_cast<double>(c_.elapsed) * 1048576.0);
  c_.remaining = c_.rate > 0 ? static_cast<std::int64_t>(std::fabs(c_.totalBytes - c_.currentBytes) * 8 /
                                                         (c_.rate * 1048576.0))
                             : 0;
  view_.RefreshRate();
}

void DownloadRun::Finish(int state) {
  view_.StopTimer();
  view_.ShowMessage(263, "");
  view_.SetButtonState(state);
  if (state == kFinished) launch_ = true;
  busy_ = false;
}

void DownloadRun::OnDone(const FetchResult& result) {
  worker_->Join();
  c_.lastSampled = 0;
  c_.stallCount = 0;
  auto& e = entries_[row_];
  if (!result.ok) {
    busy_ = false;
    view_.StopTimer();
    view_.SetRowStatus(row_, e.Complete ? 220 : 0);
    view_.ShowMessage(261, result.error);
    view_.SetButtonState(kIdle);
    return;
  }
  // The file has its declared size on disk now, whatever else happens.
  e.Complete = true;
  view_.SetRowStatus(row_, 220);
  view_.SetBar(100);
  ++c_.filesDone;
  c_.currentBytes = c_.bytesBefore + static_cast<double>(e.Size);
  view_.RefreshCounts();
  if (!SpaceSuffices() && c_.totalBytes > c_.currentBytes) {
    busy_ = false;
    view_.StopTimer();
    view_.ShowMessage(817, "");
    view_.SetButtonState(kIdle);
    return;
  }
  c_.bytesBefore = c_.currentBytes;
  if (selectionMode_) {
    if (++position_ < selected_.size()) {
      view_.FocusRow(selected_[position_], false);
      Continue(selected_[position_]);
    } else {
      selected_.clear();
      Finish(kIdle);
    }
    return;
  }
  const std::size_t next = FirstIncompleteFrom(position_);
  if (next == entries_.size()) {
    Finish(kFinished);
    return;
  }
  position_ = next;
  view_.FocusRow(next, true);
  Continue(next);
}

bool DownloadRun::Continue(std::size_t row) {
  if (StartEntry(row)) return true;
  busy_ = false;
  return false;
}

}  // namespace quillget
