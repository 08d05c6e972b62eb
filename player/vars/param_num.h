#pragma once
// A signed 32-bit number variable.
#include "player/vars/parameter.h"

namespace mavlet {

class TParamNum : public TParameter {
 public:
  using TParameter::TParameter;

  ParamType GetParamType() override { return ParamType::kNum; }
  std::string GetStr() override;
  // Full-width digits and signs are accepted; anything that is not a whole integer gives 0.
  void SetStr(std::string_view text) override;
  std::int32_t GetNum() override { return value_; }
  void SetNum(std::int32_t value) override;
  bool GetFlag() override { return value_ != 0; }
  void SetFlag(bool on) override;
  void Reset() override { value_ = 0; }

 private:
  std::int32_t value_ = 0;
};

}  // namespace mavlet
