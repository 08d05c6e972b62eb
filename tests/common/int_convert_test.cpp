#include "player/common/int_convert.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace mavlet {
namespace {

struct Case {
  std::string text;
  std::optional<std::int32_t> value;
};

TEST(ParseInt, Table) {
  const std::vector<Case> cases = {
      {"0", 0},
      {"42", 42},
      {"-42", -42},
      {"+7", 7},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"$10", 16},
      {"$ff", 255},
      {"$FFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"-$10", -16},
      {"$100000000", std::nullopt},
      {"0x1A", 26},
      {"0X1a", 26},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"$G", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {" 12", 12},  // leading blanks are skipped
      {"12 ", std::nullopt},
      {"1 2", std::nullopt},
      {"\t12", std::nullopt},
      {"12a", std::nullopt},
      {"1.5", std::nullopt},
      {"--1", std::nullopt},
      {"- 1", std::nullopt},
      {"\x82\x50", std::nullopt},  // full-width digit: only after NormalizeText
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseInt(c.text), c.value) << "'" << c.text << "'";
    EXPECT_EQ(ParseIntOr(c.text, 1234), c.value.value_or(1234)) << "'" << c.text << "'";
  }
}

TEST(ParseDecimalStrict, Table) {
  const std::vector<Case> cases = {
      {"100", 100},         {"-100", -100},         {"+5", 5},
      {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"2147483648", std::nullopt},
      {"$10", std::nullopt}, {"0x10", std::nullopt}, {" 1", std::nullopt},
      {"1 ", std::nullopt},  {"", std::nullopt},      {"-", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseDecimalStrict(c.text), c.value) << "'" << c.text << "'";
}

}  // namespace
}  // namespace mavlet
