#pragma once
// Dialogs without a screen: messages are recorded and written to a stream (stderr in the tools);
// questions and the folder prompt are answered from what the runner was told. A close request
// can be set to arrive at the next box: that box and every later one is then answered Cancel.
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "player/backend/dialogs.h"

namespace mavlet {

class HeadlessDialogs : public Dialogs {
 public:
  // out may be null to stay silent.
  explicit HeadlessDialogs(std::ostream* out) : out_(out) {}

  void ShowMessage(std::string_view caption, std::string_view text) override;
  bool AskOkCancel(std::string_view caption, std::string_view text) override;
  // Answers with the configured folder (creating it), or cancels when none is configured.
  std::optional<std::filesystem::path> AskFolder(std::string_view prompt,
                                                 const std::filesystem::path& suggestion) override;

  void SetFolderAnswer(std::optional<std::filesystem::path> folder) { folder_ = std::move(folder); }
  void SetOkCancelAnswer(bool ok) { ok_ = ok; }
  void CloseAtNextBox() { close_next_ = true; }
  bool CloseRequested() const override { return closed_; }

  struct Message {
    std::string caption;
    std::string text;
  };
  const std::vector<Message>& Messages() const { return messages_; }
  int FolderPrompts() const { return folder_prompts_; }

 private:
  std::ostream* out_;
  std::optional<std::filesystem::path> folder_;
  bool ok_ = true;
  std::vector<Message> messages_;
  int folder_prompts_ = 0;
  bool close_next_ = false;
  bool closed_ = false;
  // True when this box is closed rather than answered.
  bool Closing();
};

}  // namespace mavlet
