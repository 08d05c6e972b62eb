#pragma once
// The font table of a web site: which font file (and face index inside it) each face name a
// title uses resolves to, the face used for any other name, and the face list the player shows
// titles ("@Fonts"), so the browser draws the same pixels and reports the same list as the
// native player that wrote it. The text is UTF-8:
//   mavlet-fonts 1
//   face<TAB>FACE NAME<TAB>FILE<TAB>INDEX   (any number)
//   default<TAB>FILE<TAB>INDEX              (at most one)
//   list<TAB>FACE NAME                      (the face list, in order)
// FILE is relative to the table's folder. Parsing fails with a MavError naming the file and the
// line on a wrong first line, an unknown or malformed line, a face named twice, a second default
// line, an empty or non-UTF-8 face name, a file path that would leave the folder (the same rule
// as the title manifest's paths), an index outside 0..2^31-1, or more than kMaxFontTableLines
// lines. Writing fails the same way on anything it would not read back.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mavlet {

struct FontFace {
  std::string file;  // relative to the table's folder, "/" separators
  int index = 0;
};

struct FontTable {
  std::vector<std::pair<std::string, FontFace>> faces;  // UTF-8 face name -> face
  std::optional<FontFace> fallback;                     // any name not in faces
  std::vector<std::string> face_list;                   // UTF-8 face names
};

inline constexpr std::size_t kMaxFontTableLines = 100000;

FontTable ParseFontTable(std::string_view text, std::string_view file_name);
// Faces in the table's order, then the default, then the face list; ends in a newline.
std::string WriteFontTable(const FontTable& table);

}  // namespace mavlet
