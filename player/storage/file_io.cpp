#include "player/storage/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "player/common/error.h"

namespace mavlet {
namespace {

[[noreturn]] void ThrowErrno(const std::filesystem::path& file, const char* action, int err) {
  throw MavError(file.string() + ": " + action + " (" + std::strerror(err) + ")");
}

// Writes everything, resuming after short writes and signals.
bool WriteAll(int fd, std::span<const std::uint8_t> bytes, int& err) {
  const std::uint8_t* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// Creates a fresh temporary file next to `file`; returns its descriptor and sets tmp.
int CreateTempBeside(const std::filesystem::path& file, std::filesystem::path& tmp) {
  std::filesystem::path dir = file.parent_path();
  if (dir.empty()) dir = ".";
  const std::string stem = "." + file.filename().string() + ".tmp" + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < 1000; ++attempt) {
    tmp = dir / (stem + std::to_string(attempt));
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST && errno != EINTR) ThrowErrno(file, "cannot create a temporary file beside it", errno);
  }
  throw MavError(file.string() + ": cannot create a temporary file beside it (too many left over)");
}

}  // namespace

ByteBuffer ReadFileBytes(const std::filesystem::path& file) {
  ReadOnlyFile in(file);
  const std::uint64_t size = in.Size();
  if (size > SIZE_MAX / 2) throw MavError(file.string() + ": file too large to read");
  ByteBuffer bytes(static_cast<std::size_t>(size));
  std::size_t got = in.ReadAt(0, bytes);
  // The file may have shrunk since it was measured; keep what was there.
  bytes.resize(got);
  return bytes;
}

void WriteFileAtomic(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) {
  std::filesystem::path tmp;
  int fd = CreateTempBeside(file, tmp);
  int err = 0;
  const char* action = nullptr;
  struct stat old {};
  if (::stat(file.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    // Best effort: a save folder shared with other users keeps its permissions.
    (void)::fchmod(fd, old.st_mode & 07777);
  }
  if (!WriteAll(fd, bytes, err)) {
    action = "cannot write";
  } else if (::fsync(fd) != 0) {
    err = errno;
    action = "cannot flush to disk";
  }
  if (::close(fd) != 0 && action == nullptr) {
    err = errno;
    action = "cannot write";
  }
  if (action == nullptr && ::rename(tmp.c_str(), file.c_str()) != 0) {
    err = errno;
    action = "cannot replace";
  }
  if (action != nullptr) {
    ::unlink(tmp.c_str());
    ThrowErrno(file, action, err);
  }
  // Make the rename itself durable; failing here cannot lose the old or new content.
  std::filesystem::path dir = file.parent_path();
  if (dir.empty()) dir = ".";
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    (void)::fsync(dfd);
    ::close(dfd);
  }
}

ReadOnlyFile::ReadOnlyFile(const std::filesystem::path& file) : file_(file) {
  // Non-blocking so that a FIFO in place of a data file cannot hang the open.
  do {
    fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) ThrowErrno(file, "cannot open", errno);
  struct stat st {};
  int err = 0;
  if (::fstat(fd_, &st) != 0) {
    err = errno;
  } else if (S_ISDIR(st.st_mode)) {
    err = EISDIR;
  }
  if (err != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    if (err != 0) ThrowErrno(file, "cannot open", err);
    throw MavError(file.string() + ": cannot open (not a regular file)");
  }
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::uint64_t ReadOnlyFile::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) ThrowErrno(file_, "cannot read", errno);
  return static_cast<std::uint64_t>(st.st_size);
}

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(file_, "cannot read", errno);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace mavlet
