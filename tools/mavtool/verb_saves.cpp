// mavtool saves: the save folder as one zip and back (the browser player's export and import).
#include "tools/mavtool/verbs.h"

namespace mavtool {

int VerbSaves(const Args&) {
  throw ToolError("usage: mavtool saves export SAVE_FOLDER ZIP | saves import ZIP SAVE_FOLDER");
}

}  // namespace mavtool
