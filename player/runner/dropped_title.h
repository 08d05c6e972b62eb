#pragma once
// A title a person drops onto the browser's page (a folder or a zip): its files land below one
// folder as they were, and the title's own folder is the one that holds Pmx/Global.pmx, however
// deep the drop put it ("MyGame/Pmx/Global.pmx" from a dropped folder or a zip of one).
// UnpackDroppedZip writes a zip's entries below a folder after ReadZip's checks (no names that
// leave the folder); its errors name the zip and the entry.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet {

// The folder prefix ("" or "MyGame/", "/" separators) of the shallowest name ending in
// "Pmx/Global.pmx" (ASCII letter case ignored); nullopt when no name does.
std::optional<std::string> DroppedTitlePrefix(const std::vector<std::string>& names);

// The title's folder below root, where files were dropped; throws MavError when the drop holds
// no Pmx/Global.pmx.
std::filesystem::path FindDroppedTitle(const std::filesystem::path& root);

void UnpackDroppedZip(std::string_view zip, std::string_view zip_name, const std::filesystem::path& root);

}  // namespace mavlet
