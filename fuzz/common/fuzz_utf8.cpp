// The UTF-8 decoder on arbitrary bytes: every byte is accounted for exactly once, in order; each
// decoded character is the shortest form of its value (checked against an encoder of its own);
// and every scalar value read from the input survives encoding and decoding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "player/common/encoding.h"

namespace {

std::string Encode(char32_t cp) {
  std::string out;
  auto put = [&](std::uint32_t b) { out += static_cast<char>(b); };
  if (cp < 0x80) {
    put(cp);
  } else if (cp < 0x800) {
    put(0xC0 | cp >> 6);
    put(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    put(0xE0 | cp >> 12);
    put(0x80 | ((cp >> 6) & 0x3F));
    put(0x80 | (cp & 0x3F));
  } else {
    put(0xF0 | cp >> 18);
    put(0x80 | ((cp >> 12) & 0x3F));
    put(0x80 | ((cp >> 6) & 0x3F));
    put(0x80 | (cp & 0x3F));
  }
  return out;
}

bool IsScalar(char32_t cp) { return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  std::size_t at = 0;
  std::string good;
  bool all_good = true;
  for (const mavlet::Utf8Char& c : mavlet::DecodeUtf8(in)) {
    if (c.bytes.empty()) {
      if (c.cp != 0xFFFD) std::abort();
      all_good = false;
      ++at;
      continue;
    }
    // The bytes are the next ones of the input, and they are what an encoder writes for the value.
    if (c.bytes.data() != in.data() + at || at + c.bytes.size() > size) std::abort();
    if (!IsScalar(c.cp) || Encode(c.cp) != c.bytes) std::abort();
    if (mavlet::FirstUtf8Char(in.substr(at)).cp != c.cp) std::abort();
    good += c.bytes;
    at += c.bytes.size();
  }
  if (at != size || (all_good && good != in)) std::abort();

  // Read as values, four bytes each: every scalar value comes back from its encoding.
  for (std::size_t i = 0; i + 4 <= size; i += 4) {
    const char32_t cp = (static_cast<char32_t>(data[i]) << 24 | static_cast<char32_t>(data[i + 1]) << 16 |
                         static_cast<char32_t>(data[i + 2]) << 8 | data[i + 3]) %
                        0x110000;
    if (!IsScalar(cp)) continue;
    const std::string bytes = Encode(cp);
    const auto back = mavlet::DecodeUtf8(bytes);
    if (back.size() != 1 || back[0].cp != cp || back[0].bytes.size() != bytes.size()) std::abort();
  }
  return 0;
}
