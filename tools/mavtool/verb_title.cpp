// mavtool title: builds a title folder from a title source folder, and unpacks one for inspection.
#include <iostream>

#include "tools/mavtool/kit/title_kit.h"
#include "tools/mavtool/verbs.h"

namespace mavtool {
namespace {

constexpr const char* kUsage =
    "usage: mavtool title build SRC OUT [--pack-scenarios|--loose-scenarios] [--pack-sounds|--loose-sounds]\n"
    "       mavtool title unpack TITLE OUT\n"
    "(the source layout is described in docs/title-source.md)";

}  // namespace

int VerbTitle(const Args& args) {
  if (args.size() >= 3 && args[0] == "build") {
    BuildOptions options;
    for (std::size_t i = 3; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (a == "--pack-scenarios" || a == "--loose-scenarios") {
        options.pack_scenarios = a == "--pack-scenarios";
      } else if (a == "--pack-sounds" || a == "--loose-sounds") {
        options.pack_sounds = a == "--pack-sounds";
      } else {
        throw ToolError("unknown option " + a + "\n" + kUsage);
      }
    }
    BuildTitle(args[1], args[2], options, std::cerr);
    return 0;
  }
  if (args.size() == 3 && args[0] == "unpack") {
    UnpackTitle(args[1], args[2], std::cerr);
    return 0;
  }
  throw ToolError(kUsage);
}

}  // namespace mavtool
