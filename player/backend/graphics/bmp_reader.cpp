#include "player/backend/graphics/bmp_reader.h"

#include <bit>
#include <cstring>
#include <string>

#include "player/common/error.h"

namespace mavlet {
namespace {

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3,
                        kBiAlphaBitfields = 6;

class Reader {
 public:
  Reader(std::span<const std::uint8_t> data, std::string_view name) : data_(data), name_(name) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw MavError(std::string(name_) + ": " + what);
  }
  std::size_t size() const { return data_.size(); }
  std::uint8_t U8(std::size_t at) const { return data_[at]; }
  std::uint16_t U16(std::size_t at) const {
    return static_cast<std::uint16_t>(data_[at] | (data_[at + 1] << 8));
  }
  std::uint32_t U32(std::size_t at) const {
    return std::uint32_t{data_[at]} | (std::uint32_t{data_[at + 1]} << 8) |
           (std::uint32_t{data_[at + 2]} << 16) | (std::uint32_t{data_[at + 3]} << 24);
  }
  std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
  const std::uint8_t* At(std::size_t at) const { return data_.data() + at; }
  std::string_view name() const { return name_; }

 private:
  std::span<const std::uint8_t> data_;
  std::string_view name_;
};

// One colour channel of a BITFIELDS pixel, widened or narrowed to 8 bits.
class ChannelMask {
 public:
  explicit ChannelMask(std::uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    shift_ = std::countr_zero(mask);
    bits_ = 32 - std::countl_zero(mask >> shift_);
  }
  std::uint8_t Extract(std::uint32_t pixel) const {
    if (mask_ == 0) return 0;
    const std::uint32_t v = (pixel & mask_) >> shift_;
    if (bits_ >= 8) return static_cast<std::uint8_t>(v >> (bits_ - 8));
    // Narrow channels widen by repeating their bits (5-bit 0x1F becomes 0xFF, 0x10 0x84).
    int pos = 8 - bits_;
    std::uint32_t out = v << pos;
    while (pos > 0) {
      pos -= bits_;
      out |= pos >= 0 ? v << pos : v >> -pos;
    }
    return static_cast<std::uint8_t>(out);
  }

 private:
  std::uint32_t mask_ = 0;
  int shift_ = 0;
  int bits_ = 0;
};

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;  // absolute
  bool top_down = false;
  int bits = 0;
  std::uint32_t compression = kBiRgb;
};

// Decodes RLE8 / RLE4 from data[p, limit) into an indexed bitmap. Returns the position behind
// the end-of-picture mark (or the limit when the mark is missing).
std::size_t DecodeRle(const Reader& r, std::size_t p, std::size_t limit, bool rle4,
                      const Header& h, Bitmap& out) {
  const std::int64_t w = h.width, ht = h.height;
  std::int64_t x = 0, y = 0;
  auto put = [&](std::uint8_t index) {
    if (x < w && y < ht) out.Row(static_cast<std::int32_t>(h.top_down ? y : ht - 1 - y))[x] = index;
    ++x;
  };
  while (p < limit) {
    if (limit - p < 2) r.Fail("RLE pixel data is cut off");
    const std::uint8_t a = r.U8(p), b = r.U8(p + 1);
    p += 2;
    if (a > 0) {
      if (x >= w || y >= ht) {
        x += a;
        continue;
      }
      for (int i = 0; i < a; ++i) put(rle4 ? ((i & 1) ? (b & 15) : (b >> 4)) : b);
    } else if (b == 0) {
      x = 0;
      ++y;
    } else if (b == 1) {
      return p;
    } else if (b == 2) {
      if (limit - p < 2) r.Fail("RLE pixel data is cut off");
      x += r.U8(p);
      y += r.U8(p + 1);
      p += 2;
    } else {
      const std::size_t bytes = rle4 ? (b + 1u) / 2 : b;
      if (limit - p < bytes) r.Fail("RLE pixel data is cut off");
      for (int i = 0; i < b; ++i) {
        const std::uint8_t v = r.U8(p + (rle4 ? i / 2 : i));
        put(rle4 ? ((i & 1) ? (v & 15) : (v >> 4)) : v);
      }
      p += bytes;
      if ((bytes & 1) && p < limit) ++p;  // runs are padded to 16 bits
    }
  }
  return limit;
}

