#include "player/media/movie_command.h"

#include "player/common/sjis_text.h"

namespace mavlet {

// file, X, Y, width, height, skippable, media player, preload and start sound
void TComMovie::Parse(std::string_view args) {
  TCommand::Parse(args);
  args_.file_name = CsvField(args, 2);
  args_.x = CsvFieldInt(args, 3, 0);
  args_.y = CsvFieldInt(args, 4, 0);
  args_.width = CsvFieldInt(args, 5, 0);
  args_.height = CsvFieldInt(args, 6, 0);
  args_.skippable = CsvFieldInt(args, 7, 0) != 0;
  args_.media_player = CsvFieldInt(args, 8, 1) != 0;
  args_.preload = CsvFieldInt(args, 9, 0) != 0;
}

}  // namespace mavlet
