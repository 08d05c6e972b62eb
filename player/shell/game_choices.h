#pragma once
// The choice port (ChoiceServices) of the game system: the logical buttons, the two choice
// layers of the screen and the last choice made, read back as "@SelStr" and "@SelIdx". It owns
// only the last choice; it fails in no way.
#include <cstdint>
#include <string>

#include "player/display/choice_services.h"
#include "player/shell/game_buttons.h"
#include "player/shell/game_screen.h"

namespace mavlet {

class GameChoices : public ChoiceServices {
 public:
  GameChoices(GameButtons& buttons, GameScreen& screen) : buttons_(buttons), screen_(screen) {}

  bool ClickPressed() override { return buttons_.ClickPressed(); }
  bool CancelPressed() override { return buttons_.CancelPressed(); }
  bool ClickHeld() override { return buttons_.ClickHeld(); }
  bool DirectionPressed(int d) override { return buttons_.DirectionPressed(d); }
  bool NavigationPressed(NavigationKey key) override { return buttons_.NavigationPressed(key); }
  int WheelSteps() override { return buttons_.WheelSteps(); }
  Point MousePos() override { return buttons_.MousePos(); }
  TSelStrSurface* SelStrLayer() override { return screen_.SelStrLayer(); }
  TSelMapSurface* SelMapLayer() override { return screen_.SelMapLayer(); }
  void Invalidate(const Rect& rect) override { screen_.Invalidate(rect); }
  void Compose() override { screen_.Compose(); }
  void SetLastChoice(const std::string& text, std::int32_t index) override {
    last_choice_text_ = text;
    last_choice_index_ = index;
  }
  void SetLastChoiceIndex(std::int32_t index) override { last_choice_index_ = index; }

  const std::string& LastChoiceText() const { return last_choice_text_; }
  std::int32_t LastChoiceIndex() const { return last_choice_index_; }

 private:
  GameButtons& buttons_;
  GameScreen& screen_;
  std::string last_choice_text_;
  std::int32_t last_choice_index_ = 0;
};

}  // namespace mavlet
