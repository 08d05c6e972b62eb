#include "player/display/picture_file.h"

#include <string>

#include "player/backend/graphics/bmp_reader.h"
#include "player/backend/file_services.h"
#include "player/common/ascii_case.h"
#include "player/common/error.h"
#include "player/storage/packed_file.h"

namespace mavlet {
namespace {

std::int32_t FrameCount(std::span<const std::uint8_t> payload, std::string_view name) {
  if (payload.size() < 4) {
    throw MavError(std::string(name) + ": multi-frame picture too short for its frame count");
  }
  return static_cast<std::int32_t>(std::uint32_t{payload[0]} | (std::uint32_t{payload[1]} << 8) |
                                   (std::uint32_t{payload[2]} << 16) |
                                   (std::uint32_t{payload[3]} << 24));
}

}  // namespace

bool IsSinglePictureName(std::string_view name) {
  return EndsWithIgnoreAsciiCaseBytes(name, ".pmp");
}

std::filesystem::path MaskPathFor(const std::filesystem::path& picture_file) {
  std::string s = picture_file.string();
  s.resize(s.size() >= 4 ? s.size() - 4 : 0);
  return std::filesystem::path(s + "-m.pmp");
}

Bitmap DecodePicture(std::span<const std::uint8_t> payload, bool single, std::string_view name) {
  std::size_t pos = 0;
  if (!single) {
    if (payload.size() < 5) {
      throw MavError(std::string(name) + ": multi-frame picture holds no first frame");
    }
    pos = 5;
  }
  return ReadBmp(payload, pos, name);
}

std::vector<PictureFrame> DecodeFrames(std::span<const std::uint8_t> payload,
                                       std::string_view name) {
  const std::int32_t count = FrameCount(payload, name);
  std::vector<PictureFrame> frames;
  std::size_t pos = 4;
  std::int64_t pixels = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    if (pos >= payload.size()) {
      throw MavError(std::string(name) + ": frame " + std::to_string(i + 1) + " of " +
                     std::to_string(count) + " is missing");
    }
    PictureFrame frame;
    frame.transparent = payload[pos++] != 0;
    frame.bitmap = ReadBmp(payload, pos, name);
    pixels += std::int64_t{frame.bitmap.width()} * frame.bitmap.height();
    if (pixels > kMaxPictureFilePixels) {
      throw MavError(std::string(name) + ": frames exceed the supported total picture size");
    }
    frames.push_back(std::move(frame));
  }
  return frames;
}

Bitmap LoadPicture(const std::filesystem::path& file) {
  const ByteBuffer payload = UnpackFile(file);
  return DecodePicture(payload, IsSinglePictureName(file.filename().string()), file.string());
}

std::vector<PictureFrame> LoadFrames(const std::filesystem::path& file) {
  const ByteBuffer payload = UnpackFile(file);
  return DecodeFrames(payload, file.string());
}

std::optional<std::filesystem::path> FindPictureFile(FileServices& files,
                                                     const std::filesystem::path& base,
                                                     std::string_view name, DiscSearch discs) {
  if (name.empty()) return std::nullopt;
  const std::string title_path = "PMP\\" + std::string(name);
  if (auto found = files.Resolve(base, title_path)) return found;
  for (const std::filesystem::path& root : files.DataDiscRoots()) {
    if (auto found = files.Resolve(root, title_path)) return found;
    if (discs == DiscSearch::kFirstDiscOnly) break;
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> FindMaskFile(FileServices& files,
                                                  const std::filesystem::path& picture_file) {
  const std::string file_name = picture_file.filename().string();
  if (!IsSinglePictureName(file_name)) return std::nullopt;
  const std::string mask_name = MaskPathFor(file_name).string();
  // The picture's own folder is the base; the mask name goes through the same case-blind lookup.
  return files.Resolve(picture_file.parent_path(), mask_name);
}

}  // namespace mavlet
