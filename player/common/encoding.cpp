#include "player/common/encoding.h"

#include <iconv.h>

#include <cerrno>

#include "player/common/error.h"
#include "player/common/sjis_text.h"

namespace mavlet {

namespace {

// One descriptor per conversion call: opening is cheap once glibc has loaded the module, and it
// keeps the functions free of shared state. ASCII-only text (the common case) never gets here.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw MavError(std::string("character conversion ") + from + " -> " + to + " is not available");
    }
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts as much as possible; returns false on an error and leaves in/out where it stopped.
  bool Convert(std::string_view& in, std::string& out) {
    while (!in.empty()) {
      char buffer[1024];
      char* src = const_cast<char*>(in.data());
      std::size_t src_left = in.size();
      char* dst = buffer;
      std::size_t dst_left = sizeof buffer;
      const std::size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
      const int err = errno;
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      in.remove_prefix(in.size() - src_left);
      if (r == static_cast<std::size_t>(-1) && err != E2BIG) return false;
    }
    return true;
  }
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
  // Code page 932 keeps ASCII as it is, backslash and tilde included.
  if (IsAscii(sjis)) return std::string(sjis);
  Iconv conv("UTF-8", "CP932");
  std::string out;
  out.reserve(sjis.size() * 3 / 2);
  while (!conv.Convert(sjis, out)) {
    if (sjis.empty()) break;
    // An undecodable character: a lead byte with a plausible second byte goes as one character,
    // anything else as one byte, so a bad pair never turns its second byte into ASCII.
    const auto lead = static_cast<std::uint8_t>(sjis[0]);
    std::size_t skip = 1;
    if (IsLeadByte(lead) && sjis.size() >= 2) {
      const auto trail = static_cast<std::uint8_t>(sjis[1]);
      if (trail >= 0x40 && trail <= 0xFC && trail != 0x7F) skip = 2;
    }
    out.append(kReplacement);
    sjis.remove_prefix(skip);
    conv.Reset();
  }
  return out;
}

std::optional<std::string> SjisToUtf8Strict(std::string_view sjis) {
  if (IsAscii(sjis)) return std::string(sjis);
  Iconv conv("UTF-8", "CP932");
  std::string out;
  out.reserve(sjis.size() * 3 / 2);
  if (!conv.Convert(sjis, out)) return std::nullopt;
  return out;
}

std::optional<std::string> Utf8ToSjis(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  Iconv conv("CP932", "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  if (!conv.Convert(utf8, out)) return std::nullopt;
  return out;
}

Utf8Char FirstUtf8Char(std::string_view s) {
  const Utf8Char bad{0xFFFD, {}};
  if (s.empty()) return bad;
  const auto b0 = static_cast<unsigned char>(s[0]);
  if (b0 < 0x80) return {b0, s.substr(0, 1)};
  // Lead bytes C2..DF, E0..EF and F0..F4 start two-, three- and four-byte characters.
  const std::size_t len = b0 >= 0xC2 && b0 <= 0xDF   ? 2
                          : b0 >= 0xE0 && b0 <= 0xEF ? 3
                          : b0 >= 0xF0 && b0 <= 0xF4 ? 4
                                                     : 0;
  if (len == 0 || len > s.size()) return bad;
  char32_t cp = b0 & (0x7F >> len);
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[k]);
    if ((b & 0xC0) != 0x80) return bad;
    cp = cp << 6 | (b & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return bad;
  return {cp, s.substr(0, len)};
}

std::vector<Utf8Char> DecodeUtf8(std::string_view s) {
  std::vector<Utf8Char> out;
  for (std::size_t i = 0; i < s.size();) {
    const Utf8Char c = FirstUtf8Char(s.substr(i));
    out.push_back(c);
    i += c.bytes.empty() ? 1 : c.bytes.size();
  }
  return out;
}

}  // namespace mavlet
