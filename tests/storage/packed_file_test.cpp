#include "player/storage/packed_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <functional>

#include "player/common/error.h"
#include "tests/support/file_builders.h"
#include "tests/support/temp_folder.h"

namespace mavlet {
namespace {

using testing::ToBytes;
using testing::RandomBytes;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;
using ::testing::HasSubstr;

// A plain zlib stream of `data` at `level`, masked the way packed files are.
ByteBuffer MaskedZlib(const ByteBuffer& data, int level) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  ByteBuffer out(size);
  EXPECT_EQ(compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), level), Z_OK);
  out.resize(size);
  for (auto& b : out) b ^= kPackMask;
  return out;
}

ByteBuffer Compressible(std::size_t n) {
  ByteBuffer b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>((i / 7) % 13 + (i % 3));
  return b;
}

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const MavError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(ApplyMaskTest, MatchesBytewiseXorAtEveryLengthAndAlignment) {
  const ByteBuffer source = RandomBytes(64, 1);
  for (std::size_t offset = 0; offset < 8; ++offset) {
    for (std::size_t len = 0; len + offset <= 40; ++len) {
      ByteBuffer b = source;
      ApplyMask(std::span(b).subspan(offset, len));
      for (std::size_t i = 0; i < b.size(); ++i) {
        const bool inside = i >= offset && i < offset + len;
        ASSERT_EQ(b[i], inside ? source[i] ^ 0x5A : source[i]) << "offset " << offset << " len " << len;
      }
    }
  }
}

TEST(PackedFileTest, RoundTripsPayloadsOfEverySize) {
  const std::vector<ByteBuffer> payloads = {
      {}, ToBytes("a"), ToBytes("Header=\x83\x5c\x95\x5c\r\n"), RandomBytes(1000, 2),
      Compressible(3 << 20),  // more than one 2 MiB inflate chunk
      RandomBytes(300 << 10, 3),
  };
  for (const ByteBuffer& p : payloads) {
    ByteBuffer packed = PackBuffer(p);
    // The writer's stream: zlib header for level 1 (0x78 0x01) under the mask.
    ASSERT_GE(packed.size(), 2u);
    EXPECT_EQ(packed[0] ^ kPackMask, 0x78);
    EXPECT_EQ(packed[1] ^ kPackMask, 0x01);
    EXPECT_EQ(UnpackStream(packed), p) << "size " << p.size();
  }
}

TEST(PackedFileTest, ReadsStreamsOfAnyCompressionLevel) {
  const ByteBuffer data = Compressible(200000);
  for (int level : {0, 1, 6, 9}) {
    ByteBuffer packed = MaskedZlib(data, level);
    EXPECT_EQ(UnpackStream(packed), data) << "level " << level;
  }
}

TEST(PackedFileTest, UnpackStreamConsumesTheSource) {
  const ByteBuffer data = ToBytes("scenario text");
  ByteBuffer packed = PackBuffer(data);
  ByteBuffer copy = packed;
  UnpackStream(packed);
  ApplyMask(copy);
  EXPECT_EQ(packed, copy);  // the mask was removed in place
}

TEST(PackedFileTest, IgnoresBytesAfterTheStream) {
  const ByteBuffer data = Compressible(5000);
  ByteBuffer packed = PackBuffer(data);
  packed.insert(packed.end(), {1, 2, 3, 4, 5});
  EXPECT_EQ(UnpackStream(packed), data);
}

TEST(PackedFileTest, DamagedStreamsGiveClearErrors) {
  const ByteBuffer good = PackBuffer(Compressible(100000));
  struct Case {
    const char* name;
    ByteBuffer bytes;
    const char* expect;
  };
  ASSERT_GT(good.size(), 10u);
  ByteBuffer bad_check = good;
  bad_check.at(bad_check.size() - 1) ^= 0xFF;  // Adler-32 trailer
  ByteBuffer bad_header = good;
  bad_header.at(1) ^= 0x01;
  std::vector<Case> cases = {
      {"empty", {}, "empty"},
      {"header only", ByteBuffer(good.begin(), good.begin() + 2), "ends early"},
      {"truncated half", ByteBuffer(good.begin(), good.begin() + static_cast<long>(good.size() / 2)), "ends early"},
      {"truncated trailer", ByteBuffer(good.begin(), good.end() - 1), "ends early"},
      {"bad check value", bad_check, "check"},
      {"bad header", bad_header, "header"},
      {"unmasked stream", [&] { ByteBuffer b = good; ApplyMask(b); return b; }(), "damaged"},
      {"random bytes", RandomBytes(5000, 4), "damaged"},
  };
  for (Case& c : cases) {
    const std::string m = MessageOf([&] { UnpackStream(c.bytes, "title/Pmx/3.pmx"); });
    EXPECT_THAT(m, HasSubstr("title/Pmx/3.pmx")) << c.name;
    EXPECT_THAT(m, HasSubstr(c.expect)) << c.name;
  }
}

