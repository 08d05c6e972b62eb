#pragma once
// The one stand-in for the host's file services: title paths resolve with "\" read as "/" and
// exact letter case on disk (the real services add the case-blind matching), plus names added
// by hand that exist nowhere on disk and match ignoring ASCII case. Every question is recorded.
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "player/backend/file_services.h"

namespace mavlet::testing {

class FakeFiles : public FileServices {
 public:
  FakeFiles() = default;
  explicit FakeFiles(std::filesystem::path temp_folder) : temp(std::move(temp_folder)) {}

  std::optional<std::filesystem::path> Resolve(const std::filesystem::path& base,
                                               std::string_view title_path) override;
  std::vector<std::filesystem::path> DataDiscRoots() override { return discs; }
  // The optical volumes when set, else the data discs.
  std::vector<std::filesystem::path> OpticalRoots() override { return optical.empty() ? discs : optical; }
  std::filesystem::path TempFolder() override { return temp; }

  // A title path that resolves below base without a file on disk.
  void Add(const std::filesystem::path& base, std::string_view title_path);

  std::vector<std::filesystem::path> discs;
  std::vector<std::filesystem::path> optical;
  std::filesystem::path temp = std::filesystem::temp_directory_path();
  // base / title path (with "/") of every Resolve call, in order.
  std::vector<std::string> asked;

 private:
  std::set<std::pair<std::string, std::string>> added_;  // (base, folded title path)
};

}  // namespace mavlet::testing
