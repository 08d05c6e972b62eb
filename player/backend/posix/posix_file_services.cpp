#include "player/backend/posix/posix_file_services.h"

#include <cstdlib>

namespace mavlet {

namespace fs = std::filesystem;

fs::path TempFolderFrom(const char* tmpdir) {
  if (tmpdir && tmpdir[0] == '/') return tmpdir;
  return "/tmp";
}

namespace {

PosixFileServices::Options FromEnvironment() {
  PosixFileServices::Options options;
  options.temp_folder = TempFolderFrom(std::getenv("TMPDIR"));
  return options;
}

}  // namespace

PosixFileServices::PosixFileServices() : PosixFileServices(FromEnvironment()) {}

PosixFileServices::PosixFileServices(Options options)
    : options_(std::move(options)), discs_(options_.mounts_file, resolver_) {}

std::optional<fs::path> PosixFileServices::Resolve(const fs::path& base, std::string_view title_path) {
  return resolver_.Resolve(base, title_path);
}

std::vector<fs::path> PosixFileServices::DataDiscRoots() { return discs_.DataDiscRoots(); }

std::vector<fs::path> PosixFileServices::OpticalRoots() { return discs_.OpticalRoots(); }

}  // namespace mavlet
