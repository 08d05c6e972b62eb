#include "player/shell/command_set.h"

#include "player/display/commands/display_command_registration.h"
#include "player/engine/engine_commands.h"
#include "player/media/media_command_registration.h"

namespace mavlet {

void RegisterAllCommands(CommandRegistry& registry) {
  RegisterEngineCommands(registry);
  RegisterDisplayCommands(registry);
  RegisterMediaCommands(registry);
  RegisterPlaceholders(registry);
}

}  // namespace mavlet
