#include "player/shell/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace mavlet {

InstanceLock::InstanceLock(const std::filesystem::path& folder) : file_(folder / "mavlet.lock") {
  int fd = ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
}

InstanceLock::~InstanceLock() {
  if (fd_ < 0) return;
  // The file stays: unlinking it could let a third player lock a fresh file while a second
  // one still waits on the old name.
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
}

std::filesystem::path InstanceLock::DefaultFolder(std::optional<std::string> xdg_runtime_dir,
                                                  const std::filesystem::path& temp_folder) {
  if (xdg_runtime_dir && !xdg_runtime_dir->empty() && std::filesystem::path(*xdg_runtime_dir).is_absolute())
    return *xdg_runtime_dir;
  return temp_folder;
}

}  // namespace mavlet
