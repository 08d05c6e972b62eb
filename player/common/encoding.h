#pragma once
// Conversion between the titles' Shift-JIS (code page 932) and UTF-8 for everything that
// leaves the player or enters it from the host: logs, terminal output, window titles, file names.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

// Bytes that are not valid code page 932 become U+FFFD; never fails.
std::string SjisToUtf8(std::string_view sjis);
// nullopt when some bytes are not valid code page 932 (for matching names exactly).
std::optional<std::string> SjisToUtf8Strict(std::string_view sjis);
// nullopt when the text holds a character code page 932 cannot represent or is not valid UTF-8.
std::optional<std::string> Utf8ToSjis(std::string_view utf8);

// The conversions through the generated code page 932 tables (cp932_table.h), which the
// browser's build uses for the functions above; the desktop's tests compare them with iconv.
namespace detail {
std::string SjisToUtf8ByTable(std::string_view sjis);
std::optional<std::string> Utf8ToSjisByTable(std::string_view utf8);
}  // namespace detail

// One character of a UTF-8 text: its code point and its bytes within the text.
struct Utf8Char {
  char32_t cp;
  std::string_view bytes;
};

// The one rule for UTF-8 that comes in from the host (typed or pasted text, dialog fields, file
// names): a character is the shortest encoding of a Unicode scalar value (at most U+10FFFF, no
// surrogate). Every byte that does not start such a character (a stray continuation byte, a
// sequence cut short, an overlong form, a surrogate, a value past U+10FFFF, the bytes C0, C1 and
// F5..FF) gives U+FFFD with no bytes, and decoding goes on at the next byte. Never reads past
// the end of the text.
std::vector<Utf8Char> DecodeUtf8(std::string_view utf8);
// The first character of a text by the rule above; U+FFFD with no bytes when the text is empty.
Utf8Char FirstUtf8Char(std::string_view utf8);

}  // namespace mavlet
