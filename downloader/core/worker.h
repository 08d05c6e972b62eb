#pragma once
// The worker thread that fetches one file at a time. Its owner hands it a Poster: every report
// and the end of the download are handed back as closures to run on the owner's thread (the Qt
// event loop or the batch loop), so the owner's state is only ever touched there. Progress is
// coalesced: a new report is posted only once the previous one has been run, so a fast transfer
// cannot flood the owner's queue. The destructor stops and joins the thread, and a closure never
// outlives the worker's owner as long as the owner's queue dies with it.
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "downloader/core/transfer.h"

namespace quillget {

using Poster = std::function<void(std::function<void()>)>;

class Worker {
 public:
  using ReportFn = std::function<void(std::int64_t progress, std::int64_t max)>;
  using DoneFn = std::function<void(const FetchResult&)>;

  Worker(Poster post, FetchOptions options) : post_(std::move(post)), options_(options) {}
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // False when the thread cannot be created. A previous download must have ended (Join).
  bool Start(FetchJob job, ReportFn onReport, DoneFn onDone);
  void RequestStop() { stop_.Request(); }
  void Join();
  bool Running() const { return thread_.joinable(); }

 private:
  Poster post_;
  FetchOptions options_;
  StopFlag stop_;
  std::shared_ptr<std::atomic<bool>> reportPending_ = std::make_shared<std::atomic<bool>>(false);
  std::thread thread_;
};

}  // namespace quillget
