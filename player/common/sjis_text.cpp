#include "player/common/sjis_text.h"

#include <array>
#include <cstring>

#include "player/common/ascii_case.h"
#include "player/common/error.h"
#include "player/common/int_convert.h"

namespace mavlet {

namespace {

inline std::uint8_t Byte(std::string_view s, std::size_t i) { return static_cast<std::uint8_t>(s[i]); }

// Byte length of the character starting at i. A lead byte takes the next byte with it whatever
// it is (the lead-byte test alone decides, the trail byte is not checked); a lead byte at the
// very end stands alone.
inline std::size_t CharLen(std::string_view s, std::size_t i) {
  return (IsLeadByte(Byte(s, i)) && i + 1 < s.size()) ? 2 : 1;
}

// Byte offset of character number index (0-based); s.size() when the text is shorter.
std::size_t OffsetOfChar(std::string_view s, std::size_t index) {
  std::size_t i = 0;
  while (index > 0 && i < s.size()) {
    i += CharLen(s, i);
    --index;
  }
  return i;
}

inline bool IsAsciiBlank(std::uint8_t b) { return b == 0x20; }
inline bool IsFullWidthBlank(std::string_view s, std::size_t i, std::size_t len) {
  return len == 2 && Byte(s, i) == 0x81 && Byte(s, i + 1) == 0x40;
}

// Half-width katakana 0xA1..0xDF as full-width katakana of JIS X 0208 (Shift-JIS codes).
constexpr std::array<std::uint16_t, 0x3F> kHalfKanaToKatakana = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342,  // A1..A8
    0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B,  // A9..B0
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E,  // B1..B8
    0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E,  // B9..C0
    0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C,  // C1..C8
    0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E,  // C9..D0
    0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A,  // D1..D8
    0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,          // D9..DF
};

// Full-width kana of the text input command for 0xA6..0xDD (0 = keep the byte).
constexpr std::array<std::uint16_t, 0x38> kHalfKanaToInput = {
    0x8392,                                                          // A6 wo (katakana)
    0x829F, 0x82A1, 0x82A3, 0x82A5, 0x82A7,                          // A7..AB small a..o
    0x82E1, 0x82E3, 0x82E5,                                          // AC..AE small ya yu yo
    0x8362,                                                          // AF small tsu (katakana)
    0x815B,                                                          // B0 long vowel mark
    0x82A0, 0x82A2, 0x82A4, 0x82A6, 0x82A8,                          // B1..B5 a..o
    0x82A9, 0x82AB, 0x82AD, 0x82AF, 0x82B1,                          // B6..BA ka..ko
    0x82B3, 0x82B5, 0x82B7, 0x82B9, 0x82BB,                          // BB..BF sa..so
    0x82BD, 0x82BF, 0x82C2, 0x82C4, 0x82C6,                          // C0..C4 ta..to
    0x82C8, 0x82C9, 0x82CA, 0x82CB, 0x82CC,                          // C5..C9 na..no
    0x82CD, 0x82D0, 0x82D3, 0x82D6, 0x82D9,                          // CA..CE ha..ho
    0x82DC, 0x82DD, 0x82DE, 0x82DF, 0x82E0,                          // CF..D3 ma..mo
    0x82E2, 0x82E4, 0x82E6,                                          // D4..D6 ya yu yo
    0x82E7, 0x82E8, 0x82E9, 0x82EA, 0x82EB,                          // D7..DB ra..ro
    0x838F, 0x8393,                                                  // DC wa, DD n (katakana)
};

// Voiced (dakuten) form of a full-width katakana code, 0 when it has none.
std::uint16_t Voiced(std::uint16_t kata) {
  if (kata == 0x8345) return 0x8394;  // u -> vu
  // ka..chi, tsu, te, to: the voiced form follows directly (small tsu 0x8362 has none).
  if ((kata >= 0x834A && kata <= 0x8360 && (kata - 0x834A) % 2 == 0) || kata == 0x8363 ||
      kata == 0x8365 || kata == 0x8367)
    return static_cast<std::uint16_t>(kata + 1);
  if (kata >= 0x836E && kata <= 0x837A && (kata - 0x836E) % 3 == 0) return static_cast<std::uint16_t>(kata + 1);
  return 0;
}

// Semi-voiced (handakuten) form: only ha..ho.
std::uint16_t SemiVoiced(std::uint16_t kata) {
  if (kata >= 0x836E && kata <= 0x837A && (kata - 0x836E) % 3 == 0) return static_cast<std::uint16_t>(kata + 2);
  return 0;
}

inline void PutCode(std::string& out, std::uint16_t code) {
  out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

// Full-width row-1 symbols (second byte after 0x81) and their ASCII forms for NormalizeText.
char Row1ToAscii(std::uint8_t trail) {
  switch (trail) {
    case 0x40: return ' ';
    case 0x43: return ',';
    case 0x44: return '.';
    case 0x46: return ':';
    case 0x47: return ';';
    case 0x48: return '?';
    case 0x49: return '!';
    case 0x4F: return '^';
    case 0x5E: return '/';
    case 0x60: return '~';
    case 0x62: return '|';
    case 0x65: case 0x66: return '\'';
    case 0x67: case 0x68: return '"';
    case 0x69: return '(';
    case 0x6A: return ')';
    case 0x6D: return '[';
    case 0x6E: return ']';
    case 0x6F: return '{';
    case 0x70: return '}';
    case 0x7B: return '+';
    case 0x7C: return '-';
    case 0x81: return '=';
    case 0x83: return '<';
    case 0x84: return '>';
    case 0x8C: return '\'';
    case 0x8D: return '"';
    case 0x8F: return '\\';
    case 0x90: return '$';
    case 0x93: return '%';
    case 0x94: return '#';
    case 0x95: return '&';
    case 0x96: return '*';
    case 0x97: return '@';
    case 0xAC: return '=';
    default: return 0;
  }
}

// Full-width form of printable ASCII 33..126 for ToFullWidth.
std::uint16_t AsciiToFullWidth(std::uint8_t c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint16_t>(0x824F + (c - '0'));
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint16_t>(0x8260 + (c - 'A'));
  if (c >= 'a' && c <= 'z') return static_cast<std::uint16_t>(0x8281 + (c - 'a'));
  switch (c) {
    case '!': return 0x8149;
    case '"': return 0x8168;
    case '#': return 0x8194;
    case '$': return 0x8190;
    case '%': return 0x8193;
    case '&': return 0x8195;
    case '\'': return 0x8166;
    case '(': return 0x8169;
    case ')': return 0x816A;
    case '*': return 0x8196;
    case '+': return 0x817B;
    case ',': return 0x8143;
    case '-': return 0x817C;
    case '.': return 0x8144;
    case '/': return 0x815E;
    case ':': return 0x8146;
    case ';': return 0x8147;
    case '<': return 0x8183;
    case '=': return 0x8181;
    case '>': return 0x8184;
    case '?': return 0x8148;
    case '@': return 0x8197;
    case '[': return 0x816D;
    case '\\': return 0x818F;
    case ']': return 0x816E;
    case '^': return 0x814F;
    case '_': return 0x8151;
    case '`': return 0x8165;
    case '{': return 0x816F;
    case '|': return 0x8162;
    case '}': return 0x8170;
    case '~': return 0x8160;
    default: return 0;
  }
}

}  // namespace

bool IsTrailByte(std::string_view s, std::size_t i) {
  if (i < 1 || i > s.size()) throw MavError("Illegal Index");
  std::size_t leads = 0;
  for (std::size_t k = i - 1; k >= 1 && IsLeadByte(Byte(s, k - 1)); --k) ++leads;
  return leads % 2 == 1;
}

int MbLength(std::string_view s) {
  int n = 0;
  for (std::size_t i = 0; i < s.size(); i += CharLen(s, i)) ++n;
  return n;
}

int MbPos(std::string_view needle, std::string_view s) {
  if (needle.empty()) return 0;
  int pos = 1;
  for (std::size_t i = 0; i < s.size(); i += CharLen(s, i), ++pos) {
    if (s.size() - i < needle.size()) return 0;
    if (std::memcmp(s.data() + i, needle.data(), needle.size()) == 0) return pos;
  }
  return 0;
}

std::string MbCopy(std::string_view s, int start, int count) {
  if (count < 1 || s.empty()) return {};
  if (start < 1) start = 1;
  const std::size_t from = OffsetOfChar(s, static_cast<std::size_t>(start - 1));
  const std::size_t to = from + OffsetOfChar(s.substr(from), static_cast<std::size_t>(count));
  return std::string(s.substr(from, to - from));
}

void MbDelete(std::string& s, int start, int count) {
  if (count < 1) return;
  if (start < 1) start = 1;
  const std::string_view v(s);
  const std::size_t from = OffsetOfChar(v, static_cast<std::size_t>(start - 1));
  if (from >= s.size()) return;
  const std::size_t len = OffsetOfChar(v.substr(from), static_cast<std::size_t>(count));
  s.erase(from, len);
}

std::string CutToken(std::string& s, std::string_view delimiters) {
  if (!delimiters.empty()) {
    const std::string_view v(s);
    for (std::size_t i = 0; i < v.size();) {
      const std::size_t len = CharLen(v, i);
      if (len == 1 && delimiters.find(v[i]) != std::string_view::npos) {
        std::string head = s.substr(0, i);
        s.erase(0, i + 1);
        return head;
      }
      i += len;
    }
  }
  std::string head = std::move(s);
  s.clear();
  return head;
}

std::string TrimWide(std::string_view s) {
  // One forward pass: skip leading blanks, remember where the last non-blank character ends.
  std::size_t i = 0;
  std::size_t first = s.size();
  std::size_t end = 0;
  while (i < s.size()) {
    const std::size_t len = CharLen(s, i);
    const bool blank = (len == 1 && IsAsciiBlank(Byte(s, i))) || IsFullWidthBlank(s, i, len);
    if (!blank) {
      if (first == s.size()) first = i;
      end = i + len;
    }
    i += len;
  }
  if (first >= end) return {};
  return std::string(s.substr(first, end - first));
}

std::string NextWord(std::string& s) {
  // Trim bytes up to 0x20 at both ends, but never the second byte of a double-byte character.
  const std::string_view v(s);
  std::size_t first = v.size();
  std::size_t end = 0;
  for (std::size_t i = 0; i < v.size();) {
    const std::size_t len = CharLen(v, i);
    if (!(len == 1 && Byte(v, i) <= 0x20)) {
      if (first == v.size()) first = i;
      end = i + len;
    }
    i += len;
  }
  if (first >= end) {
    s.clear();
    return {};
  }
  const std::string_view t = v.substr(first, end - first);
  std::size_t word_end = t.size();  // bytes of t that form the word
  std::size_t rest = t.size();      // where the remaining text starts
  if (t[0] == '"') {
    for (std::size_t i = 1; i < t.size();) {
      const std::size_t len = CharLen(t, i);
      if (len == 1 && t[i] == '"') {
        word_end = rest = i + 1;
        break;
      }
      i += len;
    }
  } else {
    for (std::size_t i = 0; i < t.size();) {
      const std::size_t len = CharLen(t, i);
      if (len == 1 && t[i] == ' ') {
        word_end = i;
        rest = i + 1;
        break;
      }
      i += len;
    }
  }
  std::string word(t.substr(0, word_end));
  std::string remaining(t.substr(rest));
  s = std::move(remaining);
  return word;
}

std::string CsvField(std::string_view s, int n) {
  if (n < 0) return {};
  std::size_t start = 0;
  int field = 0;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t len = CharLen(s, i);
    if (len == 1 && s[i] == ',') {
      if (field == n) return std::string(s.substr(start, i - start));
      ++field;
      start = i + 1;
    }
    i += len;
  }
  if (field == n) return std::string(s.substr(start));
  return {};
}

