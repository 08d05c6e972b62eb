#pragma once
// Where the game picture sits inside the window: scaled to fit with its aspect kept and
// centred, the rest black. Pure arithmetic, shared by drawing and mouse mapping.
#include "player/backend/input.h"

namespace mavlet {

struct Viewport {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The largest picture of the game's aspect that fits the window, centred. Exact integer
// multiples are kept when the window is one (so pixels stay square); a zero-sized window
// gives an empty viewport.
Viewport FitViewport(int window_width, int window_height, int game_width, int game_height);

// Window pixel (mouse position) to game pixel. Points on the black bars or beyond the
// picture give (-1, -1), the "outside the game area" position.
Point WindowToGame(const Viewport& view, int game_width, int game_height, int window_x, int window_y);

// Largest integer scale at which the game fits the usable desktop area, at least 1.
int LargestIntegerScale(int desktop_width, int desktop_height, int game_width, int game_height);

}  // namespace mavlet
