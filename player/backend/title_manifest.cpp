#include "player/backend/title_manifest.h"

#include <algorithm>
#include <set>

#include "player/common/encoding.h"
#include "player/common/error.h"

namespace mavlet {

namespace {

constexpr std::string_view kManifestHeader = "mavlet-title 1";

MavError LineError(std::string_view file_name, std::size_t line, const std::string& problem) {
  return MavError(std::string(file_name) + ":" + std::to_string(line) + ": " + problem);
}

// A plain decimal number of at most 13 digits (2^40 has 13), no sign, no blanks.
std::optional<std::uint64_t> ParseSize(std::string_view s) {
  if (s.empty() || s.size() > 13) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return v;
}

}  // namespace

std::optional<std::string> SitePathProblem(std::string_view path) {
  if (path.empty()) return "the path is empty";
  if (path.front() == '/') return "the path is absolute";
  for (char c : path) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "the path holds a control character";
    if (c == '\\') return "the path holds a backslash";
  }
  for (const Utf8Char& ch : DecodeUtf8(path))
    if (ch.bytes.empty()) return "the path is not UTF-8";
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view part = path.substr(start, end - start);
    if (part.empty()) return "the path has an empty component";
    if (part == "." || part == "..") return "the path has a \"" + std::string(part) + "\" component";
    start = end + 1;
  }
  return std::nullopt;
}

std::vector<std::string_view> SiteTextLines(std::string_view text, std::string_view file_name, std::size_t max_lines) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    if (lines.size() >= max_lines)
      throw MavError(std::string(file_name) + ": more than " + std::to_string(max_lines) + " lines");
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

TitleManifest ParseTitleManifest(std::string_view text, std::string_view file_name) {
  // The header and the prefetch line come on top of the file lines.
  const std::vector<std::string_view> lines = SiteTextLines(text, file_name, kMaxManifestLines + 2);
  if (lines.empty() || lines[0] != kManifestHeader)
    throw LineError(file_name, 1,
                    "not a title manifest (the first line must be \"" + std::string(kManifestHeader) + "\")");
  TitleManifest manifest;
  std::size_t i = 1;
  if (i < lines.size() && lines[i] == "prefetch") {
    manifest.prefetch = true;
    ++i;
  }
  if (lines.size() - i > kMaxManifestLines)
    throw MavError(std::string(file_name) + ": more than " + std::to_string(kMaxManifestLines) + " files");
  std::set<std::string_view> seen;
  manifest.files.reserve(lines.size() - i);
  for (; i < lines.size(); ++i) {
    const std::size_t line_no = i + 1;
    const std::string_view line = lines[i];
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) throw LineError(file_name, line_no, "expected SIZE<TAB>PATH");
    const std::optional<std::uint64_t> size = ParseSize(line.substr(0, tab));
    if (!size) throw LineError(file_name, line_no, "the size is not a decimal number");
    if (*size > kMaxManifestFileSize) throw LineError(file_name, line_no, "the size is past 2^40 bytes");
    const std::string_view path = line.substr(tab + 1);
    if (auto problem = SitePathProblem(path)) throw LineError(file_name, line_no, *problem + ": " + std::string(path));
    if (!seen.insert(path).second)
      throw LineError(file_name, line_no, "the path is listed twice: " + std::string(path));
    manifest.files.push_back({std::string(path), *size});
  }
  return manifest;
}

std::string WriteTitleManifest(const TitleManifest& manifest) {
  std::vector<const ManifestEntry*> sorted;
  sorted.reserve(manifest.files.size());
  for (const ManifestEntry& e : manifest.files) {
    if (auto problem = SitePathProblem(e.path)) throw MavError("title manifest: " + *problem + ": " + e.path);
    if (e.size > kMaxManifestFileSize) throw MavError("title manifest: the file is past 2^40 bytes: " + e.path);
    sorted.push_back(&e);
  }
  if (sorted.size() > kMaxManifestLines) throw MavError("title manifest: more than 1000000 files");
  std::sort(sorted.begin(), sorted.end(),
            [](const ManifestEntry* a, const ManifestEntry* b) { return a->path < b->path; });
  for (std::size_t i = 1; i < sorted.size(); ++i)
    if (sorted[i]->path == sorted[i - 1]->path)
      throw MavError("title manifest: the path is listed twice: " + sorted[i]->path);
  std::string out(kManifestHeader);
  out += '\n';
  if (manifest.prefetch) out += "prefetch\n";
  for (const ManifestEntry* e : sorted) {
    out += std::to_string(e->size);
    out += '\t';
    out += e->path;
    out += '\n';
  }
  return out;
}

}  // namespace mavlet
