#pragma once
// One file over libcurl: http, https and ftp only (requests and redirects), the system's CA
// store and the environment's proxies. The body goes to "<local name>.part" beside the target;
// only a body of exactly the declared size is renamed over the target, so a stopped, failed or
// wrong-sized transfer never touches a file that was there. A cut-off part (also one cut by a
// server that sent no length) is resumed with a Range request next time, with If-Range and the
// validator kept beside the part, so a part is only ever finished from the same version of the
// file; it is restarted from zero when the server ignores ranges, the file changed, the answer
// is not the rest of a file of the declared size or the part is already too long. Transient
// failures (reset, timeout, 5xx) are tried again with a growing pause. Runs on the calling
// thread; StopFlag ends it from another one.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

namespace quillget {

struct FetchOptions {
  int tries = 3;
  std::chrono::milliseconds backoff{1000};  // pause after the first failed try, doubled after each
  long connectTimeoutSeconds = 30;
  long lowSpeedSeconds = 60;                // give up when under 1 byte/s this long; 0 turns it off
};

struct FetchJob {
  std::string url;
  std::filesystem::path target;  // absolute, or relative to the working folder
  std::int64_t size = 0;         // declared size
};

struct FetchResult {
  bool ok = false;
  bool stopped = false;
  std::string error;  // English, for the log and the terminal
};

// Set from any thread; wakes a pause between tries at once.
class StopFlag {
 public:
  void Request();
  void Reset();
  bool Requested() const { return stop_.load(std::memory_order_relaxed); }
  // Waits up to d; true when a stop was requested meanwhile.
  bool WaitFor(std::chrono::milliseconds d);

 private:
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable cv_;
};

// progress and max count the whole file (max 0 while the size is unknown).
using ProgressFn = std::function<void(std::int64_t progress, std::int64_t max)>;

// Whether libcurl parses url and its scheme is http, https or ftp.
bool UrlAcceptable(const std::string& url);
std::filesystem::path PartPath(const std::filesystem::path& target);

// The server's validator of what a part holds (its strong ETag, else its Last-Modified date), in
// "<part>.validator": one line, written to a temporary name and renamed, so it is never half
// written. Reading gives "" for a missing file and for anything that is not one line of at most
// kMaxValidator printable ASCII characters.
constexpr std::size_t kMaxValidator = 256;
std::filesystem::path ValidatorPath(const std::filesystem::path& part);
bool WriteValidator(const std::filesystem::path& file, const std::string& value);
std::string ReadValidator(const std::filesystem::path& file);
void RemoveQuietlyAt(const std::filesystem::path& p);
FetchResult FetchFile(const FetchJob& job, const FetchOptions& options, const ProgressFn& progress, StopFlag& stop);

}  // namespace quillget
