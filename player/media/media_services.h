#pragma once
// What the sound and movie commands need from their owner, the game system: the four audio
// channels, the sound switch, the movie decoder, the screen movies draw on and the movie's own
// sound stream. The game system implements it and hands it out through GameServices::MediaPort;
// MediaOf throws MavError when the host has no sound.
#include <string_view>

#include "player/backend/graphics/rect.h"

namespace mavlet {

class GameServices;
class MovieOpener;
class PcmStream;
class Surface;
class AudioChannel;

class MediaServices {
 public:
  virtual ~MediaServices() = default;

  // Audio channel k (0..3); nullptr outside that range.
  virtual AudioChannel* Channel(int k) = 0;
  // Refused (nothing happens) while the configuration keeps sound off.
  virtual void SetSoundOn(bool on) = 0;

  // --- movies
  // The movie decoder; nullptr when this player plays no movies.
  virtual MovieOpener* Movies() = 0;
  // The screen surface movie frames are drawn on; nullptr without a display.
  virtual Surface* MovieScreen() = 0;
  // Brings the screen up to date before a movie's first frame, so the scene around the movie
  // shows while it plays.
  virtual void PrepareMovieScreen() = 0;
  // Shows rect of the screen surface in the window. A frame that shows a movie frame leaves the
  // screen to the movie: the layers are not composed over it, and changes shown at once wait
  // (a movie that stops showing frames without EndMovieFrames gets the scene back a frame later).
  virtual void PresentMovieFrame(const Rect& rect) = 0;
  // The movie stopped: the next frame brings the whole scene back over it.
  virtual void EndMovieFrames() = 0;
  // The movie's own sound, a stream beside the four channels named for the audio log; it
  // replaces an earlier one. nullptr while sound is off or the device cannot stream.
  virtual PcmStream* StartMovieSound(std::string_view name) = 0;
  // The stream StartMovieSound gave, or nullptr once it was stopped (or replaced by a reset).
  virtual PcmStream* MovieSound() = 0;
  virtual void StopMovieSound() = 0;
};

// The media port of the host; throws MavError when it has none.
MediaServices& MediaOf(GameServices& sys);

}  // namespace mavlet
