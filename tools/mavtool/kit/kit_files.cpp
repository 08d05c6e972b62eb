#include "tools/mavtool/kit/kit_files.h"

#include <algorithm>

#include "player/common/ascii_case.h"
#include "player/common/encoding.h"
#include "player/storage/file_io.h"
#include "tools/mavtool/kit/tool_error.h"

namespace mavtool {

bool IsCopiedAsIs(std::string_view name) {
  for (const char* ext : {".cur", ".ani", ".avi", ".mpg", ".mpeg", ".mp4", ".mkv", ".webm", ".wmv", ".mov"}) {
    if (mavlet::EndsWithIgnoreAsciiCaseBytes(name, ext)) return true;
  }
  return false;
}

std::vector<std::filesystem::path> SortedChildren(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (!name.empty() && name[0] != '.') out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::optional<std::filesystem::path> FindChildNoCase(const std::filesystem::path& dir, std::string_view name) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return std::nullopt;
  const std::string want = mavlet::AsciiLowerBytes(name);
  for (const auto& p : SortedChildren(dir))
    if (mavlet::AsciiLowerBytes(p.filename().string()) == want) return p;
  return std::nullopt;
}

void WriteFileCreatingFolders(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) {
  std::filesystem::create_directories(file.parent_path());
  mavlet::WriteFileAtomic(file, bytes);
}

void WriteTextFile(const std::filesystem::path& file, std::string_view text) {
  WriteFileCreatingFolders(file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string TitleName(const std::string& utf8, const std::filesystem::path& source) {
  std::optional<std::string> sjis = mavlet::Utf8ToSjis(utf8);
  if (!sjis) throw ToolError(source.string() + ": the name cannot be written in Shift-JIS");
  return *sjis;
}

bool MissingOrEmpty(const std::filesystem::path& dir) {
  std::error_code ec;
  if (!std::filesystem::exists(dir, ec)) return true;
  return std::filesystem::is_directory(dir, ec) && std::filesystem::is_empty(dir, ec);
}

}  // namespace mavtool
