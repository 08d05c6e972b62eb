#pragma once
// Whole-file reads, positioned reads and atomic replacement of files, with errors that name the
// file and the system's reason.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "player/storage/byte_buffer.h"

namespace mavlet {

// Reads the whole file. Throws MavError naming the file when it cannot be opened or read.
ByteBuffer ReadFileBytes(const std::filesystem::path& file);

// Replaces the file's content atomically: a temporary file in the same folder is written,
// flushed to disk and renamed over the old one, so a crash, kill or full disk part-way leaves the
// previous file intact. Keeps the old file's permission bits. Throws MavError on failure.
void WriteFileAtomic(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

// A file opened read-only for positioned reads; closed when destroyed.
class ReadOnlyFile {
 public:
  // Throws MavError naming the file when it cannot be opened.
  explicit ReadOnlyFile(const std::filesystem::path& file);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // Current size of the file in bytes.
  std::uint64_t Size() const;
  // Reads up to out.size() bytes at offset; returns how many were read (fewer only at the end).
  // Throws MavError on a read error.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const;

 private:
  std::filesystem::path file_;
  int fd_ = -1;
};

}  // namespace mavlet
