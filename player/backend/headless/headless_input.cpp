#include "player/backend/headless/headless_input.h"

namespace mavlet {

void HeadlessInput::ReleaseAll() {
  keys_.clear();
  buttons_.clear();
}

void HeadlessInput::StopTextInput() {
  text_input_ = false;
  typed_.clear();
  composition_.clear();
}

void HeadlessInput::Type(TextInputEvent event) {
  if (text_input_) typed_.push_back(std::move(event));
}

void HeadlessInput::SetComposition(std::string utf8) {
  if (text_input_) composition_ = std::move(utf8);
}

std::optional<PlayerKey> HeadlessInput::TakePlayerKey() {
  if (player_keys_.empty()) return std::nullopt;
  const PlayerKey key = player_keys_.front();
  player_keys_.pop_front();
  return key;
}

}  // namespace mavlet
