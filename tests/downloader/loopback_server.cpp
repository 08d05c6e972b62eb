// The loopback test server: one thread accepts, one thread per connection answers one request.
#include "tests/downloader/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace quillget::testing {
namespace {

constexpr std::int64_t kPeriod = 65521;  // prime, so shifted bodies are told apart

const std::string& PeriodBuffer() {
  static const std::string buffer = [] {
    std::string b(static_cast<std::size_t>(kPeriod + (1 << 18)), '\0');
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<char>(PatternByte(static_cast<std::int64_t>(i)));
    return b;
  }();
  return buffer;
}

bool SendAll(int fd, const char* data, std::size_t n) {
  while (n > 0) {
    const ssize_t k = ::send(fd, data, n, MSG_NOSIGNAL);
    if (k <= 0) return false;
    data += k;
    n -= static_cast<std::size_t>(k);
  }
  return true;
}

bool SendPattern(int fd, std::int64_t from, std::int64_t to) {
  const std::string& buf = PeriodBuffer();
  while (from < to) {
    const std::int64_t n = std::min<std::int64_t>(to - from, 1 << 18);
    if (!SendAll(fd, buf.data() + from % kPeriod, static_cast<std::size_t>(n))) return false;
    from += n;
  }
  return true;
}

// length -1 sends no Content-Length: the body ends when the connection closes.
bool SendHead(int fd, const std::string& status, std::int64_t length, const std::string& extra = "") {
  const std::string head = "HTTP/1.1 " + status + "\r\n" +
                           (length >= 0 ? "Content-Length: " + std::to_string(length) + "\r\n" : "") +
                           "Connection: close\r\n" + extra + "\r\n";
  return SendAll(fd, head.data(), head.size());
}

std::string HeaderValue(const std::string& request, const std::string& name) {
  const auto at = request.find("\r\n" + name + ": ");
  if (at == std::string::npos) return {};
  const auto from = at + name.size() + 4;
  return request.substr(from, request.find("\r\n", from) - from);
}

}  // namespace

std::uint8_t PatternByte(std::int64_t i) {
  const auto k = static_cast<std::uint64_t>(i % kPeriod);
  return static_cast<std::uint8_t>((k * 2654435761u) >> 13);
}

std::string Pattern(std::int64_t size, std::int64_t shift) {
  std::string s(static_cast<std::size_t>(size), '\0');
  for (std::int64_t i = 0; i < size; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>(PatternByte(i + shift));
  return s;
}

std::int64_t VersionShift(std::string_view name) {
  if (name.size() < 2 || (name[0] != 'v' && name[0] != 'm' && name[0] != 'w')) return 0;
  return std::atoll(std::string(name.substr(1)).c_str()) * 1009;
}

std::string VersionValidator(std::string_view name) {
  const std::int64_t n = VersionShift(name) / 1009;
  if (name.empty() || n == 0) return {};
  if (name[0] == 'v') return "\"" + std::string(name) + "\"";
  return "Sun, " + std::string(n < 10 ? "0" : "") + std::to_string(n) + " Nov 2026 10:00:00 GMT";
}

LoopbackServer::LoopbackServer(int maxConnections, std::chrono::seconds lifetime)
    : maxConnections_(maxConnections), deadline_(std::chrono::steady_clock::now() + lifetime) {
  PeriodBuffer();
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listenFd_, 16) != 0 || ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    throw std::runtime_error("loopback server: cannot listen");
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
  stop_ = true;
  acceptor_.join();
  for (auto& t : connections_) t.join();
  ::close(listenFd_);
}

std::string LoopbackServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> LoopbackServer::RangeHeaders() const {
  std::lock_guard lock(mutex_);
  return ranges_;
}

std::vector<std::string> LoopbackServer::IfRangeHeaders() const {
  std::lock_guard lock(mutex_);
  return ifRanges_;
}

