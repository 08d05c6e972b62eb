// mavtool global: shows and writes a title's project description (Pmx\Global.pmx).
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "player/common/encoding.h"
#include "player/common/int_convert.h"
#include "player/engine/global_file.h"
#include "tools/mavtool/verbs.h"

namespace mavtool {
namespace {

constexpr const char* kUsage =
    "usage: mavtool global dump FILE|TITLE_FOLDER\n"
    "       mavtool global create OUT --title T --screen-mode N --start-page N --reg-key K [--no-registry]\n"
    "                             [--num NAME]... [--str NAME]... [--flag NAME]...";

std::string ToSjis(const std::string& utf8, const std::string& what) {
  std::optional<std::string> sjis = mavlet::Utf8ToSjis(utf8);
  if (!sjis) throw ToolError(what + " cannot be written in Shift-JIS: " + utf8);
  return *sjis;
}

// A title folder means its Pmx\Global.pmx (either letter case of the folder and file).
std::filesystem::path GlobalFileOf(const std::filesystem::path& arg) {
  std::error_code ec;
  if (!std::filesystem::is_directory(arg, ec)) return arg;
  for (const char* pmx : {"Pmx", "PMX", "pmx"})
    for (const char* name : {"Global.pmx", "GLOBAL.PMX", "global.pmx"})
      if (std::filesystem::is_regular_file(arg / pmx / name, ec)) return arg / pmx / name;
  throw ToolError(arg.string() + ": no Pmx/Global.pmx in this folder");
}

int Dump(const std::string& arg) {
  const mavlet::TGlobalData d = mavlet::ReadGlobalFile(GlobalFileOf(arg));
  std::cout << "Title=" << mavlet::SjisToUtf8(d.Title) << '\n'
            << "ScreenMode=" << static_cast<int>(d.ScreenMode) << '\n'
            << "StartPage=" << d.StartPage << '\n'
            << "RegKey=" << mavlet::SjisToUtf8(d.RegKey) << '\n'
            << "NoRegistry=" << static_cast<int>(d.NoRegistry) << '\n';
  for (const auto& n : d.NumNames) std::cout << "num=" << mavlet::SjisToUtf8(n) << '\n';
  for (const auto& n : d.StrNames) std::cout << "str=" << mavlet::SjisToUtf8(n) << '\n';
  for (const auto& n : d.FlagNames) std::cout << "flag=" << mavlet::SjisToUtf8(n) << '\n';
  return 0;
}

int Create(const Args& args) {
  mavlet::TGlobalData d;
  bool have_title = false, have_mode = false, have_start = false, have_key = false;
  auto value = [&](std::size_t& i) -> const std::string& {
    if (i + 1 >= args.size()) throw ToolError(args[i] + " needs a value\n" + kUsage);
    return args[++i];
  };
  auto integer = [&](std::size_t& i, long lo, long hi) -> long {
    const std::string& opt = args[i];
    const std::string& v = value(i);
    std::optional<std::int32_t> n = mavlet::ParseDecimalStrict(v);
    if (!n || *n < lo || *n > hi) throw ToolError(opt + ": \"" + v + "\" is not an integer from " +
                                                  std::to_string(lo) + " to " + std::to_string(hi));
    return *n;
  };
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--title") {
      d.Title = ToSjis(value(i), "the title");
      have_title = true;
    } else if (a == "--screen-mode") {
      d.ScreenMode = static_cast<std::uint8_t>(integer(i, 0, 255));
      have_mode = true;
    } else if (a == "--start-page") {
      d.StartPage = static_cast<std::int32_t>(integer(i, INT32_MIN, INT32_MAX));
      have_start = true;
    } else if (a == "--reg-key") {
      d.RegKey = ToSjis(value(i), "the registry key");
      have_key = true;
    } else if (a == "--no-registry") {
      d.NoRegistry = 1;
    } else if (a == "--num") {
      d.NumNames.push_back(ToSjis(value(i), "a variable name"));
    } else if (a == "--str") {
      d.StrNames.push_back(ToSjis(value(i), "a variable name"));
    } else if (a == "--flag") {
      d.FlagNames.push_back(ToSjis(value(i), "a variable name"));
    } else {
      throw ToolError("unknown option " + a + "\n" + kUsage);
    }
  }
  if (!have_title || !have_mode || !have_start || !have_key)
    throw ToolError(std::string("--title, --screen-mode, --start-page and --reg-key are required\n") + kUsage);
  mavlet::WriteGlobalFile(args[0], d);
  return 0;
}

}  // namespace

int VerbGlobal(const Args& args) {
  if (args.size() == 2 && args[0] == "dump") return Dump(args[1]);
  if (args.size() >= 2 && args[0] == "create") return Create(Args(args.begin() + 1, args.end()));
  throw ToolError(kUsage);
}

}  // namespace mavtool
