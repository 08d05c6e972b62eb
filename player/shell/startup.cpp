#include "player/shell/startup.h"


#include "player/common/ascii_case.h"

namespace mavlet {
namespace {

constexpr const char* kGlobalFile = "pmx\\global.pmx";

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cmd;
  if (!args.empty()) {
    const std::string& first = args[0];
    if (first == "--help" || first == "-h") {
      cmd.show_help = true;
      return cmd;
    }
    if (first == "--version") {
      cmd.show_version = true;
      return cmd;
    }
    if (first.size() > 2 && first.compare(0, 2, "--") == 0) {
      cmd.error = "unknown option " + first;
      return cmd;
    }
    if (!first.empty()) cmd.project_folder = std::filesystem::path(first);
  }
  // Debug mode needs exactly two parameters: the folder and "-debugmode".
  cmd.debug_mode = args.size() == 2 && EqualsIgnoreAsciiCaseBytes(args[1], "-debugmode");
  return cmd;
}

std::string UsageText() {
  return "usage: mavlet [PROJECT_FOLDER [-debugmode]]\n"
         "       mavlet --help | --version\n"
         "\n"
         "Plays the title in PROJECT_FOLDER (the folder holding Pmx/Global.pmx). Without one, the\n"
         "player's own folder is used when it holds a title, else the first CD/DVD that does.\n"
         "Settings are read from mavlet.ini beside the player, else from\n"
         "$XDG_CONFIG_HOME/mavlet/mavlet.ini, section [STATUS].\n";
}

std::filesystem::path ChooseProjectFolder(const CommandLine& cmd, const std::filesystem::path& player_folder,
                                          FileServices& files) {
  if (cmd.project_folder) return *cmd.project_folder;
  if (files.Resolve(player_folder, kGlobalFile)) return player_folder;
  // Any CD/DVD drive counts here, not only data discs: the title may come on its own disc.
  for (const std::filesystem::path& root : files.OpticalRoots()) {
    if (files.Resolve(root, kGlobalFile)) return root;
  }
  return player_folder;
}

bool DebugWindowAllowed(const CommandLine& cmd, const std::filesystem::path& player_folder,
                        FileServices& files) {
  return cmd.debug_mode && files.Resolve(player_folder, "Korbel.exe").has_value();
}

}  // namespace mavlet
