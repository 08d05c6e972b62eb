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
std::string Pattern(std::int64_t size);

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
  std::vector<std::string> ranges_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

}  // namespace quillget::testing
