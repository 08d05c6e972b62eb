#pragma once
// ASCII case folding and comparison, the one rule of the player and the title kit: only the
// letters A-Z and a-z fold; every other byte compares exactly. Two flavours:
//  - Shift-JIS text (variable names, keys, scenario words, archive entry names): the second byte
//    of a double-byte character is never folded ("Ｂ" is 82 61 and stays so), so two different
//    kanji never match because a trail byte looks like a letter. A lead byte at the very end
//    stands alone. These are the functions without a suffix.
//  - Bytes of unknown encoding (file names on disk, UTF-8 or Shift-JIS, folded alike on both
//    sides; suffixes of extension checks): every byte folds. These end in "Bytes".
// Nothing here allocates beyond the returned copy, and nothing throws.
#include <cstddef>
#include <string>
#include <string_view>

namespace mavlet {

constexpr char AsciiToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char AsciiToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Shift-JIS text: trail bytes of double-byte characters never fold.
std::string AsciiUpper(std::string_view s);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
// A hash that agrees with EqualsIgnoreAsciiCase.
std::size_t HashIgnoreAsciiCase(std::string_view s);

// Every byte folds.
std::string AsciiUpperBytes(std::string_view s);
std::string AsciiLowerBytes(std::string_view s);
bool EqualsIgnoreAsciiCaseBytes(std::string_view a, std::string_view b);
bool EndsWithIgnoreAsciiCaseBytes(std::string_view s, std::string_view suffix);

}  // namespace mavlet
