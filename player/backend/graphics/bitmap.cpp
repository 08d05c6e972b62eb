#include "player/backend/graphics/bitmap.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "player/common/error.h"

namespace mavlet {

void CheckBitmapSize(std::int64_t width, std::int64_t height, std::string_view what) {
  if (width < 0 || height < 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
      width * height > kMaxBitmapPixels) {
    throw MavError(std::string(what) + ": picture size " + std::to_string(width) + " x " +
                   std::to_string(height) + " is beyond the supported limit");
  }
}

namespace {

int LayoutBytes(Bitmap::Layout layout) {
  switch (layout) {
    case Bitmap::Layout::kIndexed8: return 1;
    case Bitmap::Layout::kBgr24: return 3;
    case Bitmap::Layout::kBgrx32: return 4;
  }
  return 4;
}

int DefaultBits(Bitmap::Layout layout) { return LayoutBytes(layout) * 8; }

std::uint32_t GreyOf(std::uint32_t rgb) {
  const std::uint32_t sum = ((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF);
  return (sum + 1) / 3;  // nearest grey level in the least-squares sense
}

}  // namespace

Bitmap::Bitmap(Layout layout, std::int32_t width, std::int32_t height, int bit_count)
    : layout_(layout), width_(width), height_(height),
      bit_count_(bit_count > 0 ? bit_count : DefaultBits(layout)) {
  CheckBitmapSize(width, height, "bitmap");
  stride_ = static_cast<std::size_t>(width) * LayoutBytes(layout);
  pixels_.assign(stride_ * static_cast<std::size_t>(height), 0);
}

void Bitmap::SetPaletteEntry(int index, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  palette_[index & 255] = (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
}

std::uint32_t Bitmap::PixelRgb(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const std::uint8_t* p = Row(y);
  switch (layout_) {
    case Layout::kIndexed8: return palette_[p[x]];
    case Layout::kBgr24: p += 3 * x; break;
    case Layout::kBgrx32: p += 4 * x; break;
  }
  return (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

void Bitmap::ConvertToGrey8() {
  Bitmap grey(Layout::kIndexed8, width_, height_, 8);
  for (int i = 0; i < 256; ++i) grey.SetPaletteEntry(i, i, i, i);
  for (std::int32_t y = 0; y < height_; ++y) {
    std::uint8_t* out = grey.Row(y);
    for (std::int32_t x = 0; x < width_; ++x) out[x] = static_cast<std::uint8_t>(GreyOf(PixelRgb(x, y)));
  }
  *this = std::move(grey);
}

void Bitmap::DrawOnto(Bitmap& target, std::int32_t x, std::int32_t y) const {
  const std::int32_t x0 = std::max(0, x), y0 = std::max(0, y);
  const std::int32_t x1 = std::min(target.width_, x + width_);
  const std::int32_t y1 = std::min(target.height_, y + height_);
  if (x0 >= x1 || y0 >= y1) return;
  std::unordered_map<std::uint32_t, std::uint8_t> nearest;  // colour -> index, indexed targets
  auto index_of = [&](std::uint32_t rgb) {
    auto it = nearest.find(rgb);
    if (it != nearest.end()) return it->second;
    int best = 0;
    std::int64_t best_d = INT64_MAX;
    for (int i = 0; i < 256; ++i) {
      const std::uint32_t p = target.palette_[i];
      const std::int64_t dr = std::int64_t((p >> 16) & 0xFF) - ((rgb >> 16) & 0xFF);
      const std::int64_t dg = std::int64_t((p >> 8) & 0xFF) - ((rgb >> 8) & 0xFF);
      const std::int64_t db = std::int64_t(p & 0xFF) - (rgb & 0xFF);
      const std::int64_t d = dr * dr + dg * dg + db * db;
      if (d < best_d) best_d = d, best = i;
    }
    nearest.emplace(rgb, static_cast<std::uint8_t>(best));
    return static_cast<std::uint8_t>(best);
  };
  for (std::int32_t ty = y0; ty < y1; ++ty) {
    std::uint8_t* out = target.Row(ty);
    for (std::int32_t tx = x0; tx < x1; ++tx) {
      const std::uint32_t rgb = PixelRgb(tx - x, ty - y);
      switch (target.layout_) {
        case Layout::kIndexed8: out[tx] = index_of(rgb); break;
        case Layout::kBgr24:
        case Layout::kBgrx32: {
          std::uint8_t* p = out + tx * LayoutBytes(target.layout_);
          p[0] = rgb & 0xFF;
          p[1] = (rgb >> 8) & 0xFF;
          p[2] = (rgb >> 16) & 0xFF;
          break;
        }
      }
    }
  }
}

}  // namespace mavlet
