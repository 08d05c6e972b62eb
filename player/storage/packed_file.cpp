#include "player/storage/packed_file.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/common/error.h"
#include "player/storage/file_io.h"

#ifdef MAVLET_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace mavlet {
namespace {

// The streaming inflater hands out output in chunks of this size.
constexpr std::size_t kInflateChunk = std::size_t{2} << 20;

std::string Damaged(std::string_view what, std::string_view why) {
  std::string m(what);
  m += ": damaged packed data (";
  m += why;
  m += ")";
  return m;
}

std::string TooLarge(std::string_view what, std::size_t limit) {
  return Damaged(what, "unpacks to more than " + std::to_string(limit) + " bytes");
}

}  // namespace

ByteBuffer InflateZlibStream(std::span<const std::uint8_t> in, std::string_view what, std::size_t limit,
                             const StopToken& stop) {
  const bool cancellable = stop.StopPossible();
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) throw MavError(std::string(what) + ": cannot start the inflater");
  struct Ender {
    z_stream* z;
    ~Ender() { inflateEnd(z); }
  } ender{&zs};

  // Output goes into chunks that are never zero-filled; pages of a chunk that stay unused are
  // never touched, so generous chunks cost address space only.
  struct Chunk {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
    std::size_t used = 0;
  };
  std::vector<Chunk> chunks;
  std::size_t produced = 0;
  const std::uint8_t* next = in.data();
  std::size_t left = in.size();
  for (;;) {
    if (cancellable && stop.StopRequested()) throw UnpackCancelled(std::string(what) + ": unpacking cancelled");
    if (zs.avail_in == 0 && left > 0) {
      const std::size_t n = std::min<std::size_t>(left, UINT32_MAX);
      zs.next_in = const_cast<Bytef*>(next);
      zs.avail_in = static_cast<uInt>(n);
      next += n;
      left -= n;
    }
    if (chunks.empty() || chunks.back().used == chunks.back().size) {
      // The first chunk follows the input's size so that small or damaged streams stay cheap.
      const std::size_t want =
          chunks.empty() ? std::clamp<std::size_t>(in.size() * 16, std::size_t{16} << 10, kInflateChunk) : kInflateChunk;
      // One byte past the limit is enough to notice an oversized payload.
      const std::size_t left_to_limit = limit - produced;
      const std::size_t n = left_to_limit >= want ? want : left_to_limit + 1;
      chunks.push_back({std::unique_ptr<std::uint8_t[]>(new std::uint8_t[n]), n, 0});
    }
    Chunk& c = chunks.back();
    const std::size_t room = std::min<std::size_t>(c.size - c.used, cancellable ? kCancellableInflateStep : UINT32_MAX);
    zs.next_out = c.bytes.get() + c.used;
    zs.avail_out = static_cast<uInt>(room);
    const int ret = inflate(&zs, Z_NO_FLUSH);
    c.used += room - zs.avail_out;
    produced += room - zs.avail_out;
    if (produced > limit) throw MavError(TooLarge(what, limit));
    if (ret == Z_STREAM_END) break;
    if (ret == Z_OK) continue;
    if (ret == Z_BUF_ERROR && zs.avail_in == 0 && left == 0) {
      throw MavError(Damaged(what, in.empty() ? "empty" : "the stream ends early"));
    }
    if (ret == Z_NEED_DICT) throw MavError(Damaged(what, "needs a preset dictionary"));
    if (ret == Z_MEM_ERROR) throw MavError(std::string(what) + ": out of memory while unpacking");
    throw MavError(Damaged(what, zs.msg != nullptr ? zs.msg : "inflate error " + std::to_string(ret)));
  }
  if (chunks.size() == 1) return ByteBuffer(chunks[0].bytes.get(), chunks[0].bytes.get() + chunks[0].used);
  ByteBuffer out;
  out.reserve(produced);
  for (const Chunk& c : chunks) out.insert(out.end(), c.bytes.get(), c.bytes.get() + c.used);
  return out;
}

