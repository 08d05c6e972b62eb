#include "player/display/display_services.h"

#include "player/common/error.h"
#include "player/display/choice_services.h"
#include "player/engine/game_services.h"

namespace mavlet {

DisplayServices& DisplayOf(GameServices& sys) {
  DisplayServices* display = sys.DisplayPort();
  if (display == nullptr) throw MavError("this player has no display: layer and cursor commands cannot run");
  return *display;
}

ChoiceServices& ChoicesOf(GameServices& sys) {
  ChoiceServices* choices = DisplayOf(sys).ChoicePort();
  if (choices == nullptr) throw MavError("this player has no choice layers: SelStr and SelMap cannot run");
  return *choices;
}

}  // namespace mavlet
