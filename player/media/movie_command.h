#pragma once
// SetMovie: plays a movie from the title's picture folder straight onto the screen, either
// through the platform's media player or frame by frame.
#include <cstdint>
#include <string>
#include <string_view>

#include "player/engine/command.h"

namespace mavlet {

class TComMovie : public TCommand {
 public:
  using TCommand::TCommand;
  void Parse(std::string_view args) override;
  const char* ClassName() const override { return "TComMovie"; }

  // Relative to the picture folder.
  const std::string& FileName() const { return file_name_; }
  std::int32_t X() const { return x_; }
  std::int32_t Y() const { return y_; }
  // 0 = the movie's own size.
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  // A decide press ends the movie.
  bool Skippable() const { return skippable_; }
  // True: the platform media player; false: the frame player.
  bool MediaPlayer() const { return media_player_; }
  // Frame player only: decode every frame first, and start the sound of a one-shot, non-stop
  // WavPlay just before this command together with the first frame.
  bool PreloadWithSound() const { return preload_; }

 private:
  std::string file_name_;
  std::int32_t x_ = 0;
  std::int32_t y_ = 0;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  bool skippable_ = false;
  bool media_player_ = true;
  bool preload_ = false;
};

}  // namespace mavlet