namespace {

#ifdef MAVLET_HAVE_LIBDEFLATE
// Above this the whole-buffer path would need too much guessed room; zlib streams instead.
constexpr std::size_t kWholeBufferMaxOutput = std::size_t{256} << 20;

// Whole-buffer inflating with libdeflate, which is much faster than zlib. The payload size is not
// stored, so the output room is guessed generously (untouched pages cost nothing) and grown
// fourfold (a failed try costs at most a third of the final one). nullopt when the stream is
// damaged or too large: the zlib path then reports exactly why, or handles the big payload.
std::optional<ByteBuffer> InflateWhole(std::span<const std::uint8_t> in, std::size_t limit) {
  // Deflate cannot expand by more than about 1032:1.
  const std::size_t bound = in.size() > (SIZE_MAX - 4096) / 1032 ? SIZE_MAX : in.size() * 1032 + 4096;
  const std::size_t cap = std::min({bound, limit, kWholeBufferMaxOutput});
  std::size_t room = std::min(cap, std::max<std::size_t>(in.size() * 32, 64 << 10));
  std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> d(
      libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
  if (!d) return std::nullopt;
  for (;;) {
    // Not zero-filled: only the bytes the decompressor writes are copied out.
    // Left uninitialised, as make_unique_for_overwrite would (which libc++ 14 lacks).
    auto buf = std::unique_ptr<std::uint8_t[]>(new std::uint8_t[room]);
    std::size_t got = 0;
    const libdeflate_result r = libdeflate_zlib_decompress(d.get(), in.data(), in.size(), buf.get(), room, &got);
    if (r == LIBDEFLATE_SUCCESS) return ByteBuffer(buf.get(), buf.get() + got);
    if (r != LIBDEFLATE_INSUFFICIENT_SPACE || room >= cap) return std::nullopt;
    room = room > cap / 4 ? cap : room * 4;
  }
}
#endif

}  // namespace

void ApplyMask(std::span<std::uint8_t> bytes) {
  constexpr std::uint64_t kWordMask = 0x0101010101010101ULL * kPackMask;
  std::uint8_t* p = bytes.data();
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    w ^= kWordMask;
    std::memcpy(p + i, &w, 8);
  }
  for (; i < n; ++i) p[i] ^= kPackMask;
}

ByteBuffer UnpackStream(std::span<std::uint8_t> packed, std::string_view what, std::size_t limit,
                        const StopToken& stop) {
  ApplyMask(packed);
#ifdef MAVLET_HAVE_LIBDEFLATE
  // The whole-buffer inflater cannot stop part-way; a cancellable unpack streams instead.
  if (!stop.StopPossible()) {
    if (std::optional<ByteBuffer> out = InflateWhole(packed, limit)) return std::move(*out);
  }
#endif
  return InflateZlibStream(packed, what, limit, stop);
}

ByteBuffer UnpackFile(const std::filesystem::path& file, const StopToken& stop) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) {
    throw MavError("ﾌｧｲﾙ " + file.string() + " が見つかりません");
  }
  // A packed file cannot be much larger than the largest payload it may hold (stored deflate
  // blocks add 5 bytes per 64 KiB); refuse bigger ones before reading them into memory.
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (!ec && size > kMaxUnpackedSize + kMaxUnpackedSize / 1024) {
    throw MavError(Damaged(file.string(), std::to_string(size) + " bytes, too large for a packed file"));
  }
  ByteBuffer packed = ReadFileBytes(file);
  return UnpackStream(packed, file.string(), kMaxUnpackedSize, stop);
}

ByteBuffer PackBuffer(std::span<const std::uint8_t> source) {
  z_stream zs{};
  if (deflateInit(&zs, 1) != Z_OK) throw MavError("cannot start the deflater");
  struct Ender {
    z_stream* z;
    ~Ender() { deflateEnd(z); }
  } ender{&zs};

  ByteBuffer out;
  std::size_t produced = 0;
  const std::uint8_t* next = source.data();
  std::size_t left = source.size();
  out.resize(deflateBound(&zs, static_cast<uLong>(std::min<std::size_t>(left, UINT32_MAX))) + 64);
  for (;;) {
    if (zs.avail_in == 0 && left > 0) {
      const std::size_t n = std::min<std::size_t>(left, UINT32_MAX);
      zs.next_in = const_cast<Bytef*>(next);
      zs.avail_in = static_cast<uInt>(n);
      next += n;
      left -= n;
    }
    if (produced == out.size()) out.resize(out.size() * 2);
    const std::size_t room = std::min<std::size_t>(out.size() - produced, UINT32_MAX);
    zs.next_out = out.data() + produced;
    zs.avail_out = static_cast<uInt>(room);
    const int ret = deflate(&zs, left == 0 ? Z_FINISH : Z_NO_FLUSH);
    produced += room - zs.avail_out;
    if (ret == Z_STREAM_END) break;
    if (ret != Z_OK && ret != Z_BUF_ERROR) throw MavError("deflate error " + std::to_string(ret));
  }
  out.resize(produced);
  ApplyMask(out);
  return out;
}

void PackToFile(const std::filesystem::path& file, std::span<const std::uint8_t> source) {
  ByteBuffer packed = PackBuffer(source);
  WriteFileAtomic(file, packed);
}

}  // namespace mavlet
