// The page's URL query on arbitrary text: it either names the bad parameter or gives a request
// within the documented ranges.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "player/common/error.h"
#include "player/runner/web_query.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view query(reinterpret_cast<const char*>(data), size);
  mavlet::RunQuery q;
  try {
    q = mavlet::ParseRunQuery(query);
  } catch (const mavlet::MavError&) {
    return 0;
  }
  if ((q.events && *q.events < 1) || (q.interval && *q.interval < 1)) std::abort();
  if (q.depth != 16 && q.depth != 24 && q.depth != 32) std::abort();
  return 0;
}
