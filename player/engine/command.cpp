#include "player/engine/command.h"

#include "player/common/sjis_text.h"
#include "player/engine/book_manager.h"
#include "player/engine/page.h"

namespace mavlet {

bool TCommand::IsNonStop() const {
  return (owner_page_ != nullptr && owner_page_->NonStop() != 0) || (flags_ & kFlagNonStop) != 0;
}

void TCommand::Prepare(GameServices&, TBookManager&) {}

void TCommand::Execute(TCallManager&, GameServices&, TBookManager&, TStackData& pos) { ++pos.Com; }

void TCommand::SaveState(TCallManager&, TBookManager&, GameServices&, TGameStatus&) {}

void TCommand::LoadState(TCallManager&, TBookManager& book, GameServices& sys, TGameStatus&) {
  Prepare(sys, book);
}

void TCommand::Enter(TCallManager&, GameServices&, TBookManager&, std::string_view) {}

void TCommand::Parse(std::string_view args) {
  flags_ = CsvFieldInt(args, 0, 0);
  SetCond(CsvField(args, 1));
}

const ParsedCondition& TCommand::ParsedCond() const {
  if (!parsed_cond_) parsed_cond_ = std::make_unique<ParsedCondition>(ParseCondition(cond_));
  return *parsed_cond_;
}

TCommand* TCommand::NextCommand() const {
  if (owner_page_ == nullptr) return nullptr;
  int i = owner_page_->IndexOf(this);
  return i < 0 ? nullptr : owner_page_->At(i + 1);
}

TCommand* TCommand::PrevCommand() const {
  if (owner_page_ == nullptr) return nullptr;
  int i = owner_page_->IndexOf(this);
  return i <= 0 ? nullptr : owner_page_->At(i - 1);
}

void TCommand::RunAlwaysStream(TCallManager& mgr, GameServices& sys, TBookManager& book) {
  book.RunAlwaysStream(mgr, sys);
}

}  // namespace mavlet
