#pragma once
// The player's one command set: every scenario keyword's class from the engine, the display and
// the media. Together they cover the whole keyword table (the registration tests check it), so
// the stand-in pass that closes the set registers nothing; it is there so that a keyword added to
// the table before its class still takes its command index. The player, the headless runner (and
// so `mavtool run`) and the fuzz targets all use it, so they run the same commands.
namespace mavlet {

class CommandRegistry;

void RegisterAllCommands(CommandRegistry& registry);

}  // namespace mavlet
