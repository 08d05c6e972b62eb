#pragma once
// The "a player is running" marker: an exclusive flock on a file in the user's runtime folder.
// A second player finds it taken and runs all the same, without holding it.
#include <filesystem>
#include <optional>
#include <string>

namespace mavlet {

class InstanceLock {
 public:
  // Tries to take the lock on folder/mavlet.lock. Never throws: failing to create the file
  // counts as not holding the lock.
  explicit InstanceLock(const std::filesystem::path& folder);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  bool Held() const { return fd_ >= 0; }
  const std::filesystem::path& File() const { return file_; }

  // $XDG_RUNTIME_DIR when set and absolute, else the temporary folder (values passed in).
  static std::filesystem::path DefaultFolder(std::optional<std::string> xdg_runtime_dir,
                                             const std::filesystem::path& temp_folder);

 private:
  std::filesystem::path file_;
  int fd_ = -1;
};

}  // namespace mavlet
