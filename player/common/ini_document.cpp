#include "player/common/ini_document.h"

#include <fstream>

#include "player/common/ascii_case.h"
#include "player/common/error.h"
#include "player/common/int_convert.h"

namespace mavlet {
namespace {

enum class Field { kSection, kName, kValue };

std::string Escape(std::string_view s, Field field) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<std::uint8_t>(s[i]);
    bool escape = b == '%' || b < 0x20 || b == 0x7F;
    if (field == Field::kValue && b == '\t') escape = false;
    if (field == Field::kName) {
      // "=" ends a name; a leading "[", ";" or "#" would read as a header or a comment.
      escape = escape || b == '=' || (i == 0 && (b == '[' || b == ';' || b == '#'));
    }
    if (escape) {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
    } else {
      out.push_back(static_cast<char>(b));
    }
  }
  return out;
}

std::string Unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const int hi = i + 2 < s.size() ? HexDigitValue(s[i + 1]) : -1;
    const int lo = hi >= 0 ? HexDigitValue(s[i + 2]) : -1;
    if (s[i] == '%' && lo >= 0) {
      out.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view text, IniDialect dialect) {
  const bool tolerant = dialect == IniDialect::kTolerant;
  if (tolerant && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  IniDocument doc;
  doc.sections_.push_back({std::string(), false, {}});
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view body = tolerant ? TrimBlanks(line) : line;

    const std::size_t close = tolerant ? body.find(']') : body.rfind(']');
    if (!body.empty() && body[0] == '[' && close != std::string_view::npos) {
      const std::string_view name = body.substr(1, close - 1);
      doc.sections_.push_back({tolerant ? std::string(TrimBlanks(name)) : Unescape(name), true, {}});
      continue;
    }
    if (tolerant && !body.empty() && body[0] == '[') {
      // An unclosed header still ends the section before it; no name finds the new one.
      doc.sections_.push_back({std::string(body), true, {}});
      continue;
    }
    Line entry;
    const std::size_t eq = body.find('=');
    if (body.empty() || body[0] == ';' || body[0] == '#' || eq == std::string_view::npos) {
      entry.name = std::string(line);
      entry.raw = true;
    } else if (tolerant) {
      entry.name = std::string(TrimBlanks(body.substr(0, eq)));
      entry.value = std::string(Unquote(TrimBlanks(body.substr(eq + 1))));
    } else {
      entry.name = Unescape(body.substr(0, eq));
      entry.value = Unescape(body.substr(eq + 1));
    }
    doc.sections_.back().lines.push_back(std::move(entry));
  }
  return doc;
}

std::string IniDocument::Format() const {
  std::string out;
  for (const Section& section : sections_) {
    if (section.header) out += "[" + Escape(section.name, Field::kSection) + "]\n";
    for (const Line& line : section.lines) {
      if (line.raw) {
        out += line.name;
      } else {
        out += Escape(line.name, Field::kName);
        out += '=';
        out += Escape(line.value, Field::kValue);
      }
      out += '\n';
    }
  }
  return out;
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view name) const {
  for (const Section& s : sections_) {
    if (!s.header || !EqualsIgnoreAsciiCase(s.name, section)) continue;
    for (const Line& line : s.lines) {
      if (!line.raw && EqualsIgnoreAsciiCase(line.name, name)) return line.value;
    }
  }
  return std::nullopt;
}

std::optional<std::string> ReadIniFile(const std::filesystem::path& file, std::uintmax_t max_bytes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const auto status = fs::status(file, ec);
  if (ec || !fs::exists(status)) {
    if (!ec || ec == std::errc::no_such_file_or_directory) return std::nullopt;
    throw MavError(file.string() + ": cannot read the file: " + ec.message());
  }
  if (!fs::is_regular_file(status)) throw MavError(file.string() + ": not a regular file");
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec) throw MavError(file.string() + ": cannot read the file: " + ec.message());
  if (size > max_bytes) {
    throw MavError(file.string() + ": the file is too large (" + std::to_string(size) + " bytes, at most " +
                   std::to_string(max_bytes) + ")");
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) throw MavError(file.string() + ": cannot open the file");
  std::string text(static_cast<std::size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) throw MavError(file.string() + ": cannot read the file");
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

std::string SetTolerantIniValue(std::string_view text, std::string_view section, std::string_view name,
                                std::string_view value) {
  // Blanks around names are no part of them, as the reader sees it.
  section = TrimBlanks(section);
  name = TrimBlanks(name);
  auto has_any = [](std::string_view s, std::string_view bytes) { return s.find_first_of(bytes) != s.npos; };
  if (has_any(section, "\r\n]") || has_any(name, "\r\n=") || has_any(value, "\r\n") ||
      name.empty()) {
    throw MavError("INI value \"" + std::string(name) + "\" of [" + std::string(section) +
                   "] cannot be written on one line");
  }
  const std::string entry = std::string(name) + "=" + std::string(value);
  const std::string_view bom = text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(0, 3) : std::string_view();
  std::string_view rest = text.substr(bom.size());

  // Offsets into text: where the first matching section's last non-blank line ends (the
  // insertion point), and whether we are inside that section.
  bool inside = false;
  bool seen_section = false;
  std::size_t insert_at = std::string_view::npos;
  std::size_t offset = bom.size();
  while (!rest.empty()) {
    const std::size_t eol = rest.find('\n');
    const std::size_t length = eol == std::string_view::npos ? rest.size() : eol + 1;
    std::string_view line = rest.substr(0, eol);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view body = TrimBlanks(line);
    if (!body.empty() && body[0] == '[') {
      const std::size_t close = body.find(']');
      const bool match = !seen_section && close != std::string_view::npos &&
                         EqualsIgnoreAsciiCase(TrimBlanks(body.substr(1, close - 1)), section);
      if (inside) break;  // the section ended without the value
      inside = match;
      if (match) {
        seen_section = true;
        insert_at = offset + length;
      }
    } else if (inside && !body.empty()) {
      const std::size_t eq = body[0] == ';' || body[0] == '#' ? std::string_view::npos : body.find('=');
      if (eq != std::string_view::npos && EqualsIgnoreAsciiCase(TrimBlanks(body.substr(0, eq)), name)) {
        // Replace the value only: the name as it was written and the line end stay.
        const std::size_t line_start = offset;
        const std::size_t eq_at = line_start + static_cast<std::size_t>(line.find('='));
        const std::size_t value_end = line_start + line.size();
        std::string out(text.substr(0, eq_at + 1));
        out += value;
        out += text.substr(value_end);
        return out;
      }
      insert_at = offset + length;
    }
    offset += length;
    rest.remove_prefix(length);
  }
  std::string out(text);
  if (seen_section) {
    // After the section's last entry; a last line without its line end gets one first.
    std::string insert = entry + "\n";
    if (insert_at > 0 && text[insert_at - 1] != '\n') insert = "\n" + insert;
    out.insert(insert_at, insert);
    return out;
  }
  if (out.size() > bom.size()) {
    if (out.back() != '\n') out += '\n';
    out += '\n';
  }
  out += "[" + std::string(section) + "]\n" + entry + "\n";
  return out;
}

}  // namespace mavlet
