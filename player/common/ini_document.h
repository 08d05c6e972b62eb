#pragma once
// The one INI reader of the player: text as sections of lines, kept whole so that a rewrite
// loses nothing (comments, blank lines and lines it does not understand stay as they were).
// Section and value names compare ignoring ASCII case, Shift-JIS aware (ascii_case.h); the first
// occurrence counts. Two dialects:
//  - kTolerant, for hand-edited configuration (mavlet.ini): a UTF-8 byte-order mark is skipped,
//    blanks (spaces, tabs) around lines, names and values are dropped, ";" and "#" start comment
//    lines, a section name ends at the first "]" (an unclosed "[" line starts a section that no
//    name finds), a value in matching quotes loses them.
//  - kEscaped, for files this program writes (registry.ini): bytes stand as they are, "%XX" in
//    section names, value names and values is a byte (Format writes "%", control characters and
//    bytes that would change a line's meaning so), a section name ends at the last "]".
// Lines end at "\n"; trailing "\r" are dropped. Parsing never fails and never throws.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

enum class IniDialect { kTolerant, kEscaped };

class IniDocument {
 public:
  struct Line {
    std::string name;  // value name, or the whole line when raw
    std::string value;
    bool raw = false;  // blank line, comment or unknown text
  };
  struct Section {
    std::string name;     // empty for the lines before the first section header
    bool header = true;   // false only for those lines
    std::vector<Line> lines;
  };

  static IniDocument Parse(std::string_view text, IniDialect dialect);
  // The text again in the escaped dialect: Parse(Format(), kEscaped) gives the same document.
  std::string Format() const;

  // The first value of that name in the first section of that name that holds one.
  std::optional<std::string> Find(std::string_view section, std::string_view name) const;

  std::vector<Section>& Sections() { return sections_; }
  const std::vector<Section>& Sections() const { return sections_; }

 private:
  std::vector<Section> sections_;
};

// Text of a hand-edited (tolerant) INI file with one value set: the first line of that name in
// the first section of that name gets the value, every other byte stays as it was; a missing
// value is added after the section's last non-blank line, a missing section at the end. Names compare as
// Find does. Throws MavError for a name or value that cannot stand on one line (a line break,
// or "]" in a section name, "=" in a value name).
std::string SetTolerantIniValue(std::string_view text, std::string_view section, std::string_view name,
                                std::string_view value);

// The whole of a small INI file. nullopt when it does not exist; throws MavError naming the
// file when it exists but is not a regular file, cannot be read or is larger than max_bytes.
std::optional<std::string> ReadIniFile(const std::filesystem::path& file, std::uintmax_t max_bytes);

}  // namespace mavlet
