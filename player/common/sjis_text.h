#pragma once
// Shift-JIS text routines used to cut scenario arguments and to compare and convert text.
// Strings are byte strings in code page 932; no routine ever splits a double-byte character.
// Positions and lengths count characters (a double-byte character counts once) and are 1-based
// where noted, as scenario authors write them. A lead byte takes the byte after it whatever that
// is; a lead byte at the very end stands alone.
#include <cstdint>
#include <string>
#include <string_view>

namespace mavlet {

// Lead bytes of code page 932: 0x81..0x9F and 0xE0..0xFC.
constexpr bool IsLeadByte(std::uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Whether byte position i (1-based) is the second byte of a double-byte character.
// Throws MavError("Illegal Index") when i is outside 1..s.size().
bool IsTrailByte(std::string_view s, std::size_t i);

int MbLength(std::string_view s);
// 1-based character position of needle in s, tried at character starts only; 0 when absent or empty.
int MbPos(std::string_view needle, std::string_view s);
// Characters start..start+count-1 (1-based), clipped to the text.
std::string MbCopy(std::string_view s, int start, int count);
// Removes characters start..start+count-1 in place; start below 1 counts as 1.
void MbDelete(std::string& s, int start, int count);

// Cuts s at the first byte (not a trail byte) found in delimiters; returns the head and leaves the
// rest after the delimiter in s. Without a delimiter the whole text is the head and s becomes empty.
std::string CutToken(std::string& s, std::string_view delimiters);
// Removes leading and trailing ASCII blanks and full-width blanks (0x81 0x40); tabs stay.
std::string TrimWide(std::string_view s);
// Trims control characters and blanks, then takes one word (a double-quoted word keeps its quotes).
std::string NextWord(std::string& s);
// Field n (0-based) of a comma-separated text; empty when absent.
std::string CsvField(std::string_view s, int n);
int CsvFieldInt(std::string_view s, int n, int fallback);

// Full-width ASCII forms to ASCII, lower-case ASCII to upper case, half-width katakana to full width.
std::string NormalizeText(std::string_view s);
// ASCII and half-width katakana to their full-width forms (the text input command).
std::string ToFullWidth(std::string_view s);

}  // namespace mavlet
