#include "player/media/media_command_registration.h"

#include "player/engine/command_registry.h"
#include "player/media/movie_command.h"
#include "player/media/sound_commands.h"

namespace mavlet {

void RegisterMediaCommands(CommandRegistry& registry) {
  registry.Register<TComMovie>();
  registry.Register<TComWavPlay>();
  registry.Register<TComSoundOn>();
  registry.Register<TComSoundOff>();
}

}  // namespace mavlet
