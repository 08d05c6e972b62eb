#pragma once
// What a choice line defines, as plain values the choice layers and the choice commands share:
// jump targets ("page:label:com"), the points and actions of a map region, and the splitter the
// item and region lists are cut with. Malformed numbers read as their defaults; nothing here
// fails.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

// "page:label:com". The label is kept for the author only; a missing page is -1 (none) and a
// negative command index counts as 0.
struct JumpTarget {
  std::int32_t Page = -1;
  std::string Label;
  std::int32_t Com = 0;

  static JumpTarget FromText(std::string text);
  bool operator==(const JumpTarget&) const = default;
};

struct MapPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  bool operator==(const MapPoint&) const = default;
};

// One region of a map choice, in game-area pixels: "kind\actions\x1\y1\x2\y2...".
struct SelMapRegionDef {
  enum Action { kDecide = 0, kEnter = 1, kLeave = 2 };
  // 0 rectangle, 1 ellipse (both from the first two points as opposite corners), anything
  // else a winding-rule polygon over all points. Too few points give an empty region.
  std::int32_t Kind = 0;
  std::array<JumpTarget, 3> Actions;
  std::vector<MapPoint> Points;

  static SelMapRegionDef FromText(std::string text);
  bool operator==(const SelMapRegionDef&) const = default;
};

// All parts of s between the delimiter bytes (never a trail byte); a trailing delimiter gives an
// empty last part. One pass, so long item and point lists stay linear in practice.
std::vector<std::string> SplitAll(std::string s, std::string_view delimiter);

}  // namespace mavlet
