#pragma once
// Faces from a site's font table (backend/font_table.h): a name the table lists gets its own
// face, any other name the table's default (nullopt when it has none); files are the table's
// paths below its folder. The face list is the table's, as it is. No lookup of its own: the
// browser's player uses it, and tests of the table's effect on the text.
#include <string>

#include "player/backend/font_table.h"
#include "player/backend/fonts/face_locator.h"

namespace mavlet {

class TableFaceLocator : public FaceLocator {
 public:
  // folder: where the table's files are (the table file's own folder), without a trailing "/".
  TableFaceLocator(FontTable table, std::string folder);

  std::optional<LocatedFace> Locate(std::string_view face_utf8) override;
  std::vector<std::string> FaceNames() override { return table_.face_list; }

 private:
  LocatedFace Place(const FontFace& face) const;

  FontTable table_;
  std::string folder_;
};

}  // namespace mavlet
