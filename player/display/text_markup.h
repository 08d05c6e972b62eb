#pragma once
// The text window's markup: Shift-JIS text with backslash escapes for newline, alignment,
// explicit row length, inline scenario calls, text and shadow colours and variable values.
// ParseMarkup turns it into character and control tokens. Bad escapes never fail, except an
// alignment-length or inline-call argument that is not an integer (MavError naming it); variable
// values are substituted a bounded number of times, so a variable naming itself cannot loop.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

// One token: a character (its Shift-JIS code: the byte, or lead * 256 + trail) or a control code.
struct TCustomPmText {
  std::uint16_t Code = 0;          // 0 = empty cell
  std::int32_t Color = 0xFFFFFF;   // 0x00BBGGRR; the number of kSetLength and kInlineCall
  std::int32_t ShadowColor = 0;    // -1 = no shadow
  friend bool operator==(const TCustomPmText&, const TCustomPmText&) = default;
};

namespace pm {
inline constexpr std::uint16_t kNewline = 13;
inline constexpr std::uint16_t kSetLength = 0xFFFA;   // \a(n)
inline constexpr std::uint16_t kAlignRight = 0xFFFB;  // \r
inline constexpr std::uint16_t kAlignCentre = 0xFFFC; // \m
inline constexpr std::uint16_t kAlignLeft = 0xFFFD;   // \l
inline constexpr std::uint16_t kInlineCall = 0xFFFF;  // \i(n)
inline constexpr std::uint16_t kOpenName = 0x8179;    // 【
inline constexpr std::uint16_t kCloseName = 0x817A;   // 】
inline constexpr std::int32_t kNoShadow = -1;
// Bounds of variable substitution within one parse (count, and bytes of all values together):
// beyond them a variable escape gives nothing.
inline constexpr int kMaxSubstitutions = 64;
inline constexpr std::size_t kMaxExpandedBytes = 64 * 1024;
}  // namespace pm

// A variable's text by name (the variable store's ValueStr).
using MarkupVariables = std::function<std::string(std::string_view name)>;

struct MarkupOptions {
  std::int32_t color = 0xFFFFFF;
  std::int32_t shadow = 0;
  // Without it, variable escapes give nothing.
  const MarkupVariables* variables = nullptr;
};

struct MarkupResult {
  // Byte offset in the parsed text just after the first inline-call escape ("\i(n)"), taken
  // from the walk itself. An inline call that came out of a variable's value stops after that
  // variable escape. nullopt without an inline call.
  std::optional<std::size_t> first_call_end;
};

// Appends the tokens of text to tokens. Throws MavError for a "\a" or "\i" argument that is not
// an integer.
MarkupResult ParseMarkup(std::vector<TCustomPmText>& tokens, std::string_view text,
                         const MarkupOptions& options = {});

// Colour argument of "\c" and "\s": up to 8 hexadecimal digits as 32 bits ("ffffffff" is -1);
// anything else is 0.
std::int32_t MarkupHex(std::string_view arg);

// Characters 、..】 of the full-width punctuation block and the ASCII brackets.
constexpr bool IsPunctuation(std::uint16_t code) {
  return (code >= 0x8141 && code <= 0x817A) || code == '[' || code == ']';
}
// The bytes a token shows: "[" and "]" become 【 and 】, ASCII digits full-width digits, a
// double-byte code its two bytes, any other code its single byte.
std::string TokenText(std::uint16_t code);

}  // namespace mavlet
