#include "player/display/text_markup.h"

#include "player/common/ascii_case.h"
#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/common/int_convert.h"
#include "player/common/sjis_text.h"

namespace mavlet {

std::int32_t MarkupHex(std::string_view arg) {
  std::string s = "$";
  s.append(arg);
  return ParseInt(s).value_or(0);
}

std::string TokenText(std::uint16_t code) {
  if (code == '[') return "\x81\x79";
  if (code == ']') return "\x81\x7A";
  if (code >= '0' && code <= '9') {
    const char trail = static_cast<char>(0x4F + (code - '0'));
    return std::string{'\x82', trail};
  }
  if (code > 0xFF) return std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  return std::string(1, static_cast<char>(code));
}

namespace {

std::int32_t StrictInt(std::string_view arg, char letter) {
  if (auto v = ParseInt(arg)) return *v;
  throw MavError(std::string("'") + SjisToUtf8(arg) + "' is not a valid integer value (text escape \\" +
                 letter + ")");
}

// The text being walked. After a variable substitution it is the variable's value followed by
// the rest of the source; `tail_start` is where the source part begins in `text` and `tail_src`
// that point's offset in the source, so a walk position maps back to the source.
struct Walk {
  std::string text;
  std::size_t tail_start = 0;
  std::size_t tail_src = 0;
  std::size_t expansion_end = 0;  // source offset after the escape whose value is being walked

  std::size_t SourceOffset(std::size_t pos) const {
    return pos >= tail_start ? tail_src + (pos - tail_start) : expansion_end;
  }
};

}  // namespace

MarkupResult ParseMarkup(std::vector<TCustomPmText>& tokens, std::string_view source,
                         const MarkupOptions& options) {
  MarkupResult result;
  Walk w;
  w.text.assign(source);
  std::int32_t color = options.color;
  std::int32_t shadow = options.shadow;
  int substitutions = 0;
  std::size_t expanded = 0;  // bytes of all values substituted so far
  auto push = [&](std::uint16_t code, std::int32_t c) { tokens.push_back({code, c, shadow}); };

  std::size_t i = 0;
  while (i < w.text.size()) {
    const auto b = static_cast<std::uint8_t>(w.text[i]);
    if (b != '\\') {
      if (IsLeadByte(b) && i + 1 < w.text.size()) {
        push(static_cast<std::uint16_t>(b << 8 | static_cast<std::uint8_t>(w.text[i + 1])), color);
        i += 2;
      } else {
        push(b, color);
        i += 1;
      }
      continue;
    }
    if (i + 1 >= w.text.size()) break;  // a lone backslash at the end gives nothing
    const char d = w.text[i + 1];
    switch (d) {
      case '\\': push('\\', color); i += 2; continue;
      case 'l': push(pm::kAlignLeft, color); i += 2; continue;
      case 'm': push(pm::kAlignCentre, color); i += 2; continue;
      case 'r': push(pm::kAlignRight, color); i += 2; continue;
      case 'n': push(pm::kNewline, color); i += 2; continue;
      default: break;
    }
    // "\d(argument)": the argument starts after the character following the letter (the
    // opening bracket, whatever it is) and runs to the next ")" or the end.
    auto char_len = [&](std::size_t at) -> std::size_t {
      if (at >= w.text.size()) return 0;
      return IsLeadByte(static_cast<std::uint8_t>(w.text[at])) && at + 1 < w.text.size() ? 2 : 1;
    };
    const std::size_t bracket = i + 1 + char_len(i + 1);
    const std::size_t arg_start = bracket + char_len(bracket);
    std::size_t close = arg_start <= w.text.size() ? w.text.find(')', arg_start) : std::string::npos;
    const std::size_t arg_end = close == std::string::npos ? w.text.size() : close;
    const std::string_view arg = arg_start < arg_end
                                     ? std::string_view(w.text).substr(arg_start, arg_end - arg_start)
                                     : std::string_view();
    const std::size_t after = close == std::string::npos ? w.text.size() : close + 1;
    switch (d) {
      case 'a': push(pm::kSetLength, StrictInt(arg, d)); i = after; continue;
      case 'i':
        push(pm::kInlineCall, StrictInt(arg, d));
        if (!result.first_call_end) result.first_call_end = w.SourceOffset(after);
        i = after;
        continue;
      case 'c': color = MarkupHex(arg); i = after; continue;
      case 's': {
        const bool none = arg.size() == 4 && EqualsIgnoreAsciiCase(arg, "none");
        shadow = none ? pm::kNoShadow : MarkupHex(arg);
        i = after;
        continue;
      }
      case 'p': {
        std::string value;
        if (options.variables && *options.variables && substitutions < pm::kMaxSubstitutions) {
          value = (*options.variables)(arg);
          ++substitutions;
          expanded += value.size();
          if (expanded > pm::kMaxExpandedBytes) value.clear();
        }
        // Everything up to the ")" is replaced by the value and the walk restarts on it.
        if (after >= w.tail_start) {
          w.tail_src += after - w.tail_start;
          w.expansion_end = w.tail_src;
          w.tail_start = value.size();
        } else {
          w.tail_start = w.tail_start - after + value.size();
        }
        w.text = value + w.text.substr(after);
        i = 0;
        continue;
      }
      default:
        // Unknown letters drop the escape and its argument; the ")" stays as a character.
        i = close == std::string::npos ? w.text.size() : close;
        continue;
    }
  }
  return result;
}

}  // namespace mavlet
