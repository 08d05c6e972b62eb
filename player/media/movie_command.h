#pragma once
// SetMovie: plays a movie from the title's picture folder straight onto the screen, either as
// the media player (pictures and the movie's own sound, the pictures following the sound) or
// through the frame player (pictures only, paced by the clock; with preload, the sound of a
// one-shot WavPlay just before starts together with the first frame). A step-by-step state
// machine: the command stays current while the movie plays, so a click or the frame loop are
// never blocked. A missing or damaged movie is reported once (file and problem) and the
// command moves on.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "player/backend/graphics/rect.h"
#include "player/engine/keyword_command.h"
#include "player/media/frame_player.h"

namespace mavlet {

class MediaServices;
class PcmStream;

struct SetMovieArgs {
  std::string file_name;  // relative to the picture folder
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;  // 0 = the movie's own size
  std::int32_t height = 0;
  bool skippable = false;    // a decide press ends the movie
  bool media_player = true;  // true: pictures with the movie's sound; false: the frame player
  // Frame player only: decode the frames first, and start the sound of a one-shot, non-stop
  // WavPlay just before this command together with the first frame.
  bool preload = false;
  bool operator==(const SetMovieArgs&) const = default;
};

class TComMovie : public TArgsCommand<KeywordIndex("SetMovie"), SetMovieArgs, &SetMovieArgs::file_name,
                                      &SetMovieArgs::x, &SetMovieArgs::y, &SetMovieArgs::width, &SetMovieArgs::height,
                                      &SetMovieArgs::skippable, &SetMovieArgs::media_player, &SetMovieArgs::preload> {
 public:
  using TArgsCommand::TArgsCommand;
  ~TComMovie() override;
  void Prepare(GameServices& sys, TBookManager& book) override;
  void Execute(TCallManager& mgr, GameServices& sys, TBookManager& book, TStackData& pos) override;

  // Media-player states: 0 open, 1 opening, 2 place, 3 start, 4 playing, 5 stop, 6 failed,
  // 7 close; the frame player uses 0, 100 (playing) and 7.
  enum State : std::int32_t {
    kOpen = 0,
    kOpening = 1,
    kPlace = 2,
    kStart = 3,
    kPlaying = 4,
    kStop = 5,
    kFailed = 6,
    kClose = 7,
    kFramePlaying = 100,
  };
  std::int32_t GetState() const { return state_; }
  // The frame player while a movie is open.
  const TAVIPlay* Player() const { return player_.get(); }
  // Milliseconds of sound queued ahead of what plays (media player).
  static constexpr std::uint64_t kSoundAheadMs = 250;
  // Steps after the start during which neither a click nor the end is looked at.
  static constexpr std::int32_t kStartCountdown = 20;

 private:
  // The media player's notification: open, play and end move the state on by one; a failure
  // below kStop goes to kFailed, and a notification there to kClose.
  void Notify(bool success);
  void OpenMedia(MediaServices& media, TBookManager& book);
  void OpenFrames(MediaServices& media, TBookManager& book);
  // Queues decoded sound up to kSoundAheadMs ahead; false once the track is done and played.
  bool FeedSound(MediaServices& media);
  // Playing time of the media player: the sound's clock, the frame clock once the sound ended.
  std::uint64_t MediaTime(MediaServices& media, TBookManager& book);
  void ShowFrame(MediaServices& media, bool ended_already);
  void Finish(MediaServices& media, TStackData& pos);

  std::int32_t state_ = kOpen;
  std::int32_t countdown_ = 0;
  std::unique_ptr<TAVIPlay> player_;
  Rect shown_;  // the movie rectangle presented each step (clipped to the screen)
  bool ended_ = false;
  bool sound_done_ = true;
  std::uint64_t sound_ms_ = 0;    // playing time when the sound was last read
  std::uint32_t sound_tick_ = 0;  // clock then
};

}  // namespace mavlet
