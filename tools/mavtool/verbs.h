#pragma once
// The verbs of mavtool. Each takes the arguments after the verb (UTF-8, as typed) and returns the
// exit code; failures throw (MavError or ToolError) and main prints "mavtool: <message>".
#include <stdexcept>
#include <string>
#include <vector>

namespace mavtool {

using Args = std::vector<std::string>;

// A usage or input problem found by the tool itself.
class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

int VerbPack(const Args& args);
int VerbUnpack(const Args& args);
int VerbArchive(const Args& args);
int VerbStatus(const Args& args);
int VerbGlobal(const Args& args);
int VerbRun(const Args& args);
int VerbTitle(const Args& args);

}  // namespace mavtool
