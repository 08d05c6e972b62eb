#include "player/debug/inspector.h"

#include <algorithm>

#include "player/backend/graphics/surface.h"
#include "player/common/encoding.h"
#include "player/display/game_surface.h"
#include "player/display/text_surface.h"
#include "player/engine/book_manager.h"
#include "player/engine/engine_hook.h"
#include "player/media/audio_channel.h"
#include "player/runner/audio_state_log.h"
#include "player/shell/game_system.h"

namespace mavlet {
namespace {

const char* EffectName(int effect) {
  static constexpr const char* kNames[] = {"", "wave", "ripple", "rain", "snow", "shake"};
  return effect >= 0 && effect < static_cast<int>(std::size(kNames)) ? kNames[effect] : "?";
}

}  // namespace

Inspection Inspect(TBookManager& book, TGameSystem& sys) {
  Inspection in;
  for (int k = 0; k < 12; ++k) {
    const TCustomGameSurface* layer = sys.Screen().Layer(k);
    if (layer == nullptr) continue;
    LayerRow row;
    row.index = k;
    row.name = SjisToUtf8(layer->GetSrc());
    row.rect = layer->LayerRect();
    row.visible = layer->Visible();
    row.alpha = layer->Alpha();
    row.bright = layer->GetBright();
    row.effect = layer->GetEffect();
    row.effect_name = EffectName(row.effect);
    row.frame = layer->GetFrameIndex();
    row.frames = layer->GetFrameCount();
    in.layers.push_back(std::move(row));
  }
  const TTextSurface& text = sys.Screen().TextWindow();
  in.text = TextWindowRow{text.Cols(), text.Rows(), text.CurCol(), text.CurRow(), text.LayerRect(), text.Visible()};
  for (int k = 0; k < 4; ++k) {
    AudioChannel* channel = sys.Sound().Channel(k);
    if (channel == nullptr) continue;
    const AudioStateLog::State state = AudioStateLog::Of(*channel);
    in.channels.push_back(ChannelRow{k, SjisToUtf8(state.file), state.loop, state.attenuation, state.playing,
                                     channel->Fading(), channel->OutputEnabled()});
  }
  for (int k = 0; k < TBookManager::kStreams; ++k) {
    TCallManager& mgr = book.Manager(k);
    StreamRow row;
    row.kind = k;
    row.label = kStreamLabels[k];
    row.page = mgr.Pos().Page;
    row.com = mgr.Pos().Com;
    row.int_page = book.IntPage(k);
    row.ended = mgr.Ended();
    for (const TStackData& s : mgr.Stack()) row.stack.push_back(StackRow{s.Page, s.Com});
    in.streams.push_back(std::move(row));
  }
  return in;
}

const Surface* LayerPicture(TGameSystem& sys, int layer) {
  if (layer == 9) return sys.Screen().TextWindow().Canvas();
  if (layer < 0 || layer > 8) return nullptr;
  const TGameSurface* picture = sys.Screen().PictureLayer(layer);
  if (picture == nullptr || picture->GetFrameCount() == 0) return nullptr;
  const TGameDxSurface* frame = picture->Frame(picture->MultiFrame() ? picture->GetFrameIndex() : 0);
  return frame != nullptr ? frame : picture->Frame(0);
}

Thumbnail MakeThumbnail(const Surface& source, int max_width, int max_height) {
  Thumbnail t;
  const std::int64_t sw = source.width();
  const std::int64_t sh = source.height();
  if (sw <= 0 || sh <= 0 || max_width <= 0 || max_height <= 0) return t;
  // Fit by the tighter side; never enlarge.
  std::int64_t w = std::min<std::int64_t>(sw, max_width);
  std::int64_t h = sh * w / sw;
  if (h > max_height) {
    h = max_height;
    w = std::max<std::int64_t>(1, sw * h / sh);
  }
  h = std::max<std::int64_t>(1, h);
  t.width = static_cast<int>(w);
  t.height = static_cast<int>(h);
  t.rgba.resize(static_cast<std::size_t>(w * h));
  for (std::int64_t y = 0; y < h; ++y) {
    const auto sy = static_cast<std::int32_t>(y * sh / h);
    for (std::int64_t x = 0; x < w; ++x) {
      const auto sx = static_cast<std::int32_t>(x * sw / w);
      // 0x00BBGGRR colour to opaque RGBA bytes in memory order R, G, B, A.
      const auto rgb = static_cast<std::uint32_t>(source.format().ToRgb(source.RawPixel(sx, sy)));
      t.rgba[static_cast<std::size_t>(y * w + x)] = rgb | 0xFF000000u;
    }
  }
  return t;
}

}  // namespace mavlet
