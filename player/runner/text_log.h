#pragma once
// A line per thing the text window does, for headless runs and tests: each placed character as
// "EVENT\tROW\tCOLUMN\tCHARACTER\tCOLOUR\tSHADOW" (the character in UTF-8, colours as the markup
// writes them: six hex digits of 0x00BBGGRR, "none" without a shadow), "EVENT\tclear" when the
// window is emptied and "EVENT\tfull" when a character finds it full. Write errors show on the
// stream only.
#include <ostream>

#include "player/display/text_surface.h"

namespace mavlet {

class TextLog : public TextWindowListener {
 public:
  // event is read at each line (the runner's current timer event).
  TextLog(std::ostream& out, const int& event) : out_(out), event_(event) {}

  void OnPlaced(std::int32_t row, std::int32_t column, const TCustomPmText& token) override;
  void OnCleared() override;
  void OnFull() override;

 private:
  std::ostream& out_;
  const int& event_;
};

}  // namespace mavlet
