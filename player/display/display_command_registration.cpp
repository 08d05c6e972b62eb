#include "player/display/display_command_registration.h"

#include "player/display/choice_commands.h"
#include "player/display/cursor_command.h"
#include "player/display/layer_commands.h"
#include "player/display/text_commands.h"
#include "player/engine/command_registry.h"

namespace mavlet {

void RegisterDisplayCommands(CommandRegistry& registry) {
  registry.Register<TComSurface>(KeywordIndex("SetSfc"));
  registry.Register<TComFillSfc>(KeywordIndex("FillSfc"));
  registry.Register<TComOverSfc>(KeywordIndex("OverSfc"));
  registry.Register<TComBright>(KeywordIndex("Bright"));
  registry.Register<TComFrame>(KeywordIndex("SetFrame"));
  registry.Register<TComFrameInc>(KeywordIndex("IncFrame"));
  registry.Register<TComShowSfc>(KeywordIndex("ShowSfc"));
  registry.Register<TComHideSfc>(KeywordIndex("HideSfc"));
  registry.Register<TComSetBit>(KeywordIndex("SetBit"));
  registry.Register<TComSetFullScr>(KeywordIndex("SetFullScr"));
  registry.Register<TComEffect>(KeywordIndex("Effect"));
  registry.Register<TComEffect2>(KeywordIndex("SpEffect"));
  registry.Register<TComCursor>(KeywordIndex("SetCursor"));
  registry.Register<TComInsText>(KeywordIndex("PutText"));
  registry.Register<TComClrText>(KeywordIndex("ClrText"));
  registry.Register<TComTextPos>(KeywordIndex("TextPos"));
  registry.Register<TComTextSpd>(KeywordIndex("TextSpd"));
  registry.Register<TComTextCol>(KeywordIndex("TextCol"));
  registry.Register<TComTextSCol>(KeywordIndex("TextSCol"));
  registry.Register<TComSetFont>(KeywordIndex("SetFont"));
  registry.Register<TComInput>(KeywordIndex("Input"));
  registry.Register<TComHistoryCall>(KeywordIndex("HistoryCall"));
  registry.Register<TComHistoryAdd>(KeywordIndex("HistoryAdd"));
  registry.Register<TComHistoryClear>(KeywordIndex("HistoryClear"));
  registry.Register<TComSelStr>(KeywordIndex("SelStr"));
  registry.Register<TComSelMap>(KeywordIndex("SelMap"));
}

}  // namespace mavlet
