#pragma once
// The title description of a title source folder ("title.txt"): UTF-8 "key = value" lines that
// become Pmx/Global.pmx plus the kit's own packing choices. docs/title-source.md describes it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mavtool {

inline constexpr const char* kTitleDescriptionFile = "title.txt";

struct TitleDescription {
  // Global.pmx fields, UTF-8.
  std::string title;
  std::uint8_t screen_mode = 3;
  std::int32_t start_page = 1;
  std::string reg_key;
  bool no_registry = false;
  std::vector<std::string> num_names;
  std::vector<std::string> str_names;
  std::vector<std::string> flag_names;
  // Packing of the built title: scenarios into Pmx/Data1.pmx, sounds into WAV/Data1.PMW.
  bool pack_scenarios = false;
  bool pack_sounds = false;

  bool operator==(const TitleDescription&) const = default;
};

// Parses the description text. `what` (the file name) starts every error message; errors give
// the line number. Throws ToolError on unknown keys, bad values, missing required keys, names
// that Shift-JIS cannot hold, duplicate variable names and text that is not UTF-8.
TitleDescription ParseTitleDescription(std::string_view text, std::string_view what);

// Writes a description that ParseTitleDescription reads back to the same value.
std::string FormatTitleDescription(const TitleDescription& d);

}  // namespace mavtool
