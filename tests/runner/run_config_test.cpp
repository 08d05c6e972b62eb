// How a headless run's settings reach the game system it starts.
#include <gtest/gtest.h>

#include "player/runner/headless_runner.h"
#include "tests/support/test_title.h"

namespace mavlet {
namespace {

// Every game system setting of the configuration reaches the session's game system: each one
// differs from its default here, so a setting dropped on the way back to the default fails.
TEST(RunConfigTest, EverySettingOfARunReachesTheGameSystem) {
  RunOptions o;
  o.config.has_sound = false;
  o.config.has_joy_pad = false;
  o.config.anti_alias = false;
  o.config.fade_in_draw = false;
  o.config.image_cache = 3;
  o.config.sound_buffer = 1234;
  o.config.use_fonts = "IPAGothic,IPAPGothic";
  o.background_unpack = true;
  GameSystemOptions want;
  want.has_sound = false;
  want.has_joy_pad = false;
  want.anti_alias = false;
  want.fade_in_draw = false;
  want.image_cache = 3;
  want.sound_buffer = 1234;
  want.use_fonts = "IPAGothic,IPAPGothic";
  want.background_unpack = true;
  EXPECT_FALSE(want == GameSystemOptions{});
  EXPECT_TRUE(GameSystemOptionsFor(o.config, o.background_unpack) == want);
  testing::TestTitle t;
  testing::TitleRun r(t, o);
  r.Load();
  EXPECT_TRUE(r.R().Sys().Options() == want) << "the run's game system has the configuration's settings";
}

}  // namespace
}  // namespace mavlet
