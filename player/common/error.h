#pragma once
// Errors that end an operation. Messages are UTF-8: they only ever leave the player
// (message boxes, logs, terminal), never flow back into scenario text.
#include <stdexcept>
#include <string>

namespace mavlet {

class MavError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace mavlet
