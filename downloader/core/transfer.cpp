// libcurl transfer of one file with resume, retries and the temporary-name rule; see transfer.h.
#include "downloader/core/transfer.h"

#include <curl/curl.h>

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

void RemoveQuietlyAt(const std::filesystem::path& p) {
  std::error_code ec;
  std::filesystem::remove(p, ec);
}

std::filesystem::path ValidatorPath(const std::filesystem::path& part) {
  auto p = part;
  p += ".validator";
  return p;
}

namespace {

// A validator goes into an If-Range header: printable ASCII only, and short.
bool ValidatorAcceptable(std::string_view v) {
  if (v.empty() || v.size() > kMaxValidator) return false;
  for (const char ch : v)
    if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) > 0x7e) return false;
  return true;
}

}  // namespace

bool WriteValidator(const std::filesystem::path& file, const std::string& value) {
  if (!ValidatorAcceptable(value)) return false;
  auto temp = file;
  temp += ".tmp";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  const std::string text = value + "\n";
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fflush(f) == 0 && ok;
  ok = ::fsync(::fileno(f)) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  std::error_code ec;
  if (ok) std::filesystem::rename(temp, file, ec);
  if (!ok || ec) {
    RemoveQuietlyAt(temp);
    return false;
  }
  return true;
}

std::string ReadValidator(const std::filesystem::path& file) {
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return {};
  char buf[kMaxValidator + 3];
  const std::size_t n = std::fread(buf, 1, sizeof buf, f);
  std::fclose(f);
  // Exactly one line of an acceptable value; anything else counts as no validator.
  if (n < 2 || n > kMaxValidator + 1 || buf[n - 1] != '\n') return {};
  const std::string value(buf, n - 1);
  return ValidatorAcceptable(value) ? value : std::string();
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
struct SlistDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// The headers of the last response (a redirect's are dropped when the next status line comes).
struct Headers {
  long status = 0;
  std::string etag, lastModified, contentRange;
};

struct Sink {
  std::FILE* file = nullptr;
  std::int64_t written = 0;  // bytes in the part file, including what was there before
  std::int64_t limit = 0;    // the declared size: more is refused at once
  std::int64_t offset = 0;   // where this try started
  bool tooLong = false;
  bool writeFailed = false;
  bool bodyStarted = false;
  bool rangeMismatch = false;  // a 206 that does not continue this part of this file
  const ProgressFn* progress = nullptr;
  StopFlag* stop = nullptr;
  Headers headers;
  std::filesystem::path validatorPath;
};

std::string Trimmed(std::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r' || v.back() == '\n'))
    v.remove_suffix(1);
  return std::string(v);
}

bool HeaderIs(std::string_view line, std::string_view name) {
  if (line.size() <= name.size() || line[name.size()] != ':') return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(line[i])) != std::tolower(static_cast<unsigned char>(name[i])))
      return false;
  return true;
}

size_t Header(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const std::string_view line(data, size * count);
  Headers& h = sink->headers;
  if (line.substr(0, 5) == "HTTP/") {
    h = Headers{};
    const auto sp = line.find(' ');
    if (sp != std::string_view::npos) h.status = std::atol(std::string(line.substr(sp + 1, 3)).c_str());
  } else if (HeaderIs(line, "ETag")) {
    h.etag = Trimmed(line.substr(5));
  } else if (HeaderIs(line, "Last-Modified")) {
    h.lastModified = Trimmed(line.substr(14));
  } else if (HeaderIs(line, "Content-Range")) {
    h.contentRange = Trimmed(line.substr(14));
  }
  return size * count;
}

// "bytes FIRST-LAST/TOTAL" continues a part of `offset` bytes of a file of `size` bytes.
bool RangeContinues(const std::string& contentRange, std::int64_t offset, std::int64_t size) {
  long long first = -1, last = -1, total = -1;
  char tail = 0;
  if (std::sscanf(contentRange.c_str(), "bytes %lld-%lld/%lld%c", &first, &last, &total, &tail) != 3) return false;
  return first == offset && total == size && last == size - 1;
}

