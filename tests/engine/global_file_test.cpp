#include "player/engine/global_file.h"

#include <gtest/gtest.h>

#include "player/common/error.h"
#include "player/common/encoding.h"

namespace mavlet {
namespace {

TGlobalData Sample() {
  TGlobalData d;
  d.Title = *Utf8ToSjis("題名");
  d.ScreenMode = 3;
  d.StartPage = 7;
  d.RegKey = "Software\\Maker\\Title";
  d.NoRegistry = 0;
  d.NumNames = {"B", "A"};
  d.StrNames = {*Utf8ToSjis("名前")};
  d.FlagNames = {"F1", "F2", "F3"};
  return d;
}

TEST(GlobalFile, RoundTripKeepsFieldsAndNameOrder) {
  const TGlobalData d = Sample();
  const ByteBuffer bytes = BuildGlobalData(d);
  const TGlobalData r = ParseGlobalData(bytes, "g");
  EXPECT_EQ(r.Title, d.Title);
  EXPECT_EQ(r.ScreenMode, 3);
  EXPECT_EQ(r.StartPage, 7);
  EXPECT_EQ(r.RegKey, d.RegKey);
  EXPECT_EQ(r.NoRegistry, 0);
  EXPECT_EQ(r.NumNames, d.NumNames);
  EXPECT_EQ(r.StrNames, d.StrNames);
  EXPECT_EQ(r.FlagNames, d.FlagNames);
}

TEST(GlobalFile, EveryTruncationIsAnErrorNamingTheSource) {
  const ByteBuffer bytes = BuildGlobalData(Sample());
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    ByteBuffer cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    try {
      ParseGlobalData(cut, "Pmx/Global.pmx");
      ADD_FAILURE() << "no error at length " << n;
    } catch (const MavError& e) {
      EXPECT_NE(std::string(e.what()).find("Pmx/Global.pmx"), std::string::npos) << e.what();
    }
  }
}

ByteBuffer Header() {
  TGlobalData d;
  d.Title = "T";
  ByteBuffer b = BuildGlobalData(d);
  b.resize(b.size() - 12);  // drop the three empty name counts
  return b;
}
void PutInt(ByteBuffer& b, std::int32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
}

TEST(GlobalFile, CountsAndLengths) {
  struct Case {
    const char* what;
    std::vector<std::int32_t> ints;  // appended after the header: counts and string lengths
    bool ok;
    std::size_t nums;
  };
  const Case cases[] = {
      {"negative counts declare nothing", {-5, -1, 0}, true, 0},
      {"negative string length is an empty name", {1, -3, 0, 0}, true, 1},
      {"count far beyond the file", {0x7fffffff, 0, 0}, false, 0},
      {"string length beyond the file", {1, 1000, 0, 0}, false, 0},
  };
  for (const Case& c : cases) {
    ByteBuffer b = Header();
    for (auto v : c.ints) PutInt(b, v);
    if (c.ok) {
      TGlobalData d = ParseGlobalData(b, "g");
      EXPECT_EQ(d.NumNames.size(), c.nums) << c.what;
    } else {
      EXPECT_THROW(ParseGlobalData(b, "g"), MavError) << c.what;
    }
  }
}

TEST(GlobalFile, MissingFileNamesIt) {
  try {
    ReadGlobalFile("/nonexistent/Pmx/Global.pmx");
    FAIL();
  } catch (const MavError& e) {
    EXPECT_NE(std::string(e.what()).find("Global.pmx"), std::string::npos);
  }
}

}  // namespace
}  // namespace mavlet
