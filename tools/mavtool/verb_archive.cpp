// mavtool archive: creates, lists and extracts both archive kinds.
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>

#include "player/common/encoding.h"
#include "player/common/error.h"
#include "player/storage/archive_index.h"
#include "player/storage/big_file_unit.h"
#include "player/storage/file_io.h"
#include "player/storage/file_unit.h"
#include "player/storage/packed_file.h"
#include "tools/mavtool/verbs.h"

namespace mavtool {
namespace {

constexpr const char* kUsage =
    "usage: mavtool archive create --small|--large OUT FILE... | list ARCHIVE | extract ARCHIVE NAME OUT";

std::string ToSjis(const std::string& utf8, const std::string& what) {
  std::optional<std::string> sjis = mavlet::Utf8ToSjis(utf8);
  if (!sjis) throw ToolError(what + " cannot be written in Shift-JIS: " + utf8);
  return *sjis;
}

// Whether the first two bytes, unmasked, form a zlib header (deflate, valid check bits).
bool LooksPacked(const std::filesystem::path& file) {
  mavlet::ReadOnlyFile in(file);
  std::uint8_t head[2];
  if (in.ReadAt(0, head) != 2) return false;
  const unsigned cmf = head[0] ^ mavlet::kPackMask;
  const unsigned flg = head[1] ^ mavlet::kPackMask;
  return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && (cmf * 256 + flg) % 31 == 0;
}

// One archive of either kind, recognised from its content.
struct OpenedArchive {
  bool small = false;
  mavlet::TFileUnit small_unit;
  mavlet::TBigFileUnit big_unit;
  // Small archives fold names to upper case when loaded; listings show them as stored.
  std::vector<mavlet::ArchiveEntry> stored;

  explicit OpenedArchive(const std::filesystem::path& file) {
    // A small archive is a packed file; a large one starts with its plain entry count. A count
    // that happens to look like a zlib header fails to unpack and is then read as large.
    if (LooksPacked(file)) {
      try {
        mavlet::ByteBuffer payload = mavlet::UnpackFile(file);
        small_unit.LoadPayload(payload, file.string());
        for (std::size_t i = 0; i < small_unit.Entries().size(); ++i) {
          stored.push_back(mavlet::ReadIndexRecord(payload.data() + mavlet::kArchiveCountSize +
                                                   mavlet::kArchiveRecordSize * i));
        }
        small = true;
        return;
      } catch (const mavlet::MavError& packed_error) {
        try {
          big_unit.OpenArchive(file);
          return;
        } catch (const mavlet::MavError&) {
          throw packed_error;
        }
      }
    }
    big_unit.OpenArchive(file);
  }
  const std::vector<mavlet::ArchiveEntry>& Entries() const {
    return small ? stored : big_unit.Entries();
  }
};

int Create(const Args& args) {
  if (args.size() < 3 || (args[1] != "--small" && args[1] != "--large")) throw ToolError(kUsage);
  const bool small = args[1] == "--small";
  const std::filesystem::path out = args[2];
  std::vector<std::pair<std::string, mavlet::ByteBuffer>> entries;
  std::set<std::string> seen;
  for (std::size_t i = 3; i < args.size(); ++i) {
    const std::filesystem::path file = args[i];
    const std::string name = ToSjis(file.filename().string(), "the name of " + args[i]);
    mavlet::CheckArchiveName(name);
    // Lookups ignore case, so a second entry of the same name could never be reached.
    if (!seen.insert(mavlet::ArchiveNameUpper(name)).second) {
      throw ToolError("two files named " + file.filename().string() + " (names ignore letter case)");
    }
    entries.emplace_back(name, mavlet::ReadFileBytes(file));
  }
  if (small) {
    mavlet::PackToFile(out, mavlet::BuildFileUnitPayload(entries));
  } else {
    mavlet::WriteBigFileUnit(out, entries);
  }
  return 0;
}

int List(const Args& args) {
  if (args.size() != 2) throw ToolError(kUsage);
  OpenedArchive archive(args[1]);
  for (const mavlet::ArchiveEntry& e : archive.Entries()) {
    std::cout << mavlet::SjisToUtf8(e.name) << '\t' << e.size << '\n';
  }
  return 0;
}

int Extract(const Args& args) {
  if (args.size() != 4) throw ToolError(kUsage);
  OpenedArchive archive(args[1]);
  const std::string name = ToSjis(args[2], "the entry name");
  mavlet::ByteBuffer data;
  bool found = false;
  if (archive.small) {
    found = archive.small_unit.ExtractEntry(name, data);
  } else {
    const int index = archive.big_unit.IndexOfEntry(name);
    if (index >= 0) {
      if (!archive.big_unit.ReadEntry(index, data)) {
        throw ToolError(args[1] + ": entry " + args[2] + " is cut short (the archive file ends early)");
      }
      data = mavlet::UnpackStream(data, args[1] + " entry " + args[2]);
      found = true;
    }
  }
  if (!found) throw ToolError(args[1] + ": no entry named " + args[2]);
  mavlet::WriteFileAtomic(args[3], data);
  return 0;
}

}  // namespace

int VerbArchive(const Args& args) {
  if (args.empty()) throw ToolError(kUsage);
  if (args[0] == "create") return Create(args);
  if (args[0] == "list") return List(args);
  if (args[0] == "extract") return Extract(args);
  throw ToolError(kUsage);
}

}  // namespace mavtool
