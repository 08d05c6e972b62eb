#include "player/backend/fontconfig/fontconfig_locator.h"

#include <fontconfig/fontconfig.h>

namespace mavlet {

namespace {

bool CoversJapanese(FcPattern* font) {
  FcLangSet* langs = nullptr;
  if (FcPatternGetLangSet(font, FC_LANG, 0, &langs) != FcResultMatch || langs == nullptr) return false;
  return FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) != FcLangDifferentLang;
}

// fontconfig's best match for the pattern; nullopt when none (or, with need_japanese, when the
// best match does not cover Japanese).
std::optional<LocatedFace> Match(FcConfig* config, FcPattern* pattern, bool need_japanese) {
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* font = FcFontMatch(config, pattern, &result);
  std::optional<LocatedFace> out;
  if (font != nullptr) {
    FcChar8* file = nullptr;
    int index = 0;
    if ((!need_japanese || CoversJapanese(font)) && FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch &&
        file != nullptr) {
      FcPatternGetInteger(font, FC_INDEX, 0, &index);
      out = LocatedFace{reinterpret_cast<const char*>(file), index};
    }
    FcPatternDestroy(font);
  }
  return out;
}

}  // namespace

struct FontconfigLocator::Config {
  FcConfig* fc = FcInitLoadConfigAndFonts();
  Config() = default;
  Config(const Config&) = delete;
  Config& operator=(const Config&) = delete;
  ~Config() {
    if (fc != nullptr) FcConfigDestroy(fc);
  }
};

FontconfigLocator::FontconfigLocator() : config_(std::make_unique<Config>()) {}

FontconfigLocator::~FontconfigLocator() = default;

std::optional<LocatedFace> FontconfigLocator::Search(const std::string* family) {
  if (config_->fc == nullptr) return std::nullopt;
  auto make = [&](bool with_family) {
    FcPattern* p = FcPatternCreate();
    if (with_family) FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family->c_str()));
    FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddBool(p, FC_SCALABLE, FcTrue);
    return p;
  };
  // The named face when it covers Japanese, else the best Japanese face, else anything.
  std::optional<LocatedFace> hit;
  for (int attempt = family != nullptr ? 0 : 1; attempt < 3 && !hit; ++attempt) {
    FcPattern* p = make(attempt == 0);
    hit = Match(config_->fc, p, attempt < 2);
    FcPatternDestroy(p);
  }
  return hit;
}

std::optional<LocatedFace> FontconfigLocator::Locate(std::string_view face_utf8) {
  const std::string family(face_utf8);
  return Search(&family);
}

std::optional<LocatedFace> FontconfigLocator::LocateDefault() { return Search(nullptr); }

std::vector<std::string> FontconfigLocator::FaceNames() {
  std::vector<std::string> names;
  if (config_->fc == nullptr) return names;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(config_->fc, pattern, objects);
  if (set != nullptr) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* family = nullptr;
      for (int k = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, k, &family) == FcResultMatch; ++k)
        names.emplace_back(reinterpret_cast<const char*>(family));
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return names;
}

FaceLocatorFactory InstalledFaces() {
  return [] { return std::make_unique<FontconfigLocator>(); };
}

std::unique_ptr<FreeTypeGlyphs> InstalledGlyphs() {
  return std::make_unique<FreeTypeGlyphs>(std::make_unique<FontconfigLocator>());
}

}  // namespace mavlet
