#pragma once
// The game screen sizes by screen mode (Global.pmx's ScreenMode), shared by the player and the
// title kit. Modes outside the table read the nearest row.
#include <array>
#include <cstddef>

namespace mavlet {

struct ScreenSize {
  int width;
  int height;
};

inline constexpr std::array<ScreenSize, 6> kScreenSizes = {
    {{320, 200}, {320, 240}, {640, 400}, {640, 480}, {800, 600}, {1024, 768}}};

// Game screen size for a screen mode; negative modes use the first row, modes beyond the table the last.
constexpr ScreenSize ScreenSizeForMode(int screen_mode) {
  if (screen_mode < 0) return kScreenSizes.front();
  if (static_cast<std::size_t>(screen_mode) >= kScreenSizes.size()) return kScreenSizes.back();
  return kScreenSizes[static_cast<std::size_t>(screen_mode)];
}

}  // namespace mavlet
