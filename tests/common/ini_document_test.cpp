#include "player/common/ini_document.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace mavlet
