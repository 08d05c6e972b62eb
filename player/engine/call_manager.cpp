#include "player/engine/call_manager.h"

#include <algorithm>
#include <string>

#include "player/common/log.h"
#include "player/engine/book_manager.h"
#include "player/engine/command_registry.h"
#include "player/engine/engine_hook.h"
#include "player/storage/game_status.h"
#include "player/vars/param_manager.h"

namespace mavlet {
namespace {

// Keywords after which the stream's page has usually changed (Jump, Call, Return, SelStr, Reset).
bool MovesPage(int keyword) {
  return keyword == KeywordIndex("Jump") || keyword == KeywordIndex("Call") || keyword == KeywordIndex("Return") ||
         keyword == KeywordIndex("SelStr") || keyword == KeywordIndex("Reset");
}

std::string Key(std::string_view prefix, const char* part, int i) {
  std::string k(prefix);
  k += part;
  k += std::to_string(i);
  return k;
}
std::string Key(std::string_view prefix, const char* part) {
  std::string k(prefix);
  k += part;
  return k;
}

}  // namespace

TCallManager::TCallManager(TBookManager& book, std::uint8_t kind) : book_(book), kind_(kind) {
  for (auto& p : pages_) p = std::make_unique<TPage>(&book);
}

void TCallManager::Start(std::int32_t page, std::int32_t com) {
  stack_.clear();
  pos_ = TStackData{page, com, {}};
  entered_.Page = -1;
  pending_page_ = -1;
}

bool TCallManager::Ended() const {
  return pos_.Page < 0 || pages_[0]->Number() != pos_.Page || pages_[0]->At(pos_.Com) == nullptr;
}

void TCallManager::LoadPageInto(TPage& page, std::int32_t number) {
  // The page's commands are about to be destroyed: never keep pointing at one of them.
  if (current_ != nullptr && current_->OwnerPage() == &page) current_ = nullptr;
  page.LoadScenario(number);
}

bool TCallManager::EnsurePage() {
  if (pos_.Page < 0) return false;
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i]->Number() == pos_.Page) {
      if (i > 0) std::rotate(pages_.begin(), pages_.begin() + static_cast<std::ptrdiff_t>(i),
                             pages_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      return true;
    }
  }
  std::rotate(pages_.begin(), pages_.begin() + 2, pages_.end());
  LoadPageInto(*pages_[0], pos_.Page);
  return true;
}

bool TCallManager::Advance(GameServices& sys) {
  TBookManager& book = book_;
  EngineHook* hook = book.Hook();
  if (hook != nullptr && book.IsMain(*this) && hook->HoldMain()) return false;
  if (!EnsurePage()) return true;
  const std::uint64_t limit = book.MaxRunCommands();
  for (std::uint64_t steps = 0;; ++steps) {
    if (book.Terminating()) return true;
    if (book.RunBudgetSpent()) return false;
    if (steps >= limit) {
      book.GetLog().Warn("stream " + std::to_string(kind_) + ": page " + std::to_string(pos_.Page) +
                         " ran " + std::to_string(steps) + " commands without waiting; yielding");
      return false;
    }
    TPage& page = *pages_[0];
    current_ = page.At(pos_.Com);
    if (current_ == nullptr) return true;
    const int keyword = page.KeywordAt(pos_.Com);
    if (pos_.Page != entered_.Page || pos_.Com != entered_.Com) {
      if (!current_->Cond().empty() && !book.Params().CheckCondition(current_->ParsedCond())) {
        entered_.Page = pos_.Page;
        entered_.Com = pos_.Com;
        ++pos_.Com;
        continue;
      }
      current_->Prepare(sys, book);
      std::string resume = std::move(pos_.Resume);
      pos_.Resume.clear();
      current_->Enter(*this, sys, book, resume);
      entered_.Page = pos_.Page;
      entered_.Com = pos_.Com;
    }
    TCommand* command = current_;
    const std::int32_t page_before = pos_.Page;
    const std::int32_t com_before = pos_.Com;
    book.NoteExecute(*this, *command, pos_);
    ++executed_;
    command->Execute(*this, sys, book, pos_);
    if (book.StopFrame()) return false;
    if (pending_page_ >= 0) {
      stack_.clear();
      entered_.Page = pos_.Page;
      entered_.Com = pos_.Com;
      pos_ = TStackData{pending_page_, 0, {}};
      pending_page_ = -1;
      return false;
    }
    if (MovesPage(keyword) && !EnsurePage()) return true;
    // A hold set by this very command (a step or a break) stops the main stream right after
    // it, even inside a chain of non-stop commands: one step is one command.
    if (hook != nullptr && book.IsMain(*this) && hook->HoldMain()) return false;
    // current_ may have been replaced by a nested load; ask the command that just ran.
    if (!command->IsNonStop()) return false;
    // A command that left the position where it was is waiting: even on a non-stop page it
    // waits for the next logic step instead of spinning (time and input only move between steps).
    if (pos_.Page == page_before && pos_.Com == com_before) return false;
    if (!EnsurePage()) return true;
  }
}

void TCallManager::SaveStream(TGameStatus& status, std::string_view prefix, GameServices& sys) {
  for (std::size_t i = 0; i < stack_.size(); ++i) {
    const int n = static_cast<int>(i);
    status.WriteInteger(Key(prefix, "Sp", n), stack_[i].Page);
    status.WriteInteger(Key(prefix, "Sc", n), stack_[i].Com);
    if (!stack_[i].Resume.empty()) status.WriteString(Key(prefix, "Ss", n), stack_[i].Resume);
  }
  status.WriteInteger(Key(prefix, "Page"), pos_.Page);
  status.WriteInteger(Key(prefix, "Com"), pos_.Com);
  status.WriteInteger(Key(prefix, "PageOld"), entered_.Page);
  if (current_ != nullptr) current_->SaveState(*this, book_, sys, status);
}

void TCallManager::LoadStream(TGameStatus& status, std::string_view prefix, GameServices& sys) {
  stack_.clear();
  for (int i = 0;; ++i) {
    std::int32_t page = status.ReadInteger(Key(prefix, "Sp", i), -1);
    if (page < 0) break;
    std::int32_t com = status.ReadInteger(Key(prefix, "Sc", i), -1);
    stack_.push_back(TStackData{page, com, status.ReadString(Key(prefix, "Ss", i), "")});
  }
  pos_.Page = status.ReadInteger(Key(prefix, "Page"), -1);
  pos_.Com = status.ReadInteger(Key(prefix, "Com"), -1);
  pos_.Resume.clear();
  entered_ = pos_;
  entered_.Page = status.ReadInteger(Key(prefix, "PageOld"), -1);
  pending_page_ = -1;
  if (pos_.Page >= 0 && entered_.Page >= 0) {
    pages_[0]->SetNumber(-1);
    LoadPageInto(*pages_[1], pos_.Page);
    current_ = pages_[1]->At(pos_.Com);
    if (current_ != nullptr) current_->LoadState(*this, book_, sys, status);
  }
}

}  // namespace mavlet
