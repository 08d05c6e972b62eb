// Zips in memory: what the writer gives reads back the same, another writer's stored and
// deflated entries read, and every zip that cannot be trusted is refused naming the file and
// the entry, without unpacking past the bounds.
#include "player/storage/zip_archive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "player/common/error.h"

namespace mavlet {
namespace {

using ::testing::HasSubstr;

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::uint32_t Crc(const std::string& s) {
  return static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

std::string RawDeflate(const std::string& s) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(s.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(s.data()));
  z.avail_in = static_cast<uInt>(s.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(out.size() - z.avail_out);
  deflateEnd(&z);
  return out;
}

// A zip put together field by field, so a test can make any field lie.
struct RawEntry {
  std::string name;
  std::string data;  // unpacked
  int method = 8;    // 0 stored, 8 deflate, anything else as it is
  std::uint16_t flags = 0;
  std::optional<std::uint32_t> size;  // declared unpacked size (default: the real one)
  std::optional<std::uint32_t> crc;   // declared CRC (default: the real one)
  std::string packed_override;        // packed bytes instead of the real ones
};

struct RawZip {
  std::vector<RawEntry> entries;
  std::optional<std::uint16_t> count;  // declared entry count (default: the real one)
  std::uint16_t disk = 0;

  std::string Bytes() const {
    std::string out, central;
    for (const RawEntry& e : entries) {
      const std::string packed =
          !e.packed_override.empty() ? e.packed_override : (e.method == 8 ? RawDeflate(e.data) : e.data);
      const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
      auto header = [&](std::string& to, bool c) {
        Put32(to, c ? 0x02014b50 : 0x04034b50);
        if (c) Put16(to, 20);
        Put16(to, 20);
        Put16(to, e.flags);
        Put16(to, static_cast<std::uint32_t>(e.method));
        Put32(to, 0);
        Put32(to, e.crc.value_or(Crc(e.data)));
        Put32(to, static_cast<std::uint32_t>(packed.size()));
        Put32(to, e.size.value_or(static_cast<std::uint32_t>(e.data.size())));
        Put16(to, static_cast<std::uint32_t>(e.name.size()));
        Put16(to, c ? 0 : 4);  // the local header carries an extra field the reader must skip
        if (c) {
          Put16(to, 0);  // comment
          Put16(to, 0);  // disk
          Put16(to, 0);  // internal attributes
          Put32(to, 0);  // external attributes
          Put32(to, offset);
        }
        to += e.name;
        if (!c) to += std::string("\xFE\xCA\x00\x00", 4);
      };
      header(out, false);
      out += packed;
      header(central, true);
    }
    const std::uint32_t dir = static_cast<std::uint32_t>(out.size());
    out += central;
    Put32(out, 0x06054b50);
    Put16(out, disk);
    Put16(out, 0);
    Put16(out, count.value_or(static_cast<std::uint16_t>(entries.size())));
    Put16(out, count.value_or(static_cast<std::uint16_t>(entries.size())));
    Put32(out, static_cast<std::uint32_t>(central.size()));
    Put32(out, dir);
    Put16(out, 5);
    out += "notes";  // a zip comment
    return out;
  }
};

std::string ErrorOf(const std::string& bytes) {
  try {
    ReadZip(bytes, "saves.zip");
  } catch (const MavError& e) {
    return e.what();
  }
  return "";
}

TEST(ZipArchive, WritesAndReadsBack) {
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919) >> 3);
  const std::vector<ZipEntry> entries = {
      {"save01", "[Header]\r\nTitle=one\r\n"},
      {"empty", ""},
      {"PMP/\xE8\x83\x8C\xE6\x99\xAF.pmp", std::string(1 << 20, 'p')},  // 背景.pmp, packs well
      {"binary", binary},
  };
  const std::string zip = WriteZip(entries);
  EXPECT_LT(zip.size(), 100000u);
  const std::vector<ZipEntry> back = ReadZip(zip, "a.zip");
  ASSERT_EQ(back.size(), entries.size());
  for (std::size_t i = 0; i < back.size(); ++i) {
    EXPECT_EQ(back[i].name, entries[i].name);
    EXPECT_EQ(back[i].data, entries[i].data) << entries[i].name;
  }
  EXPECT_EQ(WriteZip(back), zip);  // the same entries, the same bytes
  EXPECT_TRUE(ReadZip(WriteZip({}), "empty.zip").empty());
}

TEST(ZipArchive, ReadsStoredDeflatedAndFolderEntries) {
  RawZip raw;
  raw.entries = {{.name = "Pmx/", .data = "", .method = 0},
                 {.name = "Pmx/Global.pmx", .data = "global", .method = 0},
                 {.name = "Pmx\\1.pmx", .data = std::string(5000, 's'), .method = 8},
                 {.name = "empty.txt", .data = "", .method = 8}};
  const std::vector<ZipEntry> got = ReadZip(raw.Bytes(), "title.zip");
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].name, "Pmx/Global.pmx");
  EXPECT_EQ(got[0].data, "global");
  EXPECT_EQ(got[1].name, "Pmx/1.pmx");
  EXPECT_EQ(got[1].data, std::string(5000, 's'));
  EXPECT_EQ(got[2].data, "");
}

