#pragma once
// One of the twenty pictures a picture layer stamps onto its first frame (or the text window's
// picture, "@SfcText", copied when the source is set).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "player/backend/graphics/bitmap.h"

namespace mavlet {

class Surface;
class TCustomGameSurface;

class TAttach {
 public:
  static constexpr const char* kTextSource = "@SfcText";

  explicit TAttach(TCustomGameSurface& owner) : owner_(owner) {}

  TCustomGameSurface& Owner() const { return owner_; }
  const std::string& Src() const { return src_; }
  // Sets the source; "@SfcText" (any case) copies text_window now (nothing when it is null).
  void SetSrc(std::string_view name, const Surface* text_window);
  bool IsTextSource() const;
  const std::optional<Bitmap>& Snapshot() const { return snapshot_; }

  std::int32_t X = 0;
  std::int32_t Y = 0;
  bool Transparent = false;
  std::int32_t Alpha = 0;
  // Size of the picture, set when it is stamped.
  std::int32_t Width = 0;
  std::int32_t Height = 0;

 private:
  TCustomGameSurface& owner_;
  std::string src_;
  std::optional<Bitmap> snapshot_;
};

}  // namespace mavlet
