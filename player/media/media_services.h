#pragma once
// What the sound commands need from their owner, the game system: the four audio channels and
// the sound switch. The game system implements it and hands it out through
// GameServices::MediaPort; MediaOf throws MavError when the host has no sound.
namespace mavlet {

class GameServices;
class TAudioChannel;

class MediaServices {
 public:
  virtual ~MediaServices() = default;

  // Audio channel k (0..3); nullptr outside that range.
  virtual TAudioChannel* Channel(int k) = 0;
  // Refused (nothing happens) while the configuration keeps sound off.
  virtual void SetSoundOn(bool on) = 0;
};

// The media port of the host; throws MavError when it has none.
MediaServices& MediaOf(GameServices& sys);

}  // namespace mavlet
