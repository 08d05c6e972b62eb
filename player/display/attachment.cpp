#include "player/display/attachment.h"

#include "player/backend/graphics/surface.h"
#include "player/common/ascii_case.h"
#include "player/common/sjis_text.h"

namespace mavlet {

bool TAttach::IsTextSource() const { return EqualsIgnoreAsciiCase(src_, kTextSource); }

void TAttach::SetSrc(std::string_view name, const Surface* text_window) {
  src_ = std::string(name);
  if (IsTextSource() && text_window != nullptr && text_window->width() > 0 && text_window->height() > 0) {
    if (!snapshot_) snapshot_.emplace();
    text_window->CopyToBitmap(*snapshot_);
  } else {
    snapshot_.reset();
  }
}

}  // namespace mavlet