TEST(PackedFileTest, RefusesPayloadsAboveTheLimit) {
  const ByteBuffer data(100000, 'x');
  for (std::size_t limit : {std::size_t{0}, std::size_t{99999}, std::size_t{50}}) {
    ByteBuffer packed = PackBuffer(data);
    EXPECT_THAT(MessageOf([&] { UnpackStream(packed, "bomb", limit); }), HasSubstr("more than")) << limit;
  }
  ByteBuffer packed = PackBuffer(data);
  EXPECT_EQ(UnpackStream(packed, "exact", data.size()), data);  // exactly at the limit is fine
}

TEST(PackedFileTest, ZlibStreamingAgreesWithUnpackStream) {
  for (const ByteBuffer& data : {Compressible(5 << 20), RandomBytes(70000, 5), ByteBuffer{}}) {
    ByteBuffer packed = PackBuffer(data);
    ByteBuffer plain = packed;
    ApplyMask(plain);
    EXPECT_EQ(InflateZlibStream(plain, "x"), data);
    EXPECT_EQ(UnpackStream(packed), data);
  }
}

TEST(PackedFileTest, FilesRoundTripAndMissingFilesAreNamed) {
  TempFolder dir;
  const ByteBuffer data = Compressible(12345);
  PackToFile(dir / "a.pmx", data);
  EXPECT_EQ(UnpackFile(dir / "a.pmx"), data);
  EXPECT_EQ(ReadFile(dir / "a.pmx"), PackBuffer(data));

  const auto missing = dir / "none.pmx";
  EXPECT_EQ(MessageOf([&] { UnpackFile(missing); }), "ﾌｧｲﾙ " + missing.string() + " が見つかりません");
  EXPECT_THAT(MessageOf([&] { UnpackFile(dir.path()); }), HasSubstr("cannot open"));
  WriteFile(dir / "junk.pmx", ToBytes("not packed at all"));
  EXPECT_THAT(MessageOf([&] { UnpackFile(dir / "junk.pmx"); }), HasSubstr((dir / "junk.pmx").string()));
}

TEST(PackedFileTest, OversizedFilesAreRefusedBeforeReading) {
  TempFolder dir;
  const auto file = dir / "huge.pmx";
  WriteFile(file, "");
  std::filesystem::resize_file(file, kMaxUnpackedSize * 2);  // sparse: no disk space used
  EXPECT_THAT(MessageOf([&] { UnpackFile(file); }), HasSubstr("too large"));
}

TEST(PackToFileTest, ReplacesTheFileAndLeavesNoTemporaryFiles) {
  TempFolder dir;
  const auto file = dir / "save01";
  PackToFile(file, ToBytes("old"));
  ::chmod(file.c_str(), 0640);
  PackToFile(file, ToBytes("new"));
  EXPECT_EQ(UnpackFile(file), ToBytes("new"));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // permissions survive the replacement
  int count = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++count;
  EXPECT_EQ(count, 1);
}

TEST(PackToFileTest, FailuresNameTheFileAndKeepTheOldOne) {
  TempFolder dir;
  EXPECT_THAT(MessageOf([&] { PackToFile(dir / "no" / "such" / "save00", ToBytes("x")); }),
              HasSubstr("save00"));
  std::filesystem::create_directory(dir / "save02");
  EXPECT_THAT(MessageOf([&] { PackToFile(dir / "save02", ToBytes("x")); }), HasSubstr("cannot replace"));
}

// A write that fails part-way (here the file size limit, as a full disk would) must leave the
// previous file untouched and no temporary file behind. Runs in a child so the limit stays there.
TEST(PackToFileTest, AFailingWriteLeavesThePreviousFileIntact) {
  TempFolder dir;
  const auto file = dir / "save05";
  const ByteBuffer old_payload = ToBytes("Header=old slot\r\n");
  PackToFile(file, old_payload);
  const ByteBuffer old_bytes = ReadFile(file);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{16384, 16384};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
      PackToFile(file, RandomBytes(1 << 20, 6));  // incompressible: far above the limit
    } catch (const MavError& e) {
      _exit(std::string(e.what()).find("save05") != std::string::npos ? 0 : 2);
    }
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should fail with a message naming the file";
  EXPECT_EQ(ReadFile(file), old_bytes);
  EXPECT_EQ(UnpackFile(file), old_payload);
  int count = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++count;
  EXPECT_EQ(count, 1);
}

}  // namespace
}  // namespace mavlet
