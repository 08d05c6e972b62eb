#include "player/media/sound_commands.h"

#include "player/common/sjis_text.h"

namespace mavlet {

// channel, file name, loop, wait for the end, fade
void TComWavPlay::Parse(std::string_view args) {
  TCommand::Parse(args);
  channel_ = CsvFieldInt(args, 2, 0);
  file_name_ = CsvField(args, 3);
  loop_ = CsvFieldInt(args, 4, 0) != 0;
  wait_ = CsvFieldInt(args, 5, 0) != 0;
  fade_ = CsvFieldInt(args, 6, 0) != 0;
}

}  // namespace mavlet
