#include "player/storage/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <optional>
#include <set>

#include "player/common/error.h"

namespace mavlet {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflate = 8;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagUtf8 = 0x0800;
// Deflate never packs more than 1032 bytes into one; a size beyond that is a lie.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

std::uint16_t Get16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t Get32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(Get16(b, at)) | static_cast<std::uint32_t>(Get16(b, at + 2)) << 16;
}
void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::uint32_t Crc(std::string_view data) {
  uLong crc = crc32(0L, Z_NULL, 0);
  std::size_t at = 0;
  while (at < data.size()) {
    const uInt n = static_cast<uInt>(std::min<std::size_t>(data.size() - at, 1u << 30));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data() + at), n);
    at += n;
  }
  return static_cast<std::uint32_t>(crc);
}

// Why a name may not be unpacked; nullopt when it may ("/" separators already).
std::optional<std::string> NameProblem(std::string_view name) {
  if (name.empty()) return "the name is empty";
  if (name.front() == '/') return "the name is absolute";
  if (name.size() >= 2 && name[1] == ':') return "the name is a drive path";
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "the name holds a control character";
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = std::min(name.find('/', start), name.size());
    const std::string_view part = name.substr(start, end - start);
    if (part == "..") return "the name leads out of the folder (\"..\")";
    if (part.empty() && end != name.size()) return "the name has an empty component";
    if (part == ".") return "the name has a \".\" component";
    start = end + 1;
  }
  return std::nullopt;
}

// Unpacks raw deflate data to exactly `size` bytes, growing the buffer as the data really
// unpacks (a declared size is never allocated on trust).
std::optional<std::string> Inflate(std::string_view packed, std::uint64_t size, std::string& problem) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
    problem = "cannot start unpacking";
    return std::nullopt;
  }
  std::string out;
  out.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, 1u << 16)));
  std::size_t fed = 0;
  std::size_t produced = 0;
  int rc = Z_OK;
  for (;;) {
    if (z.avail_in == 0 && fed < packed.size()) {
      const std::size_t n = std::min<std::size_t>(packed.size() - fed, 1u << 30);
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + fed));
      z.avail_in = static_cast<uInt>(n);
      fed += n;
    }
    if (produced == out.size()) {
      if (out.size() >= size) {
        // Full: the stream must end here; one more byte means the size lies.
        char extra = 0;
        z.next_out = reinterpret_cast<Bytef*>(&extra);
        z.avail_out = 1;
        rc = inflate(&z, Z_NO_FLUSH);
        if (z.avail_out == 0) problem = "the entry unpacks to more than its declared size";
        break;
      }
      out.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, std::uint64_t{out.size()} * 2)));
    }
    const std::size_t room = std::min<std::size_t>(out.size() - produced, 1u << 30);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    z.avail_out = static_cast<uInt>(room);
    rc = inflate(&z, Z_NO_FLUSH);
    produced += room - z.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc == Z_BUF_ERROR && z.avail_in == 0 && fed == packed.size()) break;  // data ran out
    if (rc != Z_OK && rc != Z_BUF_ERROR) break;
  }
  inflateEnd(&z);
  if (!problem.empty()) return std::nullopt;
  if (rc != Z_STREAM_END) {
    problem = rc == Z_BUF_ERROR ? "the deflate data ends early" : "the deflate data is broken";
    return std::nullopt;
  }
  if (produced != size) {
    problem = "the entry unpacks to less than its declared size";
    return std::nullopt;
  }
  out.resize(produced);
  return out;
}

std::string Deflate(std::string_view data) {
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw MavError("zip: cannot start packing");
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  const std::size_t n = out.size() - z.avail_out;
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw MavError("zip: packing failed");
  out.resize(n);
  return out;
}

}  // namespace

