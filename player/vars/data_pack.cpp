#include "player/vars/data_pack.h"

#include <string>
#include <system_error>

#include "player/backend/file_services.h"

namespace mavlet {
namespace {

bool PackIn(FileServices& files, const std::filesystem::path& root, const std::string& title_path) {
  const auto found = files.Resolve(root, title_path);
  if (!found) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(*found, ec);
}

}  // namespace

bool DataPackInstalled(FileServices& files, const std::filesystem::path& title_folder,
                       std::string_view folder_word, int n) {
  const std::string title_path = std::string(folder_word) + "\\ID" + std::to_string(n);
  if (!title_folder.empty()) {
    // A folder that is gone (a removed disc, an unmounted drive) is a quiet "no".
    std::error_code ec;
    if (!std::filesystem::is_directory(title_folder, ec)) return false;
    if (PackIn(files, title_folder, title_path)) return true;
  }
  const auto discs = files.DataDiscRoots();
  if (discs.empty()) return false;
  std::error_code ec;
  if (!std::filesystem::is_directory(discs.front(), ec)) return false;
  return PackIn(files, discs.front(), title_path);
}

}  // namespace mavlet
