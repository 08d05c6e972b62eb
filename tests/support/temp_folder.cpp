#include "tests/support/temp_folder.h"

#include <stdlib.h>

#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "tests/support/file_builders.h"

namespace mavlet::testing {

TempFolder::TempFolder(std::string_view tag) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / ("mavlet-" + std::string(tag) + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder " + pattern);
  path_ = pattern;
}

TempFolder::~TempFolder() {
  if (const char* keep = std::getenv("MAVLET_KEEP_TEST_DIR"); keep != nullptr && std::string(keep) == "1") {
    std::cout << "kept " << path_.string() << "\n";
    return;
  }
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempFolder::File(std::string_view relative, std::string_view content) const {
  const std::filesystem::path p = path_ / relative;
  WriteFile(p, content);
  return p;
}

std::filesystem::path TempFolder::File(std::string_view relative, const std::vector<std::uint8_t>& content) const {
  const std::filesystem::path p = path_ / relative;
  WriteFile(p, content);
  return p;
}

std::filesystem::path TempFolder::Folder(std::string_view relative) const {
  const std::filesystem::path p = path_ / relative;
  std::filesystem::create_directories(p);
  return p;
}

PrivateTmpdir::PrivateTmpdir(const std::filesystem::path& below) {
  if (const char* old = std::getenv("TMPDIR")) old_ = old;
  std::filesystem::create_directories(below / "tmp");
  ::setenv("TMPDIR", (below / "tmp").c_str(), 1);
}

PrivateTmpdir::~PrivateTmpdir() {
  if (old_) {
    ::setenv("TMPDIR", old_->c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

}  // namespace mavlet::testing
