#pragma once
// Registers the media library's scenario commands (movie, sound) with the keyword registry.
namespace mavlet {

class CommandRegistry;

void RegisterMediaCommands(CommandRegistry& registry);

}  // namespace mavlet
