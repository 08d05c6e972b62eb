#include "player/engine/state_commands.h"

#include <exception>

#include "player/backend/clock.h"
#include "player/common/error.h"
#include "player/common/sjis_text.h"
#include "player/engine/book_manager.h"
#include "player/engine/call_manager.h"
#include "player/engine/game_services.h"
#include "player/vars/param_manager.h"
#include "player/common/ticks.h"

namespace mavlet {

void TComSaveGame::Parse(std::string_view args) {
  TCommand::Parse(args);
  slot_ = CsvField(args, 2);
  offset_ = CsvField(args, 3);
}

void TComSaveGame::Execute(TCallManager&, GameServices& sys, TBookManager& book, TStackData& pos) {
  TParamManager& params = book.Params();
  ++pos.Com;
  // The stream is saved at the command after this one, moved on by the offset.
  if (!offset_.empty()) pos.Com += params.ValueNum(offset_);
  try {
    book.SaveGameSlot(params.ValueNum(slot_), sys);
  } catch (...) {
    if (!offset_.empty()) pos.Com -= params.ValueNum(offset_);
    throw;
  }
  if (!offset_.empty()) pos.Com -= params.ValueNum(offset_);
}

void TComLoadGame::Parse(std::string_view args) {
  TCommand::Parse(args);
  slot_ = CsvField(args, 2);
  after_page_ = CsvFieldInt(args, 3, -1);
}

void TComLoadGame::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  // A step that failed (a damaged picture) is reported after the after-load page has run.
  const std::exception_ptr load_error = book.LoadGameSlotFirstError(book.Params().ValueNum(slot_), sys);
  // Loading replaces the positions of the eight streams. A temporary stream (an after-load page,
  // a choice's sub-scenario) is not among them: it moves on, or it would load again forever.
  if (&book.Manager(mgr.Kind()) != &mgr) ++pos.Com;
  if (after_page_ >= 0 && !book.Terminating()) {
    TCallManager after(book, 0);
    after.Start(after_page_, 0);
    try {
      book.RunToEnd(after, sys, "the page run after loading");
    } catch (const MavError&) {
      if (!load_error) throw;
    }
  }
  if (load_error) std::rethrow_exception(load_error);
}

void TComWait::Prepare(GameServices&, TBookManager& book) { start_ = book.GetClock().NowMs(); }

void TComWait::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  RunAlwaysStream(mgr, sys, book);
  const std::int64_t waited = TickDistance(book.GetClock().NowMs(), start_);
  if (book.Params().ValueNum(args_.ms) <= waited) ++pos.Com;
}

void TComWaitClick::Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) {
  RunAlwaysStream(mgr, sys, book);
  if (sys.ClickPressed()) ++pos.Com;
}

}  // namespace mavlet
