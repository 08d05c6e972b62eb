// The display and media libraries together register exactly the keywords that the engine does
// not, each with the class of the keyword table and its base-class relations.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "player/display/commands/display_command_registration.h"
#include "player/display/commands/layer_commands.h"
#include "player/display/commands/text_commands.h"
#include "player/engine/command_registry.h"
#include "player/engine/engine_commands.h"
#include "player/media/media_command_registration.h"
#include "player/media/sound_commands.h"

namespace mavlet {
namespace {

int Index(std::string_view keyword) {
  auto i = FindKeyword(keyword);
  EXPECT_TRUE(i.has_value()) << keyword;
  return i.value_or(-1);
}

struct Owned {
  std::string_view keyword;
  const char* class_name;
  bool media;
};

const Owned kOwned[] = {
    {"SetSfc", "TComSurface", false},       {"FillSfc", "TComFillSfc", false},
    {"OverSfc", "TComOverSfc", false},      {"Bright", "TComBright", false},
    {"SetFrame", "TComFrame", false},       {"IncFrame", "TComFrameInc", false},
    {"ShowSfc", "TComShowSfc", false},      {"HideSfc", "TComHideSfc", false},
    {"SetBit", "TComSetBit", false},        {"SetFullScr", "TComSetFullScr", false},
    {"Effect", "TComEffect", false},        {"SpEffect", "TComEffect2", false},
    {"SetMovie", "TComMovie", true},        {"SetCursor", "TComCursor", false},
    {"PutText", "TComInsText", false},      {"ClrText", "TComClrText", false},
    {"TextPos", "TComTextPos", false},      {"TextSpd", "TComTextSpd", false},
    {"TextCol", "TComTextCol", false},      {"TextSCol", "TComTextSCol", false},
    {"SetFont", "TComSetFont", false},      {"Input", "TComInput", false},
    {"HistoryCall", "TComHistoryCall", false}, {"HistoryAdd", "TComHistoryAdd", false},
    {"HistoryClear", "TComHistoryClear", false}, {"SelStr", "TComSelStr", false},
    {"SelMap", "TComSelMap", false},        {"WavPlay", "TComWavPlay", true},
    {"SoundOn", "TComSoundOn", true},       {"SoundOff", "TComSoundOff", true},
};

TEST(CommandRegistration, FillsExactlyTheDisplayAndMediaKeywords) {
  CommandRegistry display;
  CommandRegistry media;
  RegisterDisplayCommands(display);
  RegisterMediaCommands(media);

  std::set<int> display_expected;
  std::set<int> media_expected;
  for (const Owned& o : kOwned) {
    SCOPED_TRACE(std::string(o.keyword));
    const int i = Index(o.keyword);
    ASSERT_GE(i, 0);
    (o.media ? media_expected : display_expected).insert(i);
    const CommandRegistry& r = o.media ? media : display;
    auto command = r.Create(i, nullptr);
    ASSERT_NE(command, nullptr);
    EXPECT_STREQ(command->ClassName(), o.class_name);
  }
  for (int i = 0; i < kKeywordCount; ++i) {
    SCOPED_TRACE(std::string(KeywordName(i)));
    EXPECT_EQ(display.Has(i), display_expected.count(i) == 1);
    EXPECT_EQ(media.Has(i), media_expected.count(i) == 1);
  }
  EXPECT_EQ(display_expected.size() + media_expected.size(), 30u);
}

// Together with the engine's own commands every keyword has exactly one class.
TEST(CommandRegistration, EngineDisplayAndMediaCoverEveryKeywordOnce) {
  CommandRegistry engine, display, media;
  RegisterEngineCommands(engine);
  RegisterDisplayCommands(display);
  RegisterMediaCommands(media);
  for (int i = 0; i < kKeywordCount; ++i) {
    SCOPED_TRACE(std::string(KeywordName(i)));
    EXPECT_EQ(int{engine.Has(i)} + int{display.Has(i)} + int{media.Has(i)}, 1);
    const CommandRegistry& owner = engine.Has(i) ? engine : display.Has(i) ? display : media;
    auto command = owner.Create(i, nullptr);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(std::string_view(command->ClassName()), CommandClassName(i));
  }
}

TEST(CommandRegistration, DerivedClassesKeepTheirBase) {
  CommandRegistry r;
  RegisterDisplayCommands(r);
  RegisterMediaCommands(r);
  auto make = [&](std::string_view keyword) { return r.Create(Index(keyword), nullptr); };

  EXPECT_NE(dynamic_cast<TComSurface*>(make("FillSfc").get()), nullptr);
  EXPECT_NE(dynamic_cast<TComSurface*>(make("OverSfc").get()), nullptr);
  EXPECT_EQ(dynamic_cast<TComFillSfc*>(make("SetSfc").get()), nullptr);
  EXPECT_NE(dynamic_cast<TComShowSfc*>(make("HideSfc").get()), nullptr);
  EXPECT_EQ(dynamic_cast<TComHideSfc*>(make("ShowSfc").get()), nullptr);
  EXPECT_NE(dynamic_cast<TComTextCol*>(make("TextSCol").get()), nullptr);
  EXPECT_EQ(dynamic_cast<TComTextSCol*>(make("TextCol").get()), nullptr);
  EXPECT_NE(dynamic_cast<TComSoundOn*>(make("SoundOff").get()), nullptr);
  EXPECT_EQ(dynamic_cast<TComSoundOff*>(make("SoundOn").get()), nullptr);
}

}  // namespace
}  // namespace mavlet
