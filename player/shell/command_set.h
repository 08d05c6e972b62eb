#pragma once
// The player's one command set: every scenario keyword's class from the engine, the display and
// the media, then stand-ins for keywords that have no class yet. The player, the headless
// runner (and so `mavtool run`) and the fuzz targets all use it, so they run the same commands.
namespace mavlet {

class CommandRegistry;

void RegisterAllCommands(CommandRegistry& registry);

}  // namespace mavlet
