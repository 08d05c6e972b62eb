#pragma once
// File helpers shared by the title builder and unpacker.
#include <filesystem>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "player/storage/byte_buffer.h"

namespace mavtool {

// The children of a folder sorted by name; files or folders whose names begin with "." are left out.
std::vector<std::filesystem::path> SortedChildren(const std::filesystem::path& dir);
// The child of `dir` whose name equals `name` ignoring ASCII case.
std::optional<std::filesystem::path> FindChildNoCase(const std::filesystem::path& dir, std::string_view name);
// Creates the parent folders and writes the file.
void WriteFileCreatingFolders(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);
void WriteTextFile(const std::filesystem::path& file, std::string_view text);
// The UTF-8 file name as the title names it in Shift-JIS; throws ToolError when it cannot be.
std::string TitleName(const std::string& utf8, const std::filesystem::path& source);
// Picture-folder files the kit copies as they are both ways: cursors (.cur, .ani) and movies
// (.avi, .mpg, .mpeg, .mp4, .mkv, .webm, .wmv, .mov).
bool IsCopiedAsIs(std::string_view name);
// True when the folder does not exist or holds nothing.
bool MissingOrEmpty(const std::filesystem::path& dir);

}  // namespace mavtool
