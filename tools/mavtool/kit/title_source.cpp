#include "tools/mavtool/kit/title_source.h"

#include <optional>

#include "player/common/ascii_case.h"
#include "player/common/encoding.h"
#include "player/common/int_convert.h"
#include "player/common/screen_size.h"
#include "tools/mavtool/kit/tool_error.h"

namespace mavtool {
namespace {

// Longest value we accept; Global.pmx strings have a 32-bit length but nothing sensible is long.
constexpr std::size_t kMaxValue = 4096;
constexpr std::size_t kMaxVariables = 65536;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The player matches names by an exact first byte and the rest ignoring ASCII case (trail bytes
// of double-byte characters exactly).
bool SameVariableName(std::string_view a, std::string_view b) {
  if (a.size() != b.size() || a.empty()) return a.size() == b.size();
  return a[0] == b[0] && mavlet::EqualsIgnoreAsciiCase(a, b);
}

class Parser {
 public:
  Parser(std::string_view what) : what_(what) {}

  [[noreturn]] void Fail(const std::string& problem) const {
    throw ToolError(std::string(what_) + ":" + std::to_string(line_) + ": " + problem);
  }

  TitleDescription Run(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (!IsUtf8(text)) {
      throw ToolError(std::string(what_) + ": not UTF-8 text");
    }
    while (!text.empty()) {
      ++line_;
      const std::size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
      line = Trim(line);
      if (line.empty() || line[0] == '#' || line[0] == ';') continue;
      const std::size_t eq = line.find('=');
      if (eq == std::string_view::npos) Fail("expected \"key = value\", got \"" + std::string(line) + "\"");
      Assign(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
    line_ = 0;
    if (!have_title_) throw ToolError(std::string(what_) + ": the key \"title\" is missing");
    if (!d_.no_registry && d_.reg_key.empty())
      throw ToolError(std::string(what_) + ": give \"reg_key = Software\\...\" or \"no_registry = yes\"");
    return d_;
  }

 private:
  static bool IsUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
      const unsigned char c = static_cast<unsigned char>(s[i]);
      int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
      if (extra < 0 || (extra > 0 && c < 0xC2) || (extra > 0 && i + extra >= s.size())) return false;
      for (int k = 1; k <= extra; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
      i += 1 + extra;
    }
    return true;
  }

  void CheckText(std::string_view key, std::string_view v) {
    if (v.size() > kMaxValue) Fail(std::string(key) + " is longer than " + std::to_string(kMaxValue) + " bytes");
    for (char c : v)
      if (static_cast<unsigned char>(c) < 0x20) Fail(std::string(key) + " holds a control character");
    if (!mavlet::Utf8ToSjis(v)) Fail(std::string(key) + " cannot be written in Shift-JIS: " + std::string(v));
  }

  bool Bool(std::string_view key, std::string_view v) {
    if (v == "yes" || v == "true" || v == "1" || v == "on") return true;
    if (v == "no" || v == "false" || v == "0" || v == "off") return false;
    Fail(std::string(key) + ": expected yes or no, got \"" + std::string(v) + "\"");
  }

  void Once(std::string_view key, bool& seen) {
    if (seen) Fail("\"" + std::string(key) + "\" is given twice");
    seen = true;
  }

  void Variable(std::string_view key, std::string_view v, std::vector<std::string>& into) {
    CheckText(key, v);
    if (v.empty()) Fail(std::string(key) + ": empty variable name");
    if (v[0] == '@') Fail("variable " + std::string(v) + ": names starting with @ are the player's own values");
    for (char c : v)
      if (c == ',' || c == '+' || c == '=' || c == ' ' || c == '\t')
        Fail("variable \"" + std::string(v) + "\": names cannot hold blanks, \",\", \"+\" or \"=\"");
    if (++variables_ > kMaxVariables) Fail("too many variables");
    for (const auto* list : {&d_.num_names, &d_.str_names, &d_.flag_names})
      for (const std::string& n : *list)
        if (SameVariableName(n, v)) Fail("variable " + std::string(v) + " is declared twice");
    into.emplace_back(v);
  }

  void Assign(std::string_view key, std::string_view v) {
    if (key == "title") {
      Once(key, have_title_);
      CheckText(key, v);
      d_.title = v;
    } else if (key == "screen_mode") {
      Once(key, have_mode_);
      d_.screen_mode = ScreenMode(v);
    } else if (key == "start_page") {
      Once(key, have_start_);
      std::optional<std::int32_t> n = mavlet::ParseDecimalStrict(v);
      if (!n || *n < 0) Fail("start_page: expected a scenario number, got \"" + std::string(v) + "\"");
      d_.start_page = *n;
    } else if (key == "reg_key") {
      Once(key, have_key_);
      CheckText(key, v);
      if (!v.empty() && v.substr(0, 9) != "Software\\")
        Fail("reg_key must begin with \"Software\\\" (the player refuses other keys)");
      d_.reg_key = v;
    } else if (key == "no_registry") {
      Once(key, have_no_registry_);
      d_.no_registry = Bool(key, v);
    } else if (key == "pack_scenarios") {
      Once(key, have_pack_scenarios_);
      d_.pack_scenarios = Bool(key, v);
    } else if (key == "pack_sounds") {
      Once(key, have_pack_sounds_);
      d_.pack_sounds = Bool(key, v);
    } else if (key == "num") {
      Variable(key, v, d_.num_names);
    } else if (key == "str") {
      Variable(key, v, d_.str_names);
    } else if (key == "flag") {
      Variable(key, v, d_.flag_names);
    } else {
      Fail("unknown key \"" + std::string(key) + "\"");
    }
  }

  // A mode number 0..5 or the size it stands for, such as 640x480.
  std::uint8_t ScreenMode(std::string_view v) {
    if (std::optional<std::int32_t> n = mavlet::ParseDecimalStrict(v); n && *n >= 0 && *n <= 5)
      return static_cast<std::uint8_t>(*n);
    for (std::size_t i = 0; i < std::size(mavlet::kScreenSizes); ++i)
      if (v == std::to_string(mavlet::kScreenSizes[i].width) + "x" + std::to_string(mavlet::kScreenSizes[i].height))
        return static_cast<std::uint8_t>(i);
    Fail("screen_mode: expected 0 to 5 or one of 320x200, 320x240, 640x400, 640x480, 800x600, "
         "1024x768, got \"" + std::string(v) + "\"");
  }

  std::string_view what_;
  int line_ = 0;
  TitleDescription d_;
  std::size_t variables_ = 0;
  bool have_title_ = false, have_mode_ = false, have_start_ = false, have_key_ = false;
  bool have_no_registry_ = false, have_pack_scenarios_ = false, have_pack_sounds_ = false;
};

}  // namespace

TitleDescription ParseTitleDescription(std::string_view text, std::string_view what) {
  return Parser(what).Run(text);
}

std::string FormatTitleDescription(const TitleDescription& d) {
  const mavlet::ScreenSize& size = d.screen_mode < std::size(mavlet::kScreenSizes) ? mavlet::kScreenSizes[d.screen_mode]
                                                                  : mavlet::kScreenSizes[3];
  std::string out = "# Title description (mavtool title build reads this).\n";
  out += "title = " + d.title + "\n";
  out += "# screen mode " + std::to_string(d.screen_mode) + " is " + std::to_string(size.width) + "x" +
         std::to_string(size.height) + "\n";
  out += "screen_mode = " + std::to_string(d.screen_mode) + "\n";
  out += "start_page = " + std::to_string(d.start_page) + "\n";
  if (!d.reg_key.empty()) out += "reg_key = " + d.reg_key + "\n";
  if (d.no_registry) out += "no_registry = yes\n";
  if (d.pack_scenarios) out += "pack_scenarios = yes\n";
  if (d.pack_sounds) out += "pack_sounds = yes\n";
  if (!d.num_names.empty() || !d.str_names.empty() || !d.flag_names.empty()) out += "\n";
  for (const auto& n : d.num_names) out += "num = " + n + "\n";
  for (const auto& n : d.str_names) out += "str = " + n + "\n";
  for (const auto& n : d.flag_names) out += "flag = " + n + "\n";
  return out;
}

}  // namespace mavtool
