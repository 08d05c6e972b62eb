#pragma once
// Glyphs from font files: a FaceLocator finds the file for a face name (the desktop's asks
// fontconfig for a face that covers Japanese, so any unknown name lands on a Japanese font; the
// browser's reads the site's font table) and FreeType rasterises each character once with
// anti-aliasing; a cache keyed by face, size, weight and character keeps the results. Bold is
// drawn by emboldening the outline. The face list is the locator's names that Shift-JIS can
// hold, sorted, once each. Without a locator, without FreeType, or when the file cannot be
// opened, every glyph is empty (and without a locator the face list is empty).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "player/backend/fonts/face_locator.h"
#include "player/backend/glyph_source.h"

namespace mavlet {

// The face list titles see, from a locator's UTF-8 names: the names Shift-JIS can hold, in
// Shift-JIS, sorted, once each.
std::vector<std::string> ShiftJisFaceNames(const std::vector<std::string>& utf8_names);

class FreeTypeGlyphs : public GlyphSource {
 public:
  // Glyphs kept before the cache starts again from empty.
  static constexpr std::size_t kMaxCachedGlyphs = 20000;

  explicit FreeTypeGlyphs(std::unique_ptr<FaceLocator> locator);
  ~FreeTypeGlyphs() override;
  FreeTypeGlyphs(const FreeTypeGlyphs&) = delete;
  FreeTypeGlyphs& operator=(const FreeTypeGlyphs&) = delete;

  const GlyphImage& Glyph(std::string_view face, int size, bool bold, char32_t ch) override;
  std::vector<std::string> FaceNames() override;

  // The font file a face name resolves to (UTF-8 path), empty when none; for tests and logs.
  std::string FaceFile(std::string_view face);
  // Glyphs rasterised so far (cache misses), for tests and benchmarks.
  std::uint64_t Rasterised() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// FreeType glyphs opened on first use, so a run that draws no text never loads the font
// configuration; the factory makes the locator then (an empty factory: no faces).
class OnDemandGlyphs : public GlyphSource {
 public:
  explicit OnDemandGlyphs(FaceLocatorFactory make_locator) : make_locator_(std::move(make_locator)) {}
  const GlyphImage& Glyph(std::string_view face, int size, bool bold, char32_t ch) override {
    return Open().Glyph(face, size, bold, ch);
  }
  std::vector<std::string> FaceNames() override { return Open().FaceNames(); }
  FreeTypeGlyphs& Open() {
    if (!glyphs_) glyphs_ = std::make_unique<FreeTypeGlyphs>(make_locator_ ? make_locator_() : nullptr);
    return *glyphs_;
  }

 private:
  FaceLocatorFactory make_locator_;
  std::unique_ptr<FreeTypeGlyphs> glyphs_;
};

}  // namespace mavlet
