#include "player/web/web_input.h"

#include <emscripten.h>

#include <cstdlib>

#include "player/backend/field_events.h"

// clang-format off
EM_JS(void, mavlet_text_show, (int x, int y, int w, int h, int game_w, int game_h), {
  if (window.mavletPage) window.mavletPage.textShow(x, y, w, h, game_w, game_h);
});
EM_JS(void, mavlet_text_hide, (), {
  if (window.mavletPage) window.mavletPage.textHide();
});
EM_JS(char*, mavlet_text_take, (int composing), {
  const text = window.mavletPage ? window.mavletPage.textTake(composing) : "";
  const n = lengthBytesUTF8(text) + 1;
  const p = _malloc(n);
  stringToUTF8(text, p, n);
  return p;
});
EM_JS(int, mavlet_page_visible, (), { return document.visibilityState === "hidden" ? 0 : 1; });
// clang-format on

namespace mavlet::web {
namespace {

std::string Take(int composing) {
  char* p = mavlet_text_take(composing);
  std::string out(p);
  std::free(p);
  return out;
}

}  // namespace

void WebInputState::StartTextInput(const Rect& caret) {
  // Called every frame while the entry line is open: the field follows the caret.
  mavlet_text_show(caret.left, caret.top, caret.Width(), caret.Height(), display_.Width(), display_.Height());
  field_shown_ = true;
}

void WebInputState::StopTextInput() {
  if (field_shown_) mavlet_text_hide();
  field_shown_ = false;
}

std::vector<TextInputEvent> WebInputState::TakeTextInput() {
  if (!field_shown_) return {};
  return ParseFieldEvents(Take(0));
}

bool WebInputState::ApplicationActive() { return mavlet_page_visible() != 0; }

std::string WebInputState::Composition() { return field_shown_ ? Take(1) : std::string(); }

}  // namespace mavlet::web
