#pragma once
// A one-page title in a temporary folder for benchmarks that run titles headless: Global.pmx
// with the given number variables and page 1 packed from its text. Removed again on
// destruction.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "player/engine/global_file.h"
#include "player/storage/packed_file.h"

namespace mavlet::bench {

class BenchTitle {
 public:
  BenchTitle(std::string_view tag, std::vector<std::string> nums, std::string_view page) {
    folder_ = std::filesystem::temp_directory_path() /
              ("mavlet-" + std::string(tag) + "-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_ / "Pmx");
    TGlobalData g;
    g.Title = "bench";
    g.StartPage = 1;
    g.NoRegistry = 1;
    g.NumNames = std::move(nums);
    WriteGlobalFile(folder_ / "Pmx" / "Global.pmx", g);
    PackToFile(folder_ / "Pmx" / "1.pmx", ByteBuffer(page.begin(), page.end()));
  }
  ~BenchTitle() { std::filesystem::remove_all(folder_); }
  BenchTitle(const BenchTitle&) = delete;
  BenchTitle& operator=(const BenchTitle&) = delete;
  const std::filesystem::path& Folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

}  // namespace mavlet::bench
