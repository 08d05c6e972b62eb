#include "player/backend/posix/ini_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "player/common/ascii_case.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/common/sjis_text.h"

namespace mavlet {

namespace fs = std::filesystem;

namespace {

// A settings file holds a few keys; a file far larger than this is not one of ours.
constexpr std::uintmax_t kMaxSettingsBytes = 16u << 20;

enum class Field { kKey, kName, kValue };

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

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// Whether key lies below parent (both normalised): parent's characters, then a real "\".
bool IsBelow(std::string_view key, std::string_view parent) {
  if (key.size() <= parent.size() + 1) return false;
  if (!EqualsIgnoreAsciiCase(key.substr(0, parent.size()), parent)) return false;
  return key[parent.size()] == '\\' && !IsTrailByte(key, parent.size() + 1);
}

std::string ErrnoText(int err) { return std::strerror(err); }

}  // namespace

std::string NormalizeSettingsKey(std::string_view key) {
  std::string out;
  std::string part;
  auto flush = [&] {
    if (part.empty()) return;
    if (!out.empty()) out.push_back('\\');
    out += part;
    part.clear();
  };
  for (std::size_t i = 0; i < key.size();) {
    const auto b = static_cast<std::uint8_t>(key[i]);
    if (IsLeadByte(b) && i + 1 < key.size()) {
      part.append(key.substr(i, 2));
      i += 2;
    } else {
      if (b == '\\') flush();
      else part.push_back(static_cast<char>(b));
      ++i;
    }
  }
  flush();
  return out;
}

SettingsDocument SettingsDocument::Parse(std::string_view text) {
  SettingsDocument doc;
  doc.sections_.push_back({std::string(), false, {}});
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const std::size_t close = line.rfind(']');
    if (!line.empty() && line[0] == '[' && close != std::string_view::npos && close > 0) {
      doc.sections_.push_back({NormalizeSettingsKey(Unescape(line.substr(1, close - 1))), true, {}});
      continue;
    }
    Line entry;
    const std::size_t eq = line.find('=');
    if (line.empty() || line[0] == ';' || line[0] == '#' || eq == std::string_view::npos) {
      entry.name = std::string(line);
      entry.raw = true;
    } else {
      entry.name = Unescape(line.substr(0, eq));
      entry.value = Unescape(line.substr(eq + 1));
    }
    doc.sections_.back().lines.push_back(std::move(entry));
  }
  return doc;
}

