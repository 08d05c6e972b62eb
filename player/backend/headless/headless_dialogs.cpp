#include "player/backend/headless/headless_dialogs.h"

#include <system_error>

namespace mavlet {

bool HeadlessDialogs::Closing() {
  closed_ = closed_ || close_next_;
  return closed_;
}

void HeadlessDialogs::ShowMessage(std::string_view caption, std::string_view text) {
  messages_.push_back({std::string(caption), std::string(text)});
  if (out_ != nullptr) *out_ << caption << ": " << text << (Closing() ? " [closed]" : "") << '\n';
}

bool HeadlessDialogs::AskOkCancel(std::string_view caption, std::string_view text) {
  messages_.push_back({std::string(caption), std::string(text)});
  const bool ok = ok_ && !Closing();
  if (out_ != nullptr) *out_ << caption << ": " << text << (closed_ ? " [closed]" : ok ? " [OK]" : " [Cancel]") << '\n';
  return ok;
}

std::optional<std::filesystem::path> HeadlessDialogs::AskFolder(std::string_view prompt,
                                                                const std::filesystem::path&) {
  ++folder_prompts_;
  if (Closing()) {
    if (out_ != nullptr) *out_ << prompt << ": closed\n";
    return std::nullopt;
  }
  if (out_ != nullptr) *out_ << prompt << (folder_ ? ": " + folder_->string() : ": cancelled") << '\n';
  if (!folder_) return std::nullopt;
  std::error_code ec;
  std::filesystem::create_directories(*folder_, ec);  // the real prompt creates the folder too
  return folder_;
}

}  // namespace mavlet
