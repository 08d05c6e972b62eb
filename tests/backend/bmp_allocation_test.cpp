// A BMP header alone must not make the reader allocate the picture it promises: the pixel data is
// checked first. This file replaces the global operator new to record the largest request made
// while a probe is active (the replacement only counts; it allocates with malloc as usual).
#include <cstdlib>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "player/backend/graphics/bmp_reader.h"
#include "player/common/error.h"
#include "tests/support/file_builders.h"

namespace {
thread_local bool probing = false;
thread_local std::size_t largest = 0;
}  // namespace

void* operator new(std::size_t size) {
  if (probing && size > largest) largest = size;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace mavlet {
namespace {

std::vector<std::uint8_t> HeaderOnly(int width, int height, int bits) {
  testing::BmpSpec spec;
  spec.bits = bits;
  if (bits <= 8) spec.palette.assign(std::size_t{1} << bits, 0);
  spec.pixel = [](int, int) { return 0u; };
  std::vector<std::uint8_t> file = testing::BuildBmp(spec);
  file.resize(file.size() - 4);  // drop the one padded pixel row
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(18, static_cast<std::uint32_t>(width));
  put(22, static_cast<std::uint32_t>(height));
  return file;
}

TEST(BmpReader, HeaderWithoutPixelsAllocatesNothingLarge) {
  struct Case {
    int width, height, bits;
  } cases[] = {{16384, 2048, 32}, {8192, 4096, 24}, {16384, 2048, 8}, {4096, 4096, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                 std::to_string(c.bits));
    const std::vector<std::uint8_t> file = HeaderOnly(c.width, c.height, c.bits);
    std::size_t pos = 0;
    largest = 0;
    probing = true;
    std::string message;
    try {
      ReadBmp(file, pos, "big.pmp");
    } catch (const MavError& e) {
      message = e.what();
    }
    probing = false;
    EXPECT_NE(message.find("cut off"), std::string::npos) << message;
    EXPECT_LT(largest, std::size_t{64 * 1024}) << "largest allocation while reading";
  }
}

}  // namespace
}  // namespace mavlet
