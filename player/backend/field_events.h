#pragma once
// The events of a page's text field, as the browser's glue hands them over, turned into the
// entry line's text input: one event per record, each record a kind letter (t text, r return,
// e escape, b backspace, l left, g right, h home, n end), the UTF-8 text after "t", and a 0x1F
// separator. Empty texts and unknown letters are skipped.
#include <string>
#include <vector>

#include "player/backend/input.h"

namespace mavlet {

std::vector<TextInputEvent> ParseFieldEvents(const std::string& records);

}  // namespace mavlet
