#pragma once
// Local calendar date and time for "@Year" .. "@Week". Injected so that tests fix the date.
namespace mavlet {

struct LocalDateTime {
  int year = 2000;
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 6;  // 0 = Sunday .. 6 = Saturday (2000-01-01 was a Saturday)
};

class LocalTimeSource {
 public:
  virtual ~LocalTimeSource() = default;
  virtual LocalDateTime Now() = 0;
};

// The machine's wall clock in the local time zone; the player's only reader of calendar time.
class SystemLocalTime final : public LocalTimeSource {
 public:
  LocalDateTime Now() override;
};

// A fixed date for tests and reproducible runs.
class FixedLocalTime final : public LocalTimeSource {
 public:
  explicit FixedLocalTime(LocalDateTime when = {}) : when_(when) {}
  void Set(const LocalDateTime& when) { when_ = when; }
  LocalDateTime Now() override { return when_; }

 private:
  LocalDateTime when_;
};

}  // namespace mavlet
