// Choice arguments: the first byte picks SelStr (even) or SelMap (odd), the rest is the argument
// text. SelStr lays its items out in a small window and draws it; SelMap builds its regions and
// tests points around each. Checks that top rows stay in range, item rectangles stay inside the
// window in column mode, and that no region reports a point outside its bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/graphics/surface.h"
#include "player/common/random.h"
#include "player/display/choice_region.h"
#include "player/display/commands/choice_commands.h"
#include "player/display/layer_services.h"
#include "player/display/picture_cache.h"
#include "player/display/sel_str_surface.h"

namespace {

class NoOwner : public mavlet::LayerServices, public mavlet::ChoiceTextServices {
 public:
  mavlet::FileServices* Files() override { return nullptr; }
  std::filesystem::path BasePath() override { return {}; }
  bool AntiAlias() override { return false; }
  int ScreenBits() override { return 32; }
  mavlet::PixelFormat FrameFormat() override { return mavlet::PixelFormat::Xrgb8888(); }
  int LayerIndex(const mavlet::TCustomGameSurface&) override { return mavlet::kNoLayerIndex; }
  mavlet::TCacheList& PictureCache() override { return cache_; }
  mavlet::TRandom& Random() override { return random_; }
  const mavlet::Surface* TextWindowSurface() override { return nullptr; }
  mavlet::GlyphSource* Glyphs() override { return nullptr; }
  std::string TextFontName() override { return {}; }

 private:
  mavlet::TCacheList cache_;
  mavlet::TRandom random_;
};

void SelStr(std::string_view args) {
  mavlet::TComSelStr c(nullptr);
  c.Parse(args);
  NoOwner owner;
  mavlet::TSelStrSurface layer(owner, owner);
  const mavlet::TComSelStr::Args& a = c.args();
  mavlet::TSelStrStyle s;
  s.Title = a.title;
  s.TitleSize = a.title_size;
  s.FontSize = a.font_size;
  s.FrameWidth = a.frame_width;
  s.BackStyle = a.back_style;
  s.HighlightStyle = a.highlight_style;
  s.Rows = a.rows;
  s.ListMode = a.list_mode;
  s.ScrollFrameWidth = a.scroll_frame_width;
  s.ScrollBackStyle = a.scroll_back_style;
  layer.SetStyle(s);
  std::vector<mavlet::TSelStrEntry> items;
  for (const auto& i : a.items) items.push_back({i.Text, i.Target.Page, i.Target.Com, i.Call});
  layer.SetItems(std::move(items));
  layer.SetTop(c.Flags());
  layer.KeepTopInRange();
  if (layer.Top() < 0 || layer.Top() > layer.MaxTop()) std::abort();
  const std::int32_t t = layer.TopForThumbCentre(a.title_color);
  if (t < 0 || t > layer.MaxTop()) std::abort();
  layer.Select(layer.Count() - 1);
  const mavlet::Rect window = layer.LayerRect();
  if (layer.Style().ListMode == 0) {
    for (std::int32_t i = 0; i < layer.Count() && i < 64; ++i) {
      const mavlet::Rect r = layer.ItemRect(i);
      if (!r.IsEmpty() && (r.left < window.left || r.top < window.top || r.right > window.right ||
                           r.bottom > window.bottom))
        std::abort();
    }
  }
  mavlet::Surface target(mavlet::PixelFormat::Xrgb8888(), 64, 64);
  layer.Draw(target);
}

void SelMap(std::string_view args) {
  mavlet::TComSelMap c(nullptr);
  c.Parse(args);
  for (const auto& def : c.args().regions) {
    const mavlet::TRegionShape shape(def.Kind, def.Points);
    const mavlet::Rect b = shape.Bounds();
    for (std::int32_t y = b.top - 2; y < b.top + 6; ++y)
      for (std::int32_t x = b.left - 2; x < b.left + 6; ++x)
        if (shape.Contains(x, y) && (x < b.left || x >= b.right || y < b.top || y >= b.bottom)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view args(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0)
    SelStr(args);
  else
    SelMap(args);
  return 0;
}
