#include "player/common/ini_document.h"

#include <gtest/gtest.h>

#include "player/common/error.h"

namespace mavlet {
namespace {

TEST(IniDocument, DialectsReadTheSameLineTheirOwnWay) {
  struct Case {
    const char* text;
    const char* section;
    const char* name;
    std::optional<std::string> tolerant;
    std::optional<std::string> escaped;
  };
  const Case cases[] = {
      {"[S]\nK=v\n", "s", "k", "v", "v"},
      {"\xEF\xBB\xBF[S]\nK=v\n", "S", "K", "v", std::nullopt},  // byte-order mark
      {"  [ S ]  \r\n  K  =  v  \r\n", "S", "K", "v", std::nullopt},
      {"[S]\nK = v\n", "S", "K ", std::nullopt, " v"},            // blanks belong to the escaped name
      {"[S]\nK=\"v \"\n", "S", "K", "v ", "\"v \""},               // quotes
      {"[S]\nK=a%3Db\n", "S", "K", "a%3Db", "a=b"},                // escapes
      {"[S]\nK%3D=1\n", "S", "K=", std::nullopt, "1"},
      {"[a]b]\nK=1\n", "a", "K", "1", std::nullopt},               // first or last "]"
      {"[a]b]\nK=1\n", "a]b", "K", std::nullopt, "1"},
      {"[S]\nK=1\nK=2\n[S]\nK=3\n", "S", "K", "1", "1"},           // the first occurrence counts
      {"[S]\n[T\nK=1\n", "S", "K", std::nullopt, "1"},             // an unclosed header
      {"K=1\n[S]\n", "S", "K", std::nullopt, std::nullopt},        // before any section
      {"[S]\n;K=1\n#K=2\nK\n", "S", "K", std::nullopt, std::nullopt},
      {"[S]\r\nK=\x82\x61\r\r\n", "S", "K", "\x82\x61", "\x82\x61"},
      {"[\x82\x61]\nK=1\n", "\x82\x41", "K", std::nullopt, std::nullopt},  // trail bytes exact
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IniDocument::Parse(c.text, IniDialect::kTolerant).Find(c.section, c.name), c.tolerant) << c.text;
    EXPECT_EQ(IniDocument::Parse(c.text, IniDialect::kEscaped).Find(c.section, c.name), c.escaped) << c.text;
  }
}

TEST(IniDocument, EscapedFormatRoundTripsAwkwardBytes) {
  IniDocument doc = IniDocument::Parse("; kept\n[A]\nx=1\n", IniDialect::kEscaped);
  doc.Sections().push_back({"B]\n%", true, {{"=;k\x01", "v\n\t%", false}}});
  const std::string text = doc.Format();
  EXPECT_EQ(text.substr(0, 15), "; kept\n[A]\nx=1\n");
  const IniDocument again = IniDocument::Parse(text, IniDialect::kEscaped);
  EXPECT_EQ(again.Find("B]\n%", "=;k\x01"), "v\n\t%");
  EXPECT_EQ(again.Format(), text);
}

TEST(IniDocument, SettingAValueKeepsEveryOtherByte) {
  struct Case {
    const char* text;
    const char* section;
    const char* name;
    const char* value;
    const char* expected;
  };
  const Case cases[] = {
      // replaced in place: the name's spelling, blanks before "=", comments and CRLF stay
      {"; mine\r\n[STATUS]\r\n  fullscreen = 0\r\nInterval=30\r\n", "status", "FullScreen", "1",
       "; mine\r\n[STATUS]\r\n  fullscreen =1\r\nInterval=30\r\n"},
      // only the first section of that name and the first line of that name
      {"[S]\nK=1\nK=2\n[S]\nK=3\n", "S", "K", "9", "[S]\nK=9\nK=2\n[S]\nK=3\n"},
      // commented-out entries are not values
      {"[S]\n;K=1\n#K=2\n", "S", "K", "3", "[S]\n;K=1\n#K=2\nK=3\n"},
      // added after the section's last entry, before blank lines and the next section
      {"[A]\nX=1\n\n[B]\nY=2\n", "A", "Z", "5", "[A]\nX=1\nZ=5\n\n[B]\nY=2\n"},
      // a last line without its line end
      {"[A]\nX=1", "A", "Z", "5", "[A]\nX=1\nZ=5\n"},
      {"[A]", "A", "Z", "5", "[A]\nZ=5\n"},
      // a missing section at the end, after a blank line; an empty file gets just the section
      {"[A]\nX=1", "Window", "Scale", "2", "[A]\nX=1\n\n[Window]\nScale=2\n"},
      {"", "STATUS", "FullScreen", "1", "[STATUS]\nFullScreen=1\n"},
      // a byte-order mark stays in front
      {"\xEF\xBB\xBF[S]\nK=1\n", "S", "K", "2", "\xEF\xBB\xBF[S]\nK=2\n"},
      {"\xEF\xBB\xBF", "S", "K", "2", "\xEF\xBB\xBF[S]\nK=2\n"},
      // a quoted value is replaced whole; an empty value becomes one
      {"[S]\nK=\"a b\"\n", "S", "K", "c", "[S]\nK=c\n"},
      {"[S]\nK=\n", "S", "K", "", "[S]\nK=\n"},
      // blanks around the names are no part of them
      {"[Window]\nX=1\n", "Window ", " X", "2", "[Window]\nX=2\n"},
      {"", " A ", "B", "1", "[A]\nB=1\n"},
  };
  for (const Case& c : cases) {
    const std::string got = SetTolerantIniValue(c.text, c.section, c.name, c.value);
    EXPECT_EQ(got, c.expected) << c.text;
    // And the reader agrees (it takes names without their blanks).
    const auto trim = [](std::string s) {
      s.erase(0, s.find_first_not_of(' '));
      s.erase(s.find_last_not_of(' ') + 1);
      return s;
    };
    EXPECT_EQ(IniDocument::Parse(got, IniDialect::kTolerant).Find(trim(c.section), trim(c.name)), std::string(c.value))
        << c.text;
  }
}

TEST(IniDocument, SettingRefusesWhatCannotStandOnOneLine) {
  const char* bad[][3] = {{"S", "K", "a\nb"}, {"S]", "K", "1"}, {"S", "K=", "1"}, {"S\n", "K", "1"}, {"S", " ", "1"}};
  for (const auto& b : bad) EXPECT_THROW(SetTolerantIniValue("", b[0], b[1], b[2]), MavError) << b[0] << b[1] << b[2];
}

}  // namespace
}  // namespace mavlet
