// Argument parsing of WavPlay, SoundOn/SoundOff and SetMovie.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "player/media/movie_command.h"
#include "player/media/sound_commands.h"

namespace mavlet {
namespace {

template <typename T>
std::unique_ptr<T> Parsed(std::string_view args) {
  auto c = std::make_unique<T>(nullptr);
  c->Parse(args);
  return c;
}

TEST(SoundCommandParse, WavPlay) {
  struct Case {
    const char* name;
    std::string args;
    std::int32_t flags, channel;
    std::string file;
    bool loop, wait, fade;
  };
  const Case cases[] = {
      {"typical", "2,,1,bgm01,1,0,1", 2, 1, "bgm01", true, false, true},
      {"defaults", "", 0, 0, "", false, false, false},
      {"empty name stops the channel", "0,,3,,0,1", 0, 3, "", false, true, false},
      {"unusable switches are off", "0,,ch,se,on,yes,-", 0, 0, "se", false, false, false},
      {"any non-zero switch is on", "0,,2,se,-1,7,$10", 0, 2, "se", true, true, true},
      {"0x5C trail byte in the name", "0,,0,\x83\x5C\x95\x5C.wav,1", 0, 0, "\x83\x5C\x95\x5C.wav", true, false,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto w = Parsed<TComWavPlay>(c.args);
    EXPECT_EQ(w->Flags(), c.flags);
    EXPECT_EQ(w->Channel(), c.channel);
    EXPECT_EQ(w->FileName(), c.file);
    EXPECT_EQ(w->Loop(), c.loop);
    EXPECT_EQ(w->WaitForEnd(), c.wait);
    EXPECT_EQ(w->Fade(), c.fade);
  }
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
    std::string args;
    std::string file;
    std::int32_t x, y, w, h;
    bool skippable, media, preload;
  };
  const Case cases[] = {
      {"defaults use the media player", "", "", 0, 0, 0, 0, false, true, false},
      {"frame player with preload", "0,,op.avi,1,2,320,240,1,0,1", "op.avi", 1, 2, 320, 240, true, false, true},
      {"unusable media switch keeps the default", "0,,m.mpg,,,,,0,x", "m.mpg", 0, 0, 0, 0, false, true, false},
      {"unusable sizes give 0", "0,,m.avi,a,b,c,d", "m.avi", 0, 0, 0, 0, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto m = Parsed<TComMovie>(c.args);
    EXPECT_EQ(m->FileName(), c.file);
    EXPECT_EQ(m->X(), c.x);
    EXPECT_EQ(m->Y(), c.y);
    EXPECT_EQ(m->Width(), c.w);
    EXPECT_EQ(m->Height(), c.h);
    EXPECT_EQ(m->Skippable(), c.skippable);
    EXPECT_EQ(m->MediaPlayer(), c.media);
    EXPECT_EQ(m->PreloadWithSound(), c.preload);
  }
}

}  // namespace
}  // namespace mavlet
