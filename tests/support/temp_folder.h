#pragma once
// The one temporary folder of the tests: a fresh folder below TMPDIR (or /tmp), unique per
// process and object, removed with everything in it (kept and named on standard output when
// MAVLET_KEEP_TEST_DIR=1, for a look). Throws std::runtime_error when it cannot be made.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mavlet::testing {

class TempFolder {
 public:
  // tag names the folder ("mavlet-TAG-XXXXXX") so a left-over one tells who made it.
  explicit TempFolder(std::string_view tag = "test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view relative) const { return path_ / relative; }
  // Creates a file (and its folders) below the folder; the name is taken as raw bytes.
  std::filesystem::path File(std::string_view relative, std::string_view content = "x") const;
  std::filesystem::path File(std::string_view relative, const std::vector<std::uint8_t>& content) const;
  std::filesystem::path Folder(std::string_view relative) const;

 private:
  std::filesystem::path path_;
};

// Points TMPDIR at a fresh "tmp" folder below the given one while it lives, and back after: the
// player unpacks packed sounds and movies under fixed names in the temporary folder, and test
// processes running at the same time must keep out of each other's files.
class PrivateTmpdir {
 public:
  explicit PrivateTmpdir(const std::filesystem::path& below);
  ~PrivateTmpdir();
  PrivateTmpdir(const PrivateTmpdir&) = delete;
  PrivateTmpdir& operator=(const PrivateTmpdir&) = delete;

 private:
  std::optional<std::string> old_;
};

}  // namespace mavlet::testing
