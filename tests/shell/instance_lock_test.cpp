#include "player/shell/instance_lock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

namespace fs = std::filesystem;

TEST(InstanceLockTest, SecondPlayerRunsWithoutTheLockUntilFirstEnds) {
  const testing::TempFolder temp("lock");
  const fs::path& dir = temp.path();
  {
    auto first = std::make_unique<InstanceLock>(dir);
    EXPECT_TRUE(first->Held());
    EXPECT_EQ(first->File(), dir / "mavlet.lock");
    InstanceLock second(dir);
    EXPECT_FALSE(second.Held());
    first.reset();
    InstanceLock third(dir);
    EXPECT_TRUE(third.Held()) << "released when the holder ends";
  }
  InstanceLock missing(dir / "no" / "such" / "folder");
  EXPECT_FALSE(missing.Held()) << "an unusable folder is not an error";
}

TEST(InstanceLockTest, DefaultFolder) {
  EXPECT_EQ(InstanceLock::DefaultFolder("/run/user/1000", "/tmp"), fs::path("/run/user/1000"));
  EXPECT_EQ(InstanceLock::DefaultFolder(std::nullopt, "/tmp"), fs::path("/tmp"));
  EXPECT_EQ(InstanceLock::DefaultFolder("", "/tmp"), fs::path("/tmp"));
  EXPECT_EQ(InstanceLock::DefaultFolder("run", "/tmp"), fs::path("/tmp"));
}

}  // namespace
}  // namespace mavlet
