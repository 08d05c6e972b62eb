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
    // A few characters map one way only (U+00AC becomes 81 CA, which reads back as U+FFE2), so
    // what must hold is that the Shift-JIS result is stable from then on.
    auto again = mavlet::Utf8ToSjis(mavlet::SjisToUtf8(*sjis));
    if (!again || *again != *sjis) std::abort();
  }
  return 0;
}
