// Packed data from untrusted bytes: the fast whole-buffer path must agree with zlib's streaming
// inflater, and anything packed must unpack to itself.
#include <cstdlib>
#include <optional>

#include "player/common/error.h"
#include "player/storage/packed_file.h"

using mavlet::ByteBuffer;

namespace {
constexpr std::size_t kLimit = std::size_t{16} << 20;

std::optional<ByteBuffer> Try(auto&& f) {
  try {
    return f();
  } catch (const mavlet::MavError&) {
    return std::nullopt;
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteBuffer input(data, data + size);
  ByteBuffer masked = input;
  const auto fast = Try([&] { return mavlet::UnpackStream(masked, "fuzz", kLimit); });
  ByteBuffer plain = input;
  mavlet::ApplyMask(plain);
  const auto reference = Try([&] { return mavlet::InflateZlibStream(plain, "fuzz", kLimit); });
  // The fast path may accept a stream zlib finds fault with (a distance beyond a declared small
  // window), never the other way round, and never with another result.
  if (reference && (!fast || *fast != *reference)) std::abort();
  if (fast && fast->size() > kLimit) std::abort();

  ByteBuffer packed = mavlet::PackBuffer(input);
  if (mavlet::UnpackStream(packed, "round trip") != input) std::abort();
  return 0;
}