void DecodeRows(const Reader& r, std::size_t px, std::size_t stride, const Header& h,
                const ChannelMask* masks, Bitmap& out) {
  const std::int32_t w = static_cast<std::int32_t>(h.width);
  for (std::int64_t i = 0; i < h.height; ++i) {
    const std::uint8_t* src = r.At(px + static_cast<std::size_t>(i) * stride);
    std::uint8_t* dst = out.Row(static_cast<std::int32_t>(h.top_down ? i : h.height - 1 - i));
    switch (h.bits) {
      case 1:
        for (std::int32_t x = 0; x < w; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
        break;
      case 4:
        for (std::int32_t x = 0; x < w; ++x) dst[x] = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
        break;
      case 8:
        std::memcpy(dst, src, static_cast<std::size_t>(w));
        break;
      case 16:
        for (std::int32_t x = 0; x < w; ++x) {
          const std::uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
          dst[4 * x] = masks[2].Extract(v);
          dst[4 * x + 1] = masks[1].Extract(v);
          dst[4 * x + 2] = masks[0].Extract(v);
        }
        break;
      case 24:
        std::memcpy(dst, src, static_cast<std::size_t>(w) * 3);
        break;
      case 32:
        if (h.compression == kBiRgb) {
          for (std::int32_t x = 0; x < w; ++x) {
            std::memcpy(dst + 4 * x, src + 4 * x, 3);
            dst[4 * x + 3] = 0;
          }
        } else {
          for (std::int32_t x = 0; x < w; ++x) {
            const std::uint32_t v = std::uint32_t{src[4 * x]} | (std::uint32_t{src[4 * x + 1]} << 8) |
                (std::uint32_t{src[4 * x + 2]} << 16) | (std::uint32_t{src[4 * x + 3]} << 24);
            dst[4 * x] = masks[2].Extract(v);
            dst[4 * x + 1] = masks[1].Extract(v);
            dst[4 * x + 2] = masks[0].Extract(v);
          }
        }
        break;
    }
  }
}

}  // namespace

