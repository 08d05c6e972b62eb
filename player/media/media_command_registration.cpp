#include "player/media/media_command_registration.h"

#include "player/engine/command_registry.h"
#include "player/media/movie_command.h"
#include "player/media/sound_commands.h"

namespace mavlet {

void RegisterMediaCommands(CommandRegistry& registry) {
  registry.Register<TComMovie>(KeywordIndex("SetMovie"));
  registry.Register<TComWavPlay>(KeywordIndex("WavPlay"));
  registry.Register<TComSoundOn>(KeywordIndex("SoundOn"));
  registry.Register<TComSoundOff>(KeywordIndex("SoundOff"));
}

}  // namespace mavlet
