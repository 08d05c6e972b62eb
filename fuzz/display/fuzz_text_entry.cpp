// The Input command's entry line: the first byte picks the maximum length (0..15) and a caret
// key, the rest up to the first NUL byte is the starting text (Shift-JIS) and what follows is
// typed as UTF-8 in pieces of up to 32 bytes (as the platform delivers them), with the same rest
// as the composition. Checks that the text stays valid Shift-JIS within the limit and that
// drawing stays on the surface.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "player/backend/graphics/surface.h"
#include "player/common/encoding.h"
#include "player/display/text_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view all(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t cut = all.find('\0');
  const std::string_view initial = all.substr(0, cut);
  const std::string_view typed = cut == std::string_view::npos ? std::string_view() : all.substr(cut + 1);
  mavlet::TextEntryStyle style;
  style.area = mavlet::Bounds(-8, 2, 40, 10);
  style.font_size = 10;
  style.max_length = data[0] & 15;
  mavlet::TextEntry entry(style, initial);
  using K = mavlet::TextInputEvent::Kind;
  const K keys[] = {K::kLeft, K::kHome, K::kBackspace, K::kEnd};
  for (std::size_t i = 0; i < typed.size(); i += 32) {
    entry.Apply({K::kText, std::string(typed.substr(i, 32))});
    entry.Apply({keys[(data[0] >> 4) & 3], {}});
  }
  entry.SetComposition(typed);
  if (style.max_length > 0 && entry.Length() > style.max_length) std::abort();
  if (entry.Caret() < 0 || entry.Caret() > entry.Length()) std::abort();
  if (!mavlet::SjisToUtf8Strict(entry.Text())) std::abort();
  mavlet::Surface target(*mavlet::PixelFormat::ForDepth(16), 24, 16);
  entry.Draw(target, target.bounds(), nullptr, "");
  return 0;
}
