#pragma once
// A reserved "@" name: no value of its own, every read and write goes to the owner's hosts.
// Reads and writes that the table marks as errors throw MavError("TParamSystem.SetNumｴﾗｰ" etc.).
#include "player/vars/parameter.h"
#include "player/vars/system_names.h"

namespace mavlet {

class TParamSystem : public TParameter {
 public:
  explicit TParamSystem(TParamManager* owner) : TParameter(owner, false) {}

  // Also looks the name up in the system-name table; an unknown name gives index 0.
  void SetName(std::string_view name) override;
  ParamType GetParamType() override;
  std::string GetStr() override;
  void SetStr(std::string_view text) override;
  std::int32_t GetNum() override;
  void SetNum(std::int32_t value) override;
  // Flag values as they are; number values are on when not 0, text values when not empty.
  bool GetFlag() override;
  void SetFlag(bool on) override;
  bool CanSave() override { return false; }
  bool IsSystemValue() const override { return true; }

  std::uint16_t SysIndex() const { return sys_index_; }
  // Only for tests of the out-of-table errors; the store never sets an index outside 0..339.
  void SetSysIndexForTest(std::uint16_t index) { sys_index_ = index; }

 private:
  const SystemNameEntry* Entry(const char* operation) const;
  std::uint16_t sys_index_ = 0;
};

}  // namespace mavlet
