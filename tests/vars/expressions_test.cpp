#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "player/common/error.h"
#include "player/common/log.h"
#include "player/common/sjis_text.h"
#include "player/vars/calc_assignment.h"
#include "player/vars/condition.h"
#include "player/vars/expression_words.h"
#include "tests/vars/vars_test_util.h"

namespace mavlet {
namespace {

using testing::Store;

TEST(ExpressionWords, ComparisonWordsIgnoreCaseCalcWordsDoNot) {
  const std::pair<const char*, CompareOp> compare[] = {
      {"=", CompareOp::kEqual},      {"<>", CompareOp::kNotEqual},   {"<=", CompareOp::kLessEqual},
      {">=", CompareOp::kGreaterEqual}, {"<", CompareOp::kLess},     {">", CompareOp::kGreater},
      {"ON", CompareOp::kOn},        {"on", CompareOp::kOn},         {" oFf ", CompareOp::kOff},
      {"==", CompareOp::kEqual},     {"", CompareOp::kEqual},        {"=>", CompareOp::kEqual}};
  for (const auto& [word, op] : compare) EXPECT_EQ(CompareOpFromWord(word), op) << word;
  const std::pair<const char*, CalcOp> calc[] = {
      {";", CalcOp::kAssign}, {"+", CalcOp::kAdd},   {"-", CalcOp::kSub},     {"*", CalcOp::kMul},
      {"/", CalcOp::kDiv},    {"%", CalcOp::kMod},   {"&", CalcOp::kAnd},     {"|", CalcOp::kOr},
      {"^", CalcOp::kXor},    {"Trim", CalcOp::kTrim}, {"Pos", CalcOp::kPos}, {"Left", CalcOp::kLeft},
      {"Right", CalcOp::kRight}, {"Mid", CalcOp::kMid}, {"trim", CalcOp::kAssign},
      {"MID", CalcOp::kAssign}, {"", CalcOp::kAssign}, {" +", CalcOp::kAssign}};
  for (const auto& [word, op] : calc) EXPECT_EQ(CalcOpFromWord(word), op) << word;
}

TEST(Operands, ValueStrNumFlag) {
  Store s;
  s.Var("Score").SetNum(42);
  s.Var("Hero").SetStr("\"Taro\" x");
  s.Var("Seen").SetFlag(true);
  struct Case {
    const char* operand;
    std::string str;
    std::int32_t num;
    bool flag;
  };
  const Case cases[] = {
      {"Score", "42", 42, true},
      {"Hero", "Taro", 0, true},
      {"Seen", "ON", 1, true},
      {"\"quoted", "quoted", 0, false},
      {"\"a\"b", "a", 0, false},
      {"17", "17", 17, false},
      {"\x82\x50\x82\x4f", "\x82\x50\x82\x4f", 10, false},  // full-width 10
      {"on", "on", 0, true},
      {"score", "score", 0, false},  // first letter differs: a literal
      {"", "", 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(s.params.ValueStr(c.operand), c.str) << c.operand;
    EXPECT_EQ(s.params.ValueNum(c.operand), c.num) << c.operand;
    EXPECT_EQ(s.params.ValueFlag(c.operand), c.flag) << c.operand;
  }
}

TEST(Operands, CompareOperandByVariableType) {
  Store s;
  s.Var("Score").SetNum(100);
  s.Var("Hero").SetStr("Taro");
  s.Var("Seen").SetFlag(true);
  s.params.Declare(0, "Limit").SetNum(100);
  struct Case {
    const char* var;
    const char* operand;
    CompareOp op;
    bool expected;
  };
  const Case cases[] = {
      {"Score", "100", CompareOp::kEqual, true},
      {"Score", "Limit", CompareOp::kEqual, true},
      {"Score", "\"100\"", CompareOp::kEqual, true},
      {"Score", "99", CompareOp::kGreater, true},
      {"Score", "100", CompareOp::kLess, false},
      {"Score", "100", CompareOp::kLessEqual, true},
      {"Score", "101", CompareOp::kGreaterEqual, false},
      {"Score", "5", CompareOp::kNotEqual, true},
      {"Score", "0", CompareOp::kOn, true},
      {"Score", "0", CompareOp::kOff, false},
      {"Score", "\x82\x50\x82\x4f\x82\x4f", CompareOp::kEqual, false},  // full-width: invalid
      {"Score", "$64", CompareOp::kEqual, false},                       // strict decimal only
      {"Score", "", CompareOp::kOn, false},                             // no number: false
      {"Hero", "taro", CompareOp::kEqual, true},
      {"Hero", "TARO", CompareOp::kNotEqual, false},
      {"Hero", "Jiro", CompareOp::kNotEqual, true},
      {"Hero", "A", CompareOp::kGreater, false},
      {"Hero", "", CompareOp::kOn, false},
      {"Seen", "", CompareOp::kOn, true},
      {"Seen", "", CompareOp::kOff, false},
      {"Seen", "on", CompareOp::kEqual, true},
      {"Seen", "OFF", CompareOp::kEqual, false},
      {"Seen", "OFF", CompareOp::kNotEqual, true},
      {"Seen", "ON", CompareOp::kGreaterEqual, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(s.params.CompareOperand(s.Var(c.var), c.operand, c.op), c.expected)
        << c.var << " " << static_cast<int>(c.op) << " " << c.operand;
  }
  EXPECT_THROW(s.params.CompareOperand(s.Var("Score"), "1", static_cast<CompareOp>(8)), MavError);
}

TEST(Conditions, CheckCondition) {
  Store s;
  s.Var("Score").SetNum(120);
  s.Var("Hero").SetStr("Taro");
  s.Var("Seen").SetFlag(true);
  const std::pair<const char*, bool> cases[] = {
      {"", true},
      {"|", false},
      {"Score >= 100", true},
      {"Score >= 121", false},
      {"  Score   >=   100  ", true},
      {"\x81\x40Score >= 100\x81\x40", true},  // full-width blanks trimmed around the clause
      {"Seen ON", true},
      {"Seen on", true},
      {"Seen OFF", false},
      {"Seen", false},  // no word: "=" against an empty operand (off)
      {"Score >= 100;Seen ON", true},
      {"Score >= 200;Seen ON", false},
      {"|Score >= 200;Seen ON", true},
      {"|Score >= 200;Seen OFF", false},
      {"|Missing ON;Seen ON", false},    // a missing variable ends the condition
      {"|Seen ON;Missing ON", true},     // ... unless a clause held first
      {"Seen ON;Missing ON", false},
      {"Score = \x82\x50\x82\x51\x82\x4f", false},
      {"Hero = \"taro\"", true},
      {"Hero = \"Taro Jiro\"", false},
      {"Score >= 100;", true},           // a trailing ";" leaves nothing more
      {"Score >= 100;;Seen ON", false},  // an empty clause names no variable
      {"Score=120", false},              // words are separated by blanks
      {" ", false},
  };
  for (const auto& [condition, expected] : cases) {
    EXPECT_EQ(s.params.CheckCondition(condition), expected) << "'" << condition << "'";
    EXPECT_EQ(s.params.CheckCondition(ParseCondition(condition)), expected) << condition;
  }
}

TEST(Conditions, RepeatedTextsFollowTheCurrentValues) {
  Store s;
  for (int round = 0; round < 3; ++round) {
    s.Var("Score").SetNum(round);
    EXPECT_EQ(s.params.CheckCondition("Score >= 1"), round >= 1);
    EXPECT_EQ(s.params.CheckCondition("|Score = 0;Score = 2"), round != 1);
  }
  // Many distinct texts (more than are kept parsed) still evaluate correctly.
  s.Var("Score").SetNum(2500);
  for (int i = 0; i < 5000; ++i) {
    ASSERT_EQ(s.params.CheckCondition("Score >= " + std::to_string(i)), i <= 2500) << i;
  }
  EXPECT_TRUE(s.params.CheckCondition("Score >= 1"));
}

TEST(Conditions, ParsedForm) {
  const ParsedCondition c = ParseCondition("|A >= 3; B  on ;C = \"x y\" extra");
  EXPECT_FALSE(c.empty);
  EXPECT_TRUE(c.any);
  ASSERT_EQ(c.clauses.size(), 3u);
  EXPECT_EQ(c.clauses[0].name, "A");
  EXPECT_EQ(c.clauses[0].op, CompareOp::kGreaterEqual);
  EXPECT_EQ(c.clauses[0].operand, "3");
  EXPECT_EQ(c.clauses[1].op, CompareOp::kOn);
  EXPECT_EQ(c.clauses[1].operand, "");
  EXPECT_EQ(c.clauses[2].operand, "\"x y\"");
  // Clauses are cut only at a ";" that starts a character: after a lead byte it is a trail byte.
  const ParsedCondition k = ParseCondition("\x95\x5c = 1;\x83;\x83");
  ASSERT_EQ(k.clauses.size(), 2u);
  EXPECT_EQ(k.clauses[0].name, "\x95\x5c");
  EXPECT_EQ(k.clauses[1].name, "\x83;\x83");
}

TEST(Conditions, SplitsLikeCuttingClauseByClause) {
  // The one-pass splitter must agree with CutToken on every kind of separator placement.
  const std::string texts[] = {"a;b", "a;", ";", ";;", "a;;b", "\x83;b;c", "x\x83;", "\x95;\x5c;",
                               "  a = 1 ; b ", "\x81\x40;\x81\x40", "a\x81;b"};
  for (const std::string& text : texts) {
    std::vector<std::string> expected;
    std::string rest = text;
    while (!rest.empty()) expected.push_back(TrimWide(CutToken(rest, ";")));
    std::vector<std::string> names;
    const ParsedCondition c = ParseCondition(text);
    std::vector<std::string> got;
    for (std::string e : expected) got.push_back(NextWord(e));
    for (const auto& clause : c.clauses) names.push_back(clause.name);
    EXPECT_EQ(names, got) << text;
  }
  // Many clauses parse in one pass.
  std::string many;
  for (int i = 0; i < 200000; ++i) many += "A;";
  EXPECT_EQ(ParseCondition(many).clauses.size(), 200000u);
}

TEST(CalcParse, Assignment) {
  const CalcAssignment a = ParseCalcAssignment("  Score\t= Score + 1 ignored");
  EXPECT_EQ(a.target, "Score");
  EXPECT_EQ(a.left, "Score");
  EXPECT_EQ(a.op, CalcOp::kAdd);
  EXPECT_EQ(a.right, "1");
  const CalcAssignment b = ParseCalcAssignment("\x81\x40X = \"a b\" Trim");
  EXPECT_EQ(b.target, "\x81\x40X");  // full-width blanks belong to the name
  EXPECT_EQ(b.left, "\"a b\"");
  EXPECT_EQ(b.op, CalcOp::kTrim);
  const CalcAssignment c = ParseCalcAssignment("NoEquals");
  EXPECT_EQ(c.target, "NoEquals");
  EXPECT_EQ(c.left, "");
  EXPECT_EQ(c.op, CalcOp::kAssign);
}

struct CalcCase {
  int type;            // target type code
  const char* before;  // target's initial text
  const char* text;    // Calc argument (target is always T)
  const char* after;   // GetStr of the target afterwards
};

TEST(Calc, TableOfAssignments) {
  const CalcCase cases[] = {
      // numbers
      {0, "0", "T = 5", "5"},
      {0, "0", "T = 5 + 3", "8"},
      {0, "0", "T = 5 - 8", "-3"},
      {0, "0", "T = 6 * 7", "42"},
      {0, "0", "T = 7 / 2", "3"},
      {0, "0", "T = -7 / 2", "-3"},
      {0, "0", "T = -7 % 3", "-1"},
      {0, "0", "T = 7 % -3", "1"},
      {0, "0", "T = 12 & 10", "8"},
      {0, "0", "T = 12 | 3", "15"},
      {0, "0", "T = 12 ^ 10", "6"},
      {0, "0", "T = 2147483647 + 1", "-2147483648"},
      {0, "0", "T = -2147483648 - 1", "2147483647"},
      {0, "0", "T = 65536 * 65536", "0"},
      {0, "0", "T = -2147483648 % -1", "0"},
      {0, "0", "T = 7 / -1", "-7"},
      {0, "0", "T = \x82\x50\x82\x52 + 1", "14"},  // full-width digits accepted
      {0, "0", "T = 5 plus 3", "5"},                 // unknown word: assignment
      {0, "0", "T = 5", "5"},
      {0, "0", "T = abc", "0"},
      {0, "0", "T = \"\x81\x40 12 \x81\x40\" Trim", "12"},
      {0, "0", "T = \" 12 \" trim", "0"},            // lower-case trim is an assignment
      {0, "0", "T = abcabc Pos ca", "3"},
      {0, "0", "T = 12345 Left 2", "12"},
      {0, "0", "T = 12345 Right 2", "45"},
      {0, "0", "T = 12345 Left 99", "12345"},
      {0, "0", "T = 12345 Right 0", "0"},
      {0, "0", "T = 12345 Mid 2;3", "234"},
      {0, "0", "T = 12345 Mid 4;9", "45"},
      {0, "0", "T = 12345 Mid 6;1", "0"},
      {0, "0", "T = 12345 Mid 2;0", "0"},
      {0, "0", "T = 12345 Mid 0;2", "0"},
      {0, "0", "T = 12345 Mid 2;2147483647", "2345"},
      // strings
      {1, "", "T = abc + def", "abcdef"},
      {1, "", "T = \"a b\" + \"c\"", "a bc"},
      {1, "", "T = \"\x81\x40 x \x81\x40\" Trim", "x"},
      {1, "", "T = abc trim", "abc"},
      {1, "", "T = abcdef Left 2", "ab"},
      {1, "", "T = abcdef Right 2", "ef"},
      {1, "", "T = abcdef Right 0", ""},
      {1, "", "T = abcdef Left -1", ""},
      {1, "", "T = abcdef Left 10", "abcdef"},
      {1, "", "T = abcdef Mid 3;2", "cd"},
      {1, "", "T = abcdef Mid 7;1", ""},
      {1, "", "T = abcdef Mid 5;10", "ef"},
      {1, "x", "T = abc - def", "abc"},
      {1, "x", "T = abc * def", "abc"},
      {1, "x", "T = abc", "abc"},
      // flags
      {2, "OFF", "T = ON", "ON"},
      {2, "OFF", "T = ON & OFF", "OFF"},
      {2, "OFF", "T = ON | OFF", "ON"},
      {2, "OFF", "T = ON ^ ON", "OFF"},
      {2, "OFF", "T = on ^ OFF", "ON"},
      {2, "OFF", "T = OFF | ON", "ON"},
      {2, "ON", "T = OFF + ON", "OFF"},
      {2, "OFF", "T = 1", "OFF"},
  };
  for (const auto& c : cases) {
    Store s;
    TParameter& t = s.params.Declare(c.type, "T");
    t.SetStr(c.before);
    std::string text = c.text;
    ASSERT_TRUE(s.params.CalcText(text)) << text;
    EXPECT_EQ(t.GetStr(), c.after) << text;
  }
}

TEST(Calc, DoubleByteCharactersCountOnce) {
  const std::string kan = "\x8a\xbf";  // 漢
  const std::string ji = "\x8e\x9a";   // 字
  const std::string so = "\x83\x5c";   // ソ (trail byte 0x5C)
  Store s;
  TParameter& n = s.params.Declare(0, "N");
  TParameter& t = s.params.Declare(1, "T");
  s.params.CalcText("N = a" + kan + ji + "b Pos b");
  EXPECT_EQ(n.GetNum(), 4);
  s.params.CalcText("N = " + kan + ji + " Pos " + ji);
  EXPECT_EQ(n.GetNum(), 2);
  s.params.CalcText("N = " + so + "\\ Pos \\");  // the trail byte of ソ is not a match
  EXPECT_EQ(n.GetNum(), 2);
  s.params.CalcText("T = a" + kan + ji + "b Pos b");
  EXPECT_EQ(t.GetStr(), "4");
  s.params.CalcText("T = " + kan + ji + "b Left 2");
  EXPECT_EQ(t.GetStr(), kan + ji);
  s.params.CalcText("T = " + kan + ji + "b Right 2");
  EXPECT_EQ(t.GetStr(), ji + "b");
  s.params.CalcText("T = a" + kan + ji + "b Mid 2;2");
  EXPECT_EQ(t.GetStr(), kan + ji);
}

TEST(Calc, OperandsAreVariablesAndComposedNames) {
  Store s;
  s.Var("Score").SetNum(10);
  s.params.Declare(0, "Idx").SetNum(2);
  s.params.Declare(0, "Item2").SetNum(5);
  s.params.Declare(1, "Name").SetStr("Hero");
  EXPECT_TRUE(s.params.CalcText("Score = Score + Item+Idx"));
  EXPECT_EQ(s.Var("Score").GetNum(), 15);
  EXPECT_TRUE(s.params.CalcText("Item+Idx = Score * 2"));
  EXPECT_EQ(s.Var("Item2").GetNum(), 30);
  EXPECT_TRUE(s.params.CalcText("Hero = Name + Score"));
  EXPECT_EQ(s.Var("Hero").GetStr(), "Hero15");
  EXPECT_TRUE(s.params.CalcText("Seen = Score"));  // a number read as a flag
  EXPECT_TRUE(s.Var("Seen").GetFlag());
  EXPECT_FALSE(s.params.CalcText("Missing = 1"));
  EXPECT_FALSE(s.params.CalcText("score = 1"));
  EXPECT_EQ(s.Var("Score").GetNum(), 15);
  // Writes to system values go through the setter of their type.
  EXPECT_TRUE(s.params.CalcText("@TextSpd = 4 + 1"));
  EXPECT_EQ(s.engine.text_spd, 5);
  EXPECT_TRUE(s.params.CalcText("@NoTextWait = ON"));
  EXPECT_TRUE(s.engine.no_text_wait);
  EXPECT_THROW(s.params.CalcText("@TickCount = 1"), MavError);
}

TEST(Calc, DivisionFaultsLeaveTheTargetAndWarn) {
  const char* faults[] = {"T = 5 / 0", "T = 5 % 0", "T = -2147483648 / -1", "T = 5 / abc"};
  for (const char* text : faults) {
    MemoryLog log;
    Store s;
    s.params.SetLog(&log);
    TParameter& t = s.params.Declare(0, "T");
    t.SetNum(77);
    EXPECT_TRUE(s.params.CalcText(text));
    EXPECT_EQ(t.GetNum(), 77) << text;
    ASSERT_EQ(log.entries.size(), 1u) << text;
    EXPECT_EQ(log.entries[0].level, LogLevel::kWarning);
    EXPECT_NE(log.entries[0].message.find("T"), std::string::npos);
  }
  Store s;  // without a log the fault is still harmless
  TParameter& t = s.params.Declare(0, "T");
  t.SetNum(3);
  s.params.CalcText("T = 1 / 0");
  EXPECT_EQ(t.GetNum(), 3);
}

TEST(Calc, TextGrowthIsBounded) {
  MemoryLog log;
  Store s;
  s.params.SetLog(&log);
  TParameter& big = s.params.Declare(1, "Big");
  big.SetStr(std::string(TParamManager::kMaxTextLength / 2, 'x'));
  TParameter& t = s.params.Declare(1, "T");
  t.SetStr("before");
  EXPECT_TRUE(s.params.CalcText("T = Big + Big"));  // exactly the limit: allowed
  EXPECT_EQ(t.GetStr().size(), TParamManager::kMaxTextLength);
  EXPECT_TRUE(log.entries.empty());
  EXPECT_TRUE(s.params.CalcText("T = T + 1"));
  EXPECT_EQ(t.GetStr().size(), TParamManager::kMaxTextLength);
  ASSERT_EQ(log.entries.size(), 1u);
  EXPECT_NE(log.entries[0].message.find("exceed"), std::string::npos);
  // A composed name past the limit matches nothing.
  EXPECT_EQ(s.params.Find("Big+Big+Big"), nullptr);
  EXPECT_EQ(s.params.FindTemporary("Big+Big+Big"), nullptr);
}

}  // namespace
}  // namespace mavlet
