#pragma once
// The verbs of mavtool. Each takes the arguments after the verb (UTF-8, as typed) and returns the
// exit code; failures throw (MavError or ToolError) and main prints "mavtool: <message>".
#include <string>
#include <vector>

#include "tools/mavtool/kit/tool_error.h"

namespace mavtool {

using Args = std::vector<std::string>;

int VerbPack(const Args& args);
int VerbUnpack(const Args& args);
int VerbArchive(const Args& args);
int VerbStatus(const Args& args);
int VerbGlobal(const Args& args);
int VerbRun(const Args& args);
int VerbTitle(const Args& args);
int VerbWeb(const Args& args);
int VerbSaves(const Args& args);

}  // namespace mavtool
