// mavtool saves: a save folder as one zip and back, the same zip the browser player exports and
// imports (see player/storage/save_transfer.h).
#include <iostream>
#include <span>

#include "player/storage/file_io.h"
#include "player/storage/save_transfer.h"
#include "tools/mavtool/verbs.h"

namespace mavtool {

int VerbSaves(const Args& args) {
  if (args.size() == 3 && args[0] == "export") {
    const std::string zip = mavlet::ExportSaves(args[1]);
    mavlet::WriteFileAtomic(args[2], std::span(reinterpret_cast<const std::uint8_t*>(zip.data()), zip.size()));
    return 0;
  }
  if (args.size() == 3 && args[0] == "import") {
    const mavlet::ByteBuffer zip = mavlet::ReadFileBytes(args[1]);
    mavlet::ImportSaves(std::string_view(reinterpret_cast<const char*>(zip.data()), zip.size()), args[2], args[1]);
    return 0;
  }
  throw ToolError("usage: mavtool saves export SAVE_FOLDER ZIP | saves import ZIP SAVE_FOLDER");
}

}  // namespace mavtool
