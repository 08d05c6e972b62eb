#pragma once
// Number texts of the dialog and the terminal: thousands grouping, byte, file, rate and time
// texts, and the progress bar position. Pure functions of their arguments.
#include <cstdint>
#include <string>
#include <string_view>

#include "downloader/core/strings.h"

namespace quillget {

// Inserts a comma before every group of three digits counted from the right, in the part before
// the last "."; at most 64 characters come back.
std::string GroupThousands(std::string_view text);
std::string BytesText(double bytes);      // "%.0f", grouped
std::string RateText(double mbps);        // "%.1f", grouped
std::string TimeText(std::int64_t secs);  // grouped hours, then unpadded minutes and seconds: "0:1:5"

// 0..100 for progress of max; 0 when max is 0 (size unknown), 100 when progress passes max.
int BarPosition(std::int64_t progress, std::int64_t max);

std::string FreeSpaceText(const Strings& s, double freeBytes);                         // 241
std::string FilesText(const Strings& s, std::int64_t done, std::int64_t total);        // 242
std::string BytesPairText(const Strings& s, double current, double total);             // 243
std::string RateTimesText(const Strings& s, double mbps, std::int64_t elapsed, std::int64_t remaining);  // 245

}  // namespace quillget
