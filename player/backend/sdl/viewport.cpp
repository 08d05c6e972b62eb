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

}  // namespace mavlet