std::string SettingsDocument::Format() const {
  std::string out;
  for (const Section& section : sections_) {
    if (section.header) out += "[" + Escape(section.key, Field::kKey) + "]\n";
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

const SettingsDocument::Section* SettingsDocument::Find(std::string_view key) const {
  for (const Section& section : sections_) {
    if (section.header && EqualsIgnoreAsciiCase(section.key, key)) return &section;
  }
  return nullptr;
}

SettingsDocument::Section* SettingsDocument::Find(std::string_view key) {
  return const_cast<Section*>(static_cast<const SettingsDocument*>(this)->Find(key));
}

std::optional<std::string> SettingsDocument::Get(std::string_view key, std::string_view name) const {
  const std::string normal = NormalizeSettingsKey(key);
  const Section* section = normal.empty() ? nullptr : Find(normal);
  if (!section) return std::nullopt;
  for (const Line& line : section->lines) {
    if (!line.raw && EqualsIgnoreAsciiCase(line.name, name)) return line.value;
  }
  return std::nullopt;
}

void SettingsDocument::Set(std::string_view key, std::string_view name, std::string_view value) {
  const std::string normal = NormalizeSettingsKey(key);
  Section* section = Find(normal);
  if (!section) {
    // A blank line between sections keeps the file readable.
    if (!sections_.empty() && (sections_.back().header || !sections_.back().lines.empty())) {
      sections_.back().lines.push_back({std::string(), std::string(), true});
    }
    sections_.push_back({normal, true, {}});
    section = &sections_.back();
  }
  for (Line& line : section->lines) {
    if (!line.raw && EqualsIgnoreAsciiCase(line.name, name)) {
      line.value = std::string(value);
      return;
    }
  }
  // New values go after the last value line, before trailing blank lines and comments.
  auto at = section->lines.end();
  while (at != section->lines.begin() && std::prev(at)->raw) --at;
  section->lines.insert(at, Line{std::string(name), std::string(value), false});
}

bool SettingsDocument::DeleteTree(std::string_view key) {
  const std::string normal = NormalizeSettingsKey(key);
  if (normal.empty()) return false;
  const std::size_t before = sections_.size();
  std::erase_if(sections_, [&](const Section& s) {
    return s.header && (EqualsIgnoreAsciiCase(s.key, normal) || IsBelow(s.key, normal));
  });
  return sections_.size() != before;
}

IniSettings::IniSettings(fs::path file, Log* log) : file_(std::move(file)), log_(log) {}

SettingsDocument IniSettings::Load() const {
  if (file_.empty()) return SettingsDocument::Parse("");
  std::error_code ec;
  const auto status = fs::status(file_, ec);
  if (ec || !fs::exists(status)) {
    if (!ec || ec == std::errc::no_such_file_or_directory) return SettingsDocument::Parse("");
    throw MavError(file_.string() + ": cannot read the settings: " + ec.message());
  }
  if (!fs::is_regular_file(status)) throw MavError(file_.string() + ": the settings file is not a regular file");
  const std::uintmax_t size = fs::file_size(file_, ec);
  if (ec) throw MavError(file_.string() + ": cannot read the settings: " + ec.message());
  if (size > kMaxSettingsBytes) throw MavError(file_.string() + ": the settings file is too large");
  std::ifstream in(file_, std::ios::binary);
  if (!in) throw MavError(file_.string() + ": cannot open the settings file");
  std::string text(static_cast<std::size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (in.bad()) throw MavError(file_.string() + ": cannot read the settings file");
  return SettingsDocument::Parse(text);
}

void IniSettings::Save(const SettingsDocument& doc) const {
  if (file_.empty()) throw MavError("no place for the settings file: neither XDG_CONFIG_HOME nor HOME is set");
  const fs::path folder = file_.parent_path();
  std::error_code ec;
  if (!folder.empty()) {
    fs::create_directories(folder, ec);
    if (ec) throw MavError(folder.string() + ": cannot create the settings folder: " + ec.message());
  }
  std::string temp = file_.string() + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) throw MavError(file_.string() + ": cannot write the settings: " + ErrnoText(errno));
  const std::string text = doc.Format();
  int err = 0;
  for (std::size_t done = 0; done < text.size() && err == 0;) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno != EINTR) err = errno;
    if (n > 0) done += static_cast<std::size_t>(n);
  }
  if (err == 0 && fsync(fd) != 0) err = errno;
  if (close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && rename(temp.c_str(), file_.c_str()) != 0) err = errno;
  if (err != 0) {
    unlink(temp.c_str());
    throw MavError(file_.string() + ": cannot write the settings: " + ErrnoText(err));
  }
  // Make the rename itself durable; a failure here loses nothing already written.
  const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

std::optional<std::string> IniSettings::ReadString(std::string_view key, std::string_view value) {
  try {
    return Load().Get(key, value);
  } catch (const MavError& e) {
    if (log_) log_->Warn(e.what());
    return std::nullopt;
  }
}

void IniSettings::WriteString(std::string_view key, std::string_view value, std::string_view text) {
  if (NormalizeSettingsKey(key).empty()) throw MavError(file_.string() + ": a setting needs a key name");
  // Loading must succeed: rewriting a file we could not read would lose its other keys.
  SettingsDocument doc = Load();
  doc.Set(key, value, text);
  Save(doc);
}

void IniSettings::DeleteKey(std::string_view key) {
  if (NormalizeSettingsKey(key).empty()) return;  // never wipe every setting
  SettingsDocument doc = Load();
  if (doc.DeleteTree(key)) Save(doc);
}

fs::path DefaultSettingsFile(const char* xdg_config_home, const char* home) {
  // Relative XDG paths are to be ignored.
  if (xdg_config_home && xdg_config_home[0] == '/') return fs::path(xdg_config_home) / "mavlet" / "registry.ini";
  if (home && home[0] != '\0') return fs::path(home) / ".config" / "mavlet" / "registry.ini";
  return {};
}

}  // namespace mavlet
