// The page's text field events as the entry line receives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/backend/field_events.h"

namespace mavlet {
namespace {

using K = TextInputEvent::Kind;

TEST(FieldEvents, RecordsBecomeTextInput) {
  struct Case {
    std::string records;
    std::vector<TextInputEvent> events;
  };
  const Case cases[] = {
      {"", {}},
      {"tabc", {{K::kText, "abc"}}},
      // An input method's commit, then Enter.
      {"t\xE5\xA4\xAA\xE9\x83\x8E\x1fr", {{K::kText, "\xE5\xA4\xAA\xE9\x83\x8E"}, {K::kReturn, {}}}},
      {"e\x1f" "b\x1fl\x1fg\x1fh\x1fn",
       {{K::kEscape, {}}, {K::kBackspace, {}}, {K::kLeft, {}}, {K::kRight, {}}, {K::kHome, {}}, {K::kEnd, {}}}},
      // Text keeps letters that are also kind letters, and spaces.
      {"tr e\x1ft b", {{K::kText, "r e"}, {K::kText, " b"}}},
      // Empty records, an empty text and unknown kinds are skipped; a trailing separator is fine.
      {"\x1f\x1ft\x1fzq\x1f" "r\x1f", {{K::kReturn, {}}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseFieldEvents(c.records), c.events) << c.records;
}

}  // namespace
}  // namespace mavlet
