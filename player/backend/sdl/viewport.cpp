#include "player/backend/sdl/viewport.h"

#include <algorithm>
#include <cstdint>

namespace mavlet {

Viewport FitViewport(int window_width, int window_height, int game_width, int game_height) {
  Viewport v;
  if (window_width <= 0 || window_height <= 0 || game_width <= 0 || game_height <= 0) return v;
  // Compare window_w / game_w with window_h / game_h without rounding.
  const std::int64_t lhs = static_cast<std::int64_t>(window_width) * game_height;
  const std::int64_t rhs = static_cast<std::int64_t>(window_height) * game_width;
  if (lhs <= rhs) {
    v.width = window_width;
    v.height = static_cast<int>(static_cast<std::int64_t>(window_width) * game_height / game_width);
  } else {
    v.height = window_height;
    v.width = static_cast<int>(static_cast<std::int64_t>(window_height) * game_width / game_height);
  }
  v.width = std::max(v.width, 1);
  v.height = std::max(v.height, 1);
  v.x = (window_width - v.width) / 2;
  v.y = (window_height - v.height) / 2;
  return v;
}

Point WindowToGame(const Viewport& view, int game_width, int game_height, int window_x, int window_y) {
  const Point outside{-1, -1};
  if (view.width <= 0 || view.height <= 0) return outside;
  const int dx = window_x - view.x;
  const int dy = window_y - view.y;
  if (dx < 0 || dy < 0 || dx >= view.width || dy >= view.height) return outside;
  return Point{static_cast<int>(static_cast<std::int64_t>(dx) * game_width / view.width),
               static_cast<int>(static_cast<std::int64_t>(dy) * game_height / view.height)};
}

int LargestIntegerScale(int desktop_width, int desktop_height, int game_width, int game_height) {
  if (game_width <= 0 || game_height <= 0) return 1;
  return std::max(1, std::min(desktop_width / game_width, desktop_height / game_height));
}

WindowSize AutomaticWindowSize(int usable_width, int usable_height, int density_percent, int game_width,
                               int game_height) {
  if (game_width <= 0 || game_height <= 0) return {};
  const std::int64_t density = std::max(density_percent, 100);
  const auto pixels = [&](int points) { return static_cast<int>(std::max(points, 0) * density / 100); };
  const int scale = LargestIntegerScale(pixels(usable_width), pixels(usable_height), game_width, game_height);
  // Back to points, rounded up so the picture never loses a row to the rounding.
  const auto points = [&](int game) {
    return static_cast<int>((static_cast<std::int64_t>(game) * scale * 100 + density - 1) / density);
  };
  return WindowSize{points(game_width), points(game_height)};
}

bool WindowReachable(const DesktopRect& window, const std::vector<DesktopRect>& displays) {
  constexpr int kGrabWidth = 64;
  constexpr int kGrabHeight = 32;
  // The top strip of the window, where a title bar is.
  const std::int64_t top = window.y;
  const std::int64_t bottom = top + std::min(window.height, kGrabHeight);
  for (const DesktopRect& d : displays) {
    const std::int64_t left = std::max<std::int64_t>(window.x, d.x);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{window.x} + window.width, std::int64_t{d.x} + d.width);
    const std::int64_t up = std::max<std::int64_t>(top, d.y);
    const std::int64_t down = std::min<std::int64_t>(bottom, std::int64_t{d.y} + d.height);
    if (right - left >= std::min(kGrabWidth, window.width) && down - up >= std::min<std::int64_t>(kGrabHeight, bottom - top) &&
        down > up)
      return true;
  }
  return false;
}

}  // namespace mavlet
