#pragma once
// A scratch folder for file-system tests, removed with everything in it.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace mavlet::testing {

class TempTree {
 public:
  TempTree() {
    const char* env = std::getenv("TMPDIR");
    std::string pattern = std::string(env && env[0] == '/' ? env : "/tmp") + "/mavlet-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
  }
  ~TempTree() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  // Creates a file (and its folders) below the root; the name is taken as raw bytes.
  std::filesystem::path File(const std::string& relative, const std::string& content = "x") const {
    const std::filesystem::path p = root_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }
  std::filesystem::path Folder(const std::string& relative) const {
    const std::filesystem::path p = root_ / relative;
    std::filesystem::create_directories(p);
    return p;
  }

 private:
  std::filesystem::path root_;
};

}  // namespace mavlet::testing
