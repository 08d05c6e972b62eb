#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "player/backend/file_services.h"
#include "player/common/error.h"
#include "player/common/log.h"
#include "player/storage/game_status.h"
#include "player/vars/data_pack.h"
#include "player/vars/font_list.h"
#include "player/vars/param_system.h"
#include "player/vars/system_names.h"
#include "tests/support/fake_files.h"
#include "tests/support/temp_folder.h"
#include "tests/vars/vars_test_util.h"

namespace mavlet {
namespace {

using testing::Store;

TEST(SystemNames, TableOrderTypesAndLookup) {
  const auto names = SystemNames();
  struct Row {
    int index;
    const char* name;
    ParamType type;
  };
  const Row rows[] = {
      {0, "@Rand", ParamType::kNum},          {7, "@Week", ParamType::kStr},
      {13, "@HistoryCount", ParamType::kNum}, {22, "@Sfc8", ParamType::kStr},
      {41, "@SfcXText", ParamType::kNum},     {51, "@SfcYText", ParamType::kNum},
      {88, "@VisibleText", ParamType::kFlag}, {89, "@TextSpd", ParamType::kNum},
      {96, "@Fonts", ParamType::kStr},        {100, "@BitList", ParamType::kNum},
      {105, "@SaveHeaders20", ParamType::kStr}, {125, "@SaveHeader19", ParamType::kStr},
      {127, "@TickCount", ParamType::kNum},   {142, "@WavExist5", ParamType::kFlag},
      {143, "@NowPage", ParamType::kNum},     {145, "@DirectX", ParamType::kFlag},
      {149, "@Wav4", ParamType::kStr},        {157, "@Vol4", ParamType::kNum},
      {159, "@Cursor", ParamType::kStr},      {160, "@Attach0_0", ParamType::kStr},
      {225, "@Attach3_5", ParamType::kStr},   {339, "@Attach8_19", ParamType::kStr},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(names[r.index].name, r.name);
    EXPECT_EQ(names[r.index].type, r.type) << r.name;
  }
  for (int i = 0; i < kSystemNameCount; ++i) {
    EXPECT_EQ(FindSystemIndex(names[i].name), i);
    EXPECT_EQ(names[i].name[0], '@');
  }
  EXPECT_EQ(FindSystemIndex("@ATTACH8_19"), 339);
  EXPECT_EQ(FindSystemIndex("@Attach9_0"), -1);
  EXPECT_EQ(FindSystemIndex("Rand"), -1);
}

TEST(SystemValues, UnknownNameGivesIndexZero) {
  TParamManager m;
  TParamSystem sys(&m);
  sys.SetName("@NotInTable");
  EXPECT_EQ(sys.SysIndex(), 0);
  sys.SetName("@dirEctx");
  EXPECT_EQ(sys.SysIndex(), 145);
}

TEST(SystemValues, DateAndTime) {
  Store s;
  s.engine.time.Set({2026, 3, 5, 9, 7, 4, 4});  // Thursday 5 March 2026, 09:07:04
  const std::pair<const char*, std::string> text[] = {
      {"@Year", "2026"}, {"@Month", "03"}, {"@Day", "05"},
      {"@Hour", "09"},   {"@Min", "07"},   {"@Sec", "04"}, {"@Week", "\x96\xd8"}};
  for (const auto& [name, expected] : text) EXPECT_EQ(s.Var(name).GetStr(), expected) << name;
  EXPECT_EQ(s.Var("@Month").GetNum(), 3);
  EXPECT_EQ(s.Var("@Week").GetNum(), 5);
  s.engine.time.Set({2026, 3, 1, 0, 0, 0, 0});  // a Sunday
  EXPECT_EQ(s.Var("@Week").GetNum(), 1);
  EXPECT_EQ(s.Var("@Week").GetStr(), "\x93\xfa");
  s.engine.time.Set({2026, 3, 7, 0, 0, 0, 6});
  EXPECT_EQ(s.Var("@Week").GetStr(), "\x93\x79");
  EXPECT_EQ(s.Var("@Week").GetNum(), 7);
  // Writes are ignored.
  s.Var("@Year").SetNum(1999);
  s.Var("@Year").SetStr("1999");
  EXPECT_EQ(s.Var("@Year").GetNum(), 2026);
}

TEST(SystemValues, WallClockGivesAPlausibleLocalDate) {
  SystemLocalTime clock;
  const LocalDateTime now = clock.Now();
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_LE(now.hour, 23);
  EXPECT_LE(now.second, 59);
  EXPECT_GE(now.weekday, 0);
  EXPECT_LE(now.weekday, 6);
}

TEST(SystemValues, RandDrawsFromTheSharedGenerator) {
  Store s;
  TRandom expected;
  const std::int32_t a = s.Var("@Rand").GetNum();
  const std::string b = s.Var("@Rand").GetStr();
  EXPECT_EQ(a, static_cast<std::int32_t>(expected.Next(65536)));
  EXPECT_EQ(b, std::to_string(expected.Next(65536)));
  EXPECT_NE(std::to_string(a), b);
  for (int i = 0; i < 100; ++i) {
    const auto v = s.Var("@Rand").GetNum();
    EXPECT_GE(v, 0);
    EXPECT_LT(v, 65536);
  }
  // Two reads in one condition are independent draws.
  EXPECT_FALSE(s.params.CheckCondition("@Rand = @Rand"));
}

TEST(SystemValues, EngineStateValues) {
  Store s;
  s.engine.clock.now = 123456;
  EXPECT_EQ(s.Var("@TickCount").GetNum(), 123456);
  s.engine.clock.now = 0xFFFFFFFFu;
  EXPECT_EQ(s.Var("@TickCount").GetStr(), "-1");

  s.Var("@TextSpd").SetNum(8);
  EXPECT_EQ(s.engine.text_spd, 8);
  s.Var("@TextSpd").SetStr("2");  // text writes are not taken by @TextSpd
  EXPECT_EQ(s.Var("@TextSpd").GetNum(), 8);

  s.Var("@NoTextWait").SetFlag(true);
  EXPECT_TRUE(s.engine.no_text_wait);
  EXPECT_EQ(s.Var("@NoTextWait").GetStr(), "ON");
  s.Var("@NoTextWait").SetNum(0);  // ignored
  EXPECT_TRUE(s.engine.no_text_wait);

  s.Var("@NoPaintBack").SetStr("On");
  EXPECT_TRUE(s.engine.no_paint_back);
  s.Var("@NoPaintBack").SetNum(0);
  EXPECT_FALSE(s.engine.no_paint_back);
  s.Var("@NoPaintBack").SetFlag(true);
  EXPECT_TRUE(s.engine.no_paint_back);

  EXPECT_EQ(s.Var("@NowPage").GetNum(), 7);
  s.Var("@NowPage").SetStr("12");
  EXPECT_EQ(s.engine.pending_page, 12);
  s.Var("@NowPage").SetNum(3);
  EXPECT_EQ(s.engine.pending_page, 3);

  s.engine.history_count = 4;
  EXPECT_EQ(s.Var("@HistoryCount").GetStr(), "4");
  EXPECT_EQ(s.Var("@DirectX").GetStr(), "ON");
  EXPECT_EQ(s.Var("@DirectX").GetNum(), 1);
  EXPECT_TRUE(s.Var("@DirectX").GetFlag());
}

TEST(SystemValues, SaveHeaders) {
  Store s;
  s.engine.slots[{3, "Header"}] = "third";
  EXPECT_EQ(s.Var("@SaveHeader3").GetStr(), "third");
  EXPECT_EQ(s.Var("@SaveHeader4").GetStr(), "");
  s.Var("@SaveHeader19").SetStr("last");
  EXPECT_EQ((s.engine.slots[{19, "Header"}]), "last");

  EXPECT_EQ(s.Var("@SaveHeaders10").GetNum(), 10);
  EXPECT_EQ(s.Var("@SaveHeaders20").GetNum(), 20);
  EXPECT_EQ(s.engine.slot_reads, 2);  // counts do not open the slots
  EXPECT_EQ(s.Var("@SaveHeaders10").GetStr(), "\\n\\n\\nthird\\n\\n\\n\\n\\n\\n");
  s.Var("@SaveHeaders10").SetStr("same");
  for (int slot = 0; slot < 10; ++slot) EXPECT_EQ((s.engine.slots[{slot, "Header"}]), "same");
  EXPECT_EQ((s.engine.slots.count({10, "Header"})), 0u);
  EXPECT_THROW(s.Var("@SaveHeader0").SetNum(1), MavError);
}

TEST(SystemValues, SaveHeadersThroughSlotFiles) {
  const testing::TempFolder temp("vars-headers");
  const auto folder = temp / "saves";
  struct FolderHost : NoEngineValues {
    std::filesystem::path folder;
    std::filesystem::path SaveFolder() override { return folder; }
  } host;
  host.folder = folder;
  TParamManager m;
  m.SetEngineHost(&host);
  m.Find("@SaveHeader3")->SetStr("caption");
  {
    TGameStatus status(folder, 3);
    EXPECT_EQ(status.Lines(), std::vector<std::string>{"Header=caption"});
  }
  EXPECT_EQ(m.Find("@SaveHeader3")->GetStr(), "caption");
  EXPECT_EQ(m.Find("@SaveHeader2")->GetStr(), "");

  // A damaged slot reads as an empty header with a warning naming the file.
  std::ofstream(folder / TGameStatus::SlotFileName(1), std::ios::binary) << "not packed";
  MemoryLog log;
  m.SetLog(&log);
  EXPECT_EQ(m.Find("@SaveHeader1")->GetStr(), "");
  EXPECT_EQ(m.Find("@SaveHeaders10")->GetStr(), "\\n\\n\\ncaption\\n\\n\\n\\n\\n\\n");
  ASSERT_EQ(log.entries.size(), 2u);
  EXPECT_NE(log.entries[0].message.find("save01"), std::string::npos) << log.entries[0].message;
}

TEST(SystemValues, DisplayAndInputValuesGoThroughTheGameHost) {
  Store s;
  s.Var("@SfcX3").SetNum(40);
  EXPECT_EQ(s.game.x[3], 40);
  EXPECT_EQ(s.Var("@SfcX3").GetNum(), 40);
  s.Var("@SfcYText").SetStr("25");
  EXPECT_EQ(s.game.y[9], 25);
  EXPECT_EQ(s.Var("@TextBoxY").GetNum(), 25);
  s.Var("@SfcXText").SetStr("\x82\x50");  // text writes do not normalise full-width digits
  EXPECT_EQ(s.game.x[9], 0);

  s.Var("@Attach2_5").SetStr("pic.pmp");
  EXPECT_EQ((s.game.attach[{2, 5}]), "pic.pmp");
  EXPECT_EQ(s.Var("@Attach2_5").GetStr(), "pic.pmp");

  s.Var("@Visible4").SetFlag(true);
  EXPECT_TRUE(s.game.visible[4]);
  EXPECT_EQ(s.Var("@Visible4").GetStr(), "ON");
  s.Var("@VisibleText").SetFlag(true);
  EXPECT_TRUE(s.game.visible[9]);

  s.game.mouse_y = 11;
  s.Var("@MouseX").SetNum(30);
  EXPECT_EQ(s.game.mouse_x, 30);
  EXPECT_EQ(s.game.mouse_y, 11);

  s.Var("@Wav2").SetStr("bgm.wav");
  ASSERT_EQ(s.game.played.size(), 1u);
  EXPECT_EQ(s.game.played[0], (std::pair<int, std::string>{1, "bgm.wav"}));
  s.Var("@WavOut1").SetStr("ON");
  EXPECT_TRUE(s.game.out[0]);
  s.Var("@WavOut1").SetStr("yes");
  EXPECT_FALSE(s.game.out[0]);
  s.Var("@Vol4").SetStr("80");
  EXPECT_EQ(s.game.vol[3], 80);

  s.game.decide_pressed = true;
  EXPECT_EQ(s.Var("@ClickL").GetStr(), "ON");
  EXPECT_EQ(s.Var("@ClickL").GetStr(), "OFF");  // a press is reported once
  s.game.cancel_held = true;
  s.game.ctrl = true;
  EXPECT_TRUE(s.Var("@PushR").GetFlag());
  EXPECT_FALSE(s.Var("@PushL").GetFlag());
  EXPECT_EQ(s.Var("@CtrlKey").GetNum(), 1);

  s.game.bits = {16, 24, 32};
  EXPECT_EQ(s.Var("@BitList").GetStr(), "16\\n24\\n32");
  EXPECT_EQ(s.Var("@BitList").GetNum(), 3);
}

TEST(SystemValues, WriteRulesPerSetter) {
  // Number writes to these raise the table's error; text and flag writes are ignored.
  const char* errors[] = {"@HistoryCount", "@SfcWidth0", "@SfcHeight8", "@SelTop",
                          "@TickCount",    "@Visible0",  "@VisibleText", "@SaveHeader7",
                          "@CtrlKey",      "@Wav1",      "@Cursor"};
  Store s;
  for (const char* name : errors) {
    EXPECT_THROW(
        {
          try {
            s.Var(name).SetNum(1);
          } catch (const MavError& e) {
            EXPECT_STREQ(e.what(), "TParamSystem.SetNumｴﾗｰ");
            throw;
          }
        },
        MavError)
        << name;
  }
  const char* ignored[] = {"@Rand", "@Text", "@Sfc0", "@SfcIdx0", "@Fonts", "@SelStr",
                           "@SaveHeaders10", "@PmxExist1", "@DirectX", "@Attach0_0", "@ClickL"};
  for (const char* name : ignored) EXPECT_NO_THROW(s.Var(name).SetNum(1)) << name;
  for (int i = 0; i < kSystemNameCount; ++i) {
    auto& sys = dynamic_cast<TParamSystem&>(s.params.At(i));
    if (sys.SysIndex() >= 104 && sys.SysIndex() <= 125) continue;  // would write slots
    EXPECT_NO_THROW(sys.SetFlag(false)) << sys.Name();
    EXPECT_NO_THROW(sys.GetStr()) << sys.Name();
    EXPECT_NO_THROW(sys.GetFlag()) << sys.Name();
    EXPECT_NO_THROW(sys.Reset()) << sys.Name();
  }
}

TEST(SystemValues, OutOfTableIndexRaisesNamedErrors) {
  TParamManager m;
  TParamSystem sys(&m);
  sys.SetSysIndexForTest(340);
  auto message = [](auto&& f) -> std::string {
    try {
      f();
    } catch (const MavError& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_EQ(message([&] { sys.GetParamType(); }), "GetParamTypeｴﾗｰ");
  EXPECT_EQ(message([&] { sys.GetStr(); }), "TParamSystem.GetStrｴﾗｰ");
  EXPECT_EQ(message([&] { sys.GetNum(); }), "TParamSystem.GetNumｴﾗｰ");
  EXPECT_EQ(message([&] { sys.GetFlag(); }), "TParamSystem.GetFlagｴﾗｰ");
  EXPECT_EQ(message([&] { sys.SetNum(1); }), "TParamSystem.SetNumｴﾗｰ");
  EXPECT_EQ(message([&] { sys.SetStr("x"); sys.SetFlag(true); }), "no error");
}

TEST(SystemValues, DefaultHostsGiveNeutralValues) {
  TParamManager m;
  EXPECT_EQ(m.Find("@Rand")->GetNum(), 0);
  EXPECT_EQ(m.Find("@TextSpd")->GetNum(), 3);
  EXPECT_EQ(m.Find("@NowPage")->GetNum(), -1);
  EXPECT_EQ(m.Find("@Year")->GetStr(), "2000");
  EXPECT_EQ(m.Find("@Fonts")->GetStr(), "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e");
  EXPECT_EQ(m.Find("@PmxExist1")->GetStr(), "OFF");
  EXPECT_EQ(m.Find("@SaveHeader0")->GetStr(), "");
  EXPECT_NO_THROW(m.Find("@SaveHeaders20")->SetStr("nothing kept"));
  // Text values read as flags by their text, numbers by their value.
  EXPECT_TRUE(m.Find("@Week")->GetFlag());
  EXPECT_FALSE(m.Find("@Text")->GetFlag());
  EXPECT_TRUE(m.Find("@TextSpd")->GetFlag());
}

TEST(FontList, FiltersSortsAndFallsBack) {
  const std::string gothic = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";
  const std::string mincho = "\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9";
  const std::string ipa = "IPA\x83\x53\x83\x56\x83\x62\x83\x4e";
  const std::vector<std::string> screen = {mincho, "Arial", "@" + gothic, gothic, ipa, gothic};
  EXPECT_EQ(UsableFonts(screen), (std::vector<std::string>{ipa, gothic, mincho}));
  EXPECT_EQ(FontListText(screen, ""), ipa + "\\n" + gothic + "\\n" + mincho);
  EXPECT_EQ(FontListText(screen, " " + mincho + " ,Arial, " + gothic), gothic + "\\n" + mincho);
  EXPECT_EQ(FontListText(screen, "Arial"), gothic);  // nothing left: the default
  EXPECT_EQ(FontListText({}, ""), gothic);
  EXPECT_EQ(FontListText(screen, " , "), ipa + "\\n" + gothic + "\\n" + mincho);
}

TEST(SystemValues, DataPacks) {
  const testing::TempFolder temp("vars-packs");
  const auto& root = temp.path();
  std::filesystem::create_directories(root / "title" / "PMX");
  std::filesystem::create_directories(root / "disc" / "WAV");
  std::filesystem::create_directories(root / "title" / "PMP" / "ID3");  // a folder is no pack
  std::ofstream(root / "title" / "PMX" / "ID1") << "x";
  std::ofstream(root / "disc" / "WAV" / "ID2") << "x";
  testing::FakeFiles files;
  files.discs = {root / "disc"};

  struct Host : NoEngineValues {
    FileServices* files = nullptr;
    std::filesystem::path title;
    FileServices* Files() override { return files; }
    std::filesystem::path TitleFolder() override { return title; }
  } host;
  host.files = &files;
  host.title = root / "title";
  TParamManager m;
  m.SetEngineHost(&host);
  EXPECT_EQ(m.Find("@PmxExist1")->GetStr(), "ON");
  EXPECT_EQ(m.Find("@PmxExist2")->GetStr(), "OFF");
  EXPECT_EQ(m.Find("@WavExist2")->GetStr(), "ON");  // from the data disc
  EXPECT_FALSE(m.Find("@PmpExist3")->GetFlag());
  EXPECT_EQ(m.Find("@PmxExist1")->GetNum(), 1);

  host.title = root / "missing";  // a title folder that is gone: quietly off
  EXPECT_EQ(m.Find("@WavExist2")->GetStr(), "OFF");
  host.title.clear();             // no title folder: only the disc counts
  EXPECT_EQ(m.Find("@WavExist2")->GetStr(), "ON");
  EXPECT_EQ(m.Find("@PmxExist1")->GetStr(), "OFF");
  files.discs.clear();
  EXPECT_FALSE(DataPackInstalled(files, root / "title", "PMX", 2));
  EXPECT_TRUE(DataPackInstalled(files, root / "title", "PMX", 1));
}

}  // namespace
}  // namespace mavlet
