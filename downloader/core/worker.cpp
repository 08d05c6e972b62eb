// Worker thread start, coalesced progress and the end report; see worker.h.
#include "downloader/core/worker.h"

#include <system_error>

namespace quillget {

Worker::~Worker() {
  stop_.Request();
  Join();
}

void Worker::Join() {
  if (thread_.joinable()) thread_.join();
}

bool Worker::Start(FetchJob job, ReportFn onReport, DoneFn onDone) {
  Join();
  stop_.Reset();
  reportPending_->store(false);
  try {
    thread_ = std::thread([this, job = std::move(job), onReport = std::move(onReport), onDone = std::move(onDone)] {
      auto pending = reportPending_;
      const ProgressFn progress = [&](std::int64_t now, std::int64_t max) {
        if (pending->exchange(true)) return;  // the last one has not been shown yet
        post_([pending, onReport, now, max] {
          pending->store(false);
          onReport(now, max);
        });
      };
      FetchResult result = FetchFile(job, options_, progress, stop_);
      post_([onDone, result = std::move(result)] { onDone(result); });
    });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

}  // namespace quillget
