// Number texts, the bar position and the string table.
#include "downloader/core/format.h"

#include <gtest/gtest.h>

namespace quillget {
namespace {

TEST(Format, GroupingAndTexts) {
  const std::vector<std::pair<std::string, std::string>> grouped = {
      {"0", "0"}, {"999", "999"}, {"1000", "1,000"}, {"1234567", "1,234,567"}, {"1234.5", "1,234.5"},
{"123456.789", "123,456.789"}, {std::string(80, '1'), ""}};
  for (const auto& [in, out] : grouped) {
    if (out.empty()) {
      EXPECT_EQ(GroupThousands(in).size(), 64u);
    } else {
      EXPECT_EQ(GroupThousands(in), out);
    }
  }
  EXPECT_EQ(BytesText(5000000000.0), "5,000,000,000");
  EXPECT_EQ(RateText(1234.56), "1,234.6");
  EXPECT_EQ(TimeText(65), "0:1:5");
  EXPECT_EQ(TimeText(3600LL * 1000 + 61), "1,000:1:1");

  const Strings en(Language::English), ja(Language::Japanese);
  EXPECT_EQ(FilesText(en, 3, 1200), "3 files / 1,200 files");
  EXPECT_EQ(BytesPairText(ja, 1024, 2048), "1,024 バイト / 2,048 バイト");
  EXPECT_EQ(RateTimesText(en, 0, 0, 0), "0.0 Mbps / 0:0:0 / 0:0:0");
  EXPECT_EQ(RateTimesText(en, 8.25, 3725, 59), "8.2 Mbps / 1:2:5 / 0:0:59");
  EXPECT_EQ(FreeSpaceText(en, 1e6), "1,000,000 bytes");
}

TEST(Format, BarPositionStaysInRange) {
  const std::vector<std::tuple<std::int64_t, std::int64_t, int>> cases = {
      {0, 0, 0},    {10, 0, 0},    {1, 50, 2},     {49, 50, 98}, {50, 50, 100},
      {60, 50, 100}, {5, 10, 50},  {1LL << 40, 1LL << 41, 50}, {-5, 10, 0}};
  for (const auto& [progress, max, bar] : cases) EXPECT_EQ(BarPosition(progress, max), bar) << progress << "/" << max;
}

TEST(Strings, LanguageAndTable) {
  EXPECT_EQ(LanguageFromTag("ja_JP.UTF-8"), Language::Japanese);
  EXPECT_EQ(LanguageFromTag("JA"), Language::Japanese);
  EXPECT_EQ(LanguageFromTag("C.UTF-8"), Language::English);
  EXPECT_EQ(LanguageFromTag(""), Language::English);
  const Strings en(Language::English), ja(Language::Japanese);
  for (int n : {110, 200, 210, 212, 213, 214, 215, 220, 222, 223, 230, 231, 232, 233, 235, 241, 242, 243, 245, 250,
                251, 252, 253, 254, 261, 262, 263, 801, 802, 803, 804, 805, 815, 816, 817, 819, 820, 821, 822}) {
    EXPECT_FALSE(en.Text(n).empty()) << n;
    EXPECT_FALSE(ja.Text(n).empty()) << n;
  }
  EXPECT_EQ(ja.Text(220), "済");
  EXPECT_EQ(en.Text(999), "");
  EXPECT_EQ(FillIn("%s-%s-%s", {"a", "b"}), "a-b-");
}

}  // namespace
}  // namespace quillget
