// Text markup: the input up to the first NUL byte is the markup, the rest holds variable values
// separated by NUL bytes (variable "0" is the first, "1" the second, ...). Checks that the walk
// stays bounded and that the inline-call stop lies inside the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "player/common/error.h"
#include "player/display/text_markup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = all.find('\0');
  const std::string_view text = all.substr(0, cut);
  std::vector<std::string> values;
  if (cut != std::string_view::npos) {
    std::string_view rest = all.substr(cut + 1);
    while (!rest.empty() && values.size() < 10) {
      const std::size_t end = rest.find('\0');
      values.emplace_back(rest.substr(0, end));
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
  }
  mavlet::MarkupVariables lookup = [&](std::string_view name) {
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') {
      const auto k = static_cast<std::size_t>(name[0] - '0');
      if (k < values.size()) return values[k];
    }
    return std::string();
  };
  mavlet::MarkupOptions options;
  options.variables = &lookup;
  std::vector<mavlet::TCustomPmText> tokens;
  try {
    const auto result = mavlet::ParseMarkup(tokens, text, options);
    if (result.first_call_end && *result.first_call_end > text.size()) std::abort();
    if (tokens.size() > text.size() + mavlet::pm::kMaxExpandedBytes) std::abort();
  } catch (const mavlet::MavError&) {
  }
  return 0;
}
