// How much one logic step may do, run as small titles: work on saved games ends a step (logged
// once) and the title goes on in the next; a saved game over the size limit is refused and the
// slot keeps the game saved before.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "player/engine/book_manager.h"
#include "player/storage/game_status.h"
#include "tests/support/test_title.h"

namespace mavlet::testing {
namespace {

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(StepBudget, PageThatCallsItselfAndSavesEndsEachStepAndGoesOn) {
  // Every level saves a call stack one entry deeper: without a bound on the work the first step
  // would run to the command budget (here a thousand levels) writing a slot file each time.
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Nums({"A"});
  t.Scenario(1, "NonStop=1\nCalc ,,A = A + 1\nSaveGame 0,,1\nCall 0,,1\n");
  RunOptions o = WithSaves(t);
  o.max_run_commands = 3000;
  TitleRun r(t, o);
  r.Load();
  // Saves a logic step may write before its work is spent (each is tiny next to the per-file cost).
  const int saves_per_step = static_cast<int>(TBookManager::kMaxStepWorkBytes / TBookManager::kSlotWriteWorkBytes);
  r.Events(2);  // the restart, then two logic steps
  const int after_two_steps = r.Num("A");
  EXPECT_GE(after_two_steps, 2);
  EXPECT_LE(after_two_steps, 2 * saves_per_step + 2);
  r.Events(3);  // the following events happen and the title goes on saving
  EXPECT_GT(r.Num("A"), after_two_steps);
  EXPECT_LE(r.Num("A"), 8 * saves_per_step + 8);
  EXPECT_EQ(Count(r.Errors(), "bytes of work on saved games"), 1u) << r.Errors();
  EXPECT_EQ(Count(r.Errors(), "commands in one logic step"), 0u) << r.Errors();
  TGameStatus slot(t.Folder() / "saves", 1);
  EXPECT_EQ(slot.ReadString("#A", ""), "0," + std::to_string(r.Num("A")));
}

TEST(StepBudget, SavedGameOverTheLimitIsRefusedAndTheSlotKeepsTheOldGame) {
  // The first save is small; the second holds a call stack 2000 deep, above the limit.
  TestTitle t;
  t.Registry("Software\\Mavlet\\Test");
  t.Nums({"A", "B", "D"});
  t.Scenario(1, "NonStop=1\nCalc ,,A = 1\nSaveGame ,,0\nCalc ,,A = 2\nCall ,,2\n");
  t.Scenario(2, "NonStop=1\nCalc ,,D = D + 1\nCall ,D < 2000,2\nSaveGame ,,0\nCalc ,,B = 1\nWait ,,99999\n");
  RunOptions o = WithSaves(t);
  o.max_save_bytes = 16384;
  TitleRun r(t, o);
  r.Load();
  r.Events(4);
  EXPECT_EQ(r.Num("D"), 2000);
  EXPECT_EQ(r.Num("B"), 1) << "the title runs on after the refused save";
  // The error is shown (the headless dialogs print it with the log).
  const std::string errors = r.Errors();
  EXPECT_EQ(Count(errors, "larger than 16384 bytes"), 1u) << errors;
  EXPECT_NE(errors.find("save00"), std::string::npos) << errors;
  TGameStatus slot(t.Folder() / "saves", 0);
  EXPECT_EQ(slot.ReadString("#A", ""), "0,1") << "the slot holds the first save, whole";
  EXPECT_EQ(slot.ReadInteger("Int0Com", -1), 2);
  EXPECT_EQ(slot.ReadInteger("Int0Sp0", -1), -1);
}

}  // namespace
}  // namespace mavlet::testing
