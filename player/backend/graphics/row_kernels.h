#pragma once
// The choice between the portable row kernels of the software surfaces and the SSE2 ones, for
// the operations that have both. Both give the same pixels; tests compare them.

namespace mavlet {

enum class RowKernels {
  kPortable,  // plain C++ everywhere
  kFastest,   // SSE2 where the machine has it, else the portable kernels
};

}  // namespace mavlet
