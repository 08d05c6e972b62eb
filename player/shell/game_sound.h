#pragma once
// What the player sounds: the four audio channels with the sound switch, the movie decoder and
// the movie's own sound stream. It is the media port (MediaServices); the frames of a movie go
// to the screen it is given. The channels look sounds up below the engine's title folder, known
// only once the engine is connected. A device that cannot be opened leaves sound off (logged);
// a movie sound the device cannot stream is left out (logged).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "player/backend/clock.h"
#include "player/backend/sound_device.h"
#include "player/common/log.h"
#include "player/media/audio_channels.h"
#include "player/media/media_services.h"

namespace mavlet {

class EngineValueHost;
class GameScreen;

// Sound output for the audio channels; none of it is owned, all of it is required (a player
// without sound output gives a device that cannot be opened).
struct SoundServices {
  SoundDevice* device = nullptr;
  Clock* clock = nullptr;
  Log* log = nullptr;
};

// The sound settings of the configuration.
struct SoundOptions {
  bool has_sound = true;             // "HasSound": false keeps sound off whatever the scenario does
  std::int32_t sound_buffer = 5000;  // "SoundBuffer": stream buffer per channel in ms
  // Unpack packed sounds on a worker thread so that starting one never stalls a frame.
  bool background_unpack = false;
};

class GameSound : public MediaServices {
 public:
  // Throws MavError when a part of sound is missing.
  GameSound(SoundServices sound, SoundOptions options, GameScreen& screen);
  ~GameSound() override;
  GameSound(const GameSound&) = delete;
  GameSound& operator=(const GameSound&) = delete;

  void SetEngine(EngineValueHost* engine) { engine_ = engine; }
  // The decoder movies are opened with (not owned); null plays none.
  void SetMovieOpener(MovieOpener* movies) { movies_ = movies; }

  // Switching on opens the sound device (a failure leaves sound off, logged only) and restarts
  // the channels that have a name; off stops them and closes the device. Refused while
  // "HasSound" is off.
  void SetSoundOn(bool on) override;
  bool IsSoundOn() const;
  // Audio channel k (0..3); nullptr outside that range.
  AudioChannel* Channel(int k) override;
  bool ChannelEnabled(int k);
  void SetChannelEnabled(int k, bool on);
  // The channels, made on first use.
  AudioChannels& Audio();
  // Once per logic step: lets the channels refill, step their fades and notice ended sounds.
  void UpdateAudio();

  // --- movies
  MovieOpener* Movies() override { return movies_; }
  Surface* MovieScreen() override;
  void PrepareMovieScreen() override;
  void PresentMovieFrame(const Rect& rect) override;
  void EndMovieFrames() override;
  PcmStream* StartMovieSound(std::string_view name) override;
  PcmStream* MovieSound() override { return movie_sound_.get(); }
  void StopMovieSound() override;
  // The name StartMovieSound was given (Shift-JIS), empty once stopped.
  const std::string& MovieSoundName() const { return movie_sound_name_; }

 private:
  SoundServices sound_;
  SoundOptions options_;
  GameScreen& screen_;
  EngineValueHost* engine_ = nullptr;
  MovieOpener* movies_ = nullptr;
  std::unique_ptr<AudioChannels> audio_;
  std::unique_ptr<PcmStream> movie_sound_;
  std::string movie_sound_name_;
};

}  // namespace mavlet
