// Title descriptions from untrusted bytes: either a clear error, or a description that the kit
// writes back as text reading to the same value.
#include <cstdlib>
#include <string_view>

#include "tools/mavtool/kit/title_source.h"
#include "tools/mavtool/verbs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  mavtool::TitleDescription d;
  try {
    d = mavtool::ParseTitleDescription(text, "fuzz");
  } catch (const mavtool::ToolError&) {
    return 0;
  }
  if (d.screen_mode > 5 || d.start_page < 0) std::abort();
  try {
    if (!(mavtool::ParseTitleDescription(mavtool::FormatTitleDescription(d), "again") == d)) std::abort();
  } catch (const mavtool::ToolError&) {
    std::abort();
  }
  return 0;
}
