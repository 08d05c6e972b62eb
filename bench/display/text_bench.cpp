// The text window at 1024x768, 32 bits, font size 24, 20 x 10 cells: placing a full page of
// Japanese text with every glyph already rasterised (warm) and with an empty glyph cache (cold),
// and one typing frame (one character placed, its cell drawn over the screen) as PutText does
// at its default speed. Goals: a warm page within 1 ms, no typing frame above 4 ms.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "player/backend/fontconfig/fontconfig_locator.h"
#include "player/backend/fonts/freetype_glyphs.h"
#include "player/backend/graphics/surface.h"
#include "player/display/text_surface.h"
#include "tests/support/layer_services.h"

namespace mavlet {
namespace {

class BenchText : public TextWindowServices {
 public:
  explicit BenchText(GlyphSource* g) : glyphs(g) {}
  GlyphSource* Glyphs() override { return glyphs; }
  std::string TextFontName() override { return "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E"; }
  GlyphSource* glyphs;
};

// 200 different characters: hiragana, katakana and kanji rows of Shift-JIS.
std::vector<TCustomPmText> Page() {
  std::vector<TCustomPmText> tokens;
  for (int i = 0; tokens.size() < 200; ++i) {
    const int lead = 0x82 + (i / 94) * 6;  // 0x82 hiragana, 0x88 kanji, 0x8E kanji
    tokens.push_back({static_cast<std::uint16_t>(lead << 8 | (0x9F + i % 94)), 0xFFFFFF, 0});
  }
  return tokens;
}

struct Window {
  explicit Window(GlyphSource* g) : text(g), window(layers, text) {
    window.SetX(272);
    window.SetY(500);
    window.SetFontSize(24);
    window.SetCols(20);
    window.SetRows(10);
  }
  void PlaceAll(const std::vector<TCustomPmText>& tokens) {
    window.ClearText();
    Rect dirty;
    for (std::size_t i = 0; i < tokens.size(); ++i) window.PlaceToken(tokens, i, dirty);
  }
  testing::TestLayerServices layers;
  BenchText text;
  TTextSurface window;
};

void BM_PlacePageWarm(benchmark::State& state) {
  FreeTypeGlyphs fonts{std::make_unique<FontconfigLocator>()};
  Window w(&fonts);
  const auto tokens = Page();
  w.PlaceAll(tokens);
  for (auto _ : state) w.PlaceAll(tokens);
}
BENCHMARK(BM_PlacePageWarm)->Unit(benchmark::kMillisecond);

void BM_PlacePageCold(benchmark::State& state) {
  const auto tokens = Page();
  for (auto _ : state) {
    state.PauseTiming();
    auto fonts = InstalledGlyphs();
    fonts->FaceFile(BenchText(nullptr).TextFontName());  // face resolved, no glyph yet
    Window w(fonts.get());
    state.ResumeTiming();
    w.PlaceAll(tokens);
  }
}
BENCHMARK(BM_PlacePageCold)->Unit(benchmark::kMillisecond);

// One typing frame: a character placed and the changed cell composed over the screen.
void BM_TypingFrame(benchmark::State& state) {
  FreeTypeGlyphs fonts{std::make_unique<FontconfigLocator>()};
  Window w(&fonts);
  const auto tokens = Page();
  w.PlaceAll(tokens);
  Surface screen(PixelFormat::Xrgb8888(), 1024, 768);
  std::size_t i = 0;
  for (auto _ : state) {
    if (i == tokens.size()) {
      w.window.ClearText();
      i = 0;
    }
    Rect dirty;
    w.window.PlaceToken(tokens, i++, dirty);
    w.window.DrawRect(screen, dirty);
  }
}
BENCHMARK(BM_TypingFrame)->Unit(benchmark::kMicrosecond);

// The whole window drawn over the screen (a full redraw of its area).
void BM_DrawWindow(benchmark::State& state) {
  FreeTypeGlyphs fonts{std::make_unique<FontconfigLocator>()};
  Window w(&fonts);
  w.PlaceAll(Page());
  Surface screen(PixelFormat::Xrgb8888(), 1024, 768);
  for (auto _ : state) w.window.DrawRect(screen, screen.bounds());
}
BENCHMARK(BM_DrawWindow)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace mavlet
