#include "player/media/media_command_registration.h"

#include <string_view>

#include "player/engine/command_registry.h"
#include "player/media/movie_command.h"
#include "player/media/sound_commands.h"

namespace mavlet {

namespace {

// Keyword position, checked while compiling: a misspelt keyword does not build.
consteval int KeywordIndex(std::string_view keyword) {
  for (int i = 0; i < kKeywordCount; ++i) {
    if (kKeywords[static_cast<std::size_t>(i)] == keyword) return i;
  }
  throw "unknown keyword";
}

}  // namespace

void RegisterMediaCommands(CommandRegistry& registry) {
  registry.Register<TComMovie>(KeywordIndex("SetMovie"));
  registry.Register<TComWavPlay>(KeywordIndex("WavPlay"));
  registry.Register<TComSoundOn>(KeywordIndex("SoundOn"));
  registry.Register<TComSoundOff>(KeywordIndex("SoundOff"));
}

}  // namespace mavlet
