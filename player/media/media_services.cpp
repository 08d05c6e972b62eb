#include "player/media/media_services.h"

#include "player/common/error.h"
#include "player/engine/game_services.h"

namespace mavlet {

MediaServices& MediaOf(GameServices& sys) {
  MediaServices* media = sys.MediaPort();
  if (media == nullptr) throw MavError("this player has no sound: sound commands cannot run");
  return *media;
}

}  // namespace mavlet
