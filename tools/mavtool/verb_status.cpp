// mavtool status: reads and writes the key=value lines of one save slot file.
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "player/common/encoding.h"
#include "player/storage/game_status.h"
#include "tools/mavtool/verbs.h"

namespace mavtool {
namespace {

constexpr const char* kUsage = "usage: mavtool status dump SLOT | get SLOT KEY | set SLOT KEY VALUE";

std::string ToSjis(const std::string& utf8, const char* what) {
  std::optional<std::string> sjis = mavlet::Utf8ToSjis(utf8);
  if (!sjis) throw ToolError(std::string(what) + " cannot be written in Shift-JIS: " + utf8);
  return *sjis;
}

// Reading a slot that is not there is more likely a mistyped path than an empty slot.
mavlet::TGameStatus OpenExisting(const std::string& slot) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(slot, ec)) throw ToolError(slot + ": no such slot file");
  return mavlet::TGameStatus::OpenFile(slot);
}

}  // namespace

int VerbStatus(const Args& args) {
  if (args.size() == 2 && args[0] == "dump") {
    const mavlet::TGameStatus status = OpenExisting(args[1]);
    for (const std::string& line : status.Lines()) std::cout << mavlet::SjisToUtf8(line) << '\n';
    return 0;
  }
  if (args.size() == 3 && args[0] == "get") {
    const mavlet::TGameStatus status = OpenExisting(args[1]);
    const std::string key = ToSjis(args[2], "the key");
    if (!status.HasKey(key)) throw ToolError(args[1] + ": no key " + args[2]);
    std::cout << mavlet::SjisToUtf8(status.ReadString(key, "")) << '\n';
    return 0;
  }
  if (args.size() == 4 && args[0] == "set") {
    const std::string key = ToSjis(args[2], "the key");
    if (key.empty() || key.find('=') != std::string::npos) throw ToolError("a key must not be empty or hold \"=\"");
    if (key.back() == '*') throw ToolError("a key ending in \"*\" is a count query and cannot be written");
    const std::string value = ToSjis(args[3], "the value");
    if (value.find_first_of("\r\n") != std::string::npos) throw ToolError("a value must fit on one line");
    mavlet::TGameStatus status = mavlet::TGameStatus::OpenFile(args[1]);
    status.WriteString(key, value);
    status.Flush();
    return 0;
  }
  throw ToolError(kUsage);
}

}  // namespace mavtool
