// Placeholder until the verb is written.
#include "tools/mavtool/verbs.h"

namespace mavtool {
int VerbPack(const Args&) { throw ToolError("this verb is not built yet"); }
int VerbUnpack(const Args&) { throw ToolError("this verb is not built yet"); }
}  // namespace mavtool
