#pragma once
// Where the player reports what it noticed: warnings, repeated errors, bounded loops.
// Messages are UTF-8. Passed to the objects that need it; no global logger.
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

enum class LogLevel { kInfo, kWarning, kError };

class Log {
 public:
  virtual ~Log() = default;
  virtual void Write(LogLevel level, std::string_view message) = 0;
  void Info(std::string_view m) { Write(LogLevel::kInfo, m); }
  void Warn(std::string_view m) { Write(LogLevel::kWarning, m); }
  void Error(std::string_view m) { Write(LogLevel::kError, m); }
};

// Writes one line per message to a stream (stderr in the tools).
class StreamLog : public Log {
 public:
  explicit StreamLog(std::ostream& out, LogLevel min_level = LogLevel::kWarning)
      : out_(out), min_level_(min_level) {}
  void Write(LogLevel level, std::string_view message) override {
    if (level < min_level_) return;
    static constexpr const char* kNames[] = {"info", "warning", "error"};
    out_ << kNames[static_cast<int>(level)] << ": " << message << '\n';
  }

 private:
  std::ostream& out_;
  LogLevel min_level_;
};

// Keeps messages for tests to inspect.
class MemoryLog : public Log {
 public:
  void Write(LogLevel level, std::string_view message) override {
    entries.push_back({level, std::string(message)});
  }
  struct Entry {
    LogLevel level;
    std::string message;
  };
  std::vector<Entry> entries;
};

}  // namespace mavlet
