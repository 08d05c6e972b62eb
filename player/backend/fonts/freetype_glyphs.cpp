#include "player/backend/fonts/freetype_glyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "player/common/encoding.h"

namespace mavlet {

namespace {

struct GlyphKey {
  int face = 0;
  int size = 0;
  bool bold = false;
  char32_t ch = 0;
  friend bool operator==(const GlyphKey&, const GlyphKey&) = default;
};

struct GlyphKeyHash {
  std::size_t operator()(const GlyphKey& k) const {
    return (static_cast<std::size_t>(k.ch) * 1315423911u) ^ (static_cast<std::size_t>(k.size) << 1) ^
           (static_cast<std::size_t>(k.face) << 12) ^ (k.bold ? 0x9E3779B9u : 0u);
  }
};

}  // namespace

struct FreeTypeGlyphs::Impl {
  FT_Library library = nullptr;
  std::unique_ptr<FaceLocator> locator;
  struct Face {
    std::string file;
    int index = 0;
    FT_Face face = nullptr;
  };
  std::vector<Face> faces;                       // opened faces, by resolution order
  std::map<std::string, int, std::less<>> names;  // face name -> index in faces (-1: none)
  std::unordered_map<GlyphKey, GlyphImage, GlyphKeyHash> cache;
  GlyphImage empty;
  std::uint64_t rasterised = 0;

  ~Impl() {
    for (auto& f : faces)
      if (f.face) FT_Done_Face(f.face);
    if (library) FT_Done_FreeType(library);
  }

  int Resolve(std::string_view name) {
    if (auto it = names.find(name); it != names.end()) return it->second;
    int found = -1;
    if (locator != nullptr && library != nullptr) {
      if (const std::optional<LocatedFace> hit = locator->Locate(SjisToUtf8(name))) {
        for (std::size_t i = 0; i < faces.size() && found < 0; ++i)
          if (faces[i].file == hit->file && faces[i].index == hit->index) found = static_cast<int>(i);
        if (found < 0) {
          FT_Face face = nullptr;
          if (FT_New_Face(library, hit->file.c_str(), hit->index, &face) == 0) {
            faces.push_back({hit->file, hit->index, face});
            found = static_cast<int>(faces.size()) - 1;
          }
        }
      }
    }
    names.emplace(std::string(name), found);
    return found;
  }

  GlyphImage Rasterise(FT_Face face, int size, bool bold, char32_t ch) {
    GlyphImage g;
    g.advance = size;
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) return g;
    const FT_UInt index = FT_Get_Char_Index(face, ch);
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) != 0) return g;
    FT_GlyphSlot slot = face->glyph;
    if (bold && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      // About a twelfth of the size, at least one pixel, widening only.
      const FT_Pos strength = std::max<FT_Pos>(64, size * 64 / 12);
      FT_Outline_EmboldenXY(&slot->outline, strength, 0);
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return g;
    g.advance = static_cast<std::int32_t>((slot->advance.x + 32) >> 6);
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.buffer == nullptr) return g;
    // The baseline sits at the face's ascent scaled to the size, so the em square fills the cell.
    const int units = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    int ascent = face->ascender;
    const int descent = -face->descender;
    if (ascent + descent > 0) ascent = ascent * units / (ascent + descent);
    const int baseline = (ascent * size + units / 2) / units;
    // Clip the bitmap to the size x size cell.
    const int x0 = slot->bitmap_left;
    const int y0 = baseline - slot->bitmap_top;
    const int left = std::max(0, x0);
    const int top = std::max(0, y0);
    const int right = std::min(size, x0 + static_cast<int>(bm.width));
    const int bottom = std::min(size, y0 + static_cast<int>(bm.rows));
    if (right <= left || bottom <= top) return g;
    g.left = left;
    g.top = top;
    g.width = right - left;
    g.height = bottom - top;
    g.coverage.resize(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height));
    for (int y = top; y < bottom; ++y) {
      const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(y - y0) * bm.pitch + (left - x0);
      std::copy(src, src + g.width, g.coverage.begin() + static_cast<std::ptrdiff_t>(y - top) * g.width);
    }
    return g;
  }
};

FreeTypeGlyphs::FreeTypeGlyphs(std::unique_ptr<FaceLocator> locator) : impl_(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&impl_->library) != 0) impl_->library = nullptr;
  impl_->locator = std::move(locator);
}

FreeTypeGlyphs::~FreeTypeGlyphs() = default;

const GlyphImage& FreeTypeGlyphs::Glyph(std::string_view face, int size, bool bold, char32_t ch) {
  if (size < 1 || size > kMaxSize) return impl_->empty;
  const int f = impl_->Resolve(face);
  if (f < 0) return impl_->empty;
  const GlyphKey key{f, size, bold, ch};
  if (auto it = impl_->cache.find(key); it != impl_->cache.end()) return it->second;
  if (impl_->cache.size() >= kMaxCachedGlyphs) impl_->cache.clear();
  ++impl_->rasterised;
  auto [it, _] = impl_->cache.emplace(key, impl_->Rasterise(impl_->faces[static_cast<std::size_t>(f)].face, size, bold, ch));
  return it->second;
}

std::vector<std::string> ShiftJisFaceNames(const std::vector<std::string>& utf8_names) {
  std::set<std::string> names;
  for (const std::string& family : utf8_names) {
    if (auto sjis = Utf8ToSjis(family); sjis && !sjis->empty()) names.insert(*sjis);
  }
  return {names.begin(), names.end()};
}

std::vector<std::string> FreeTypeGlyphs::FaceNames() {
  if (impl_->locator == nullptr) return {};
  return ShiftJisFaceNames(impl_->locator->FaceNames());
}

std::string FreeTypeGlyphs::FaceFile(std::string_view face) {
  const int f = impl_->Resolve(face);
  return f < 0 ? std::string() : impl_->faces[static_cast<std::size_t>(f)].file;
}

std::uint64_t FreeTypeGlyphs::Rasterised() const { return impl_->rasterised; }

}  // namespace mavlet
