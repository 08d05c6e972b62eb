#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/vars/param_flag.h"
#include "player/vars/param_num.h"
#include "player/vars/param_str.h"
#include "tests/vars/vars_test_util.h"

namespace mavlet {
namespace {

struct SetStrCase {
  int type;
  std::string text;
  std::string str;
  std::int32_t num;
  bool flag;
};

TEST(ParamValues, SetStrConvertsByType) {
  const std::vector<SetStrCase> cases = {
      {0, "120", "120", 120, true},
      {0, "-5", "-5", -5, true},
      {0, "\x82\x50\x82\x51", "12", 12, true},  // full-width digits
      {0, "$1F", "31", 31, true},
      {0, "12abc", "0", 0, false},
      {0, "", "0", 0, false},
      {0, "99999999999", "0", 0, false},
      {1, "Taro", "Taro", 0, true},
      {1, "\"Hello\" world", "Hello", 0, true},
      {1, "\"abc", "abc", 0, true},            // no closing quote
      {1, "\"\"", "", 0, true},                 // quotes only: empty text but stored non-empty
      {1, " 42", " 42", 42, true},  // leading blanks are skipped by the conversion
      {1, "\x82\x54", "\x82\x54", 5, true},     // full-width 5 reads as a number
      {1, "", "", 0, false},
      {2, "ON", "ON", 1, true},
      {2, "on", "ON", 1, true},
      {2, "oN", "ON", 1, true},
      {2, "ON ", "OFF", 0, false},
      {2, "1", "OFF", 0, false},
      {2, "TRUE", "OFF", 0, false},
  };
  TParamManager store;
  for (const auto& c : cases) {
    auto p = store.CreateParam(c.type, false);
    p->SetStr(c.text);
    EXPECT_EQ(p->GetStr(), c.str) << c.type << " '" << c.text << "'";
    EXPECT_EQ(p->GetNum(), c.num) << c.type << " '" << c.text << "'";
    EXPECT_EQ(p->GetFlag(), c.flag) << c.type << " '" << c.text << "'";
  }
}

TEST(ParamValues, SetNumAndSetFlagByType) {
  TParamManager store;
  TParamNum num(&store);
  TParamStr str(&store);
  TParamFlag flag(&store);
  num.SetNum(-7);
  str.SetNum(-7);
  flag.SetNum(-7);
  EXPECT_EQ(num.GetStr(), "-7");
  EXPECT_EQ(str.GetStr(), "-7");
  EXPECT_EQ(str.GetNum(), -7);
  EXPECT_TRUE(flag.GetFlag());
  flag.SetNum(0);
  EXPECT_FALSE(flag.GetFlag());

  num.SetFlag(true);
  EXPECT_EQ(num.GetNum(), 1);
  str.SetFlag(true);
  EXPECT_EQ(str.GetStr(), "TRUE");
  // "FALSE" is non-empty text, so the string reads back as true.
  str.SetFlag(false);
  EXPECT_EQ(str.GetStr(), "FALSE");
  EXPECT_TRUE(str.GetFlag());
  EXPECT_EQ(str.GetNum(), 0);
}

TEST(ParamValues, TypeCodesAndReset) {
  TParamManager store;
  for (int code : {0, 1, 2, 3, -1}) {
    auto p = store.CreateParam(code, true);
    EXPECT_EQ(static_cast<int>(p->GetParamType()), code >= 0 && code <= 2 ? code : 2);
    EXPECT_TRUE(p->Temporary());
    EXPECT_TRUE(p->CanSave());
    p->SetStr("ON");
    p->SetNum(5);
    p->Reset();
    EXPECT_EQ(p->GetNum(), 0);
    EXPECT_FALSE(p->GetFlag());
  }
}

TEST(ParamValues, OnChangeSeesEveryValueSetterButNotNameOrReset) {
  TParamManager store;
  std::vector<std::pair<std::string, std::string>> seen;
  store.SetOnChange([&](TParameter& p, std::string_view name, std::string_view value) {
    EXPECT_EQ(p.Name(), name);
    seen.emplace_back(std::string(name), std::string(value));
  });
  TParameter& hero = store.Declare(1, "Hero");
  TParameter& seen_flag = store.Declare(2, "Seen");
  hero.SetStr("\"Taro\" x");
  hero.SetNum(3);
  seen_flag.SetFlag(true);
  hero.Reset();
  hero.SetName("Hero2");
  store.Find("@Text")->SetStr("ignored by the listener");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Hero", "Taro"}, {"Hero", "3"}, {"Seen", "ON"}};
  EXPECT_EQ(seen, expected);
}

}  // namespace
}  // namespace mavlet
