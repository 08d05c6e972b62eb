#include "player/vars/local_time.h"

#include <ctime>

namespace mavlet {

LocalDateTime SystemLocalTime::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  LocalDateTime result;
  if (localtime_r(&now, &parts) == nullptr) return result;
  result.year = parts.tm_year + 1900;
  result.month = parts.tm_mon + 1;
  result.day = parts.tm_mday;
  result.hour = parts.tm_hour;
  result.minute = parts.tm_min;
  // A leap second reads as the last ordinary second.
  result.second = parts.tm_sec > 59 ? 59 : parts.tm_sec;
  result.weekday = parts.tm_wday;
  return result;
}

}  // namespace mavlet
