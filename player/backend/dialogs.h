#pragma once
// Message boxes and the folder prompt. Texts are UTF-8. A box is modal: the call returns once
// the user has answered, or once the user asked to close the player while it was open (the
// window's close button, SIGTERM). After such a close request CloseRequested() stays true, a
// question counts as cancelled, and later calls return at once without showing anything: the
// player is ending.
#include <filesystem>
#include <optional>
#include <string_view>

namespace mavlet {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual void ShowMessage(std::string_view caption, std::string_view text) = 0;
  // OK / Cancel question; true for OK.
  virtual bool AskOkCancel(std::string_view caption, std::string_view text) = 0;
  // Lets the user choose (and create) a folder; nullopt when cancelled.
  virtual std::optional<std::filesystem::path> AskFolder(std::string_view prompt,
                                                         const std::filesystem::path& suggestion) = 0;
  // True once a close request came while a box was open.
  virtual bool CloseRequested() const = 0;
};

}  // namespace mavlet
