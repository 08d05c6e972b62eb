// Conversions on arbitrary bytes: no crash; valid text round-trips.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "player/common/encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = mavlet::SjisToUtf8(in);
  if (auto strict = mavlet::SjisToUtf8Strict(in)) {
    if (*strict != utf8) std::abort();
    // Code page 932 has a few duplicate codes (NEC and IBM forms), so compare after a second trip.
    auto back = mavlet::Utf8ToSjis(*strict);
    if (!back) std::abort();
    if (mavlet::SjisToUtf8(*back) != utf8) std::abort();
  }
  if (auto sjis = mavlet::Utf8ToSjis(in)) {
    if (mavlet::SjisToUtf8(*sjis) != in) std::abort();
  }
  return 0;
}
