#include "player/common/sjis_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/common/encoding.h"
#include "player/common/error.h"

namespace mavlet {
namespace {

// Shift-JIS bytes of a UTF-8 literal, so that tables stay readable.
std::string S(const char* utf8) {
  auto sjis = Utf8ToSjis(utf8);
  EXPECT_TRUE(sjis.has_value()) << utf8;
  return sjis.value_or("");
}

// "ソ" (83 5C) and "表" (95 5C) end in a backslash byte; "ポ" (83 7C) ends in "|".
const std::string kSo = "\x83\x5C";
const std::string kHyo = "\x95\x5C";
const std::string kPo = "\x83\x7C";

TEST(IsTrailByte, CountsLeadBytesBackwards) {
  struct Case {
    std::string s;
    std::size_t i;
    bool trail;
  };
  const std::vector<Case> cases = {
      {"a", 1, false},
      {kSo, 1, false},
      {kSo, 2, true},
      {"a" + kSo + "\\", 3, true},
      {"a" + kSo + "\\", 4, false},
      {"\x81\x81\x5C", 3, false},       // 81 81 is one character
      {"\x81\x81\x81\x5C", 4, true},    // 81 81 then 81 5C
      {"\x82\xA0\x81\x5C", 4, true},    // A0 is not a lead byte
      {"\xB6\x81\x40", 3, true},        // half-width kana before a full-width blank
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsTrailByte(c.s, c.i), c.trail) << "index " << c.i;
  }
}

TEST(IsTrailByte, IllegalIndex) {
  for (std::size_t i : {std::size_t{0}, std::size_t{3}}) {
    try {
      IsTrailByte("ab", i);
      FAIL() << "no error for index " << i;
    } catch (const MavError& e) {
      EXPECT_STREQ(e.what(), "Illegal Index");
    }
  }
  EXPECT_THROW(IsTrailByte("", 1), MavError);
}

TEST(MbRoutines, LengthPosCopyDelete) {
  const std::string t = "A" + kSo + "B" + kHyo + "\xB6";  // A ソ B 表 ｶ
  EXPECT_EQ(MbLength(""), 0);
  EXPECT_EQ(MbLength(t), 5);
  EXPECT_EQ(MbLength("\x83"), 1);  // lone lead byte at the end counts once

  EXPECT_EQ(MbPos(kHyo, t), 4);
  EXPECT_EQ(MbPos("B", t), 3);
  EXPECT_EQ(MbPos("", t), 0);
  EXPECT_EQ(MbPos("\\", t), 0);       // only inside double-byte characters
  EXPECT_EQ(MbPos("\x5C" "B", t), 0);  // would start at a trail byte
  EXPECT_EQ(MbPos(t + "x", t), 0);

  EXPECT_EQ(MbCopy(t, 2, 2), kSo + "B");
  EXPECT_EQ(MbCopy(t, 4, 10), kHyo + "\xB6");
  EXPECT_EQ(MbCopy(t, 6, 1), "");
  EXPECT_EQ(MbCopy("", 1, 1), "");
  EXPECT_EQ(MbCopy(t, 0, 1), "A");

  struct Del {
    int start, count;
    std::string expect;
  };
  for (const Del& d : std::vector<Del>{{2, 1, "AB" + kHyo + "\xB6"},
                                       {0, 2, "B" + kHyo + "\xB6"},
                                       {4, 9, "A" + kSo + "B"},
                                       {6, 1, t},
                                       {2, 0, t}}) {
    std::string s = t;
    MbDelete(s, d.start, d.count);
    EXPECT_EQ(s, d.expect) << d.start << "," << d.count;
  }
}

TEST(CutToken, SkipsTrailBytes) {
  struct Case {
    std::string s, delims, head, rest;
  };
  const std::vector<Case> cases = {
      {"a;b;c", ";", "a", "b;c"},
      {"abc", ";", "abc", ""},
      {"a;b", "", "a;b", ""},
      {";x", ";", "", "x"},
      {kSo + "\\x", "\\", kSo, "x"},       // the 5C inside ソ is not a delimiter
      {kPo + "|y", "|", kPo, "y"},         // nor the 7C inside ポ
      {"a=b;c", ";=", "a", "b;c"},
  };
  for (const auto& c : cases) {
    std::string s = c.s;
    EXPECT_EQ(CutToken(s, c.delims), c.head);
    EXPECT_EQ(s, c.rest);
  }
}

TEST(TrimWide, BlanksBothWidths) {
  const std::string fw = "\x81\x40";
  struct Case {
    std::string in, out;
  };
  const std::vector<Case> cases = {
      {"  a b  ", "a b"},
      {fw + " " + fw + "x" + fw + " ", "x"},
      {"\tx\t", "\tx\t"},
      {fw + fw, ""},
      {"", ""},
      {"\x81\x81\x40", "\x81\x81\x40"},  // 81 81 then "@": no full-width blank at the end
      {"a\x81 ", "a\x81 "},              // the blank belongs to the character 81 20
  };
  for (const auto& c : cases) EXPECT_EQ(TrimWide(c.in), c.out) << c.in;
}

TEST(NextWord, WordsQuotesAndRest) {
  struct Case {
    std::string in, word, rest;
  };
  const std::vector<Case> cases = {
      {"  Score >= 100 ", "Score", ">= 100"},
      {"\t\r\nabc", "abc", ""},
      {"\"a b\" c", "\"a b\"", " c"},
      {"\"open quote", "\"open quote", ""},
      {"", "", ""},
      {"   ", "", ""},
      {kSo + " x", kSo, "x"},
      {"\x81 x", "\x81 x", ""},  // 81 20 is one character, not a separator
  };
  for (const auto& c : cases) {
    std::string s = c.in;
    EXPECT_EQ(NextWord(s), c.word) << c.in;
    EXPECT_EQ(s, c.rest) << c.in;
  }
  std::string s = "Seen ON";
  EXPECT_EQ(NextWord(s), "Seen");
  EXPECT_EQ(NextWord(s), "ON");
  EXPECT_EQ(NextWord(s), "");
}

TEST(CsvField, FieldsAndDefaults) {
  const std::string line = "1,,abc," + S("あ") + "\x81\x43" + ",12";  // 81 43 is "，", no comma
  EXPECT_EQ(CsvField(line, 0), "1");
  EXPECT_EQ(CsvField(line, 1), "");
  EXPECT_EQ(CsvField(line, 2), "abc");
  EXPECT_EQ(CsvField(line, 3), S("あ") + "\x81\x43");
  EXPECT_EQ(CsvField(line, 4), "12");
  EXPECT_EQ(CsvField(line, 5), "");
  EXPECT_EQ(CsvField(line, -1), "");
  EXPECT_EQ(CsvField("", 0), "");
  EXPECT_EQ(CsvField("a,", 1), "");
  // A comma-valued trail byte (lead then 2C, as malformed text may hold) does not split.
  EXPECT_EQ(CsvField("\x81,x,y", 1), "y");

  EXPECT_EQ(CsvFieldInt(line, 0, 7), 1);
  EXPECT_EQ(CsvFieldInt(line, 1, 7), 7);
  EXPECT_EQ(CsvFieldInt(line, 2, 7), 7);
  EXPECT_EQ(CsvFieldInt(line, 4, 7), 12);
  EXPECT_EQ(CsvFieldInt(line, 9, -3), -3);
}

TEST(NormalizeText, FullWidthSymbolsToAscii) {
  struct Case {
    const char* from;
    const char* to;
  };
  // Every double-byte mapping of the table, written as UTF-8.
  const std::vector<Case> cases = {
      {"　", " "},  {"，", ","}, {"．", "."}, {"：", ":"}, {"；", ";"},  {"？", "?"}, {"！", "!"},
      {"＾", "^"},  {"／", "/"}, {"～", "~"}, {"｜", "|"}, {"‘", "'"},   {"’", "'"},  {"“", "\""},
      {"”", "\""}, {"（", "("}, {"）", ")"}, {"［", "["}, {"］", "]"},   {"｛", "{"}, {"｝", "}"},
      {"＋", "+"},  {"－", "-"}, {"＝", "="}, {"＜", "<"}, {"＞", ">"},   {"′", "'"},  {"″", "\""},
      {"￥", "\\"}, {"＄", "$"}, {"％", "%"}, {"＃", "#"}, {"＆", "&"},   {"＊", "*"}, {"＠", "@"},
      {"〓", "="},  {"０１２３４５６７８９", "0123456789"},
      {"ＡＢＣＸＹＺ", "ABCXYZ"}, {"ａｂｃｘｙｚ", "ABCXYZ"}, {"abc-xyz", "ABC-XYZ"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeText(S(c.from)), c.to) << c.from;
  EXPECT_EQ(NormalizeText("\x81\xAC"), "=");
  EXPECT_EQ(NormalizeText("\x81\x60"), "~");
}

TEST(NormalizeText, OtherCharactersAndKana) {
  struct Case {
    const char* from;
    const char* to;
  };
  const std::vector<Case> cases = {
      {"漢字ソ表", "漢字ソ表"},      // other double-byte characters stay, 5C trail bytes intact
      {"＿・＼", "＿・＼"},          // row-1 symbols outside the table stay
      {"ｱｲｳｴｵ", "アイウエオ"},
      {"ｶﾞｷﾞｸﾞｹﾞｺﾞ", "ガギグゲゴ"},
      {"ｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞ", "ザジズゼゾダヂヅデド"},
      {"ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", "バビブベボパピプペポ"},
      {"ｳﾞ", "ヴ"},
      {"ｱﾞ", "アﾞ"},                // no voiced form: the mark stays half-width
      {"ｶﾟ", "カﾟ"},
      {"ｯﾞ", "ッﾞ"},
      {"｡｢｣､･ｦｧｨｩｪｫｬｭｮｯｰ", "。「」、・ヲァィゥェォャュョッー"},
      {"ﾅﾆﾇﾈﾉﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝ", "ナニヌネノマミムメモヤユヨラリルレロワン"},
      {"ﾞ", "ﾞ"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeText(S(c.from)), S(c.to)) << c.from;
  EXPECT_EQ(NormalizeText(""), "");
  EXPECT_EQ(NormalizeText("\x83"), "\x83");
}

TEST(ToFullWidth, AsciiAndKana) {
  struct Case {
    const char* from;
    const char* to;
  };
  const std::vector<Case> cases = {
      {"09AZaz", "０９ＡＺａｚ"},
      {"!\"#$%&'()*+,-./", "！”＃＄％＆’（）＊＋，－．／"},
      {":;<=>?@[\\]^_`{|}~", "：；＜＝＞？＠［￥］＾＿‘｛｜｝～"},
      {"a b", "ａ ｂ"},  // the blank (32) stays
      {"ｦｧｨｩｪｫｬｭｮｯｰ", "ヲぁぃぅぇぉゃゅょッー"},
      {"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ", "あいうえおかきくけこさしすせそたちつてと"},
      {"ﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝ", "なにぬねのはひふへほまみむめもやゆよらりるれろワン"},
      {"｡｢｣､･ｶﾞﾊﾟ", "｡｢｣､･かﾞはﾟ"},  // punctuation and marks stay, never combined
      {"漢ソ表", "漢ソ表"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToFullWidth(S(c.from)), S(c.to)) << c.from;
  EXPECT_EQ(ToFullWidth("\t\x7F"), "\t\x7F");
  EXPECT_EQ(ToFullWidth(kPo), kPo);  // the 7C trail byte is not "|"
}

}  // namespace
}  // namespace mavlet