Bitmap ReadBmp(std::span<const std::uint8_t> data, std::size_t& pos, std::string_view name) {
  const Reader r(data, name);
  const std::size_t start = pos;
  if (start > r.size() || r.size() - start < 18) r.Fail("too short to be a BMP picture");
  if (r.U8(start) != 'B' || r.U8(start + 1) != 'M') r.Fail("not a BMP picture (no \"BM\" mark)");
  const std::uint32_t file_size = r.U32(start + 2);
  const std::uint32_t off_bits = r.U32(start + 10);
  const std::size_t hp = start + 14;
  const std::uint32_t hsize = r.U32(hp);
  if (hsize != 12 && hsize != 40 && hsize != 52 && hsize != 56 && hsize != 64 && hsize != 108 &&
      hsize != 124) {
    r.Fail("unsupported BMP header size " + std::to_string(hsize));
  }
  if (r.size() - hp < hsize) r.Fail("BMP header is cut off");

  Header h;
  std::uint32_t clr_used = 0;
  if (hsize == 12) {
    h.width = r.U16(hp + 4);
    h.height = r.U16(hp + 6);
    h.bits = r.U16(hp + 10);
  } else {
    h.width = r.I32(hp + 4);
    const std::int64_t height = r.I32(hp + 8);
    h.top_down = height < 0;
    h.height = height < 0 ? -height : height;
    h.bits = r.U16(hp + 14);
    h.compression = r.U32(hp + 16);
    clr_used = r.U32(hp + 32);
  }
  if (h.width <= 0 || h.height <= 0) {
    r.Fail("invalid picture size " + std::to_string(h.width) + " x " + std::to_string(h.height));
  }
  CheckBitmapSize(h.width, h.height, name);
  if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32) {
    r.Fail("unsupported BMP depth of " + std::to_string(h.bits) + " bits per pixel");
  }
  const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
  const bool bitfields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
  if ((hsize == 64 && h.compression > kBiRle4) ||
      (h.compression != kBiRgb && !rle && !bitfields)) {
    r.Fail("unsupported BMP compression " + std::to_string(h.compression));
  }
  if ((h.compression == kBiRle8 && h.bits != 8) || (h.compression == kBiRle4 && h.bits != 4) ||
      (bitfields && h.bits != 16 && h.bits != 32)) {
    r.Fail("BMP compression " + std::to_string(h.compression) + " does not fit " +
           std::to_string(h.bits) + " bits per pixel");
  }
  if (rle && h.top_down) r.Fail("RLE pixel data cannot run top-down");

  // Channel masks: inside the longer headers, else right behind a 40-byte one.
  std::size_t table = hp + hsize;
  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (h.bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  if (bitfields) {
    std::size_t at = hp + 40;
    if (hsize < 52) {
      const std::size_t extra = h.compression == kBiAlphaBitfields ? 16 : 12;
      if (r.size() - table < extra) r.Fail("BMP colour masks are cut off");
      table += extra;
    }
    for (int i = 0; i < 3; ++i) masks[i] = r.U32(at + 4 * i);
  }
  const ChannelMask channels[3] = {ChannelMask(masks[0]), ChannelMask(masks[1]),
                                   ChannelMask(masks[2])};

  // Everything the header promises is checked against the data before the bitmap is made, so a
  // header alone never makes us allocate a picture that its data could not fill.
  const bool indexed = h.bits <= 8;
  std::size_t table_end = table;
  std::uint32_t palette_count = 0;
  const std::size_t entry = hsize == 12 ? 3 : 4;
  if (indexed) {
    palette_count = clr_used != 0 ? clr_used : (1u << h.bits);
    if (palette_count > 256) palette_count = 256;
    if ((r.size() - table) / entry < palette_count) r.Fail("BMP colour table is cut off");
    table_end = table + palette_count * entry;
  }

  // Pixel data: where the file header says, unless that points into the headers.
  std::size_t px = start + std::size_t{off_bits};
  if (off_bits == 0 || px < table_end) px = table_end;
  if (px > r.size()) r.Fail("BMP pixel data lies beyond the end of the data");
  const std::size_t declared_end = start + std::size_t{file_size};
  const std::uint64_t stride = (static_cast<std::uint64_t>(h.width) * h.bits + 31) / 32 * 4;
  const std::uint64_t need = stride * static_cast<std::uint64_t>(h.height);
  if (!rle && r.size() - px < need) {
    r.Fail("BMP pixel data is cut off (" + std::to_string(need) + " bytes needed, " +
           std::to_string(r.size() - px) + " present)");
  }

  Bitmap out(indexed ? Bitmap::Layout::kIndexed8
                     : (h.bits == 24 ? Bitmap::Layout::kBgr24 : Bitmap::Layout::kBgrx32),
             static_cast<std::int32_t>(h.width), static_cast<std::int32_t>(h.height), h.bits);
  for (std::uint32_t i = 0; i < palette_count; ++i) {
    const std::size_t e = table + i * entry;
    out.SetPaletteEntry(static_cast<int>(i), r.U8(e + 2), r.U8(e + 1), r.U8(e));
  }

  std::size_t end;
  if (rle) {
    const std::size_t limit = (file_size != 0 && declared_end > px && declared_end <= r.size())
                                  ? declared_end
                                  : r.size();
    end = DecodeRle(r, px, limit, h.compression == kBiRle4, h, out);
  } else {
    DecodeRows(r, px, static_cast<std::size_t>(stride), h, channels, out);
    end = px + static_cast<std::size_t>(need);
  }
  // Stand behind the file as its size field says; a field that is missing or too small for the
  // pixels is ignored, one that runs past the data is cut to it.
  if (file_size != 0 && declared_end >= end) end = std::min(declared_end, r.size());
  pos = end;
  return out;
}

}  // namespace mavlet