// When the body begins: a fresh part keeps the validator of what it holds; a continued part must
// have been answered with the rest of a file of the declared size.
bool BodyStarts(Sink& sink) {
  sink.bodyStarted = true;
  const Headers& h = sink.headers;
  if (sink.offset == 0) {
    if (h.status == 200) {
      // A weak entity tag never matches in If-Range: fall back to the date then.
      const bool strong = !h.etag.empty() && h.etag.front() == '"';
      if (!WriteValidator(sink.validatorPath, strong ? h.etag : h.lastModified)) RemoveQuietlyAt(sink.validatorPath);
    }
    return true;
  }
  if (h.status == 206 && !RangeContinues(h.contentRange, sink.offset, sink.limit)) {
    sink.rangeMismatch = true;
    return false;
  }
  return true;
}

size_t Write(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  if (!sink->bodyStarted && !BodyStarts(*sink)) return 0;
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

// The part and the validator that belongs to it.
void RemovePart(const std::filesystem::path& part) {
  RemoveQuietlyAt(part);
  RemoveQuietlyAt(ValidatorPath(part));
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
      RemovePart(part);
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
      Sink sink;
      sink.file = file.get();
      sink.written = sink.offset = offset;
      sink.limit = job.size;
      sink.progress = &progress;
      sink.stop = &stop;
      sink.validatorPath = ValidatorPath(part);
      // A part continues only the version of the file it was begun on: with the server's
      // validator beside it the request carries If-Range, and a changed file comes back whole
      // (200), which starts the part over. A part without one is continued only when the
      // answer's Content-Range is the rest of a file of the declared size.
      std::unique_ptr<curl_slist, SlistDeleter> requestHeaders;
      if (offset > 0) {
        const std::string validator = ReadValidator(sink.validatorPath);
        if (!validator.empty()) requestHeaders.reset(curl_slist_append(nullptr, ("If-Range: " + validator).c_str()));
      } else {
        RemoveQuietlyAt(sink.validatorPath);
      }
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
      curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, Header);
      curl_easy_setopt(c, CURLOPT_HEADERDATA, &sink);
      if (requestHeaders) curl_easy_setopt(c, CURLOPT_HTTPHEADER, requestHeaders.get());
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
      curl_off_t announced = -1;
      curl_easy_getinfo(c, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
      const bool flushed = std::fflush(file.get()) == 0;
      file.reset();
      const std::string what = curlError[0] ? curlError : curl_easy_strerror(code);

      if (code == CURLE_OK && !flushed) {
        error = "writing " + part.string() + " failed";
        end = TryEnd::Fail;
      } else if (code == CURLE_OK && announced < 0 && sink.written < job.size) {
        // Without a length a cut-off body ends like a whole one: keep the part and continue it.
        error =
            "the connection ended after " + std::to_string(sink.written) + " of " + std::to_string(job.size) + " bytes";
        end = TryEnd::Retry;
      } else if (code == CURLE_OK) {
        end = TryEnd::Done;
      } else if (stop.Requested() || code == CURLE_ABORTED_BY_CALLBACK) {
        result.stopped = true;
        result.error = where + ": stopped";
        if (LocalFileSize(part) == 0) RemovePart(part);
        return result;
      } else if (sink.tooLong) {
        RemovePart(part);
        result.error = where + ": the server sent more than the declared " + std::to_string(job.size) + " bytes";
        return result;
      } else if (sink.writeFailed) {
        error = "writing " + part.string() + " failed: " + std::strerror(errno);
        end = TryEnd::Fail;
      } else if (offset > 0 &&
                 (sink.rangeMismatch || code == CURLE_RANGE_ERROR || code == CURLE_FTP_COULDNT_USE_REST ||
                  status == 416) &&
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
        RemovePart(part);
        result.error = where + ": the server sent " + std::to_string(got) + " bytes, the definition says " +
                       std::to_string(job.size);
        return result;
      }
      std::filesystem::rename(part, job.target, ec);
      if (ec) {
        result.error = where + ": cannot rename the finished file: " + ec.message();
        return result;
      }
      RemoveQuietlyAt(ValidatorPath(part));
      result.ok = true;
      return result;
    }
    if (end == TryEnd::Restart) {
      RemovePart(part);
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
    if (LocalFileSize(part) == 0) RemovePart(part);
    result.error = where + ": " + error + (attempt > 1 ? " (after " + std::to_string(attempt) + " tries)" : "");
    return result;
  }
}

}  // namespace quillget
