#include "player/display/commands/display_command_registration.h"

#include "player/display/commands/choice_commands.h"
#include "player/display/commands/cursor_command.h"
#include "player/display/commands/layer_commands.h"
#include "player/display/commands/text_commands.h"
#include "player/engine/command_registry.h"

namespace mavlet {

void RegisterDisplayCommands(CommandRegistry& registry) {
  registry.Register<TComSurface>();
  registry.Register<TComFillSfc>();
  registry.Register<TComOverSfc>();
  registry.Register<TComBright>();
  registry.Register<TComFrame>();
  registry.Register<TComFrameInc>();
  registry.Register<TComShowSfc>();
  registry.Register<TComHideSfc>();
  registry.Register<TComSetBit>();
  registry.Register<TComSetFullScr>();
  registry.Register<TComEffect>();
  registry.Register<TComEffect2>();
  registry.Register<TComCursor>();
  registry.Register<TComInsText>();
  registry.Register<TComClrText>();
  registry.Register<TComTextPos>();
  registry.Register<TComTextSpd>();
  registry.Register<TComTextCol>();
  registry.Register<TComTextSCol>();
  registry.Register<TComSetFont>();
  registry.Register<TComInput>();
  registry.Register<TComHistoryCall>();
  registry.Register<TComHistoryAdd>();
  registry.Register<TComHistoryClear>();
  registry.Register<TComSelStr>();
  registry.Register<TComSelMap>();
}

}  // namespace mavlet
