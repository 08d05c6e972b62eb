#pragma once
// A text variable. The text is stored exactly as assigned; reading strips one leading quoted
// section (a quote, the text, the next quote or the end).
#include "player/vars/parameter.h"

namespace mavlet {

class TParamStr : public TParameter {
 public:
  using TParameter::TParameter;

  ParamType GetParamType() override { return ParamType::kStr; }
  std::string GetStr() override;
  void SetStr(std::string_view text) override;
  std::int32_t GetNum() override;
  void SetNum(std::int32_t value) override;
  // Non-empty text is true, so "FALSE" reads back as true.
  bool GetFlag() override { return !value_.empty(); }
  void SetFlag(bool on) override;
  void Reset() override { value_.clear(); }

  // The text as stored, quotes included.
  const std::string& Stored() const { return value_; }

 private:
  std::string value_;
};

}  // namespace mavlet
