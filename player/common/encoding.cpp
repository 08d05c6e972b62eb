#include "player/common/encoding.h"

#ifndef __EMSCRIPTEN__
#include <iconv.h>
#endif

#include <algorithm>
#include <cerrno>

#include "player/common/cp932_table.h"
#include "player/common/error.h"
#include "player/common/sjis_text.h"

namespace mavlet {

namespace {

#ifndef __EMSCRIPTEN__
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

#endif

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

void AppendUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The table's converter, with iconv's interface: converts as much as it can, false at the first
// bytes that are no character (in then starts there).
bool TableDecode(std::string_view& in, std::string& out) {
  while (!in.empty()) {
    const auto b0 = static_cast<std::uint8_t>(in[0]);
    const std::uint16_t single = cp932::kSingle[b0];
    if (single != 0xFFFF) {
      AppendUtf8(single, out);
      in.remove_prefix(1);
      continue;
    }
    if (in.size() < 2 || b0 < cp932::kFirstLead || b0 >= cp932::kFirstLead + cp932::kLeadCount) return false;
    const auto b1 = static_cast<std::uint8_t>(in[1]);
    if (b1 < cp932::kFirstTrail || b1 >= cp932::kFirstTrail + cp932::kTrailCount) return false;
    const std::uint16_t cp = cp932::kDouble[(b0 - cp932::kFirstLead) * cp932::kTrailCount + (b1 - cp932::kFirstTrail)];
    if (cp == 0) return false;
    AppendUtf8(cp, out);
    in.remove_prefix(2);
  }
  return true;
}

std::optional<std::string> TableEncode(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (const Utf8Char& c : DecodeUtf8(utf8)) {
    if (c.bytes.empty()) return std::nullopt;  // not UTF-8
    if (c.cp < 0x80) {
      out += static_cast<char>(c.cp);
      continue;
    }
    if (c.cp >= 0xE0000 && c.cp <= 0xE007F) continue;
    if (c.cp > 0xFFFF) return std::nullopt;
    const std::uint32_t key = static_cast<std::uint32_t>(c.cp) << 16;
    const std::uint32_t* end = cp932::kEncode + cp932::kEncodeCount;
    const std::uint32_t* it = std::lower_bound(cp932::kEncode, end, key);
    if (it == end || (*it >> 16) != c.cp) return std::nullopt;
    const std::uint16_t bytes = *it & 0xFFFF;
    if (bytes > 0xFF) out += static_cast<char>(bytes >> 8);
    out += static_cast<char>(bytes & 0xFF);
  }
  return out;
}

// The tables with iconv's interface.
class TableConverter {
 public:
  bool Convert(std::string_view& in, std::string& out) { return TableDecode(in, out); }
  void Reset() {}
};

#ifdef __EMSCRIPTEN__
// The browser's C library has no code page 932: the tables stand in.
class Iconv : public TableConverter {
 public:
  Iconv(const char*, const char*) {}
};
#endif

// An undecodable character: a lead byte with a plausible second byte goes as one character,
// anything else as one byte, so a bad pair never turns its second byte into ASCII.
template <typename Converter>
std::string DecodeLeniently(Converter& conv, std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size() * 3 / 2);
  while (!conv.Convert(sjis, out)) {
    if (sjis.empty()) break;
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

}  // namespace

namespace detail {

std::string SjisToUtf8ByTable(std::string_view sjis) {
  TableConverter conv;
  return DecodeLeniently(conv, sjis);
}

std::optional<std::string> Utf8ToSjisByTable(std::string_view utf8) { return TableEncode(utf8); }

}  // namespace detail

std::string SjisToUtf8(std::string_view sjis) {
  // Code page 932 keeps ASCII as it is, backslash and tilde included.
  if (IsAscii(sjis)) return std::string(sjis);
  Iconv conv("UTF-8", "CP932");
  return DecodeLeniently(conv, sjis);
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
#ifdef __EMSCRIPTEN__
  return TableEncode(utf8);
#else
  Iconv conv("CP932", "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  if (!conv.Convert(utf8, out)) return std::nullopt;
  return out;
#endif
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
