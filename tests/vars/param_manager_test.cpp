#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/common/error.h"
#include "player/common/random.h"
#include "player/storage/game_status.h"
#include "player/vars/param_system.h"
#include "player/vars/system_names.h"
#include "tests/vars/vars_test_util.h"

namespace mavlet {
namespace {

using testing::Store;

std::vector<std::string> CacheNames(const TParamManager& m) {
  std::vector<std::string> names;
  for (const TParameter* p : m.Cache()) names.push_back(p->Name());
  return names;
}

TEST(ParamManager, StartsWithTheSystemValuesInTableOrder) {
  TParamManager m;
  ASSERT_EQ(m.Count(), static_cast<std::size_t>(kSystemNameCount));
  for (int i = 0; i < kSystemNameCount; ++i) {
    auto* sys = dynamic_cast<TParamSystem*>(&m.At(i));
    ASSERT_NE(sys, nullptr);
    EXPECT_EQ(sys->SysIndex(), i);
    EXPECT_EQ(sys->Name(), SystemNames()[i].name);
    EXPECT_FALSE(sys->Temporary());
    EXPECT_FALSE(sys->CanSave());
  }
  EXPECT_TRUE(m.Cache().empty());
}

TEST(ParamManager, NameMatchingFirstByteExactRestIgnoringCase) {
  Store s;
  struct Case {
    const char* name;
    const char* found;  // nullptr: not found
  };
  const Case cases[] = {
      {"Score", "Score"},
      {"SCORE", "Score"},
      {"ScOrE", "Score"},
      {"score", nullptr},
      {"Scor", nullptr},
      {"Scores", nullptr},
      {"", nullptr},
      {"@rand", "@Rand"},
      {"@RAND", "@Rand"},
      {"@text", "@Text"},
  };
  for (const auto& c : cases) {
    TParameter* p = s.params.Find(c.name);
    if (c.found == nullptr) {
      EXPECT_EQ(p, nullptr) << c.name;
    } else {
      ASSERT_NE(p, nullptr) << c.name;
      EXPECT_EQ(p->Name(), c.found) << c.name;
    }
  }
}

TEST(ParamManager, DoubleByteTrailBytesAreNotCaseFolded) {
  TParamManager m;
  // "ア" is 83 41 and "ヂ" is 83 61: a byte-wise case fold would make them the same name.
  m.Declare(0, "x\x83\x41");
  m.Declare(0, "x\x83\x61");
  EXPECT_EQ(m.Find("X\x83\x41"), nullptr);  // first byte still exact
  EXPECT_EQ(m.Find("x\x83\x61"), &m.At(kSystemNameCount + 1));
  EXPECT_EQ(m.Find("x\x83\x41"), &m.At(kSystemNameCount));
  m.Declare(0, "\x83\x41" "b");
  EXPECT_EQ(m.Find("\x83\x41" "B"), &m.At(kSystemNameCount + 2));
}

TEST(ParamManager, CacheKeepsNineMostRecentlyUsed) {
  TParamManager m;
  for (int i = 0; i < 11; ++i) m.Declare(0, "V" + std::to_string(i));
  for (int i = 0; i < 9; ++i) ASSERT_NE(m.Find("V" + std::to_string(i)), nullptr);
  EXPECT_EQ(CacheNames(m),
            (std::vector<std::string>{"V8", "V7", "V6", "V5", "V4", "V3", "V2", "V1", "V0"}));
  // A cached name moves to the front.
  EXPECT_EQ(m.Find("v3"), nullptr);  // first byte differs: not found, cache unchanged
  ASSERT_NE(m.Find("V3"), nullptr);
  EXPECT_EQ(CacheNames(m),
            (std::vector<std::string>{"V3", "V8", "V7", "V6", "V5", "V4", "V2", "V1", "V0"}));
  // The tenth and eleventh distinct names drop the least recently used entries.
  EXPECT_EQ(m.Find("V9")->Name(), "V9");
  EXPECT_EQ(m.Find("V10")->Name(), "V10");
  EXPECT_EQ(CacheNames(m),
            (std::vector<std::string>{"V10", "V9", "V3", "V8", "V7", "V6", "V5", "V4", "V2"}));
  // Dropped names are still found from the store.
  EXPECT_EQ(m.Find("V0")->Name(), "V0");
  EXPECT_EQ(m.Cache().front()->Name(), "V0");
  EXPECT_EQ(m.Cache().size(), TParamManager::kCacheSize);
}

TEST(ParamManager, ComposedNames) {
  Store s;
  s.params.Declare(0, "Idx").SetNum(3);
  s.params.Declare(0, "Item3").SetNum(30);
  s.params.Declare(0, "AB").SetNum(1);
  s.params.Declare(0, "Item3Taro").SetNum(33);
  s.Var("Hero").SetStr("Taro");
  EXPECT_EQ(s.params.ComposeName("Item+Idx"), "Item3");
  EXPECT_EQ(s.params.Find("Item+Idx")->GetNum(), 30);
  EXPECT_EQ(s.params.Find("A+\"B\"")->GetNum(), 1);
  EXPECT_EQ(s.params.Find("A+B")->GetNum(), 1);  // B is no variable: the literal itself
  EXPECT_EQ(s.params.Find("Item+Idx+Hero")->GetNum(), 33);
  EXPECT_EQ(s.params.ComposeName("X+"), "X");
  EXPECT_EQ(s.params.ComposeName("+Idx"), "3");
  // "+" inside a double-byte character is impossible (0x2B is never a trail byte); a kanji
  // with a trail byte looking like ASCII stays whole.
  EXPECT_EQ(s.params.ComposeName("\x95\x5c+Idx"), "\x95\x5c" "3");
}

TEST(ParamManager, NewReplacesTemporariesButNotDeclaredNames) {
  Store s;
  s.Var("Score").SetNum(5);
  TParameter& t1 = s.params.NewTemporary(0, "Tmp", "1");
  const std::uint64_t id1 = t1.Id();
  EXPECT_EQ(s.params.FindById(id1), &t1);
  const std::size_t count = s.params.Count();
  TParameter& t2 = s.params.NewTemporary(1, "TMP", "two");
  EXPECT_EQ(s.params.Count(), count);  // replaced, not added
  EXPECT_FALSE(s.params.Contains(&t1));
  // A removed parameter's id never comes back, even if its address does.
  EXPECT_EQ(s.params.FindById(id1), nullptr);
  EXPECT_NE(t2.Id(), id1);
  EXPECT_EQ(s.params.FindById(t2.Id()), &t2);
  EXPECT_EQ(s.params.Find("Tmp"), &t2);
  EXPECT_EQ(s.params.Find("Tmp")->GetStr(), "two");

  // A declared name gets a second parameter; lookups keep finding the declared one.
  TParameter& shadow = s.params.NewTemporary(0, "Score", "99");
  EXPECT_EQ(s.params.Count(), count + 1);
  EXPECT_EQ(s.params.Find("Score")->GetNum(), 5);
  EXPECT_EQ(s.params.FindTemporary("Score"), &shadow);
  s.params.NewTemporary(0, "Score", "98");
  EXPECT_EQ(s.params.Count(), count + 1);
  EXPECT_EQ(s.params.FindTemporary("Score")->GetNum(), 98);

  // The same holds for system names.
  s.params.NewTemporary(1, "@Text", "mine");
  s.game.text = "window";
  EXPECT_EQ(s.params.Find("@Text")->GetStr(), "window");
  EXPECT_TRUE(s.params.Find("@Text")->IsSystemValue());
}

TEST(ParamManager, RemoveParamTakesItOutOfCacheAndIndex) {
  Store s;
  TParameter* score = s.params.Find("Score");
  ASSERT_NE(score, nullptr);
  s.params.Find("Hero");
  s.params.RemoveParam(score);
  EXPECT_FALSE(s.params.Contains(score));
  EXPECT_EQ(CacheNames(s.params), std::vector<std::string>{"Hero"});
  EXPECT_EQ(s.params.Find("Score"), nullptr);
  s.params.RemoveParam(score);  // already gone: nothing happens
  s.params.RemoveParam(nullptr);
  // Removing the declared one uncovers a later temporary of the same name.
  s.params.Declare(0, "Dup").SetNum(1);
  s.params.NewTemporary(0, "Dup", "2");
  s.params.RemoveParam(s.params.Find("Dup"));
  EXPECT_EQ(s.params.Find("Dup")->GetNum(), 2);
  // Even system values can be deleted (Del does not spare them).
  s.params.RemoveParam(s.params.Find("@Rand"));
  EXPECT_EQ(s.params.Find("@Rand"), nullptr);
}

TEST(ParamManager, AppendTakesOnlyItsOwnNewParameters) {
  TParamManager a;
  TParamManager b;
  EXPECT_THROW(a.Append(nullptr), MavError);
  EXPECT_THROW(a.Append(b.CreateParam(0, false)), MavError);
  EXPECT_EQ(a.Count(), static_cast<std::size_t>(kSystemNameCount));
  TParameter& p = a.Append(a.CreateParam(1, false));
  EXPECT_EQ(&a.At(kSystemNameCount), &p);
}

TEST(ParamManager, RemoveListenerSeesEveryDestroyedParameter) {
  Store s;
  std::vector<std::string> removed;
  s.params.SetOnRemove([&](TParameter& p) {
    EXPECT_TRUE(s.params.Contains(&p));  // still whole while the listener runs
    removed.push_back(p.Name() + (p.Temporary() ? "~" : ""));
  });
  s.params.NewTemporary(0, "A", "1");
  s.params.NewTemporary(0, "A", "2");                 // replaces the first A
  s.params.RemoveParam(s.params.Find("Hero"));        // Del
  s.params.NewTemporary(0, "B", "1");
  s.params.ResetAll();                                // drops A and B
  s.params.NewTemporary(0, "C", "1");
  TGameStatus status({}, 1);
  s.params.LoadFromStatus(status);                    // drops C
  EXPECT_EQ(removed, (std::vector<std::string>{"A~", "Hero", "A~", "B~", "C~"}));
}

TEST(ParamManager, RenamingAListedParameterKeepsLookupsRight) {
  Store s;
  TParameter& p = s.params.Declare(0, "Old");
  s.params.Find("Old");
  p.SetName("New");
  EXPECT_EQ(s.params.Find("New"), &p);
  EXPECT_EQ(s.params.Find("Old"), nullptr);
  // Store order still decides between equal names.
  s.params.Declare(0, "First").SetNum(1);
  s.Var("Score").SetName("First");
  EXPECT_EQ(s.params.Find("First"), &s.params.At(kSystemNameCount));
}

TEST(ParamManager, SaveToStatusWritesHashLines) {
  Store s;
  s.Var("Score").SetNum(120);
  s.Var("Hero").SetStr("Taro, Jiro, \"x\"");
  s.Var("Seen").SetFlag(true);
  s.params.NewTemporary(0, "Tmp", "4");
  TGameStatus status({}, 1);
  status.WriteString("Header", "cap");
  status.WriteString("#Stale", "0,1");
  s.params.SaveToStatus(status);
  const std::vector<std::string> expected = {"Header=cap", "#Score=0,120",
                                             "#Hero=1,Taro, Jiro, \"x\"", "#Seen=2,ON", "#Tmp=0,4"};
  EXPECT_EQ(status.Lines(), expected);
}

TEST(ParamManager, SaveAndLoadRoundTrip) {
  Store s;
  s.Var("Score").SetNum(120);
  s.Var("Hero").SetStr("a,b,,c");  // commas survive: everything after the type's comma
  s.Var("Seen").SetFlag(true);
  s.params.NewTemporary(1, "Kept", "k1,k2");
  s.params.NewTemporary(2, "Lamp", "ON");
  TGameStatus status({}, 1);
  s.params.SaveToStatus(status);

  s.Var("Score").SetNum(1);
  s.Var("Hero").SetStr("x");
  s.Var("Seen").SetFlag(false);
  s.params.RemoveParam(s.params.Find("Kept"));
  s.params.NewTemporary(0, "Gone", "3");
  s.params.Find("Gone");
  s.params.LoadFromStatus(status);

  EXPECT_EQ(s.Var("Score").GetNum(), 120);
  EXPECT_EQ(s.Var("Hero").GetStr(), "a,b,,c");
  EXPECT_TRUE(s.Var("Seen").GetFlag());
  EXPECT_EQ(s.params.Find("Gone"), nullptr);
  TParameter& kept = s.Var("Kept");
  EXPECT_TRUE(kept.Temporary());
  EXPECT_EQ(kept.GetParamType(), ParamType::kStr);
  EXPECT_EQ(kept.GetStr(), "k1,k2");
  EXPECT_EQ(s.Var("Lamp").GetParamType(), ParamType::kFlag);
  EXPECT_TRUE(s.Var("Lamp").GetFlag());
  for (const TParameter* p : s.params.Cache()) EXPECT_TRUE(s.params.Contains(p));
}

TEST(ParamManager, LoadWithoutHashLinesResetsDeclaredAndDropsTemporaries) {
  Store s;
  s.Var("Score").SetNum(5);
  s.Var("Hero").SetStr("x");
  s.Var("Seen").SetFlag(true);
  s.params.NewTemporary(0, "Tmp", "1");
  s.params.Find("Tmp");
  s.engine.text_spd = 9;
  TGameStatus status({}, 1);
  status.WriteString("Header", "h");
  s.params.LoadFromStatus(status);
  EXPECT_EQ(s.Var("Score").GetNum(), 0);
  EXPECT_EQ(s.Var("Hero").GetStr(), "");
  EXPECT_FALSE(s.Var("Seen").GetFlag());
  EXPECT_EQ(s.params.Find("Tmp"), nullptr);
  EXPECT_EQ(s.params.Count(), static_cast<std::size_t>(kSystemNameCount + 3));
  EXPECT_EQ(s.engine.text_spd, 9);  // system values are left alone
}

TEST(ParamManager, LoadToleratesOddLines) {
  Store s;
  TGameStatus status({}, 1);
  status.WriteString("#NoComma", "5");    // no type code separator: empty value
  status.WriteString("#Weird", "x,ON");   // unknown type code: a flag
  status.WriteString("#Num", "0,$10");
  status.WriteString("#Star*", "1,s");    // a name that looks like a count query
  status.WriteString("#Score", "0");      // declared, no comma: reset
  s.Var("Score").SetNum(8);
  s.params.LoadFromStatus(status);
  EXPECT_EQ(s.Var("NoComma").GetParamType(), ParamType::kFlag);
  EXPECT_FALSE(s.Var("NoComma").GetFlag());
  EXPECT_TRUE(s.Var("Weird").GetFlag());
  EXPECT_EQ(s.Var("Num").GetNum(), 16);
  EXPECT_EQ(s.Var("Star*").GetStr(), "s");
  EXPECT_EQ(s.Var("Score").GetNum(), 0);
  // Saving again after loading the star variable reads its own line, not a count.
  s.params.SaveToStatus(status);
  s.Var("Star*").SetStr("changed");
  s.params.Declare(1, "Star2*");
  s.params.LoadFromStatus(status);
  EXPECT_EQ(s.Var("Star*").GetStr(), "s");
}

TEST(ParamManager, SavedShadowedTemporaryDoesNotOverwriteTheDeclaredValue) {
  Store s;
  s.Var("Score").SetNum(5);
  s.params.NewTemporary(0, "Score", "99");
  TGameStatus status({}, 1);
  s.params.SaveToStatus(status);
  s.params.LoadFromStatus(status);
  EXPECT_EQ(s.Var("Score").GetNum(), 5);
}

TEST(ParamManager, ResetAll) {
  Store s;
  s.Var("Score").SetNum(5);
  s.Var("Hero").SetStr("x");
  s.Var("Seen").SetFlag(true);
  s.params.NewTemporary(0, "Tmp", "1");
  s.params.Find("Tmp");
  s.engine.text_spd = 7;
  s.params.ResetAll();
  EXPECT_TRUE(s.params.Cache().empty());
  EXPECT_EQ(s.params.Find("Tmp"), nullptr);
  EXPECT_EQ(s.Var("Score").GetNum(), 0);
  EXPECT_EQ(s.Var("Hero").GetStr(), "");
  EXPECT_FALSE(s.Var("Seen").GetFlag());
  EXPECT_EQ(s.Var("@TextSpd").GetNum(), 7);
}

}  // namespace
}  // namespace mavlet
