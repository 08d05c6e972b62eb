// Argument parsing of WavPlay, SoundOn/SoundOff and SetMovie.
#include <gtest/gtest.h>

#include <string>

#include "player/media/movie_command.h"
#include "player/media/sound_commands.h"
#include "tests/support/command_parse.h"

namespace mavlet {
namespace {

using testing::ParseLine;
using testing::Parsed;
using testing::ParsedLine;

TEST(SoundCommandParse, WavPlay) {
  struct Case {
    const char* name;
    std::string line;
    ParsedLine<TComWavPlay::Args> want;
  };
  const Case cases[] = {
      {"typical", "2,,1,bgm01,1,0,1", {2, "", {1, "bgm01", true, false, true}}},
      {"defaults", "", {}},
      {"empty name stops the channel", "0,,3,,0,1", {0, "", {.channel = 3, .wait = true}}},
      {"unusable switches are off", "0,,ch,se,on,yes,-", {0, "", {.file_name = "se"}}},
      {"any non-zero switch is on", "0,,2,se,-1,7,$10", {0, "", {2, "se", true, true, true}}},
      {"0x5C trail byte in the name", "0,,0,\x83\x5C\x95\x5C.wav,1", {0, "", {0, "\x83\x5C\x95\x5C.wav", true}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLine<TComWavPlay>(c.line), c.want) << c.name;
}

TEST(SoundCommandParse, SoundSwitches) {
  auto on = Parsed<TComSoundOn>("2,Music=1");
  auto off = Parsed<TComSoundOff>("");
  EXPECT_TRUE(on->SwitchesOn());
  EXPECT_EQ(on->Flags(), 2);
  EXPECT_EQ(on->Cond(), "Music=1");
  EXPECT_FALSE(off->SwitchesOn());
  EXPECT_STREQ(off->ClassName(), "TComSoundOff");
}

TEST(MovieCommandParse, SetMovie) {
  struct Case {
    const char* name;
    std::string line;
    TComMovie::Args want;
  };
  const Case cases[] = {
      {"defaults use the media player", "", {}},
      {"frame player with preload", "0,,op.avi,1,2,320,240,1,0,1", {"op.avi", 1, 2, 320, 240, true, false, true}},
      {"unusable media switch keeps the default", "0,,m.mpg,,,,,0,x", {.file_name = "m.mpg"}},
      {"unusable sizes give 0", "0,,m.avi,a,b,c,d", {.file_name = "m.avi"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLine<TComMovie>(c.line).args, c.want) << c.name;
}

}  // namespace
}  // namespace mavlet
