#pragma once
// Conversion between the titles' Shift-JIS (code page 932) and UTF-8 for everything that
// leaves the player or enters it from the host: logs, terminal output, window titles, file names.
#include <optional>
#include <string>
#include <string_view>

namespace mavlet {

// Bytes that are not valid code page 932 become U+FFFD; never fails.
std::string SjisToUtf8(std::string_view sjis);
// nullopt when some bytes are not valid code page 932 (for matching names exactly).
std::optional<std::string> SjisToUtf8Strict(std::string_view sjis);
// nullopt when the text holds a character code page 932 cannot represent or is not valid UTF-8.
std::optional<std::string> Utf8ToSjis(std::string_view utf8);

}  // namespace mavlet
