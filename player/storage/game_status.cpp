#include "player/storage/game_status.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "player/common/error.h"
#include "player/common/int_convert.h"
#include "player/storage/packed_file.h"

namespace mavlet {
namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// Lines that begin with `prefix`.
int CountPrefix(const std::vector<std::string>& lines, std::string_view prefix) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                        [&](const std::string& l) { return StartsWith(l, prefix); }));
}

bool IsCountQuery(std::string_view key) { return !key.empty() && key.back() == '*'; }

// Bytes of the lines in the slot file's payload: each line ends with CR LF.
std::size_t LinesBytes(const std::vector<std::string>& lines) {
  std::size_t total = 0;
  for (const std::string& l : lines) total += l.size() + 2;
  return total;
}

}  // namespace

std::vector<std::string> SplitStatusLines(std::string_view payload) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < payload.size()) {
    const char c = payload[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.emplace_back(payload.substr(start, i - start));
    i += (c == '\r' && i + 1 < payload.size() && payload[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  if (start < payload.size()) lines.emplace_back(payload.substr(start));
  return lines;
}

std::string TGameStatus::SlotFileName(int slot) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "save%.2d", slot);
  return buf;
}

TGameStatus::TGameStatus(std::filesystem::path folder, int slot) : folder_(std::move(folder)), slot_(slot) {
  if (folder_.empty()) return;
  file_ = folder_ / SlotFileName(slot);
  Load();
}

TGameStatus::TGameStatus(FromFile, std::filesystem::path slot_file) : slot_(-1) {
  if (slot_file.empty()) throw MavError("no slot file named");
  file_ = std::move(slot_file);
  folder_ = file_.parent_path();
  if (folder_.empty()) folder_ = ".";
  Load();
}

TGameStatus TGameStatus::OpenFile(std::filesystem::path slot_file) {
  return TGameStatus(FromFile{}, std::move(slot_file));
}

void TGameStatus::Load() {
  std::error_code ec;
  if (!std::filesystem::exists(file_, ec)) return;
  const ByteBuffer payload = UnpackFile(file_);
  lines_ = SplitStatusLines(std::string_view(reinterpret_cast<const char*>(payload.data()), payload.size()));
  payload_bytes_ = LinesBytes(lines_);
}

TGameStatus::~TGameStatus() {
  try {
    Flush();
  } catch (...) {
    // Callers that care have flushed already and seen the error.
  }
}

void TGameStatus::Flush() {
  if (!modified_ || file_.empty()) return;
  const std::filesystem::path folder = file_.parent_path();
  if (!folder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) throw MavError(folder.string() + ": cannot create the save folder (" + ec.message() + ")");
  }
  std::string payload;
  payload.reserve(payload_bytes_);
  for (const std::string& l : lines_) {
    payload += l;
    payload += "\r\n";
  }
  PackToFile(file_, std::span(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()));
  modified_ = false;
}

void TGameStatus::ClearKeepHeader() {
  const auto removed = std::erase_if(lines_, [](const std::string& l) { return !StartsWith(l, "Header="); });
  if (removed > 0) {
    modified_ = true;
    key_index_valid_ = false;
    payload_bytes_ = LinesBytes(lines_);
  }
}

std::vector<std::string>::const_iterator TGameStatus::KeyPosition(std::string_view key) const {
  if (key.find('=') != std::string_view::npos) {
    // Keys never hold "=", but a caller may still ask: the plain rule is a line beginning with
    // the key and "=".
    return std::find_if(lines_.begin(), lines_.end(), [&](const std::string& l) {
      return l.size() > key.size() && l[key.size()] == '=' && StartsWith(l, key);
    });
  }
  if (!key_index_valid_) {
    key_index_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const std::size_t eq = lines_[i].find('=');
      if (eq != std::string::npos) key_index_.try_emplace(lines_[i].substr(0, eq), i);
    }
    key_index_valid_ = true;
  }
  const auto it = key_index_.find(std::string(key));
  return it == key_index_.end() ? lines_.end() : lines_.begin() + static_cast<std::ptrdiff_t>(it->second);
}

void TGameStatus::WriteLine(std::string_view key, std::string line) {
  const auto pos = KeyPosition(key);
  const std::size_t old_bytes = pos == lines_.end() ? 0 : pos->size() + 2;
  const std::size_t new_bytes = payload_bytes_ - old_bytes + line.size() + 2;
  if (new_bytes > size_limit_ && new_bytes > payload_bytes_) {
    const std::string name = file_.empty() ? "slot " + std::to_string(slot_) : file_.string();
    throw MavError(name + ": the saved data would be larger than " + std::to_string(size_limit_) +
                   " bytes; not written");
  }
  payload_bytes_ = new_bytes;
  if (pos == lines_.end()) {
    if (key_index_valid_) key_index_.try_emplace(line.substr(0, line.find('=')), lines_.size());
    lines_.push_back(std::move(line));
  } else {
    lines_[static_cast<std::size_t>(pos - lines_.begin())] = std::move(line);
  }
  modified_ = true;
}

void TGameStatus::WriteString(std::string_view key, std::string_view text) {
  std::string line(key);
  line += '=';
  line += text;
  // A line break inside a value would split the line when the slot is read back, cutting the
  // value and turning its rest into a stray key. Shift-JIS never uses CR or LF as a second byte.
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  WriteLine(key, std::move(line));
}

void TGameStatus::WriteInteger(std::string_view key, std::int32_t value) {
  WriteString(key, std::to_string(value));
}

void TGameStatus::WriteBool(std::string_view key, bool value) { WriteString(key, value ? "1" : "0"); }

bool TGameStatus::HasKey(std::string_view key) const {
  return IsCountQuery(key) || KeyPosition(key) != lines_.end();
}

std::string TGameStatus::ReadString(std::string_view key, std::string_view fallback) const {
  if (IsCountQuery(key)) return std::to_string(CountPrefix(lines_, key.substr(0, key.size() - 1)));
  const auto pos = KeyPosition(key);
  if (pos == lines_.end()) return std::string(fallback);
  return pos->substr(key.size() + 1);
}

std::int32_t TGameStatus::ReadInteger(std::string_view key, std::int32_t fallback) const {
  if (IsCountQuery(key)) return CountPrefix(lines_, key.substr(0, key.size() - 1));
  const auto pos = KeyPosition(key);
  if (pos == lines_.end()) return fallback;
  return ParseIntOr(std::string_view(*pos).substr(key.size() + 1), fallback);
}

bool TGameStatus::ReadBool(std::string_view key, bool fallback) const {
  return ReadInteger(key, fallback ? 1 : 0) != 0;
}

void TGameStatus::DeletePrefix(std::string_view prefix) {
  if (std::erase_if(lines_, [&](const std::string& l) { return StartsWith(l, prefix); }) > 0) {
    modified_ = true;
    key_index_valid_ = false;
    payload_bytes_ = LinesBytes(lines_);
  }
}

std::vector<std::string> TGameStatus::ListPrefix(std::string_view prefix) const {
  std::vector<std::string> out;
  for (auto it = lines_.rbegin(); it != lines_.rend(); ++it) {
    if (StartsWith(*it, prefix)) out.push_back(*it);
  }
  return out;
}

}  // namespace mavlet
