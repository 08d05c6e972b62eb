#pragma once
// The variable store: the 340 system values, then the declared variables, then the ones created
// at run time, in that order. Finds names through a 9-entry most-recently-used cache and a
// folded-name index, evaluates operands, conditions and Calc assignments, and saves itself into
// a save slot's game status.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "player/vars/calc_assignment.h"
#include "player/vars/condition.h"
#include "player/vars/expression_words.h"
#include "player/vars/name_match.h"
#include "player/vars/parameter.h"
#include "player/vars/system_value_host.h"

namespace mavlet {

class Log;
class TGameStatus;

class TParamManager {
 public:
  // Called after every value change of a number, string or flag variable with
  // (parameter, its name, its new value as GetStr gives it).
  using ChangeListener =
      std::function<void(TParameter& param, std::string_view name, std::string_view value)>;

  static constexpr std::size_t kCacheSize = 9;
  // Longest text a Calc concatenation may produce, and longest name composition may build:
  // a scenario that doubles a string in a loop gets a warning instead of exhausting memory.
  static constexpr std::size_t kMaxTextLength = std::size_t{16} << 20;

  // log (may be null) receives the warnings of Calc (division by zero and the like).
  explicit TParamManager(Log* log = nullptr);
  ~TParamManager();
  TParamManager(const TParamManager&) = delete;
  TParamManager& operator=(const TParamManager&) = delete;

  // Hosts of the system values; nullptr restores the built-in defaults. Not owned.
  void SetEngineHost(EngineValueHost* host) { engine_host_ = host ? host : &default_engine_; }
  void SetGameHost(GameValueHost* host) { game_host_ = host ? host : &default_game_; }
  EngineValueHost& EngineHost() { return *engine_host_; }
  GameValueHost& GameHost() { return *game_host_; }
  void SetLog(Log* log) { log_ = log; }
  Log* GetLog() const { return log_; }

  // Called just before a parameter is destroyed (Del, New replacing a temporary, ResetAll,
  // LoadFromStatus), so that holders of pointers (marks, breakpoints) can drop them. The
  // listener must not change the store.
  using RemoveListener = std::function<void(TParameter& param)>;

  void SetOnChange(ChangeListener listener) { on_change_ = std::move(listener); }
  void SetOnRemove(RemoveListener listener) { on_remove_ = std::move(listener); }
  bool HasOnChange() const { return static_cast<bool>(on_change_); }
  void NotifyChange(TParameter& param);

  // --- lookup ---
  // Composes the name ("+" parts after the first are ValueStr-evaluated and appended), then
  // looks in the cache, then in the store; the first match in store order wins.
  TParameter* Find(std::string_view name);
  // Composes the name, then finds the first temporary with that name (the cache is neither
  // read nor changed).
  TParameter* FindTemporary(std::string_view name);
  // The composition step of Find on its own (the Save and Load commands build keys with it).
  // Stops at kMaxTextLength (such a name matches nothing in Find).
  std::string ComposeName(std::string_view name);

  // --- contents ---
  // A new, unlisted number, string or flag variable by type code (0, 1, anything else flag).
  std::unique_ptr<TParameter> CreateParam(int type_code, bool temporary);
  // Appends a parameter created for this store and returns it. Throws MavError for a null
  // parameter or one whose owner is another store.
  TParameter& Append(std::unique_ptr<TParameter> param);
  // The scenario loader: appends a declared (not temporary) variable named name.
  TParameter& Declare(int type_code, std::string_view name);
  // The New command: replaces a temporary of the same name, then appends a temporary with
  // SetStr(initial).
  TParameter& NewTemporary(int type_code, std::string_view name, std::string_view initial);
  // Takes the parameter out of the cache and the store and destroys it. Does nothing for a
  // pointer that is not in this store (compared, never dereferenced).
  void RemoveParam(TParameter* param);
  // Whether the pointer is in the store; never dereferenced. A destroyed parameter's address
  // may be reused by a newer one, so keep Id()s to refer to parameters that may go away.
  bool Contains(const TParameter* param) const;
  // The parameter with this Id(), or nullptr once it has been removed.
  TParameter* FindById(std::uint64_t id) const;

  std::size_t Count() const { return params_.size(); }
  TParameter& At(std::size_t i) const { return *params_[i]; }
  // The cache, most recently used first (at most kCacheSize entries).
  std::span<TParameter* const> Cache() const { return {cache_.data(), cache_size_}; }
  void ClearCache() { cache_size_ = 0; }

  // --- save slots ---
  // Replaces every "#" line with "#<name>=<type code>,<text>" for each saveable variable
  // (the first of several with the same name: the one lookups find).
  void SaveToStatus(TGameStatus& status);
  // Drops temporaries, reloads every other variable from its own line (a missing line resets
  // it) and re-creates unknown saved names as temporaries.
  void LoadFromStatus(TGameStatus& status);
  // A new game: drops temporaries and resets every declared variable.
  void ResetAll();

  // --- operands and conditions ---
  // A variable's text, else the operand (a leading quote: the text up to the next quote).
  std::string ValueStr(std::string_view operand);
  // A variable's number, else the normalised operand as an integer (0 when invalid).
  std::int32_t ValueNum(std::string_view operand);
  // A variable's flag, else whether the operand is "ON" in any letter case.
  bool ValueFlag(std::string_view operand);
  // Compares the variable with the operand by its type. Throws MavError for op codes above 7.
  bool CompareOperand(TParameter& var, std::string_view operand, CompareOp op);
  // Empty: true. A missing variable makes the whole condition false. The parsed form of
  // recently seen condition texts is kept, so commands may pass their text every time.
  bool CheckCondition(std::string_view condition);
  bool CheckCondition(const ParsedCondition& condition);

  // --- Calc ---
  // Assigns "left op right" to target by the target's type. Division or remainder by zero and
  // the most negative number divided by -1 leave the target unchanged and log a warning.
  void Calc(TParameter& target, std::string_view left, CalcOp op, std::string_view right);
  // Finds the target and calculates; false (nothing assigned) when the target is missing.
  bool Calc(const CalcAssignment& assignment);
  // ParseCalcAssignment and Calc in one.
  bool CalcText(std::string_view argument);

 private:
  using Bucket = std::vector<TParameter*>;  // same folded name, in store order

  void Index(TParameter& param);
  void Unindex(TParameter& param, std::string_view name);
  void Renamed(TParameter& param, std::string_view old_name);
  TParameter* FindComposed(std::string_view name);
  // False when the composed name would exceed kMaxTextLength.
  bool Compose(std::string_view name, std::string& out);
  void CacheRemove(const TParameter* param);
  // Removes every temporary; keeps the order of the rest.
  void RemoveTemporaries();
  void Warn(std::string_view message);

  friend class TParameter;

  Log* log_;
  NoEngineValues default_engine_;
  NoGameValues default_game_;
  EngineValueHost* engine_host_ = &default_engine_;
  GameValueHost* game_host_ = &default_game_;
  ChangeListener on_change_;
  RemoveListener on_remove_;

  std::vector<std::unique_ptr<TParameter>> params_;
  std::unordered_map<std::string, Bucket, FoldedNameHash, FoldedNameEqual> index_;
  std::uint64_t next_order_ = 0;
  std::array<TParameter*, kCacheSize + 1> cache_{};
  std::size_t cache_size_ = 0;

  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  static constexpr std::size_t kConditionMemoLimit = 4096;
  std::unordered_map<std::string, ParsedCondition, TextHash, std::equal_to<>> condition_memo_;
};

}  // namespace mavlet
