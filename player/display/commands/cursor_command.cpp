#include "player/display/commands/cursor_command.h"

#include "player/common/sjis_text.h"
#include "player/display/display_services.h"
#include "player/engine/book_manager.h"
#include "player/vars/param_manager.h"

namespace mavlet {

void TComCursor::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  RunAlwaysStream(mgr, sys, book);
  DisplayOf(sys).SetCursor(book.Params().ValueStr(args_.name));
  ++pos.Com;
}

}  // namespace mavlet
