#pragma once
// Whether an optional data pack is installed: "<folder>\ID<n>" below the title folder, or else
// below the first data disc.
#include <filesystem>
#include <string_view>

namespace mavlet {

class FileServices;

// folder_word is "PMX", "PMP" or "WAV". An unreadable or missing title folder answers false;
// an empty title folder looks only at the data disc.
bool DataPackInstalled(FileServices& files, const std::filesystem::path& title_folder,
                       std::string_view folder_word, int n);

}  // namespace mavlet
