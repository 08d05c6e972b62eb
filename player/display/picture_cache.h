#pragma once
// Decoded pictures kept by name (ignoring case) so that layers reusing a picture do not decode
// it again. Least recently used first; adding beyond the capacity drops from the front.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/graphics/bitmap.h"

namespace mavlet {

struct TCacheDIB {
  Bitmap bitmap;
  bool FrameTransparent = true;
};

struct TCacheData {
  std::string name;  // the scenario's picture name, Shift-JIS
  std::vector<TCacheDIB> dibs;
};

class TCacheList {
 public:
  static constexpr int kDefaultCapacity = 8;

  explicit TCacheList(int capacity = kDefaultCapacity) { SetCapacity(capacity); }
  TCacheList(const TCacheList&) = delete;
  TCacheList& operator=(const TCacheList&) = delete;

  // Values below 1 count as 1.
  void SetCapacity(int capacity);
  int Capacity() const { return capacity_; }

  // nullptr when the name is not cached. Does not change the order.
  TCacheData* Find(std::string_view name);
  // Appends a new entry (most recently used), then drops the oldest beyond the capacity.
  // The returned entry stays valid until the next Add or Clear.
  TCacheData& Add(std::string_view name, std::vector<TCacheDIB> dibs);
  void MoveToEnd(const TCacheData* entry);
  void Clear() { entries_.clear(); }

  std::size_t Count() const { return entries_.size(); }
  const TCacheData& At(std::size_t i) const { return *entries_[i]; }

 private:
  int capacity_ = kDefaultCapacity;
  std::vector<std::unique_ptr<TCacheData>> entries_;
};

}  // namespace mavlet
