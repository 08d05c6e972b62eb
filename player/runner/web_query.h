#pragma once
// The browser page's run request, read from its URL query ("?events=1026&input=run.input&vars=1"):
// with events set the page runs the title as `mavtool run` does (virtual clock, scripted input)
// and shows what the run printed; without it the title plays in real time. Parameters:
// events=N and interval=MS (positive integers), input=URL (an input script, relative to the
// page), vars=0|1, shot=0|1, depth=16|24|32. Values are percent-decoded ("+" is a space); a
// parameter given twice keeps its last value; unknown parameters are ignored. A bad value, a
// bad percent escape or an empty input throws MavError naming the parameter.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mavlet {

struct RunQuery {
  std::optional<std::int32_t> events;    // set: a scripted run of this many timer events
  std::optional<std::int32_t> interval;  // virtual ms per event; unset: the player's default
  std::string input;                     // the input script's URL; empty: no input
  bool vars = false;                     // show the variables when the run ends
  bool shot = false;                     // show the screen after the last event
  int depth = 32;                        // colour depth of the scripted run's display

  bool Scripted() const { return events.has_value(); }
};

// query: the URL's query with or without its leading "?".
RunQuery ParseRunQuery(std::string_view query);

// Percent-decodes a query value ("+" becomes a space); nullopt when an escape is not "%" and
// two hex digits.
std::optional<std::string> DecodeQueryValue(std::string_view value);

}  // namespace mavlet
