#include "player/vars/param_manager.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "player/common/error.h"
#include "player/common/int_convert.h"
#include "player/common/log.h"
#include "player/storage/game_status.h"
#include "player/vars/param_flag.h"
#include "player/vars/param_num.h"
#include "player/vars/param_str.h"
#include "player/vars/param_system.h"
#include "player/vars/system_names.h"

namespace mavlet {

TParamManager::TParamManager(Log* log) : log_(log) {
  params_.reserve(kSystemNameCount + 64);
  index_.reserve(kSystemNameCount * 2);
  for (const SystemNameEntry& entry : SystemNames()) {
    auto param = std::make_unique<TParamSystem>(this);
    param->SetName(entry.name);
    Append(std::move(param));
  }
}

TParamManager::~TParamManager() = default;

void TParamManager::NotifyChange(TParameter& param) {
  if (!on_change_) return;
  const std::string value = param.GetStr();
  on_change_(param, param.Name(), value);
}

// --- lookup ---

bool TParamManager::Compose(std::string_view name, std::string& out) {
  const auto plus = name.find('+');  // "+" is never the second byte of a double-byte character
  out.assign(name.substr(0, plus));
  if (plus == std::string_view::npos) return true;
  std::string_view rest = name.substr(plus + 1);
  while (true) {
    const auto next = rest.find('+');
    const std::string part = ValueStr(rest.substr(0, next));
    if (out.size() + part.size() > kMaxTextLength) return false;
    out += part;
    if (next == std::string_view::npos) return true;
    rest.remove_prefix(next + 1);
  }
}

std::string TParamManager::ComposeName(std::string_view name) {
  std::string composed;
  Compose(name, composed);
  return composed;
}

TParameter* TParamManager::Find(std::string_view name) {
  if (name.find('+') != std::string_view::npos) {
    std::string composed;
    if (!Compose(name, composed)) return nullptr;
    return FindComposed(composed);
  }
  return FindComposed(name);
}

TParameter* TParamManager::FindComposed(std::string_view name) {
  // The folded hash rejects almost every cache entry with one comparison.
  const std::size_t hash = HashIgnoreAsciiCase(name);
  for (std::size_t i = 0; i < cache_size_; ++i) {
    TParameter* p = cache_[i];
    if (p->name_hash_ == hash && NamesMatch(p->Name(), name)) {
      std::move_backward(cache_.begin(), cache_.begin() + i, cache_.begin() + i + 1);
      cache_[0] = p;
      return p;
    }
  }
  const auto it = index_.find(name);
  if (it == index_.end()) return nullptr;
  for (TParameter* p : it->second) {
    // The bucket folds case; the first byte must still match exactly.
    if (name.empty() || p->Name()[0] == name[0]) {
      std::move_backward(cache_.begin(), cache_.begin() + cache_size_,
                         cache_.begin() + cache_size_ + 1);
      cache_[0] = p;
      if (++cache_size_ > kCacheSize) cache_size_ = kCacheSize;
      return p;
    }
  }
  return nullptr;
}

TParameter* TParamManager::FindTemporary(std::string_view name) {
  std::string composed;
  if (!Compose(name, composed)) return nullptr;
  const auto it = index_.find(std::string_view(composed));
  if (it == index_.end()) return nullptr;
  for (TParameter* p : it->second) {
    if (p->Temporary() && NamesMatch(p->Name(), composed)) return p;
  }
  return nullptr;
}

// --- contents ---

std::unique_ptr<TParameter> TParamManager::CreateParam(int type_code, bool temporary) {
  switch (type_code) {
    case 0: return std::make_unique<TParamNum>(this, temporary);
    case 1: return std::make_unique<TParamStr>(this, temporary);
    default: return std::make_unique<TParamFlag>(this, temporary);
  }
}

TParameter& TParamManager::Append(std::unique_ptr<TParameter> param) {
  if (!param || param->Owner() != this || param->listed_) {
    throw MavError("TParamManager.Append: parameter not made for this store");
  }
  TParameter& ref = *param;
  ref.order_ = next_order_++;
  ref.listed_ = true;
  params_.push_back(std::move(param));
  Index(ref);
  return ref;
}

TParameter& TParamManager::Declare(int type_code, std::string_view name) {
  auto param = CreateParam(type_code, false);
  param->SetName(name);
  return Append(std::move(param));
}

TParameter& TParamManager::NewTemporary(int type_code, std::string_view name,
                                        std::string_view initial) {
  if (TParameter* old = FindTemporary(name)) RemoveParam(old);
  auto param = CreateParam(type_code, true);
  param->SetName(name);
  param->SetStr(initial);
  return Append(std::move(param));
}

bool TParamManager::Contains(const TParameter* param) const {
  if (param == nullptr) return false;
  return std::any_of(params_.begin(), params_.end(),
                     [&](const auto& p) { return p.get() == param; });
}

TParameter* TParamManager::FindById(std::uint64_t id) const {
  // Appends take increasing ids and removals keep the order, so the list is sorted by id.
  const auto it = std::lower_bound(params_.begin(), params_.end(), id,
                                   [](const auto& p, std::uint64_t v) { return p->order_ < v; });
  return it != params_.end() && (*it)->order_ == id ? it->get() : nullptr;
}

void TParamManager::RemoveParam(TParameter* param) {
  const auto it = std::find_if(params_.begin(), params_.end(),
                               [&](const auto& p) { return p.get() == param; });
  if (it == params_.end()) return;
  CacheRemove(param);
  Unindex(*param, param->Name());
  if (on_remove_) on_remove_(*param);
  params_.erase(it);
}

void TParamManager::CacheRemove(const TParameter* param) {
  const auto end = cache_.begin() + cache_size_;
  const auto it = std::remove(cache_.begin(), end, param);
  cache_size_ = static_cast<std::size_t>(it - cache_.begin());
}

void TParamManager::Index(TParameter& param) {
  param.name_hash_ = HashIgnoreAsciiCase(param.Name());
  Bucket& bucket = index_[param.Name()];
  const auto pos = std::upper_bound(
      bucket.begin(), bucket.end(), param.order_,
      [](std::uint64_t order, const TParameter* p) { return order < p->order_; });
  bucket.insert(pos, &param);
}

void TParamManager::Unindex(TParameter& param, std::string_view name) {
  const auto it = index_.find(name);
  if (it == index_.end()) return;
  std::erase(it->second, &param);
  if (it->second.empty()) index_.erase(it);
}

void TParamManager::Renamed(TParameter& param, std::string_view old_name) {
  Unindex(param, old_name);
  Index(param);
}

void TParamManager::RemoveTemporaries() {
  for (const auto& p : params_) {
    if (p->Temporary()) {
      CacheRemove(p.get());
      Unindex(*p, p->Name());
      if (on_remove_) on_remove_(*p);
    }
  }
  std::erase_if(params_, [](const auto& p) { return p->Temporary(); });
}

// --- save slots ---

void TParamManager::SaveToStatus(TGameStatus& status) {
  status.DeletePrefix("#");
  // A later variable of the same name (New under a declared name) would overwrite the line of
  // the one that lookups find, and loading would then give the wrong value to it: first wins.
  std::unordered_set<std::string> written;
  for (const auto& p : params_) {
    if (p->IsSystemValue() || !p->CanSave()) continue;
    if (!written.insert(p->Name()).second) continue;
    std::string value = std::to_string(static_cast<int>(p->GetParamType()));
    value += ',';
    value += p->GetStr();
    status.WriteString("#" + p->Name(), value);
  }
}

void TParamManager::LoadFromStatus(TGameStatus& status) {
  ClearCache();
  RemoveTemporaries();
  // Saved variables by exact name (the first line of a name wins, as a key lookup would),
  // read straight from the lines so that no name can turn into a special key query.
  struct Saved {
    std::string_view name;
    std::string_view stored;  // "<type code>,<text>"
  };
  std::vector<Saved> saved;
  std::unordered_map<std::string_view, std::string_view> by_name;
  for (const std::string& line : status.Lines()) {
    if (line.empty() || line[0] != '#') continue;
    const std::string_view rest = std::string_view(line).substr(1);
    const auto eq = rest.find('=');
    Saved s{rest.substr(0, eq), eq == std::string_view::npos ? std::string_view() : rest.substr(eq + 1)};
    saved.push_back(s);
    by_name.emplace(s.name, s.stored);
  }
  for (auto it = params_.rbegin(); it != params_.rend(); ++it) {
    TParameter& p = **it;
    if (!p.CanSave()) continue;
    const auto found = by_name.find(std::string_view(p.Name()));
    const std::string_view stored = found == by_name.end() ? std::string_view() : found->second;
    const auto comma = stored.find(',');
    p.SetStr(comma == std::string_view::npos ? std::string_view() : stored.substr(comma + 1));
  }
  for (const Saved& line : saved) {
    const std::string_view name = line.name;
    const std::string_view stored = line.stored;
    if (Find(name) != nullptr) continue;
    const auto comma = stored.find(',');
    const std::string_view code = stored.substr(0, comma);
    const std::string_view value =
        comma == std::string_view::npos ? std::string_view() : stored.substr(comma + 1);
    auto param = CreateParam(ParseIntOr(code, 2), true);
    param->SetName(name);
    param->SetStr(value);
    Append(std::move(param));
  }
}

void TParamManager::ResetAll() {
  ClearCache();
  RemoveTemporaries();
  for (auto it = params_.rbegin(); it != params_.rend(); ++it) (*it)->Reset();
}

void TParamManager::Warn(std::string_view message) {
  if (log_ != nullptr) log_->Warn(message);
}

}  // namespace mavlet
