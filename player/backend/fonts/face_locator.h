#pragma once
// Where the rasteriser finds its fonts: a face name (UTF-8) maps to a font file and the face's
// index inside it, and the locator lists the face names it knows. The desktop asks fontconfig
// (backend/fontconfig); the browser reads the site's font table (TableFaceLocator). A locator
// that knows no face gives nullopt, and the text is drawn empty.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

struct LocatedFace {
  std::string file;  // absolute path of the font file
  int index = 0;     // face index inside the file (collections hold several)
};

class FaceLocator {
 public:
  virtual ~FaceLocator() = default;
  // The face to draw a name with; any name should land on some face when the locator has one.
  virtual std::optional<LocatedFace> Locate(std::string_view face_utf8) = 0;
  // The face names to offer titles (UTF-8; order and duplicates do not matter).
  virtual std::vector<std::string> FaceNames() = 0;
};

using FaceLocatorFactory = std::function<std::unique_ptr<FaceLocator>()>;

}  // namespace mavlet
