#pragma once
// Packed files: a zlib stream (RFC 1950) with every byte XOR-ed with 0x5A. Scenario files,
// pictures, sounds, archives and save slots are all stored this way.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

#include "player/common/error.h"
#include "player/common/stop_flag.h"
#include "player/storage/byte_buffer.h"

namespace mavlet {

inline constexpr std::uint8_t kPackMask = 0x5A;
// Inflated payloads above this size are refused as damaged rather than exhausting memory.
inline constexpr std::size_t kMaxUnpackedSize = std::size_t{1} << 30;

// Thrown by an unpack whose stop token was signalled: the result is no longer wanted. The work
// stops between inflate steps (at most kCancellableInflateStep bytes of output apart).
class UnpackCancelled : public MavError {
 public:
  using MavError::MavError;
};
inline constexpr std::size_t kCancellableInflateStep = std::size_t{256} << 10;

// Reads and unpacks a packed file. Throws MavError naming the file when it is missing
// ("ﾌｧｲﾙ %s が見つかりません"), unreadable or damaged. With a stop token that can be signalled,
// the unpack is cancellable (UnpackCancelled).
ByteBuffer UnpackFile(const std::filesystem::path& file, const StopToken& stop = {});
// Unpacks packed bytes held in memory; the mask is removed in place (the source is consumed).
// `what` names the source in error messages. A payload above `limit` bytes is refused as damaged.
// Bytes after the end of the zlib stream are ignored. A stop token that can be signalled makes it
// cancellable: it then inflates step by step (the streaming inflater) and checks the token
// between steps, throwing UnpackCancelled.
ByteBuffer UnpackStream(std::span<std::uint8_t> packed, std::string_view what = "stream",
                        std::size_t limit = kMaxUnpackedSize, const StopToken& stop = {});
// zlib's streaming inflater on unmasked bytes, output in 2 MiB chunks. UnpackStream falls back to
// it for payloads too large to inflate whole and to explain why a stream is damaged.
ByteBuffer InflateZlibStream(std::span<const std::uint8_t> zlib_stream, std::string_view what,
                             std::size_t limit = kMaxUnpackedSize, const StopToken& stop = {});
// Deflates at level 1 and masks.
ByteBuffer PackBuffer(std::span<const std::uint8_t> source);
// Packs the source and replaces the file atomically (temporary file in the same folder, flushed,
// renamed), so a failure part-way leaves the previous file intact. Throws MavError on failure.
void PackToFile(const std::filesystem::path& file, std::span<const std::uint8_t> source);

// XOR-s every byte with the mask, a machine word at a time.
void ApplyMask(std::span<std::uint8_t> bytes);

}  // namespace mavlet
