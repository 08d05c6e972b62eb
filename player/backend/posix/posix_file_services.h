#pragma once
// The Linux realisation of the file services: title paths through a PathResolver, data discs
// from the mounts table, the temporary folder from $TMPDIR.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/posix/data_discs.h"
#include "player/backend/file_services.h"
#include "player/backend/posix/path_resolver.h"

namespace mavlet {

// $TMPDIR when it is an absolute path, else /tmp. The caller reads the environment.
std::filesystem::path TempFolderFrom(const char* tmpdir);

class PosixFileServices : public FileServices {
 public:
  struct Options {
    std::filesystem::path mounts_file = "/proc/self/mounts";
    std::filesystem::path temp_folder = "/tmp";
  };
  // Reads TMPDIR once; the mounts table is /proc/self/mounts.
  PosixFileServices();
  explicit PosixFileServices(Options options);

  std::optional<std::filesystem::path> Resolve(const std::filesystem::path& base,
                                               std::string_view title_path) override;
  std::vector<std::filesystem::path> DataDiscRoots() override;
  std::vector<std::filesystem::path> OpticalRoots() override;
  std::filesystem::path TempFolder() override { return options_.temp_folder; }

  PathResolver& Resolver() { return resolver_; }

 private:
  Options options_;
  PathResolver resolver_;
  DataDiscs discs_;
};

}  // namespace mavlet
