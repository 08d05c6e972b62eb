#pragma once
// Message boxes and the folder prompt. Texts are UTF-8.
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
};

}  // namespace mavlet
