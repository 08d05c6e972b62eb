#include "player/backend/font_table.h"

#include <cstdint>
#include <set>

#include "player/backend/title_manifest.h"
#include "player/common/encoding.h"
#include "player/common/error.h"

namespace mavlet {

namespace {

constexpr std::string_view kTableHeader = "mavlet-fonts 1";
constexpr std::int64_t kMaxFaceIndex = 0x7FFFFFFF;

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

std::optional<std::string> FaceNameProblem(std::string_view name) {
  if (name.empty()) return "the face name is empty";
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "the face name holds a control character";
  for (const Utf8Char& ch : DecodeUtf8(name))
    if (ch.bytes.empty()) return "the face name is not UTF-8";
  return std::nullopt;
}

std::optional<int> ParseIndex(std::string_view s) {
  if (s.empty() || s.size() > 10) return std::nullopt;
  std::int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  if (v > kMaxFaceIndex) return std::nullopt;
  return static_cast<int>(v);
}

std::optional<std::string> FaceProblem(const FontFace& face) {
  if (auto problem = SitePathProblem(face.file)) return "font file: " + *problem + ": " + face.file;
  if (face.index < 0) return "the face index is negative";
  return std::nullopt;
}

}  // namespace

FontTable ParseFontTable(std::string_view text, std::string_view file_name) {
  const std::vector<std::string_view> lines = SiteTextLines(text, file_name, kMaxFontTableLines);
  auto fail = [&](std::size_t line, const std::string& problem) {
    return MavError(std::string(file_name) + ":" + std::to_string(line) + ": " + problem);
  };
  if (lines.empty() || lines[0] != kTableHeader)
    throw fail(1, "not a font table (the first line must be \"" + std::string(kTableHeader) + "\")");
  FontTable table;
  std::set<std::string_view> named;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::size_t line_no = i + 1;
    const std::vector<std::string_view> f = SplitTabs(lines[i]);
    auto face_at = [&](std::size_t at) {
      FontFace face{std::string(f[at]), 0};
      const std::optional<int> index = ParseIndex(f[at + 1]);
      if (!index) throw fail(line_no, "the face index is not a number from 0 to 2147483647");
      face.index = *index;
      if (auto problem = FaceProblem(face)) throw fail(line_no, *problem);
      return face;
    };
    if (f[0] == "face" && f.size() == 4) {
      if (auto problem = FaceNameProblem(f[1])) throw fail(line_no, *problem);
      if (!named.insert(f[1]).second) throw fail(line_no, "the face is named twice: " + std::string(f[1]));
      table.faces.emplace_back(std::string(f[1]), face_at(2));
    } else if (f[0] == "default" && f.size() == 3) {
      if (table.fallback) throw fail(line_no, "a second default line");
      table.fallback = face_at(1);
    } else if (f[0] == "list" && f.size() == 2) {
      if (auto problem = FaceNameProblem(f[1])) throw fail(line_no, *problem);
      table.face_list.emplace_back(f[1]);
    } else {
      throw fail(line_no, "expected face<TAB>NAME<TAB>FILE<TAB>INDEX, default<TAB>FILE<TAB>INDEX or list<TAB>NAME");
    }
  }
  return table;
}

std::string WriteFontTable(const FontTable& table) {
  const std::size_t lines = 1 + table.faces.size() + (table.fallback ? 1 : 0) + table.face_list.size();
  if (lines > kMaxFontTableLines)
    throw MavError("font table: more than " + std::to_string(kMaxFontTableLines) + " lines");
  auto check_name = [](const std::string& name) {
    if (auto problem = FaceNameProblem(name)) throw MavError("font table: " + *problem + ": " + name);
  };
  auto check_face = [](const FontFace& face) {
    if (auto problem = FaceProblem(face)) throw MavError("font table: " + *problem);
  };
  std::set<std::string_view> named;
  std::string out(kTableHeader);
  out += '\n';
  for (const auto& [name, face] : table.faces) {
    check_name(name);
    check_face(face);
    if (!named.insert(name).second) throw MavError("font table: the face is named twice: " + name);
    out += "face\t" + name + "\t" + face.file + "\t" + std::to_string(face.index) + "\n";
  }
  if (table.fallback) {
    check_face(*table.fallback);
    out += "default\t" + table.fallback->file + "\t" + std::to_string(table.fallback->index) + "\n";
  }
  for (const std::string& name : table.face_list) {
    check_name(name);
    out += "list\t" + name + "\n";
  }
  return out;
}

}  // namespace mavlet
