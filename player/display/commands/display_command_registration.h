#pragma once
// Registers the display library's scenario commands (layers, text window, history, choices,
// cursor) with the keyword registry.
namespace mavlet {

class CommandRegistry;

void RegisterDisplayCommands(CommandRegistry& registry);

}  // namespace mavlet
