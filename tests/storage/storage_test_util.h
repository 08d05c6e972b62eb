#pragma once
// Helpers shared by the storage tests: a scratch folder and byte conversions.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

#include "player/storage/byte_buffer.h"

namespace mavlet::test {

// A fresh folder below the system temporary folder, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mavlet-storage-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline ByteBuffer Bytes(std::string_view s) { return ByteBuffer(s.begin(), s.end()); }
inline std::string Text(const ByteBuffer& b) { return std::string(b.begin(), b.end()); }

inline ByteBuffer RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  ByteBuffer b(n);
  for (auto& c : b) c = static_cast<std::uint8_t>(gen());
  return b;
}

inline void WriteRaw(const std::filesystem::path& file, const ByteBuffer& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline ByteBuffer ReadRaw(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return ByteBuffer(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace mavlet::test
