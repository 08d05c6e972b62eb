// Placeholder until the verb is written.
#include "tools/mavtool/verbs.h"

namespace mavtool {
int VerbGlobal(const Args&) { throw ToolError("this verb is not built yet"); }
}  // namespace mavtool
