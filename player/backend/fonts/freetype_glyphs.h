#pragma once
// Glyphs from the installed fonts: fontconfig resolves a face name (asking for a face that
// covers Japanese, so any unknown name lands on a Japanese font) and FreeType rasterises each
// character once with anti-aliasing; a cache keyed by face, size, weight and character keeps
// the results. Bold is drawn by emboldening the outline. Without fontconfig or FreeType (or
// without any font) every glyph is empty and the face list is empty.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/glyph_source.h"

namespace mavlet {

class FreeTypeGlyphs : public GlyphSource {
 public:
  // Glyphs kept before the cache starts again from empty.
  static constexpr std::size_t kMaxCachedGlyphs = 20000;

  FreeTypeGlyphs();
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
// configuration.
class OnDemandGlyphs : public GlyphSource {
 public:
  const GlyphImage& Glyph(std::string_view face, int size, bool bold, char32_t ch) override {
    return Open().Glyph(face, size, bold, ch);
  }
  std::vector<std::string> FaceNames() override { return Open().FaceNames(); }
  FreeTypeGlyphs& Open() {
    if (!glyphs_) glyphs_ = std::make_unique<FreeTypeGlyphs>();
    return *glyphs_;
  }

 private:
  std::unique_ptr<FreeTypeGlyphs> glyphs_;
};

}  // namespace mavlet
