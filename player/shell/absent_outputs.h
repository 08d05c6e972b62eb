#pragma once
// What the composition root gives the game system when the platform brings no sound device or
// no fonts: a sound device that cannot be opened, so the channels keep their settings and
// switching sound on fails quietly (the failure is logged), and a glyph source without faces,
// whose glyphs are all empty (text keeps its layout and draws nothing).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/glyph_source.h"

#include "player/backend/sound_device.h"
#include "player/common/error.h"

namespace mavlet {

class SilentSoundDevice : public SoundDevice {
 public:
  bool Initialized() const override { return false; }
  void Initialize() override { throw MavError("this player has no sound output"); }
  void Finalize() override {}
  std::unique_ptr<WavePlayer> CreatePlayer(int, std::uint32_t) override {
    throw MavError("this player has no sound output");
  }
  std::unique_ptr<PcmStream> CreateStream() override { throw MavError("this player has no sound output"); }
};

class NoGlyphs : public GlyphSource {
 public:
  const GlyphImage& Glyph(std::string_view, int, bool, char32_t) override { return empty_; }
  std::vector<std::string> FaceNames() override { return {}; }

 private:
  GlyphImage empty_;
};

}  // namespace mavlet