std::vector<ZipEntry> ReadZip(std::string_view bytes, std::string_view file_name) {
  const std::string file(file_name);
  auto fail = [&](const std::string& problem) { return MavError(file + ": " + problem); };
  if (bytes.size() < kEndSize) throw fail("not a zip file (too short)");
  // The end record sits at the end, after a comment of at most 65,535 bytes.
  std::optional<std::size_t> end;
  const std::size_t lowest = bytes.size() > kEndSize + 0xFFFF ? bytes.size() - kEndSize - 0xFFFF : 0;
  for (std::size_t at = bytes.size() - kEndSize + 1; at-- > lowest;) {
    if (Get32(bytes, at) == kEndSignature && at + kEndSize + Get16(bytes, at + 20) == bytes.size()) {
      end = at;
      break;
    }
  }
  if (!end) throw fail("not a zip file (no end record)");
  const std::size_t e = *end;
  const std::uint16_t count = Get16(bytes, e + 10);
  const std::uint32_t dir_size = Get32(bytes, e + 12);
  const std::uint32_t dir_offset = Get32(bytes, e + 16);
  if (Get16(bytes, e + 4) != 0 || Get16(bytes, e + 6) != 0 || Get16(bytes, e + 8) != count)
    throw fail("zips split over several disks are not supported");
  if (count == 0xFFFF || dir_size == 0xFFFFFFFF || dir_offset == 0xFFFFFFFF)
    throw fail("zip64 files are not supported");
  if (std::uint64_t{dir_offset} + dir_size > e) throw fail("the central directory lies outside the file");
  // Without zip64 (refused above) the count field holds at most 65,534 entries, within
  // kMaxZipEntries; a count the directory cannot hold is refused before anything is kept.
  static_assert(0xFFFE <= kMaxZipEntries);
  if (std::uint64_t{count} * kCentralSize > dir_size)
    throw fail("the central directory is too small for its " + std::to_string(count) + " entries");

  // First every record of the central directory, so no data is unpacked from a zip whose
  // directory is unsound; then the data.
  struct Record {
    std::string name;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint32_t packed_size = 0;
    std::uint32_t size = 0;
    std::uint32_t local = 0;
  };
  std::vector<Record> records;
  std::set<std::string> names;
  std::uint64_t total = 0;
  std::size_t at = dir_offset;
  const std::size_t dir_end = std::size_t{dir_offset} + dir_size;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (at + kCentralSize > dir_end || Get32(bytes, at) != kCentralSignature)
      throw fail("entry " + std::to_string(i + 1) + ": broken central directory");
    Record r;
    const std::uint16_t flags = Get16(bytes, at + 8);
    r.method = Get16(bytes, at + 10);
    r.crc = Get32(bytes, at + 16);
    r.packed_size = Get32(bytes, at + 20);
    r.size = Get32(bytes, at + 24);
    const std::size_t name_len = Get16(bytes, at + 28);
    const std::size_t extra_len = Get16(bytes, at + 30);
    const std::size_t comment_len = Get16(bytes, at + 32);
    r.local = Get32(bytes, at + 42);
    if (at + kCentralSize + name_len + extra_len + comment_len > dir_end)
      throw fail("entry " + std::to_string(i + 1) + ": broken central directory");
    r.name.assign(bytes.substr(at + kCentralSize, name_len));
    at += kCentralSize + name_len + extra_len + comment_len;
    std::replace(r.name.begin(), r.name.end(), '\\', '/');
    auto entry_fail = [&](const std::string& problem) { return fail(r.name + ": " + problem); };
    if (auto problem = NameProblem(r.name)) throw entry_fail(*problem);
    if (flags & kFlagEncrypted) throw entry_fail("encrypted entries are not supported");
    if (r.method != kMethodStored && r.method != kMethodDeflate)
      throw entry_fail("compression method " + std::to_string(r.method) + " is not supported");
    if (r.packed_size == 0xFFFFFFFF || r.size == 0xFFFFFFFF) throw entry_fail("zip64 entries are not supported");
    if (r.size > kMaxZipEntrySize) throw entry_fail("the entry is larger than 1 GiB");
    if (r.method == kMethodStored ? r.packed_size != r.size
                                  : r.size > std::uint64_t{r.packed_size} * kMaxDeflateRatio + 64)
      throw entry_fail("the declared size does not match the packed data");
    total += r.size;
    if (total > kMaxZipTotalSize) throw entry_fail("the entries add up to more than 4 GiB");
    if (r.name.back() == '/') {
      if (r.size != 0) throw entry_fail("a folder entry holds data");
      continue;
    }
    if (!names.insert(r.name).second) throw entry_fail("the name is given twice");
    if (std::uint64_t{r.local} + kLocalSize > bytes.size() || Get32(bytes, r.local) != kLocalSignature)
      throw entry_fail("the entry's header lies outside the file");
    const std::uint64_t data_at =
        std::uint64_t{r.local} + kLocalSize + Get16(bytes, r.local + 26) + Get16(bytes, r.local + 28);
    if (data_at + r.packed_size > bytes.size()) throw entry_fail("the entry's data lies outside the file");
    records.push_back(std::move(r));
  }

  std::vector<ZipEntry> entries;
  entries.reserve(records.size());
  for (const Record& r : records) {
    auto entry_fail = [&](const std::string& problem) { return fail(r.name + ": " + problem); };
    const std::size_t data_at =
        std::size_t{r.local} + kLocalSize + Get16(bytes, r.local + 26) + Get16(bytes, r.local + 28);
    const std::string_view packed = bytes.substr(data_at, r.packed_size);
    ZipEntry entry{r.name, {}};
    if (r.method == kMethodStored) {
      entry.data.assign(packed);
    } else {
      std::string problem;
      std::optional<std::string> data = Inflate(packed, r.size, problem);
      if (!data) throw entry_fail(problem);
      entry.data = std::move(*data);
    }
    if (Crc(entry.data) != r.crc) throw entry_fail("bad CRC (the data is damaged)");
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string WriteZip(const std::vector<ZipEntry>& entries) {
  if (entries.size() >= 0xFFFF) throw MavError("zip: more than 65,534 entries");
  std::string out;
  std::string central;
  std::set<std::string_view> names;
  // 1980-01-01 00:00, the earliest date a zip can hold.
  constexpr std::uint32_t kTime = 0;
  constexpr std::uint32_t kDate = (0 << 9) | (1 << 5) | 1;
  for (const ZipEntry& e : entries) {
    if (auto problem = NameProblem(e.name)) throw MavError("zip: " + e.name + ": " + *problem);
    if (e.name.find('\\') != std::string::npos || e.name.back() == '/' || e.name.size() > 0xFFFF)
      throw MavError("zip: " + e.name + ": the name cannot be stored");
    if (!names.insert(e.name).second) throw MavError("zip: " + e.name + ": the name is given twice");
    if (e.data.size() > kMaxZipEntrySize) throw MavError("zip: " + e.name + ": the entry is larger than 1 GiB");
    const std::string packed = Deflate(e.data);
    if (out.size() + packed.size() + kLocalSize + e.name.size() >= 0xFFFFFFFFu)
      throw MavError("zip: the zip would pass 4 GiB");
    const std::uint32_t crc = Crc(e.data);
    const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
    auto header = [&](std::string& to, bool in_central) {
      Put32(to, in_central ? kCentralSignature : kLocalSignature);
      if (in_central) Put16(to, 20);  // made by: version 2.0
      Put16(to, 20);                  // needed: version 2.0 (deflate)
      Put16(to, kFlagUtf8);
      Put16(to, kMethodDeflate);
      Put16(to, kTime);
      Put16(to, kDate);
      Put32(to, crc);
      Put32(to, static_cast<std::uint32_t>(packed.size()));
      Put32(to, static_cast<std::uint32_t>(e.data.size()));
      Put16(to, static_cast<std::uint32_t>(e.name.size()));
      Put16(to, 0);  // extra field
      if (in_central) {
        Put16(to, 0);  // comment
        Put16(to, 0);  // disk
        Put16(to, 0);  // internal attributes
        Put32(to, 0);  // external attributes
        Put32(to, offset);
      }
      to += e.name;
    };
    header(out, false);
    out += packed;
    header(central, true);
  }
  const std::uint32_t dir_offset = static_cast<std::uint32_t>(out.size());
  out += central;
  Put32(out, kEndSignature);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<std::uint32_t>(entries.size()));
  Put16(out, static_cast<std::uint32_t>(entries.size()));
  Put32(out, static_cast<std::uint32_t>(central.size()));
  Put32(out, dir_offset);
  Put16(out, 0);
  return out;
}

}  // namespace mavlet
