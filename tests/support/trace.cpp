#include "tests/support/trace.h"

#include <stdexcept>

namespace mavlet::testing {
namespace {
int Number(const std::string& field, std::string_view line) {
  std::size_t used = 0;
  int v = 0;
  try {
    v = std::stoi(field, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (field.empty() || used != field.size()) throw std::runtime_error("not a number in: " + std::string(line));
  return v;
}
}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

std::vector<std::string> SplitTabs(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1)
    fields.emplace_back(line.substr(start, tab - start));
  fields.emplace_back(line.substr(start));
  return fields;
}

std::vector<TraceStep> ParseTrace(const std::vector<std::string>& lines) {
  std::vector<TraceStep> steps;
  for (const std::string& line : lines) {
    const auto f = SplitTabs(line);
    if (f.size() != 5) throw std::runtime_error("not a trace line: " + line);
    steps.push_back({Number(f[0], line), f[1], Number(f[2], line), Number(f[3], line), f[4]});
  }
  return steps;
}

std::vector<std::string> Steps(const std::vector<std::string>& trace_lines, int event) {
  std::vector<std::string> out;
  for (const TraceStep& s : ParseTrace(trace_lines)) {
    if (event >= 0 && s.event != event) continue;
    std::string step = std::to_string(s.page) + ":" + std::to_string(s.com) + ":" + s.cls;
    out.push_back(s.stream == "ﾒｲﾝ" ? step : s.stream + ":" + step);
  }
  return out;
}

std::vector<AudioLogLine> ParseAudioLog(std::string_view text) {
  std::vector<AudioLogLine> out;
  for (const std::string& line : SplitLines(text)) {
    const auto f = SplitTabs(line);
    if (f.size() != 6) throw std::runtime_error("not an audio log line: " + line);
    const int channel = f[1] == "M" ? kMovieSoundChannel : Number(f[1], line);
    out.push_back({Number(f[0], line), channel, f[2], Number(f[3], line), Number(f[4], line), Number(f[5], line)});
  }
  return out;
}

}  // namespace mavlet::testing
