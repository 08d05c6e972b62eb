#pragma once
// Start-up decisions that need no window: the command line, the project folder, whether the
// debug window is allowed, and the game screen size.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "player/backend/file_services.h"
#include "player/common/screen_size.h"

namespace mavlet {

struct CommandLine {
  std::optional<std::filesystem::path> project_folder;
  bool debug_mode = false;  // second parameter "-debugmode" (ASCII case ignored)
  bool show_help = false;
  bool show_version = false;
  std::string error;        // non-empty for an unknown option; usage follows
};

// args excludes the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

// The project folder: the command-line folder when given; else the player's folder when it
// holds "pmx\global.pmx"; else the first CD/DVD drive whose root holds it; else the player's folder.
std::filesystem::path ChooseProjectFolder(const CommandLine& cmd, const std::filesystem::path& player_folder,
                                          FileServices& files);

// The debug window opens only in debug mode and with "Korbel.exe" beside the player.
bool DebugWindowAllowed(const CommandLine& cmd, const std::filesystem::path& player_folder,
                        FileServices& files);

}  // namespace mavlet
