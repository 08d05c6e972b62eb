#pragma once
// A glyph source without a font: every glyph is a solid square of the cell size less `inset`
// pixels on each side, advancing one cell, so text positions show as pixels in tests.
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/glyph_source.h"

namespace mavlet::testing {

class SquareGlyphs : public GlyphSource {
 public:
  explicit SquareGlyphs(int inset = 0) : inset_(inset) {}

  const GlyphImage& Glyph(std::string_view, int size, bool, char32_t) override {
    image_.left = image_.top = inset_;
    image_.width = image_.height = std::max(0, size - 2 * inset_);
    image_.advance = size;
    image_.coverage.assign(static_cast<std::size_t>(image_.width) * static_cast<std::size_t>(image_.height), 255);
    return image_;
  }
  std::vector<std::string> FaceNames() override { return {}; }

 private:
  int inset_;
  GlyphImage image_;
};

}  // namespace mavlet::testing
