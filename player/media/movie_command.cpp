#include "player/media/movie_command.h"

#include "player/common/sjis_text.h"

namespace mavlet {

// file, X, Y, width, height, skippable, media player, preload and start sound
void TComMovie::Parse(std::string_view args) {
  TCommand::Parse(args);
  file_name_ = CsvField(args, 2);
  x_ = CsvFieldInt(args, 3, 0);
  y_ = CsvFieldInt(args, 4, 0);
  width_ = CsvFieldInt(args, 5, 0);
  height_ = CsvFieldInt(args, 6, 0);
  skippable_ = CsvFieldInt(args, 7, 0) != 0;
  media_player_ = CsvFieldInt(args, 8, 1) != 0;
  preload_ = CsvFieldInt(args, 9, 0) != 0;
}

}  // namespace mavlet
