#pragma once
// The sound output of a player that has none: a device that cannot be opened, so the channels
// keep their settings and switching sound on fails quietly (the failure is logged). The
// composition root gives it to the game system when the platform brings no sound device.
#include <cstdint>
#include <memory>

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

}  // namespace mavlet
