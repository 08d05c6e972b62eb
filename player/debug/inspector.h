// The live display state the debug window's third tab shows: the twelve layers, the text
// window's grid and cursor, the four sound channels and the eight streams with their call
// stacks, read without changing anything; and small pictures of a layer for thumbnails.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "player/backend/graphics/rect.h"

namespace mavlet {

class Surface;
class TBookManager;
class TGameSystem;

struct LayerRow {
  int index = 0;
  std::string name;  // picture file (UTF-8), empty for none
  Rect rect;
  bool visible = false;
  std::int32_t alpha = 0;
  std::int32_t bright = 0;
  int effect = 0;
  const char* effect_name = "";
  std::int32_t frame = 0;
  std::int32_t frames = 0;
};

struct TextWindowRow {
  std::int32_t cols = 0;
  std::int32_t rows = 0;
  std::int32_t cursor_col = 0;
  std::int32_t cursor_row = 0;
  Rect rect;
  bool visible = false;
};

struct ChannelRow {
  int number = 0;
  std::string file;  // UTF-8
  bool loop = false;
  int attenuation = 0;  // hundredths of a decibel, 0 = full
  bool playing = false;
  bool fading = false;
  bool output = false;
};

struct StackRow {
  std::int32_t page = -1;
  std::int32_t com = -1;
};

struct StreamRow {
  int kind = 0;
  const char* label = "";
  std::int32_t page = -1;
  std::int32_t com = -1;       // 0-based command index
  std::int32_t int_page = -1;  // start page (IntCall), -1 none
  bool ended = true;
  std::vector<StackRow> stack;  // bottom first
};

struct Inspection {
  std::vector<LayerRow> layers;
  TextWindowRow text;
  std::vector<ChannelRow> channels;
  std::vector<StreamRow> streams;
};

Inspection Inspect(TBookManager& book, TGameSystem& sys);

// A layer's own picture (a picture layer's current frame, the text window's canvas), or
// nullptr when it has none.
const Surface* LayerPicture(TGameSystem& sys, int layer);

// A small copy of a surface, nearest pixel, fitted into max_width x max_height with its aspect
// kept; pixels as 0xAABBGGRR (opaque) rows, top first. Empty for an empty surface.
struct Thumbnail {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> rgba;
};
Thumbnail MakeThumbnail(const Surface& source, int max_width, int max_height);

}  // namespace mavlet
