#include "tests/support/fake_files.h"

namespace mavlet::testing {
namespace {
std::string Slashes(std::string_view title_path) {
  std::string p(title_path);
  for (char& c : p) c = c == '\\' ? '/' : c;
  return p;
}
std::string Folded(std::string_view title_path) {
  std::string p = Slashes(title_path);
  for (char& c : p) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return p;
}
}  // namespace

std::optional<std::filesystem::path> FakeFiles::Resolve(const std::filesystem::path& base,
                                                        std::string_view title_path) {
  const std::filesystem::path full = base / Slashes(title_path);
  asked.push_back(full.string());
  if (added_.count({base.string(), Folded(title_path)}) != 0) return full;
  if (std::filesystem::exists(full)) return full;
  return std::nullopt;
}

void FakeFiles::Add(const std::filesystem::path& base, std::string_view title_path) {
  added_.insert({base.string(), Folded(title_path)});
}

}  // namespace mavlet::testing