TEST(ZipArchive, UntrustworthyZipsAreRefused) {
  const std::string good = RawZip{{{.name = "save01", .data = std::string(3000, 'a') + "b"}}}.Bytes();
  std::string flipped_crc = RawZip{{{.name = "save01", .data = "abc", .method = 0, .crc = Crc("abd")}}}.Bytes();
  std::string damaged = RawZip{{{.name = "save01", .data = "abcdef", .method = 0}}}.Bytes();
  damaged[30 + 6 + 4 + 2] ^= 0x01;  // one byte of the stored data, after the header, name and extra
  struct Case {
    std::string label;
    std::string bytes;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"empty", "", "saves.zip: not a zip file"},
      {"no end record", std::string(100, 'x'), "saves.zip: not a zip file (no end record)"},
      {"cut in the end record", good.substr(0, good.size() - 10), "saves.zip: not a zip file"},
      {"cut in the data", good.substr(0, 40) + good.substr(good.size() - 80), "saves.zip: "},
      {"bad CRC", flipped_crc, "saves.zip: save01: bad CRC"},
      {"damaged data", damaged, "saves.zip: save01: bad CRC"},
      {"parent", RawZip{{{.name = "../save01", .data = "x"}}}.Bytes(), "saves.zip: ../save01: the name leads out"},
      {"parent inside", RawZip{{{.name = "a/../../x", .data = "x"}}}.Bytes(), "a/../../x: the name leads out"},
      {"backslash parent", RawZip{{{.name = "a\\..\\..\\x", .data = "x"}}}.Bytes(), "a/../../x: the name leads out"},
      {"absolute", RawZip{{{.name = "/etc/passwd", .data = "x"}}}.Bytes(), "/etc/passwd: the name is absolute"},
      {"drive", RawZip{{{.name = "C:/x", .data = "x"}}}.Bytes(), "C:/x: the name is a drive path"},
      {"empty name", RawZip{{{.name = "", .data = "x"}}}.Bytes(), "the name is empty"},
      {"control", RawZip{{{.name = std::string("a\nb"), .data = "x"}}}.Bytes(), "control character"},
      {"twice", RawZip{{{.name = "a", .data = "x"}, {.name = "a", .data = "y"}}}.Bytes(), "a: the name is given twice"},
      {"too many entries", RawZip{{{.name = "a", .data = "x"}}, 65534}.Bytes(),
       "the central directory is too small for its 65534 entries"},
      {"zip64 count", RawZip{{{.name = "a", .data = "x"}}, 65535}.Bytes(), "zip64 files are not supported"},
      {"several disks", RawZip{{{.name = "a", .data = "x"}}, std::nullopt, 1}.Bytes(), "several disks"},
      {"encrypted", RawZip{{{.name = "a", .data = "x", .flags = 1}}}.Bytes(), "a: encrypted entries"},
      {"bzip2", RawZip{{{.name = "a", .data = "x", .method = 12}}}.Bytes(), "a: compression method 12"},
      {"zip64", RawZip{{{.name = "a", .data = "x", .size = 0xFFFFFFFFu}}}.Bytes(), "a: zip64 entries"},
      {"stored size lies", RawZip{{{.name = "a", .data = "xyz", .method = 0, .size = 2}}}.Bytes(),
       "a: the declared size does not match"},
      {"deflated to more", RawZip{{{.name = "a", .data = std::string(4000, 'q'), .size = 3999}}}.Bytes(),
       "a: the entry unpacks to more than its declared size"},
      {"deflated to less", RawZip{{{.name = "a", .data = std::string(4000, 'q'), .size = 4001}}}.Bytes(),
       "a: the entry unpacks to less than its declared size"},
      {"bomb by declaration", RawZip{{{.name = "a", .data = "tiny", .size = 900u << 20}}}.Bytes(),
       "a: the declared size does not match"},
      {"past 1 GiB", RawZip{{{.name = "a", .data = "tiny", .size = (1u << 30) + 1}}}.Bytes(),
       "a: the entry is larger than 1 GiB"},
      {"broken deflate", RawZip{{{.name = "a", .data = "abc", .packed_override = "\xFF\xFF\xFF\xFF"}}}.Bytes(),
       "a: the deflate data is broken"},
      {"deflate cut short",
       RawZip{{{.name = "a",
                .data = std::string(3000, 'z') + "!",
                .packed_override = RawDeflate(std::string(3000, 'z') + "!").substr(0, 5)}}}
           .Bytes(),
       "a: the deflate data ends early"},
  };
  for (const Case& c : cases) EXPECT_THAT(ErrorOf(c.bytes), HasSubstr(c.error)) << c.label;
  // Every cut of a sound zip is refused (and none reads past its end).
  for (std::size_t n = 0; n < good.size(); ++n) EXPECT_NE(ErrorOf(good.substr(0, n)), "") << n;
}

TEST(ZipArchive, TotalIsBoundedBeforeAnythingUnpacks) {
  // Five entries of just under 1 GiB each as declared: the fifth passes 4 GiB, which is refused
  // from the directory alone (the data of none of them is there).
  RawZip raw;
  for (int i = 0; i < 5; ++i)
    raw.entries.push_back(
        {.name = "e" + std::to_string(i), .data = "", .size = 1u << 30, .packed_override = std::string(1100000, 'x')});
  EXPECT_THAT(ErrorOf(raw.Bytes()), HasSubstr("e4: the entries add up to more than 4 GiB"));
}

TEST(ZipArchive, WriterRefusesWhatItCannotStore) {
  const std::vector<std::vector<ZipEntry>> cases = {
      {{"../x", "a"}}, {{"/x", "a"}}, {{"", "a"}}, {{"a\\b", "a"}}, {{"dir/", ""}}, {{"a", "1"}, {"a", "2"}},
  };
  for (const auto& c : cases) EXPECT_THROW(WriteZip(c), MavError) << c[0].name;
}

}  // namespace
}  // namespace mavlet
