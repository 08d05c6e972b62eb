#include "player/backend/fonts/table_face_locator.h"

#include <utility>

namespace mavlet {

TableFaceLocator::TableFaceLocator(FontTable table, std::string folder)
    : table_(std::move(table)), folder_(std::move(folder)) {
  while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
}

LocatedFace TableFaceLocator::Place(const FontFace& face) const {
  if (folder_.empty()) return {face.file, face.index};
  return {folder_.back() == '/' ? folder_ + face.file : folder_ + "/" + face.file, face.index};
}

std::optional<LocatedFace> TableFaceLocator::Locate(std::string_view face_utf8) {
  for (const auto& [name, face] : table_.faces)
    if (name == face_utf8) return Place(face);
  if (table_.fallback) return Place(*table_.fallback);
  return std::nullopt;
}

}  // namespace mavlet
