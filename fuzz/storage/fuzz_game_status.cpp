// Save-slot payloads from untrusted bytes, plain and packed: lines survive being written back,
// and key lookups find what was written.
#include <cstdlib>
#include <string>
#include <string_view>

#include "player/common/error.h"
#include "player/storage/game_status.h"
#include "player/storage/packed_file.h"

namespace {

void Exercise(std::string_view payload) {
  const std::vector<std::string> lines = mavlet::SplitStatusLines(payload);
  std::string joined;
  for (const std::string& l : lines) joined += l + "\r\n";
  if (mavlet::SplitStatusLines(joined) != lines) std::abort();

  mavlet::TGameStatus status("", 0);
  for (const std::string& l : lines) {
    const std::size_t eq = l.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = l.substr(0, eq);
    const std::string value = l.substr(eq + 1);
    if (!key.empty() && key.back() == '*') continue;
    status.WriteString(key, value);
    // The first line for this key (possibly a longer key holding "=") answers.
    if (!status.HasKey(key)) std::abort();
    status.ReadInteger(key, 0);
    status.ReadBool(key, false);
  }
  if (status.ReadInteger("*", -1) != static_cast<int>(status.Lines().size())) std::abort();
  if (!lines.empty()) {
    const std::string prefix = lines[0].substr(0, 2);
    status.ListPrefix(prefix);
    status.DeletePrefix(prefix);
    if (!status.ListPrefix(prefix).empty()) std::abort();
  }
  status.ClearKeepHeader();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Exercise(std::string_view(reinterpret_cast<const char*>(data), size));
  mavlet::ByteBuffer packed(data, data + size);
  try {
    const mavlet::ByteBuffer payload = mavlet::UnpackStream(packed, "fuzz", std::size_t{4} << 20);
    Exercise(std::string_view(reinterpret_cast<const char*>(payload.data()), payload.size()));
  } catch (const mavlet::MavError&) {
  }
  return 0;
}
