// Placeholder until the verb is written.
#include "tools/mavtool/verbs.h"

namespace mavtool {
int VerbRun(const Args&) { throw ToolError("this verb is not built yet"); }
}  // namespace mavtool
