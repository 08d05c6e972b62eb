// libcurl transfer of one file with resume, retries and the temporary-name rule; see transfer.h.
#include "downloader/core/transfer.h"

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "downloader/core/definition.h"

namespace quillget {

void StopFlag::Request() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  cv_.notify_all();
}

void StopFlag::Reset() {
  std::lock_guard lock(mutex_);
  stop_ = false;
}

bool StopFlag::WaitFor(std::chrono::milliseconds d) {
  std::unique_lock lock(mutex_);
  return cv_.wait_for(lock, d, [this] { return stop_.load(); });
}

namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct CurlUrlDeleter {
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

struct Sink {
  std::FILE* file = nullptr;
  std::int64_t written = 0;  // bytes in the part file, including what was there before
  std::int64_t limit = 0;    // the declared size: more is refused at once
  std::int64_t offset = 0;   // where this try started
  bool tooLong = false;
  bool writeFailed = false;
  const ProgressFn* progress = nullptr;
  StopFlag* stop = nullptr;
};

size_t Write(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const auto n = static_cast<std::int64_t>(size * count);
  if (sink->written + n > sink->limit) {
    sink->tooLong = true;
    return 0;
  }
  if (std::fwrite(data, 1, size * count, sink->file) != size * count) {
    sink->writeFailed = true;
    return 0;
  }
  sink->written += n;
  return size * count;
}

int Progress(void* user, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) {
  auto* sink = static_cast<Sink*>(user);
  if (sink->stop->Requested()) return 1;
  if (*sink->progress) (*sink->progress)(sink->offset + dlnow, dltotal > 0 ? sink->offset + dltotal : 0);
  return 0;
}

bool Transient(CURLcode code, long status) {
  switch (code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
      return true;
    case CURLE_HTTP_RETURNED_ERROR:
      return status >= 500;
    default:
      return false;
  }
}

void RemoveQuietly(const std::filesystem::path& p) {
  std::error_code ec;
  std::filesystem::remove(p, ec);
}

enum class TryEnd { Done, Retry, Restart, Fail };

}  // namespace

std::filesystem::path PartPath(const std::filesystem::path& target) {
  auto p = target;
  p += ".part";
  return p;
}

bool UrlAcceptable(const std::string& url) {
  if (url.empty()) return false;
  std::unique_ptr<CURLU, CurlUrlDeleter> u(curl_url());
  if (!u || curl_url_set(u.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return false;
  char* scheme = nullptr;
  if (curl_url_get(u.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return false;
  const std::string s = scheme;
  curl_free(scheme);
  char* host = nullptr;
  const bool hasHost = curl_url_get(u.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK && host && *host;
  curl_free(host);
  // libcurl also takes "http:/x"; only the written-out form "scheme://host" is an address here.
  return hasHost && url.compare(s.size(), 3, "://") == 0 && (s == "http" || s == "https" || s == "ftp");
}

FetchResult FetchFile(const FetchJob& job, const FetchOptions& options, const ProgressFn& progress, StopFlag& stop) {
  GlobalInit();
  FetchResult result;
  const std::string where = job.target.string();
  if (!UrlAcceptable(job.url)) {
    result.error = where + ": not an http, https or ftp address: " + job.url;
    return result;
  }
  std::error_code ec;
  if (job.target.has_parent_path()) std::filesystem::create_directories(job.target.parent_path(), ec);
  if (ec) {
    result.error = where + ": cannot create its folder: " + ec.message();
    return result;
  }
  const auto part = PartPath(job.target);
  std::chrono::milliseconds pause = options.backoff;
  bool restarted = false;

  for (int attempt = 1;; ++attempt) {
    std::int64_t offset = LocalFileSize(part);
    if (offset < 0) offset = 0;
    if (offset > job.size) {
      RemoveQuietly(part);
      offset = 0;
    }
    std::string error;
    TryEnd end = TryEnd::Done;
    if (offset < job.size || job.size == 0) {
      std::unique_ptr<std::FILE, FileCloser> file(std::fopen(part.c_str(), offset > 0 ? "ab" : "wb"));
      if (!file) {
        result.error = where + ": cannot write " + part.string() + ": " + std::strerror(errno);
        return result;
      }
      std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 20);
      Sink sink{file.get(), offset, job.size, offset, false, false, &progress, &stop};
      std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
      if (!curl) {
        result.error = where + ": cannot set up the transfer";
        return result;
      }
      char curlError[CURL_ERROR_SIZE] = "";
      CURL* c = curl.get();
      curl_easy_setopt(c, CURLOPT_URL, job.url.c_str());
      curl_easy_setopt(c, CURLOPT_ERRORBUFFER, curlError);
      curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Write);
      curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
      curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
      curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
      curl_easy_setopt(c, CURLOPT_XFERINFODATA, &sink);
      curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
      curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
      curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
      curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
      curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
      curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
      if (options.lowSpeedSeconds > 0) {
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, options.lowSpeedSeconds);
      }
      curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
      curl_easy_setopt(c, CURLOPT_USERAGENT, "quillget/1.0");
      curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 256L * 1024);
      if (offset > 0) curl_easy_setopt(c, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(offset));

      const CURLcode code = curl_easy_perform(c);
      long status = 0;
      curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
      const bool flushed = std::fflush(file.get()) == 0;
      file.reset();
      const std::string what = curlError[0] ? curlError : curl_easy_strerror(code);

      if (code == CURLE_OK && !flushed) {
        error = "writing " + part.string() + " failed";
        end = TryEnd::Fail;
      } else if (code == CURLE_OK) {
        end = TryEnd::Done;
      } else if (stop.Requested() || code == CURLE_ABORTED_BY_CALLBACK) {
        result.stopped = true;
        result.error = where + ": stopped";
        if (LocalFileSize(part) == 0) RemoveQuietly(part);
        return result;
      } else if (sink.tooLong) {
        RemoveQuietly(part);
        result.error = where + ": the server sent more than the declared " + std::to_string(job.size) + " bytes";
        return result;
      } else if (sink.writeFailed) {
        error = "writing " + part.string() + " failed: " + std::strerror(errno);
        end = TryEnd::Fail;
      } else if (offset > 0 && (code == CURLE_RANGE_ERROR || code == CURLE_FTP_COULDNT_USE_REST || status == 416) &&
                 !restarted) {
        end = TryEnd::Restart;  // the server cannot continue this part: start again from zero
      } else if (Transient(code, status)) {
        error = what;
        end = TryEnd::Retry;
      } else {
        error = what;
        end = TryEnd::Fail;
      }
    }

    if (end == TryEnd::Done) {
      const std::int64_t got = LocalFileSize(part);
      if (got != job.size) {
        RemoveQuietly(part);
        result.error = where + ": the server sent " + std::to_string(got) + " bytes, the definition says " +
                       std::to_string(job.size);
        return result;
      }
      std::filesystem::rename(part, job.target, ec);
      if (ec) {
        result.error = where + ": cannot rename the finished file: " + ec.message();
        return result;
      }
      result.ok = true;
      return result;
    }
    if (end == TryEnd::Restart) {
      RemoveQuietly(part);
      restarted = true;
      --attempt;
      continue;
    }
    if (end == TryEnd::Retry && attempt < options.tries) {
      if (stop.WaitFor(pause)) {
        result.stopped = true;
        result.error = where + ": stopped";
        return result;
      }
      pause *= 2;
      continue;
    }
    if (LocalFileSize(part) == 0) RemoveQuietly(part);
    result.error = where + ": " + error + (attempt > 1 ? " (after " + std::to_string(attempt) + " tries)" : "");
    return result;
  }
}

}  // namespace quillget
