// Number texts; see format.h.
#include "downloader/core/format.h"

#include <cmath>
#include <array>
#include <cstdio>

namespace quillget {

std::string GroupThousands(std::string_view text) {
  const auto dot = text.rfind('.');
  std::string head(text.substr(0, dot));
  const std::string_view tail = dot == std::string_view::npos ? std::string_view{} : text.substr(dot);
  std::string grouped;
  while (head.size() > 3) {
    grouped = "," + head.substr(head.size() - 3) + grouped;
    head.resize(head.size() - 3);
  }
  std::string out = head + grouped + std::string(tail);
  if (out.size() > 64) out.resize(64);
  return out;
}

namespace {
std::string Printf(const char* format, double value) {
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}
}  // namespace

std::string BytesText(double bytes) { return GroupThousands(Printf("%.0f", bytes)); }
std::string RateText(double mbps) { return GroupThousands(Printf("%.1f", mbps)); }

std::string TimeText(std::int64_t secs) {
  if (secs < 0) secs = 0;
  return GroupThousands(std::to_string(secs / 3600)) + ":" + std::to_string(secs / 60 % 60) + ":" +
         std::to_string(secs % 60);
}

int BarPosition(std::int64_t progress, std::int64_t max) {
  if (max <= 0 || progress <= 0) return 0;
  if (progress >= max) return 100;
  return static_cast<int>(static_cast<double>(progress) * 100.0 / static_cast<double>(max));
}

std::string FreeSpaceText(const Strings& s, double freeBytes) { return FillIn(s.Text(241), {BytesText(freeBytes)}); }

std::string FilesText(const Strings& s, std::int64_t done, std::int64_t total) {
  return FillIn(s.Text(242), {GroupThousands(std::to_string(done)), GroupThousands(std::to_string(total))});
}

std::string BytesPairText(const Strings& s, double current, double total) {
  return FillIn(s.Text(243), {BytesText(current), BytesText(total)});
}

std::string RateTimesText(const Strings& s, double mbps, std::int64_t elapsed, std::int64_t remaining) {
  const auto parts = [](std::int64_t t) {
    if (t < 0) t = 0;
    return std::array<std::string, 3>{GroupThousands(std::to_string(t / 3600)), std::to_string(t / 60 % 60),
                                      std::to_string(t % 60)};
  };
  const auto e = parts(elapsed), r = parts(remaining);
  return FillIn(s.Text(245), {RateText(mbps), e[0], e[1], e[2], r[0], r[1], r[2]});
}

}  // namespace quillget
