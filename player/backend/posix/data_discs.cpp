#include "player/backend/posix/data_discs.h"

#include <algorithm>
#include <fstream>

#include "player/backend/posix/path_resolver.h"

namespace mavlet {

namespace fs = std::filesystem;

namespace {

// A mounts table is a few kilobytes; anything far larger is not one.
constexpr std::size_t kMaxMountsBytes = 4 << 20;
constexpr std::size_t kDriveLetters = 26;

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

}  // namespace

std::string DecodeMountField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
        IsOctal(field[i + 3])) {
      const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
      if (value <= 0xFF) {
        out.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

std::vector<MountEntry> ParseMounts(std::string_view text) {
  std::vector<MountEntry> out;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    std::vector<std::string_view> fields;
    while (fields.size() < 3) {
      const std::size_t start = line.find_first_not_of(" \t");
      if (start == std::string_view::npos) break;
      line.remove_prefix(start);
      const std::size_t end = line.find_first_of(" \t");
      fields.push_back(line.substr(0, end));
      line = end == std::string_view::npos ? std::string_view() : line.substr(end);
    }
    if (fields.size() < 3) continue;
    out.push_back({DecodeMountField(fields[0]), DecodeMountField(fields[1]), std::string(fields[2])});
  }
  return out;
}

DataDiscs::DataDiscs(fs::path mounts_file, PathResolver& resolver)
    : mounts_file_(std::move(mounts_file)), resolver_(resolver) {}

std::vector<fs::path> DataDiscs::OpticalRoots() {
  // /proc files report size 0: read up to the limit rather than trusting the size.
  std::ifstream in(mounts_file_, std::ios::binary);
  if (!in) return {};
  std::string text;
  char chunk[16384];
  while (text.size() < kMaxMountsBytes && in.read(chunk, sizeof chunk).gcount() > 0) {
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
  }

  std::vector<std::string> points;
  for (const MountEntry& m : ParseMounts(text)) {
    if ((m.type == "iso9660" || m.type == "udf") && !m.mount_point.empty() && m.mount_point[0] == '/') {
      points.push_back(m.mount_point);
    }
  }
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
  if (points.size() > kDriveLetters) points.resize(kDriveLetters);
  return std::vector<fs::path>(points.begin(), points.end());
}

std::vector<fs::path> DataDiscs::DataDiscRoots() {
  std::vector<fs::path> out;
  for (const fs::path& root : OpticalRoots()) {
    std::error_code ec;
    auto exe = resolver_.Resolve(root, "mavlet.exe");
    if (exe && fs::is_regular_file(*exe, ec)) out.push_back(root);
  }
  return out;
}

}  // namespace mavlet
