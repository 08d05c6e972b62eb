// Definition file parsing on arbitrary bytes: no crash, and what is accepted is safe to write:
// every local path is relative, without "." or ".." parts, within the length limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "downloader/core/definition.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto r = quillget::ParseDefinition(text);
  if (!r.definition) {
    if (r.error.message != 805 && r.error.message != 816) std::abort();
    return 0;
  }
  if (r.definition->entries.empty()) std::abort();
  for (const auto& e : r.definition->entries) {
    if (e.Size < 0 || e.Url.size() > quillget::kMaxUrlBytes || e.Path.empty()) std::abort();
    const std::string_view p = e.Path;
    if (p.front() == '/' || p.back() == '/' || p.find('\\') != std::string_view::npos) std::abort();
    if (p == ".." || p.starts_with("../") || p.find("/../") != std::string_view::npos || p.ends_with("/..")) std::abort();
    if (p.find("//") != std::string_view::npos || p.find('\r') != std::string_view::npos) std::abort();
  }
  return 0;
}
