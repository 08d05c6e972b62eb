// mavtool: packs, unpacks and inspects title data, runs titles headless, writes their web
// sites and moves save folders in and out of zips.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string_view>

#include "tools/mavtool/verbs.h"

namespace {

struct Verb {
  std::string_view name;
  int (*run)(const mavtool::Args&);
  std::string_view usage;
};

constexpr Verb kVerbs[] = {
    {"pack", mavtool::VerbPack, "pack IN OUT                      pack a file"},
    {"unpack", mavtool::VerbUnpack, "unpack IN OUT                    unpack a packed file"},
    {"archive", mavtool::VerbArchive,
     "archive create --small|--large OUT FILE...\n"
     "  archive list ARCHIVE\n"
     "  archive extract ARCHIVE NAME OUT"},
    {"status", mavtool::VerbStatus, "status dump SLOT | status get SLOT KEY | status set SLOT KEY VALUE"},
    {"global", mavtool::VerbGlobal,
     "global dump FILE|TITLE_FOLDER\n"
     "  global create OUT --title T --screen-mode N --start-page N --reg-key K [--no-registry]\n"
     "                [--num NAME]... [--str NAME]... [--flag NAME]..."},
    {"title", mavtool::VerbTitle,
     "title build SRC OUT [--pack-scenarios] [--pack-sounds]   title folder from a title source\n"
     "  title unpack TITLE OUT           title source from a title folder"},
    {"run", mavtool::VerbRun, "run TITLE_FOLDER [options]       run a title headless (see run --help)"},
    {"web", mavtool::VerbWeb, "web TITLE_FOLDER OUT [--player DIR]   web site of a title for a static server"},
    {"saves", mavtool::VerbSaves,
     "saves export SAVE_FOLDER ZIP    the save folder's files as one zip\n"
     "  saves import ZIP SAVE_FOLDER    replace the save folder's files by a zip's"},
};

void PrintHelp() {
  std::cout << "usage: mavtool VERB ARGS...\n\nverbs:\n";
  for (const Verb& v : kVerbs) std::cout << "  " << v.usage << "\n";
  std::cout << "\n  --help, --version\n";
}

}  // namespace

int main(int argc, char** argv) {
  mavtool::Args args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    PrintHelp();
    return args.empty() ? 1 : 0;
  }
  if (args[0] == "--version") {
    std::cout << "mavtool " MAVLET_VERSION "\n";
    return 0;
  }
  for (const Verb& v : kVerbs) {
    if (args[0] != v.name) continue;
    try {
      return v.run(mavtool::Args(args.begin() + 1, args.end()));
    } catch (const std::exception& e) {
      std::cerr << "mavtool: " << e.what() << "\n";
      return 1;
    }
  }
  std::cerr << "mavtool: unknown verb '" << args[0] << "' (see mavtool --help)\n";
  return 1;
}
