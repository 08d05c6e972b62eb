// Definition file parsing: line splitting (LF or CRLF), the layout decision, entry fields and
// the local-name safety check. See definition.h for what is refused and how.
#include "downloader/core/definition.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "player/common/encoding.h"

namespace quillget {
namespace {

bool Contains(std::string_view line, std::string_view key) { return line.find(key) != std::string_view::npos; }

std::string_view AfterFirstEquals(std::string_view line) {
  const auto eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view{} : line.substr(eq + 1);
}

// Decimal like atol (leading blanks, sign, digits up to the first other character), but in 64
// bits and refusing what does not fit instead of wrapping.
std::optional<std::int64_t> ParseSize(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\v' || s[i] == '\f' || s[i] == '\r')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::uint64_t value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10 + static_cast<std::uint64_t>(s[i] - '0');
    if (value > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
  }
  return negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
}

std::vector<std::string_view> SplitFields(std::string_view s, int count) {
  std::vector<std::string_view> fields;
  while (static_cast<int>(fields.size()) < count - 1) {
    const auto tab = s.find('\t');
    if (tab == std::string_view::npos) break;
    fields.push_back(s.substr(0, tab));
    s.remove_prefix(tab + 1);
  }
  fields.push_back(s);  // the last field runs to the end of the line
  fields.resize(static_cast<std::size_t>(count));
  return fields;
}

struct Line {
  std::size_t number;
  std::string_view text;
};

}  // namespace

LocalPathResult CheckLocalName(std::string_view sjis) {
  if (sjis.empty()) return {"", "the local name is empty"};
  auto decoded = mavlet::SjisToUtf8Strict(sjis);
  if (!decoded) return {"", "the local name is not valid Shift-JIS"};
  std::string path = *decoded;  // separators are looked for only after decoding (trail byte 0x5C)
  for (char& c : path) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return {"", "the local name holds a control character"};
    if (c == '\\') c = '/';
  }
  if (path.front() == '/') return {"", "the local name is an absolute path"};
  if (path.size() >= 2 && path[1] == ':' && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z'))
    return {"", "the local name starts with a drive"};
  if (path.back() == '/') return {"", "the local name ends in a separator"};
  std::string_view rest = path;
  while (!rest.empty()) {
    const auto slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    if (part.empty()) return {"", "the local name has an empty folder name"};
    if (part == "." || part == "..") return {"", "the local name has a \".\" or \"..\" component"};
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  return {path, ""};
}

LoadResult ParseDefinition(std::string_view text, std::string_view name) {
  const std::string file(name);
  auto fail = [&](int message, std::size_t line, const std::string& what) {
    LoadResult r;
    r.error = {message, line ? file + " line " + std::to_string(line) + ": " + what : file + ": " + what};
    return r;
  };

  std::vector<Line> lines;
  for (std::size_t number = 1; !text.empty(); ++number) {
    const auto nl = text.find('\n');
    std::string_view l = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    if (l.size() > kMaxLineBytes)
      return fail(805, number, "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
    if (Contains(l, "#")) continue;
    lines.push_back({number, l});
  }

  Definition def;
  // The keyed layout needs a "qlkid=" line and, after it, a "vendor_id=" line, both with values.
  std::size_t keyAt = lines.size();
  for (std::size_t i = 0; i < lines.size() && keyAt == lines.size(); ++i)
    if (Contains(lines[i].text, "qlkid=") && !AfterFirstEquals(lines[i].text).empty()) keyAt = i;
  for (std::size_t i = keyAt + 1; i < lines.size(); ++i) {
    if (Contains(lines[i].text, "vendor_id=") && !AfterFirstEquals(lines[i].text).empty()) {
      def.layout = Layout::Keyed;
      def.qlkid = std::string(AfterFirstEquals(lines[keyAt].text));
      def.vendorId = std::string(AfterFirstEquals(lines[i].text));
      break;
    }
  }

  std::string title;
  for (const Line& line : lines) {
    std::string_view fields;
    if (def.layout == Layout::Keyed) {
      if (Contains(line.text, "qlkid=") || Contains(line.text, "vendor_id=")) continue;
      if (Contains(line.text, "title=")) {
        title = std::string(AfterFirstEquals(line.text));
        continue;
      }
      if (!Contains(line.text, "file=")) continue;
      fields = AfterFirstEquals(line.text);
    } else {
      if (!Contains(line.text, "http://") && !Contains(line.text, "https://") && !Contains(line.text, "ftp://")) {
        title = std::string(line.text);
        continue;
      }
      fields = line.text;
    }
    const auto f = SplitFields(fields, 4);
    if (f[0].size() > kMaxUrlBytes)
      return fail(805, line.number, "the address is longer than " + std::to_string(kMaxUrlBytes) + " bytes");
    if (f[1].size() > kMaxLocalNameBytes)
      return fail(805, line.number, "the local name is longer than " + std::to_string(kMaxLocalNameBytes) + " bytes");
    const auto size = ParseSize(f[2]);
    if (!size) return fail(816, line.number, "the size does not fit in 64 bits");
    if (*size < 0) return fail(816, line.number, "the size is negative");
    const auto local = CheckLocalName(f[1]);
    if (!local.problem.empty()) return fail(805, line.number, local.problem);
    DownloadEntry e;
    e.Url = std::string(f[0]);
    e.LocalName = mavlet::SjisToUtf8(f[1]);
    e.Path = local.path;
    e.Size = *size;
    e.Marked = f[3] == "*";
    def.entries.push_back(std::move(e));
  }
  if (def.entries.empty()) return fail(805, 0, "no entry line");
  def.title = mavlet::SjisToUtf8(title);
  LoadResult r;
  r.definition = std::move(def);
  return r;
}

std::int64_t LocalFileSize(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

LoadResult LoadDefinition(const std::filesystem::path& folder) {
  const auto file = folder / kDefinitionName;
  const std::string name = file.string();
  const std::int64_t size = LocalFileSize(file);
  if (size < 0) {
    LoadResult r;
    r.error = {803, name + ": missing"};
    return r;
  }
  if (static_cast<std::uintmax_t>(size) > kMaxDefinitionBytes) {
    LoadResult r;
    r.error = {805, name + ": larger than " + std::to_string(kMaxDefinitionBytes) + " bytes"};
    return r;
  }
  std::ifstream in(file, std::ios::binary);
  std::string text;
  if (in.is_open()) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.is_open() || in.bad()) {
    LoadResult r;
    r.error = {804, name + ": cannot be read"};
    return r;
  }
  LoadResult r = ParseDefinition(text, name);
  if (r.definition)
    for (auto& e : r.definition->entries) e.Complete = LocalFileSize(folder / e.Path) == e.Size;
  return r;
}

bool AllComplete(const std::vector<DownloadEntry>& entries, const std::filesystem::path& folder) {
  for (const auto& e : entries)
    if (LocalFileSize(folder / e.Path) != e.Size) return false;
  return true;
}

void CompleteAddresses(std::vector<DownloadEntry>& entries, std::string_view base) {
  for (auto& e : entries) e.Url = std::string(base) + e.Url;
}

}  // namespace quillget