int CsvFieldInt(std::string_view s, int n, int fallback) { return ParseIntOr(CsvField(s, n), fallback); }

std::string NormalizeText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const std::uint8_t b = Byte(s, i);
    const std::size_t len = CharLen(s, i);
    if (len == 2) {
      const std::uint8_t t = Byte(s, i + 1);
      char ascii = 0;
      if (b == 0x81) {
        ascii = Row1ToAscii(t);
      } else if (b == 0x82) {
        if (t >= 0x4F && t <= 0x58) ascii = static_cast<char>('0' + (t - 0x4F));
        else if (t >= 0x60 && t <= 0x79) ascii = static_cast<char>('A' + (t - 0x60));
        else if (t >= 0x81 && t <= 0x9A) ascii = static_cast<char>('A' + (t - 0x81));
      }
      if (ascii != 0) {
        out.push_back(ascii);
      } else {
        out.append(s.substr(i, 2));
      }
      i += 2;
      continue;
    }
    if (b >= 0xA1 && b <= 0xDD) {
      std::uint16_t kata = kHalfKanaToKatakana[b - 0xA1];
      std::size_t used = 1;
      if (i + 1 < s.size()) {
        const std::uint8_t mark = Byte(s, i + 1);
        const std::uint16_t combined = mark == 0xDE ? Voiced(kata) : mark == 0xDF ? SemiVoiced(kata) : 0;
        if (combined != 0) {
          kata = combined;
          used = 2;
        }
      }
      PutCode(out, kata);
      i += used;
      continue;
    }
    out.push_back(AsciiToUpper(static_cast<char>(b)));
    ++i;
  }
  return out;
}

std::string ToFullWidth(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (std::size_t i = 0; i < s.size();) {
    const std::uint8_t b = Byte(s, i);
    const std::size_t len = CharLen(s, i);
    std::uint16_t code = 0;
    if (len == 1) {
      if (b >= 33 && b <= 126) code = AsciiToFullWidth(b);
      else if (b >= 0xA6 && b <= 0xDD) code = kHalfKanaToInput[b - 0xA6];
    }
    if (code != 0) {
      PutCode(out, code);
    } else {
      out.append(s.substr(i, len));
    }
    i += len;
  }
  return out;
}

}  // namespace mavlet
