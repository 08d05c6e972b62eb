// The stop request shared by a cancelled job and whoever cancels it: tokens see the request
// however the source was moved, a default token never stops, and a thread sees the request.
#include "player/common/stop_flag.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

namespace mavlet {
namespace {

TEST(StopFlag, TokensFollowTheirSourceThroughMoves) {
  const StopToken none;
  EXPECT_FALSE(none.StopPossible());
  EXPECT_FALSE(none.StopRequested());

  std::vector<StopSource> sources(1);
  const StopToken token = sources.front().Token();
  EXPECT_TRUE(token.StopPossible());
  EXPECT_FALSE(token.StopRequested());
  // Moved as a cancelled job is moved into the abandoned list; the worker's token stays bound.
  StopSource moved = std::move(sources.front());
  sources.clear();
  moved.RequestStop();
  EXPECT_TRUE(token.StopRequested());
  EXPECT_TRUE(moved.Token().StopRequested()) << "tokens taken after the request see it too";
  StopSource().RequestStop();  // a fresh source signals no one else
  EXPECT_FALSE(StopSource().Token().StopRequested());
}

TEST(StopFlag, AWorkerSeesTheRequest) {
  StopSource source;
  std::thread worker([token = source.Token()] {
    while (!token.StopRequested()) std::this_thread::yield();
  });
  source.RequestStop();
  worker.join();  // hangs (and the test times out) when the request is not seen
  SUCCEED();
}

}  // namespace
}  // namespace mavlet
