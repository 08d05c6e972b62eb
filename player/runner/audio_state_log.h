#pragma once
// A line per audio channel whenever what it plays changes, for checking sound without hearing
// it: "EVENT\tCHANNEL\tFILE\tLOOP\tATTENUATION\tPLAYING", file name in UTF-8. A movie's own
// sound is channel "M" (its file is the movie's).
#include <array>
#include <cstdint>
#include <ostream>
#include <string>

namespace mavlet {

class AudioChannel;
class TGameSystem;

class AudioStateLog {
 public:
  // Channels start idle at full volume; only departures from that are written.
  explicit AudioStateLog(std::ostream& out) : out_(out) {}

  struct State {
    std::string file;  // Shift-JIS, as the channel holds it
    bool loop = false;
    int attenuation = 0;
    bool playing = false;
    friend bool operator==(const State&, const State&) = default;
  };
  // The channel's output: its player's attenuation, or the volume's when it has no player.
  static State Of(AudioChannel& channel);
  // Writes a line for each channel whose state differs from the last one written.
  void Check(int event, TGameSystem& sys);

 private:
  std::ostream& out_;
  std::array<State, 4> last_{};
  State movie_last_{};
};

}  // namespace mavlet
