#include "tools/mavtool/kit/picture_codec.h"

#include <png.h>

#include <cstring>
#include <string>

#include "player/common/error.h"
#include "tools/mavtool/kit/tool_error.h"

namespace mavtool {
namespace {

using mavlet::Bitmap;
using mavlet::ByteBuffer;

// libpng reports errors through longjmp; these helpers keep every C++ object that must be
// destroyed outside the frames it unwinds.
struct PngInput {
  std::span<const std::uint8_t> data;
  std::size_t pos = 0;
  char error[160] = "damaged data";
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
  if (n > in->data.size() - in->pos) png_error(png, "the file ends early");
  std::memcpy(out, in->data.data() + in->pos, n);
  in->pos += n;
}

void OnError(png_structp png, png_const_charp message) {
  char* text = static_cast<char*>(png_get_error_ptr(png));
  std::snprintf(text, 160, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

struct RawPng {
  png_uint_32 width = 0, height = 0;
  bool indexed = false;
  bool has_alpha = false;
  std::vector<png_color> palette;
  std::vector<std::uint8_t> pixels;  // 1 byte per pixel when indexed, else RGBA
  std::vector<png_bytep> rows;
};

// Runs the decoder; false after a libpng error (the message is in the input's error text).
bool DecodeRaw(png_structp png, png_infop info, bool keep_palette, RawPng& raw) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_sig_bytes(png, 8);
  png_set_user_limits(png, mavlet::kMaxBitmapSide, mavlet::kMaxBitmapSide);
  png_set_chunk_malloc_max(png, 8u << 20);
  png_read_info(png, info);
  raw.width = png_get_image_width(png, info);
  raw.height = png_get_image_height(png, info);
  if (static_cast<std::int64_t>(raw.width) * raw.height > mavlet::kMaxBitmapPixels)
    png_error(png, "the picture is larger than the player accepts");
  const int colour_type = png_get_color_type(png, info);
  raw.indexed = keep_palette && colour_type == PNG_COLOR_TYPE_PALETTE;
  if (raw.indexed) {
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) == 0) png_error(png, "palette missing");
    raw.palette.assign(palette, palette + count);
    png_set_packing(png);
  } else {
    raw.has_alpha = (colour_type & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_strip_16(png);
    png_set_expand(png);  // palette to RGB, low grey depths to 8 bits, tRNS to alpha
    png_set_gray_to_rgb(png);
    if (!raw.has_alpha) png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const std::size_t row_bytes = png_get_rowbytes(png, info);
  if (row_bytes != static_cast<std::size_t>(raw.width) * (raw.indexed ? 1 : 4))
    png_error(png, "unexpected row layout");
  raw.pixels.resize(row_bytes * raw.height);
  raw.rows.resize(raw.height);
  for (png_uint_32 y = 0; y < raw.height; ++y) raw.rows[y] = raw.pixels.data() + row_bytes * y;
  png_read_image(png, raw.rows.data());
  png_read_end(png, nullptr);
  return true;
}

struct PngOutput {
  ByteBuffer bytes;
};

void WriteToMemory(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<PngOutput*>(png_get_io_ptr(png));
  out->bytes.insert(out->bytes.end(), data, data + n);
}

void FlushNothing(png_structp) {}

bool EncodeRaw(png_structp png, png_infop info, const Bitmap& b, PngColours colours,
               const std::vector<png_bytep>& rows, const std::vector<png_color>& palette) {
  if (setjmp(png_jmpbuf(png))) return false;
  const bool indexed = b.layout() == Bitmap::Layout::kIndexed8;
  const int type = colours == PngColours::kGrey ? PNG_COLOR_TYPE_GRAY
                   : indexed                    ? PNG_COLOR_TYPE_PALETTE
                                                : PNG_COLOR_TYPE_RGB;
  png_set_IHDR(png, info, static_cast<png_uint_32>(b.width()), static_cast<png_uint_32>(b.height()), 8, type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (type == PNG_COLOR_TYPE_PALETTE)
    png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  png_write_info(png, info);
  png_write_image(png, const_cast<png_bytepp>(rows.data()));
  png_write_end(png, nullptr);
  return true;
}

void PutU16(ByteBuffer& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutU32(ByteBuffer& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

}  // namespace

DecodedPng DecodePng(std::span<const std::uint8_t> data, std::string_view name, bool keep_palette) {
  if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0)
    throw ToolError(std::string(name) + ": not a PNG file");
  PngInput in{data, 8};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, in.error, OnError, OnWarning);
  if (!png) throw ToolError(std::string(name) + ": cannot start the PNG decoder");
  png_infop info = png_create_info_struct(png);
  RawPng raw;
  bool ok = info != nullptr;
  if (ok) {
    png_set_read_fn(png, &in, ReadFromMemory);
    ok = DecodeRaw(png, info, keep_palette, raw);
  }
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  if (!ok) throw ToolError(std::string(name) + ": bad PNG file (" + in.error + ")");
  if (raw.width == 0 || raw.height == 0) throw ToolError(std::string(name) + ": empty picture");

  const auto w = static_cast<std::int32_t>(raw.width), h = static_cast<std::int32_t>(raw.height);
  DecodedPng out;
  if (raw.indexed) {
    out.bitmap = Bitmap::Indexed8(w, h);
    out.bitmap.set_bit_count(8);
    for (std::size_t i = 0; i < raw.palette.size(); ++i)
      out.bitmap.SetPaletteEntry(static_cast<int>(i), raw.palette[i].red, raw.palette[i].green, raw.palette[i].blue);
    for (std::int32_t y = 0; y < h; ++y) std::memcpy(out.bitmap.Row(y), raw.rows[y], raw.width);
    return out;
  }
  out.bitmap = Bitmap::Rgb24(w, h);
  bool translucent = false;
  std::vector<std::uint8_t> alpha(static_cast<std::size_t>(w) * h);
  for (std::int32_t y = 0; y < h; ++y) {
    const std::uint8_t* s = raw.rows[y];
    std::uint8_t* d = out.bitmap.Row(y);
    for (std::int32_t x = 0; x < w; ++x, s += 4, d += 3) {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
      alpha[static_cast<std::size_t>(y) * w + x] = s[3];
      translucent |= s[3] != 0xFF;
    }
  }
  if (translucent) out.alpha = std::move(alpha);
  return out;
}

ByteBuffer EncodePng(const Bitmap& b, PngColours colours) {
  if (b.empty()) throw mavlet::MavError("cannot write an empty picture as PNG");
  const bool indexed = b.layout() == Bitmap::Layout::kIndexed8;
  if (colours == PngColours::kGrey && !indexed) throw mavlet::MavError("grey PNG needs an 8-bit picture");
  const std::size_t channels = indexed ? 1 : 3;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(b.width()) * b.height() * channels);
  std::vector<png_bytep> rows(static_cast<std::size_t>(b.height()));
  for (std::int32_t y = 0; y < b.height(); ++y) {
    std::uint8_t* d = pixels.data() + static_cast<std::size_t>(y) * b.width() * channels;
    rows[y] = d;
    for (std::int32_t x = 0; x < b.width(); ++x) {
      if (indexed) {
        d[x] = b.Row(y)[x];
      } else {
        const std::uint32_t rgb = b.PixelRgb(x, y);
        d[3 * x] = static_cast<std::uint8_t>(rgb >> 16);
        d[3 * x + 1] = static_cast<std::uint8_t>(rgb >> 8);
        d[3 * x + 2] = static_cast<std::uint8_t>(rgb);
      }
    }
  }
  std::vector<png_color> palette(256);
  for (int i = 0; i < 256; ++i) {
    const std::uint32_t p = b.palette()[i];
    palette[i] = png_color{static_cast<png_byte>(p >> 16), static_cast<png_byte>(p >> 8), static_cast<png_byte>(p)};
  }
  char error[160] = "failed";
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, OnError, OnWarning);
  if (!png) throw mavlet::MavError("cannot start the PNG encoder");
  png_infop info = png_create_info_struct(png);
  PngOutput out;
  bool ok = info != nullptr;
  if (ok) {
    png_set_write_fn(png, &out, WriteToMemory, FlushNothing);
    ok = EncodeRaw(png, info, b, colours, rows, palette);
  }
  png_destroy_write_struct(&png, info ? &info : nullptr);
  if (!ok) throw mavlet::MavError(std::string("PNG encoding failed: ") + error);
  return std::move(out.bytes);
}

ByteBuffer EncodeBmp(const Bitmap& b) {
  if (b.empty()) throw mavlet::MavError("cannot write an empty picture as BMP");
  const bool indexed = b.layout() == Bitmap::Layout::kIndexed8;
  const std::uint32_t w = static_cast<std::uint32_t>(b.width()), h = static_cast<std::uint32_t>(b.height());
  const std::uint32_t stride = ((indexed ? w : 3 * w) + 3) & ~3u;
  const std::uint32_t offset = 14 + 40 + (indexed ? 1024 : 0);
  const std::uint32_t image = stride * h;
  ByteBuffer out;
  out.reserve(offset + image);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, offset + image);
  PutU32(out, 0);
  PutU32(out, offset);
  PutU32(out, 40);
  PutU32(out, w);
  PutU32(out, h);  // positive height: rows bottom-up
  PutU16(out, 1);
  PutU16(out, indexed ? 8 : 24);
  PutU32(out, 0);  // no compression
  PutU32(out, image);
  PutU32(out, 2835);  // 72 dpi
  PutU32(out, 2835);
  PutU32(out, indexed ? 256 : 0);
  PutU32(out, 0);
  if (indexed)
    for (std::uint32_t p : b.palette()) PutU32(out, p & 0xFFFFFF);  // B, G, R, 0
  for (std::int32_t y = b.height() - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    if (indexed) {
      out.insert(out.end(), b.Row(y), b.Row(y) + w);
    } else {
      for (std::int32_t x = 0; x < b.width(); ++x) {
        const std::uint32_t rgb = b.PixelRgb(x, y);
        out.push_back(static_cast<std::uint8_t>(rgb));
        out.push_back(static_cast<std::uint8_t>(rgb >> 8));
        out.push_back(static_cast<std::uint8_t>(rgb >> 16));
      }
    }
    out.resize(start + stride, 0);
  }
  return out;
}

Bitmap GreyBitmap(std::int32_t width, std::int32_t height, std::span<const std::uint8_t> bytes) {
  Bitmap grey(Bitmap::Layout::kIndexed8, width, height, 8);
  for (int i = 0; i < 256; ++i) grey.SetPaletteEntry(i, i, i, i);
  for (std::int32_t y = 0; y < height; ++y)
    std::memcpy(grey.Row(y), bytes.data() + static_cast<std::size_t>(y) * width, static_cast<std::size_t>(width));
  return grey;
}

}  // namespace mavtool
