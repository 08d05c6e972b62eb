// mavtool pack / unpack: one packed file to or from its plain content.
#include "player/storage/file_io.h"
#include "player/storage/packed_file.h"
#include "tools/mavtool/verbs.h"

namespace mavtool {

int VerbPack(const Args& args) {
  if (args.size() != 2) throw ToolError("usage: mavtool pack IN OUT");
  const mavlet::ByteBuffer plain = mavlet::ReadFileBytes(args[0]);
  mavlet::PackToFile(args[1], plain);
  return 0;
}

int VerbUnpack(const Args& args) {
  if (args.size() != 2) throw ToolError("usage: mavtool unpack IN OUT");
  const mavlet::ByteBuffer plain = mavlet::UnpackFile(args[0]);
  mavlet::WriteFileAtomic(args[1], plain);
  return 0;
}

}  // namespace mavtool
