#pragma once
// Picture files in the "PMP" folder: packed files whose payload is one BMP (".pmp") or a list of
// frames (any other extension): a signed 32-bit frame count, then per frame one flag byte (draw
// with the colour key) and one BMP. Masks of ".pmp" pictures live beside them as "<name>-m.pmp".
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "player/backend/graphics/bitmap.h"

namespace mavlet {

class FileServices;

struct PictureFrame {
  Bitmap bitmap;
  bool transparent = false;  // FrameTransparent
};

// All frames of one file together may not exceed this many pixels (damaged frame counts).
inline constexpr std::int64_t kMaxPictureFilePixels = std::int64_t{1} << 26;

// True when the name ends in ".pmp", ignoring ASCII case: a single picture. Names without that
// extension (including names without any) are multi-frame files.
bool IsSinglePictureName(std::string_view name);

// Path of the mask of a ".pmp" picture: the name without its last four characters + "-m.pmp".
std::filesystem::path MaskPathFor(const std::filesystem::path& picture_file);

// Decodes a payload as a single picture. Multi-frame payloads (single == false) show their
// first frame: the count and the first flag byte are skipped. `name` goes into errors.
Bitmap DecodePicture(std::span<const std::uint8_t> payload, bool single, std::string_view name);
// Decodes every frame of a multi-frame payload; a count of zero or below gives no frames.
std::vector<PictureFrame> DecodeFrames(std::span<const std::uint8_t> payload,
                                       std::string_view name);

// Unpack and decode a picture file; the file's extension decides the layout. Throw MavError
// naming the file when it is missing or damaged.
Bitmap LoadPicture(const std::filesystem::path& file);
std::vector<PictureFrame> LoadFrames(const std::filesystem::path& file);

enum class DiscSearch { kEveryDisc, kFirstDiscOnly };

// Finds picture `name` (relative to "PMP\", Shift-JIS) below the title's base folder, else below
// the root of the data discs in drive order (only the first with kFirstDiscOnly).
std::optional<std::filesystem::path> FindPictureFile(FileServices& files,
                                                     const std::filesystem::path& base,
                                                     std::string_view name, DiscSearch discs);
// The mask file beside a found ".pmp" picture, when it exists (its name is matched ignoring
// ASCII case, so a title made on a case-blind file system finds it here too).
std::optional<std::filesystem::path> FindMaskFile(FileServices& files,
                                                  const std::filesystem::path& picture_file);

}  // namespace mavlet
