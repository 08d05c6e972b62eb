#include "player/backend/posix/ini_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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
  doc.ini_ = IniDocument::Parse(text, IniDialect::kEscaped);
  for (Section& section : doc.ini_.Sections()) {
    if (section.header) section.name = NormalizeSettingsKey(section.name);
  }
  return doc;
}

std::string SettingsDocument::Format() const { return ini_.Format(); }

const SettingsDocument::Section* SettingsDocument::Find(std::string_view key) const {
  for (const Section& section : ini_.Sections()) {
    if (section.header && EqualsIgnoreAsciiCase(section.name, key)) return &section;
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
  for (const IniDocument::Line& line : section->lines) {
    if (!line.raw && EqualsIgnoreAsciiCase(line.name, name)) return line.value;
  }
  return std::nullopt;
}

void SettingsDocument::Set(std::string_view key, std::string_view name, std::string_view value) {
  const std::string normal = NormalizeSettingsKey(key);
  Section* section = Find(normal);
  if (!section) {
    std::vector<Section>& sections = ini_.Sections();
    // A blank line between sections keeps the file readable.
    if (!sections.empty() && (sections.back().header || !sections.back().lines.empty())) {
      sections.back().lines.push_back({std::string(), std::string(), true});
    }
    sections.push_back({normal, true, {}});
    section = &sections.back();
  }
  for (IniDocument::Line& line : section->lines) {
    if (!line.raw && EqualsIgnoreAsciiCase(line.name, name)) {
      line.value = std::string(value);
      return;
    }
  }
  // New values go after the last value line, before trailing blank lines and comments.
  auto at = section->lines.end();
  while (at != section->lines.begin() && std::prev(at)->raw) --at;
  section->lines.insert(at, IniDocument::Line{std::string(name), std::string(value), false});
}

bool SettingsDocument::DeleteTree(std::string_view key) {
  const std::string normal = NormalizeSettingsKey(key);
  if (normal.empty()) return false;
  std::vector<Section>& sections = ini_.Sections();
  const std::size_t before = sections.size();
  std::erase_if(sections, [&](const Section& s) {
    return s.header && (EqualsIgnoreAsciiCase(s.name, normal) || IsBelow(s.name, normal));
  });
  return sections.size() != before;
}

IniSettings::IniSettings(fs::path file, Log* log) : file_(std::move(file)), log_(log) {}

SettingsDocument IniSettings::Load() const {
  if (file_.empty()) return SettingsDocument::Parse("");
  const std::optional<std::string> text = ReadIniFile(file_, kMaxSettingsBytes);
  return SettingsDocument::Parse(text ? *text : std::string());
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
