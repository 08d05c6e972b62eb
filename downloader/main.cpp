// quillget: downloads a title's data files listed in qldlfile.dat, then starts its program.
// --help and --version answer on standard output before any window or lock is made.
#include <cstdio>
#include <string_view>

#include "downloader/ui/app.h"

namespace {

constexpr const char* kHelp =
    "usage: quillget [--maintenance] [--base-url URL] [--folder DIR] [PROGRAM]\n"
    "       quillget --batch [--base-url URL] [--folder DIR] [PROGRAM]\n"
    "       quillget --help | --version\n"
    "\n"
    "Fetches the data files listed in qldlfile.dat in DIR (default: quillget's own folder) that\n"
    "are missing or incomplete, with progress, then starts PROGRAM when one is given.\n"
    "  --batch        no window: progress and messages on standard error\n"
    "  --maintenance  open the dialog even when every file is complete (also: hold Shift)\n"
    "  --base-url URL the base address of relative file names (default: $QUILLGET_BASE_URL)\n"
    "  --folder DIR   the download folder\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::puts("quillget " MAVLET_VERSION);
      return 0;
    }
  }
  return quillget::RunApp(argc, argv);
}
