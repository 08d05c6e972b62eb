// Text routines on arbitrary bytes: no crash, no split double-byte character, lengths that add up.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "player/common/ascii_case.h"
#include "player/common/int_convert.h"
#include "player/common/sjis_text.h"

namespace {

using namespace mavlet;

void Check(bool ok) {
  if (!ok) std::abort();
}

// Whether byte offset i of s is the start of a character (or the end of s).
bool AtCharStart(std::string_view s, std::size_t i) {
  return i == s.size() || i == 0 || !IsTrailByte(s, i + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // First two bytes choose numbers and delimiters; the rest is the text.
  const int a = data[0] % 8;
  const int b = data[1] % 8;
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
  const int len = MbLength(text);
  Check(len >= 0 && static_cast<std::size_t>(len) <= text.size());

  // Copy, delete and position agree with each other.
  const std::string head = MbCopy(text, 1, a);
  const std::string tail = MbCopy(text, a + 1, len + 1);
  Check(head + tail == text || a == 0);
  std::string deleted = text;
  MbDelete(deleted, 1, a);
  Check(a == 0 ? deleted == text : deleted == tail);
  Check(MbLength(head) + MbLength(tail) == len || a == 0);
  if (!tail.empty() && a > 0) {
    const int pos = MbPos(tail, text);
    Check(pos >= 1 && pos <= a + 1);
  }

  // Tokens are whole characters and rebuild the text with their delimiters.
  std::string rest = text;
  std::string rebuilt;
  const std::string delims = std::string(1, static_cast<char>(data[0])) + ";,";
  int guard = 0;
  while (!rest.empty()) {
    const std::size_t before = rest.size();
    std::string token = CutToken(rest, delims);
    Check(rest.size() < before || rest.empty());
    rebuilt += token;
    Check(AtCharStart(text, rebuilt.size()));
    if (rebuilt.size() < text.size()) rebuilt += text[rebuilt.size()];
    Check(++guard <= static_cast<int>(text.size()) + 1);
  }
  Check(rebuilt == text);

  // CSV fields are whole characters; joining them with commas gives the text back.
  std::string joined;
  int fields = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t next = i + ((IsLeadByte(static_cast<std::uint8_t>(text[i])) && i + 1 < text.size()) ? 2 : 1);
    if (next - i == 1 && text[i] == ',') ++fields;
    i = next;
  }
  for (int n = 0; n <= fields; ++n) {
    if (n > 0) joined += ',';
    joined += CsvField(text, n);
  }
  Check(joined == text);
  Check(CsvField(text, fields + 1).empty());
  (void)CsvFieldInt(text, b, -1);

  // Words and trimming never grow the text and keep character boundaries.
  std::string words = text;
  guard = 0;
  while (!words.empty()) {
    const std::size_t before = words.size();
    const std::string w = NextWord(words);
    Check(words.size() < before);
    Check(w.size() <= before);
    Check(++guard <= static_cast<int>(text.size()) + 1);
  }
  const std::string trimmed = TrimWide(text);
  Check(trimmed.size() <= text.size());
  Check(TrimWide(trimmed) == trimmed);

  // Conversions keep the number of characters (voiced marks may merge into one).
  const std::string normal = NormalizeText(text);
  Check(MbLength(normal) <= len);
  const std::string full = ToFullWidth(text);
  Check(MbLength(full) == len);
  Check(AsciiUpper(text).size() == text.size());
  Check(EqualsIgnoreAsciiCase(text, AsciiUpper(text)));

  (void)ParseInt(text);
  (void)ParseDecimalStrict(text);
  if (!text.empty()) (void)IsTrailByte(text, text.size());
  return 0;
}
