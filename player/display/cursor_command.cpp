#include "player/display/cursor_command.h"

#include "player/common/sjis_text.h"

namespace mavlet {

void TComCursor::Parse(std::string_view args) {
  TCommand::Parse(args);
  name_ = CsvField(args, 2);
}

}  // namespace mavlet