void LoopbackServer::WaitUntilDone() {
  while (!stop_ && std::chrono::steady_clock::now() < deadline_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

void LoopbackServer::AcceptLoop() {
  int accepted = 0;
  while (!stop_ && accepted < maxConnections_ && std::chrono::steady_clock::now() < deadline_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++accepted;
    connections_.emplace_back([this, fd] {
      Serve(fd);
      ::close(fd);
    });
  }
}

void LoopbackServer::Serve(int fd) {
  std::string request;
  char buf[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
    pollfd p{fd, POLLIN, 0};
    if (stop_ || ::poll(&p, 1, 5000) <= 0) return;
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return;
    request.append(buf, static_cast<std::size_t>(n));
  }
  ++requests_;
  const auto sp1 = request.find(' '), sp2 = request.find(' ', sp1 + 1);
  const std::string path = request.substr(sp1 + 1, sp2 - sp1 - 1);
  std::string range;
  if (auto r = request.find("\r\nRange: bytes="); r != std::string::npos)
    range = request.substr(r + 15, request.find("\r\n", r + 2) - r - 15);
  const std::string ifRange = HeaderValue(request, "If-Range");
  {
    std::lock_guard lock(mutex_);
    ranges_.push_back(range);
    ifRanges_.push_back(ifRange);
  }
  // /MODE/SIZE/NAME
  const auto s1 = path.find('/', 1), s2 = path.find('/', s1 + 1);
  std::string mode = path.substr(1, s1 - 1);
  const std::int64_t size = std::atoll(path.substr(s1 + 1, s2 - s1 - 1).c_str());
  const std::string rest = path.substr(s1 + 1);
  const std::string name = s2 == std::string::npos ? std::string() : path.substr(s2 + 1);
  const std::int64_t shift = VersionShift(name);
  const std::string validator = VersionValidator(name);
  std::string extra;
  if (name[0] == 'v') extra = "ETag: " + validator + "\r\n";
  if (name[0] == 'w') extra = "ETag: W/\"" + name + "\"\r\n";
  if (name[0] == 'm' || name[0] == 'w') extra += "Last-Modified: " + validator + "\r\n";
  if (validator.empty()) extra.clear();
  // A range is served only for the version If-Range names.
  if (!ifRange.empty() && ifRange != validator) range.clear();
  auto sendPattern = [&](std::int64_t from, std::int64_t to) { return SendPattern(fd, from + shift, to + shift); };

  if (mode == "reset" && !resetDone_.exchange(true)) {
    SendHead(fd, "200 OK", size);
    SendPattern(fd, 0, size / 2);
    linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    return;
  }
  if (mode == "busy" && !busyDone_.exchange(true)) {
    SendHead(fd, "503 Service Unavailable", 4);
    SendAll(fd, "busy", 4);
    return;
  }
  if (mode == "reset" || mode == "busy") mode = "plain";

  if (mode == "plain" && !range.empty()) {
    const std::int64_t from = std::atoll(range.c_str());
    if (from >= size) {
      SendHead(fd, "416 Range Not Satisfiable", 0, "Content-Range: bytes */" + std::to_string(size) + "\r\n");
      return;
    }
    SendHead(fd, "206 Partial Content", size - from,
             extra + "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(size - 1) + "/" +
                 std::to_string(size) + "\r\n");
    sendPattern(from, size);
  } else if (mode == "plain" || mode == "norange") {
    SendHead(fd, "200 OK", size, extra) && sendPattern(0, size);
  } else if (mode == "short") {
    SendHead(fd, "200 OK", size, extra) && sendPattern(0, size / 2);
  } else if (mode == "nolength" && !range.empty()) {
    const std::int64_t from = std::atoll(range.c_str());
    SendHead(fd, "206 Partial Content", -1,
             "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(size - 1) + "/" +
                 std::to_string(size) + "\r\n") &&
        sendPattern(from, size);
  } else if (mode == "nolength") {
    SendHead(fd, "200 OK", -1) && sendPattern(0, size / 2);
  } else if (mode == "small") {
    SendHead(fd, "200 OK", size / 2) && sendPattern(0, size / 2);
  } else if (mode == "long") {
    SendHead(fd, "200 OK", size + 100) && sendPattern(0, size + 100);
  } else if (mode == "stall") {
    if (SendHead(fd, "200 OK", size) && sendPattern(0, size / 2)) {
      while (!stop_ && std::chrono::steady_clock::now() < deadline_) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0 && ::recv(fd, buf, sizeof buf, 0) <= 0) break;  // the client went away
      }
    }
  } else if (mode == "tofile") {
    SendHead(fd, "302 Found", 0, "Location: file:///etc/hostname\r\n");
  } else if (mode == "redirect") {
    SendHead(fd, "302 Found", 0, "Location: /plain/" + rest + "\r\n");
  } else {
    SendHead(fd, "404 Not Found", 9) && SendAll(fd, "not found", 9);
  }
  ::shutdown(fd, SHUT_WR);
}

}  // namespace quillget::testing
