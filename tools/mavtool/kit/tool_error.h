#pragma once
// The error the title kit and the mavtool verbs throw for a usage or input problem they find
// themselves; main prints its message as "mavtool: <message>".
#include <stdexcept>

namespace mavtool {

// A usage or input problem found by the tool itself.
class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace mavtool
