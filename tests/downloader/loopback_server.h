#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the downloader's tests and benchmark. Paths read
// /MODE/SIZE/NAME; the body is Pattern bytes of SIZE. Modes:
//   plain     200, or 206 for "Range: bytes=N-" (416 when N is at or past the end)
//   norange   200 with the whole body whatever the Range header says
//   missing   404
//   short     declares SIZE, sends half, closes          long   declares and sends SIZE + 100
//   small     declares and sends SIZE / 2 (a clean but too short answer)
//   stall     declares SIZE, sends half, then keeps the connection open without sending
//   tofile    302 to file:///etc/hostname                 redirect   302 to /plain/SIZE/NAME
//   reset     the first request sends half then resets the connection; later ones are plain
//   busy      the first request answers 503; later ones are plain
//   nolength  200 without Content-Length, half the body, then closes; a Range request gets the
//             rest (206, Content-Range, still without a length)
// NAME picks a version of the file: "vN" (strong ETag "vN"), "mN" (Last-Modified, day N) and "wN"
// (weak ETag and day N) serve the body shifted by N * 1009 pattern bytes, and a Range request
// whose If-Range is not that version's validator is answered with the whole body (200).
// Other names serve the unshifted body with no validator.
// Bounded: it serves at most maxConnections connections and stops by itself after lifetime.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quillget::testing {

// Byte i of every served body.
std::uint8_t PatternByte(std::int64_t i);
std::string Pattern(std::int64_t size, std::int64_t shift = 0);
// The body shift and the validator (ETag or date, "" for none) a NAME stands for.
std::int64_t VersionShift(std::string_view name);
std::string VersionValidator(std::string_view name);

class LoopbackServer {
 public:
  explicit LoopbackServer(int maxConnections = 200, std::chrono::seconds lifetime = std::chrono::seconds(120));
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  std::string Url(std::string_view path) const;
  int Requests() const { return requests_.load(); }
  std::vector<std::string> RangeHeaders() const;  // "" for requests without one
  std::vector<std::string> IfRangeHeaders() const;
  // Blocks until the lifetime ends (the benchmark's stand-alone server).
  void WaitUntilDone();

 private:
  void AcceptLoop();
  void Serve(int fd);

  int listenFd_ = -1;
  int port_ = 0;
  int maxConnections_;
  std::chrono::steady_clock::time_point deadline_;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::atomic<bool> resetDone_{false}, busyDone_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> ranges_, ifRanges_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

}  // namespace quillget::testing
