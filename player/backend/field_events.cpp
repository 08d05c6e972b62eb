#include "player/backend/field_events.h"

namespace mavlet {

std::vector<TextInputEvent> ParseFieldEvents(const std::string& records) {
  using K = TextInputEvent::Kind;
  std::vector<TextInputEvent> out;
  std::size_t at = 0;
  while (at < records.size()) {
    std::size_t end = records.find('\x1f', at);
    if (end == std::string::npos) end = records.size();
    const std::string record = records.substr(at, end - at);
    at = end + 1;
    if (record.empty()) continue;
    switch (record[0]) {
      case 't':
        if (record.size() > 1) out.push_back({K::kText, record.substr(1)});
        break;
      case 'r': out.push_back({K::kReturn, {}}); break;
      case 'e': out.push_back({K::kEscape, {}}); break;
      case 'b': out.push_back({K::kBackspace, {}}); break;
      case 'l': out.push_back({K::kLeft, {}}); break;
      case 'g': out.push_back({K::kRight, {}}); break;
      case 'h': out.push_back({K::kHome, {}}); break;
      case 'n': out.push_back({K::kEnd, {}}); break;
      default: break;
    }
  }
  return out;
}

}  // namespace mavlet
