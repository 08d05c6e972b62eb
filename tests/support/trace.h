#pragma once
// Reading what the headless runner writes: text lines, tab-separated fields, the command trace
// ("event\tstream\tpage\tcom\tclass") and the audio log
// ("event\tchannel\tfile\tloop\tattenuation\tplaying"). A malformed line throws
// std::runtime_error naming it, so a format change fails the test instead of passing quietly.
#include <string>
#include <string_view>
#include <vector>

namespace mavlet::testing {

// Lines without their "\n"; a last line without one counts too.
std::vector<std::string> SplitLines(std::string_view text);
std::vector<std::string> SplitTabs(std::string_view line);

struct TraceStep {
  int event = 0;
  std::string stream;  // the stream's label; "ﾒｲﾝ" is the main stream
  int page = 0;
  int com = 0;
  std::string cls;  // the command's class name
  bool operator==(const TraceStep&) const = default;
};
std::vector<TraceStep> ParseTrace(const std::vector<std::string>& lines);

// The steps of the trace (of one event when event >= 0) as "page:com:class", prefixed with
// "stream:" outside the main stream.
std::vector<std::string> Steps(const std::vector<std::string>& trace_lines, int event = -1);

struct AudioLogLine {
  int event = 0;
  int channel = 0;
  std::string file;
  int loop = 0;
  int attenuation = 0;
  int playing = 0;
  bool operator==(const AudioLogLine&) const = default;
};
// The channel number a movie's own sound (channel "M" in the log) is given.
inline constexpr int kMovieSoundChannel = 4;
std::vector<AudioLogLine> ParseAudioLog(std::string_view text);

}  // namespace mavlet::testing
