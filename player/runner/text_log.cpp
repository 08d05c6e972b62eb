#include "player/runner/text_log.h"

#include <cstdio>

#include "player/common/encoding.h"

namespace mavlet {

void TextLog::OnPlaced(std::int32_t row, std::int32_t column, const TCustomPmText& token) {
  char colours[32];
  if (token.ShadowColor < 0)
    std::snprintf(colours, sizeof colours, "%.6x\tnone", static_cast<unsigned>(token.Color));
  else
    std::snprintf(colours, sizeof colours, "%.6x\t%.6x", static_cast<unsigned>(token.Color),
                  static_cast<unsigned>(token.ShadowColor));
  out_ << event_ << '\t' << row << '\t' << column << '\t' << SjisToUtf8(TokenText(token.Code)) << '\t' << colours
       << '\n';
}

void TextLog::OnCleared() { out_ << event_ << "\tclear\n"; }

void TextLog::OnFull() { out_ << event_ << "\tfull\n"; }

}  // namespace mavlet
