#pragma once
// Scripted input for headless runs: keys and buttons are held or released explicitly; text and
// editing keys are queued for the text entry line while one is open (dropped otherwise, as a
// keyboard's typing would be).
#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "player/backend/input.h"

namespace mavlet {

class HeadlessInput : public InputState {
 public:
  bool KeyDown(Key key) override { return keys_.count(key) != 0; }
  bool MouseButtonDown(MouseButton button) override { return buttons_.count(button) != 0; }
  Point MousePosition() override { return mouse_; }
  bool ApplicationActive() override { return active_; }

  void Hold(Key key) { keys_.insert(key); }
  void Hold(MouseButton button) { buttons_.insert(button); }
  void Release(Key key) { keys_.erase(key); }
  void Release(MouseButton button) { buttons_.erase(button); }
  // Lets go of every key and button; the mouse stays where it is.
  void ReleaseAll();
  void SetMouse(Point p) { mouse_ = p; }
  void SetActive(bool active) { active_ = active; }
  int TakeWheel() override { return std::exchange(wheel_, 0); }
  void Wheel(int notches) { wheel_ += notches; }
  void PressPlayerKey(PlayerKey key) { player_keys_.push_back(key); }
  std::optional<PlayerKey> TakePlayerKey() override;

  void StartTextInput(const Rect& caret) override {
    text_input_ = true;
    caret_ = caret;
  }
  void StopTextInput() override;
  std::vector<TextInputEvent> TakeTextInput() override { return std::exchange(typed_, {}); }
  std::string Composition() override { return composition_; }
  // Queues an edit when text input is on.
  void Type(TextInputEvent event);
  // The input method's composition while text input is on.
  void SetComposition(std::string utf8);
  bool TextInputOn() const { return text_input_; }
  // The caret box last given to StartTextInput.
  const Rect& CaretBox() const { return caret_; }

 private:
  std::set<Key> keys_;
  std::set<MouseButton> buttons_;
  Point mouse_{0, 0};
  bool active_ = true;
  int wheel_ = 0;
  bool text_input_ = false;
  Rect caret_;
  std::vector<TextInputEvent> typed_;
  std::string composition_;
  std::deque<PlayerKey> player_keys_;
};

}  // namespace mavlet
