#pragma once
// Showing a DialogBox in a window until it is answered, and the folder question built on it.
// The window is reached through DialogScreen, so the whole exchange runs the same on a real
// window and on a scripted one in tests. A close request from the window answers kClosed.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "player/backend/glyph_source.h"
#include "player/backend/graphics/surface.h"
#include "player/backend/modal/dialog_box.h"

namespace mavlet {

// What a window does for a box it shows.
class DialogScreen {
 public:
  virtual ~DialogScreen() = default;
  // The picture the box goes over, at the size the box is drawn in (the window's own pixels).
  virtual Surface Backdrop() = 0;
  virtual void Present(const Surface& frame) = 0;
  // The next event; sleeps until one comes. A close request (the window's close button, a
  // signal) gives kClose.
  virtual DialogEvent WaitEvent() = 0;
};

// Shows the box until it has an answer. accept (may be empty) sees every OK and may refuse it
// (after box.Refuse) to keep the box open.
DialogAnswer RunDialogBox(DialogBox& box, DialogScreen& screen, GlyphSource& glyphs, std::string_view face,
                          const std::function<bool(DialogBox&)>& accept = {});

// Why a typed folder is refused, empty when it is made (with its parents) or already there.
std::string MakeFolder(const std::filesystem::path& folder);

struct FolderAnswer {
  DialogAnswer answer = DialogAnswer::kCancel;
  std::filesystem::path folder;  // kOk: the folder, which exists
};
// The folder question: a field holding the suggested folder, which the user may edit; OK creates
// it, and a folder that cannot be made keeps the box open saying why.
FolderAnswer AskFolderInBox(DialogScreen& screen, GlyphSource& glyphs, std::string_view face, std::string_view caption,
                            std::string_view prompt, const std::filesystem::path& suggestion);

}  // namespace mavlet
