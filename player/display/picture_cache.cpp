#include "player/display/picture_cache.h"

#include <algorithm>

#include "player/common/ascii_case.h"
#include "player/common/sjis_text.h"

namespace mavlet {

void TCacheList::SetCapacity(int capacity) {
  capacity_ = std::max(capacity, 1);
  while (entries_.size() > static_cast<std::size_t>(capacity_)) entries_.erase(entries_.begin());
}

TCacheData* TCacheList::Find(std::string_view name) {
  for (auto& e : entries_)
    if (EqualsIgnoreAsciiCase(e->name, name)) return e.get();
  return nullptr;
}

TCacheData& TCacheList::Add(std::string_view name, std::vector<TCacheDIB> dibs) {
  auto entry = std::make_unique<TCacheData>();
  entry->name = std::string(name);
  entry->dibs = std::move(dibs);
  TCacheData& added = *entry;
  entries_.push_back(std::move(entry));
  while (entries_.size() > static_cast<std::size_t>(capacity_)) entries_.erase(entries_.begin());
  return added;
}

void TCacheList::MoveToEnd(const TCacheData* entry) {
  auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& e) { return e.get() == entry; });
  if (it == entries_.end()) return;
  std::rotate(it, it + 1, entries_.end());
}

}  // namespace mavlet
