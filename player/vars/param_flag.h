#pragma once
// An on/off variable; as text "ON" / "OFF", as a number 1 / 0.
#include "player/vars/parameter.h"

namespace mavlet {

class TParamFlag : public TParameter {
 public:
  using TParameter::TParameter;

  ParamType GetParamType() override { return ParamType::kFlag; }
  std::string GetStr() override { return value_ ? "ON" : "OFF"; }
  // On exactly when the text is "ON" in any letter case.
  void SetStr(std::string_view text) override;
  std::int32_t GetNum() override { return value_ ? 1 : 0; }
  void SetNum(std::int32_t value) override;
  bool GetFlag() override { return value_; }
  void SetFlag(bool on) override;
  void Reset() override { value_ = false; }

 private:
  bool value_ = false;
};

}  // namespace mavlet
