#pragma once
// Base of every named scenario value. The store (TParamManager) owns parameters; a parameter
// only points back at its owner to report changes and, for system values, to reach live state.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mavlet {

class TParamManager;

// Type codes; also written into save slots ("#Name=<code>,<text>").
enum class ParamType : std::uint8_t { kNum = 0, kStr = 1, kFlag = 2 };

class TParameter {
 public:
  explicit TParameter(TParamManager* owner, bool temporary = false)
      : owner_(owner), temporary_(temporary) {}
  virtual ~TParameter() = default;
  TParameter(const TParameter&) = delete;
  TParameter& operator=(const TParameter&) = delete;

  TParamManager* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // Created at run time (New, or re-created while loading a save): ResetAll and
  // LoadFromStatus destroy these; the others survive.
  bool Temporary() const { return temporary_; }
  void SetTemporary(bool temporary) { temporary_ = temporary; }
  // Unique within its store for the store's lifetime (never reused), set when it is appended.
  std::uint64_t Id() const { return order_; }

  // Renaming a parameter that is already in a store keeps the store's name index current.
  virtual void SetName(std::string_view name);
  virtual ParamType GetParamType() { return ParamType::kNum; }
  virtual std::string GetStr() { return {}; }
  virtual void SetStr(std::string_view) {}
  virtual std::int32_t GetNum() { return 0; }
  virtual void SetNum(std::int32_t) {}
  virtual bool GetFlag() { return false; }
  virtual void SetFlag(bool) {}
  virtual bool CanSave() { return true; }
  virtual void Reset() {}

  // True for the "@" values that forward to live state (never saved, never reset).
  virtual bool IsSystemValue() const { return false; }

 protected:
  // Value setters call this after storing: the store's OnChange listener, when set, sees
  // (parameter, Name, GetStr()).
  void NotifyChanged();

 private:
  friend class TParamManager;
  TParamManager* owner_;
  std::string name_;
  bool temporary_;
  // Kept by the store: creation order (the first match in store order wins) and membership.
  std::uint64_t order_ = 0;
  std::size_t name_hash_ = 0;  // HashIgnoreAsciiCase(name_) while listed
  bool listed_ = false;
};

}  // namespace mavlet
