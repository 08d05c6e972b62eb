// The command bases: a keyword command takes its class name from the keyword table and files
// itself under its keyword, and an argument command reads its fields by the member types' rules.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "player/engine/command_registry.h"
#include "player/engine/keyword_command.h"
#include "tests/support/command_parse.h"

namespace mavlet {
namespace {

// One member of every kind, with defaults that are not the type's zero.
struct SampleArgs {
  std::int32_t number = 7;
  std::uint8_t byte = 9;
  bool flag = true;
  std::string text;
  std::int32_t last = -1;
  bool operator==(const SampleArgs&) const = default;
};

class TSample : public TArgsCommand<KeywordIndex("Bright"), SampleArgs, &SampleArgs::number, &SampleArgs::byte,
                                    &SampleArgs::flag, &SampleArgs::text, &SampleArgs::last> {
 public:
  using TArgsCommand::TArgsCommand;
};

// Listed in another order than declared: the list, not the struct, gives the field order.
class TSampleReordered
    : public TArgsCommand<KeywordIndex("Bright"), SampleArgs, &SampleArgs::text, &SampleArgs::number> {
 public:
  using TArgsCommand::TArgsCommand;
};

class TSampleDerived : public TKeywordCommand<KeywordIndex("SetFrame"), TSample> {
 public:
  using TKeywordCommand::TKeywordCommand;
};

struct FieldCase {
  const char* line;
  testing::ParsedLine<SampleArgs> expected;
};

const FieldCase kFieldCases[] = {
    // A keyword alone keeps every default.
    {"", {0, "", {7, 9, true, "", -1}}},
    {"3,a>1,12,300,0,x y,5", {3, "a>1", {12, 44, false, "x y", 5}}},
    // Bytes keep the low 8 bits; any non-zero integer is a set flag.
    {",,,-1,2", {0, "", {7, 255, true, "", -1}}},
    {",,,256,-3", {0, "", {7, 0, true, "", -1}}},
    // Empty or non-numeric integer fields keep the member's default, not zero.
    {",,,,,,", {0, "", {7, 9, true, "", -1}}},
    {"x,,abc,z,no,,q", {0, "", {7, 9, true, "", -1}}},
    // Fields past the list are not read.
    {",,1,2,0,t,4,99,100", {0, "", {1, 2, false, "t", 4}}},
};

TEST(ArgsCommand, ReadsEachFieldByItsMemberType) {
  for (const FieldCase& c : kFieldCases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(testing::ParseLine<TSample>(c.line), c.expected);
  }
}

TEST(ArgsCommand, ListOrderGivesFieldOrder) {
  EXPECT_EQ(testing::ParseLine<TSampleReordered>(",,name,4,5").args, (SampleArgs{4, 9, true, "name", -1}));
}

TEST(ArgsCommand, ASecondParseStartsFromTheDefaults) {
  TSample command(nullptr);
  command.Parse("1,c,12,13,0,text,14");
  command.Parse("");
  EXPECT_EQ(command.args(), SampleArgs{});
  EXPECT_EQ(command.Flags(), 0);
  EXPECT_EQ(command.Cond(), "");
}

TEST(KeywordCommand, ClassNameAndFilingFollowTheMostDerivedKeyword) {
  TSample sample(nullptr);
  TSampleDerived derived(nullptr);
  EXPECT_STREQ(sample.ClassName(), "TComBright");
  EXPECT_STREQ(derived.ClassName(), "TComFrame");
  // The derived class still parses as its base does.
  derived.Parse(",,5");
  EXPECT_EQ(derived.args().number, 5);

  CommandRegistry registry;
  registry.Register<TSampleDerived>();
  EXPECT_TRUE(registry.Has(KeywordIndex("SetFrame")));
  EXPECT_FALSE(registry.Has(KeywordIndex("Bright")));
  EXPECT_STREQ(registry.Create(KeywordIndex("SetFrame"), nullptr)->ClassName(), "TComFrame");
}

}  // namespace
}  // namespace mavlet
