// The text field's event records on arbitrary bytes: never more events than records, and no
// text event without text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "player/backend/field_events.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string records(reinterpret_cast<const char*>(data), size);
  const std::vector<mavlet::TextInputEvent> events = mavlet::ParseFieldEvents(records);
  const auto record_count = static_cast<std::size_t>(std::count(records.begin(), records.end(), '\x1F')) + 1;
  if (events.size() > record_count) std::abort();
  for (const mavlet::TextInputEvent& e : events)
    if (e.kind == mavlet::TextInputEvent::Kind::kText && e.text.empty()) std::abort();
  return 0;
}
