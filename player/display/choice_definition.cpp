#include "player/display/choice_definition.h"

#include <cstddef>
#include <utility>

#include "player/common/int_convert.h"
#include "player/common/sjis_text.h"

namespace mavlet {

std::vector<std::string> SplitAll(std::string s, std::string_view delimiter) {
  std::vector<std::string> parts;
  for (;;) {
    const std::size_t before = s.size();
    std::string head = CutToken(s, delimiter);
    const bool found = head.size() < before;
    parts.push_back(std::move(head));
    if (!found) return parts;
  }
}

JumpTarget JumpTarget::FromText(std::string text) {
  JumpTarget t;
  t.Page = ParseIntOr(CutToken(text, ":"), -1);
  t.Label = CutToken(text, ":");
  t.Com = ParseIntOr(CutToken(text, ":"), 0);
  if (t.Com < 0) t.Com = 0;
  return t;
}

// "kind\decide&enter&leave\x1\y1\x2\y2..."; blanks around every part (and every action) are
// ignored. The point count is the number of coordinate parts plus one, halved: a lone last x gets y = 0.
SelMapRegionDef SelMapRegionDef::FromText(std::string text) {
  SelMapRegionDef def;
  std::vector<std::string> parts = SplitAll(std::move(text), "\\");
  def.Kind = ParseIntOr(TrimWide(parts[0]), 0);
  if (parts.size() >= 2) {
    std::string actions = TrimWide(parts[1]);
    for (JumpTarget& target : def.Actions) {
      if (actions.empty()) break;
      target = JumpTarget::FromText(TrimWide(CutToken(actions, "&")));
    }
  }
  const std::size_t coords = parts.size() >= 2 ? parts.size() - 2 : 0;
  const std::size_t points = (coords + 1) / 2;
  def.Points.reserve(points);
  for (std::size_t p = 0; p < points; ++p) {
    const std::size_t xi = 2 + 2 * p;
    const std::size_t yi = xi + 1;
    MapPoint pt;
    pt.X = ParseIntOr(TrimWide(parts[xi]), 0);
    if (yi < parts.size()) pt.Y = ParseIntOr(TrimWide(parts[yi]), 0);
    def.Points.push_back(pt);
  }
  return def;
}

}  // namespace mavlet
