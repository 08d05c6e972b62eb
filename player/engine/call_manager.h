#pragma once
// One stream: a position, a call stack and a most-recently-used cache of three pages.
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "player/engine/command.h"
#include "player/engine/page.h"

namespace mavlet {

class GameServices;
class TGameStatus;

class TCallManager {
 public:
  static constexpr int kPageCache = 3;

  TCallManager(TBookManager& book, std::uint8_t kind);
  TCallManager(const TCallManager&) = delete;
  TCallManager& operator=(const TCallManager&) = delete;

  // Clears the stack and moves to (page, com); the next Advance enters that command afresh.
  void Start(std::int32_t page, std::int32_t com);
  // Runs until a command waits (false) or the stream ends or the player is closing (true).
  // A non-stop run is cut after a bounded number of commands so no scenario can freeze us.
  bool Advance(GameServices& sys);
  // Brings the page of Pos to the front of the cache, loading it when needed. False when Pos has
  // no page.
  bool EnsurePage();

  void SaveStream(TGameStatus& status, std::string_view prefix, GameServices& sys);
  void LoadStream(TGameStatus& status, std::string_view prefix, GameServices& sys);

  TBookManager& Book() const { return book_; }
  std::uint8_t Kind() const { return kind_; }
  TStackData& Pos() { return pos_; }
  const TStackData& Pos() const { return pos_; }
  TStackData& Entered() { return entered_; }
  std::vector<TStackData>& Stack() { return stack_; }
  const std::vector<TStackData>& Stack() const { return stack_; }
  TCommand* Current() const { return current_; }
  TPage& Page(int i) { return *pages_[static_cast<std::size_t>(i)]; }
  std::int32_t PendingPage() const { return pending_page_; }
  void SetPendingPage(std::int32_t page) { pending_page_ = page; }
  // True while Pos has no page or lies outside its (cached) page.
  bool Ended() const;

  // Always-stream timing (stream 1 only).
  std::uint32_t LastTick = 0;
  std::int32_t Countdown = 0;

  // Commands executed so far; nested runs use it to bound themselves.
  std::uint64_t Executed() const { return executed_; }

 private:
  void LoadPageInto(TPage& page, std::int32_t number);

  TBookManager& book_;
  std::uint8_t kind_;
  std::array<std::unique_ptr<TPage>, kPageCache> pages_;
  TStackData pos_;
  TStackData entered_;
  std::vector<TStackData> stack_;
  TCommand* current_ = nullptr;
  std::int32_t pending_page_ = -1;
  std::uint64_t executed_ = 0;
};

}  // namespace mavlet
