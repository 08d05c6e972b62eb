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

  struct Args {
    std::string file_name;  // relative to the picture folder
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;  // 0 = the movie's own size
    std::int32_t height = 0;
    bool skippable = false;     // a decide press ends the movie
    bool media_player = true;   // true: the platform media player; false: the frame player
    // Frame player only: decode every frame first, and start the sound of a one-shot, non-stop
    // WavPlay just before this command together with the first frame.
    bool preload = false;
    bool operator==(const Args&) const = default;
  };
  const Args& args() const { return args_; }

 private:
  Args args_;
};

}  // namespace mavlet
