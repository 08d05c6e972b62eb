#include "player/backend/fonts/freetype_glyphs.h"

#include <fontconfig/fontconfig.h>
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

bool CoversJapanese(FcPattern* font) {
  FcLangSet* langs = nullptr;
  if (FcPatternGetLangSet(font, FC_LANG, 0, &langs) != FcResultMatch || langs == nullptr) return false;
  return FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) != FcLangDifferentLang;
}

}  // namespace

struct FreeTypeGlyphs::Impl {
  FT_Library library = nullptr;
  FcConfig* config = nullptr;
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
    if (config) FcConfigDestroy(config);
  }

  // fontconfig's best match for the pattern, as (file, index); empty file when none.
  std::pair<std::string, int> Match(FcPattern* pattern, bool need_japanese) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* font = FcFontMatch(config, pattern, &result);
    std::pair<std::string, int> out{"", 0};
    if (font != nullptr) {
      FcChar8* file = nullptr;
      int index = 0;
      if ((!need_japanese || CoversJapanese(font)) &&
          FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        out = {reinterpret_cast<const char*>(file), index};
      }
      FcPatternDestroy(font);
    }
    return out;
  }

  int Resolve(std::string_view name) {
    if (auto it = names.find(name); it != names.end()) return it->second;
    int found = -1;
    if (config != nullptr && library != nullptr) {
      const std::string utf8 = SjisToUtf8(name);
      auto make = [&](bool with_family) {
        FcPattern* p = FcPatternCreate();
        if (with_family) FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8.c_str()));
        FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
        FcPatternAddBool(p, FC_SCALABLE, FcTrue);
        return p;
      };
      // The named face when it covers Japanese, else the best Japanese face, else anything.
      std::pair<std::string, int> hit;
      for (int attempt = 0; attempt < 3 && hit.first.empty(); ++attempt) {
        FcPattern* p = make(attempt == 0);
        hit = Match(p, attempt < 2);
        FcPatternDestroy(p);
      }
      if (!hit.first.empty()) {
        for (std::size_t i = 0; i < faces.size() && found < 0; ++i)
          if (faces[i].file == hit.first && faces[i].index == hit.second) found = static_cast<int>(i);
        if (found < 0) {
          FT_Face face = nullptr;
          if (FT_New_Face(library, hit.first.c_str(), hit.second, &face) == 0) {
            faces.push_back({hit.first, hit.second, face});
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

FreeTypeGlyphs::FreeTypeGlyphs() : impl_(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&impl_->library) != 0) impl_->library = nullptr;
  impl_->config = FcInitLoadConfigAndFonts();
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

std::vector<std::string> FreeTypeGlyphs::FaceNames() {
  std::set<std::string> names;
  if (impl_->config == nullptr) return {};
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(impl_->config, pattern, objects);
  if (set != nullptr) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* family = nullptr;
      for (int k = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, k, &family) == FcResultMatch; ++k) {
        if (auto sjis = Utf8ToSjis(reinterpret_cast<const char*>(family)); sjis && !sjis->empty())
          names.insert(*sjis);
      }
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return {names.begin(), names.end()};
}

std::string FreeTypeGlyphs::FaceFile(std::string_view face) {
  const int f = impl_->Resolve(face);
  return f < 0 ? std::string() : impl_->faces[static_cast<std::size_t>(f)].file;
}

std::uint64_t FreeTypeGlyphs::Rasterised() const { return impl_->rasterised; }

}  // namespace mavlet
