#pragma once
// The desktop's fonts through fontconfig: a face name resolves to the named face when it covers
// Japanese, else to the best Japanese face, else to the best face of any kind, so every name
// draws with some installed font. The face list holds every family of the scalable faces.
// Without a font configuration (fontconfig failed to load) nothing is found and the list is
// empty. Native only: the browser has no fontconfig and reads a font table instead.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/fonts/face_locator.h"
#include "player/backend/fonts/freetype_glyphs.h"

namespace mavlet {

class FontconfigLocator : public FaceLocator {
 public:
  FontconfigLocator();
  ~FontconfigLocator() override;
  FontconfigLocator(const FontconfigLocator&) = delete;
  FontconfigLocator& operator=(const FontconfigLocator&) = delete;

  std::optional<LocatedFace> Locate(std::string_view face_utf8) override;
  std::vector<std::string> FaceNames() override;
  // The face any name without a face of its own lands on (the best Japanese face, else any).
  std::optional<LocatedFace> LocateDefault();

 private:
  std::optional<LocatedFace> Search(const std::string* family);

  struct Config;
  std::unique_ptr<Config> config_;
};

// The installed fonts as a locator factory, for OnDemandGlyphs.
FaceLocatorFactory InstalledFaces();
// FreeType glyphs of the installed fonts.
std::unique_ptr<FreeTypeGlyphs> InstalledGlyphs();

}  // namespace mavlet
